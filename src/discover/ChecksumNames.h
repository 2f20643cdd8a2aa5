#pragma once

#include "discover/ChecksumFinder.h"
#include "discover/DataIdCrc.h"

#include <QString>

// How a checksum that held is named (ChecksumFinder's result).
namespace cac::checksums {

// The bytes a byte candidate covers at a frame length, as a mask of bytes.
unsigned CoveredBytes(int place, ChecksumFinder::Cover cover, int length);
// The data bits of a mask of bytes (bit b for byte b).
std::uint64_t BitsOfBytes(unsigned bytes);

struct Named {
    QString text;
    bool named = false; // the constant has a reading of its own (0, the identifier, the length)
};

// "sum of bytes 0-6 + identifier bytes + length, modulo 256", "CRC-8 poly
// 0x1D init 0xFF xorout 0xFF over bytes 1-7": `longest` is the longest
// frame the candidate held on.
Named NameOf(const ChecksumFinder::Candidate& c, const IdentifierKey& key, int longest);
// "CRC-8 poly 0x2F init 0xFF xorout 0xFF over bytes 1-7, then a data ID per
// value of bits 8-11 (0 to 15): 0x3A 0x07 ...": the start and final XOR fold
// into the data IDs, so they are given as AUTOSAR's, the IDs to match.
Named NameOf(const DataIdCrcSearch::Candidate& c, int length);

// What the log leaves open about a family that held where only a counter
// moved among the bytes it covers (ChecksumFinder::MinDistinctWithCounter).
QString BesideCounterNote();
// Why a byte or nibble no family explains is a checksum all the same
// (ChecksumFinder's cycle with a counter).
QString CycleWithCounterNote();

} // namespace cac::checksums
