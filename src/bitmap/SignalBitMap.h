#pragma once

#include <QList>
#include <QString>

#include <cstdint>

// Where a channel's signal sits in its frame: the bits it takes, most
// significant first. The checks, the layout picture, the CAN database export
// and the decoding of frames all read this one map.
namespace cac {

class ConfigModel;

// The byte-order codes of a channel record (bits 6 to 4 of its format byte),
// in the order of the byte-order list.
enum class ByteOrder : int {
    IntelStandard = 0,
    IntelSequential = 1,
    MotorolaForwLsb = 2,
    MotorolaForwMsb = 3,
    MotorolaSeq = 4,
    MotorolaBackward = 5,
};

inline constexpr int FrameDataBytes = 8;

// One bit of a frame: data byte 0 to 7 (a signal may reach before byte 0 or
// past byte 7; such positions are kept so the checks can name them) and bit 0
// (least significant) to 7 within the byte.
struct BitPosition {
    int byte = 0;
    int bit = 0;

    bool insideFrame() const { return byte >= 0 && byte < FrameDataBytes; }
    // The bit's number as CAN databases count it: byte * 8 + bit.
    int databaseIndex() const { return byte * 8 + bit; }
    // Its number in the order bits travel on the bus: byte * 8 + 7 - bit.
    int busIndex() const { return byte * 8 + 7 - bit; }
    bool operator==(const BitPosition&) const = default;
};

struct SignalBitMap {
    bool known = false;
    QString unknownReason; // why the bits cannot be told, when not known
    int startBit = 0;      // as the record holds them
    int length = 0;
    int orderCode = 0;
    QList<BitPosition> positions; // most significant first; empty when not known

    bool insideFrame() const;
    // The lowest and highest data byte any bit reaches (0 for no bits).
    int firstByte() const;
    int lastByte() const;
    // Whether the signal takes that bit.
    bool covers(BitPosition position) const;
};

// The bits of a signal from its record fields: start bit and length as the
// record bytes hold them, `orderCode` the byte-order code of its format byte
// (0 to 7; codes past "Motorola backward" name no order).
SignalBitMap MapSignalBits(int startBit, int length, int orderCode);

// The bits of a signal from its cell texts, read as the image reads them:
// TextToNumber, halves to the even neighbour, "Float (single)" 32 bits, and a
// value type the list lacks leaving the length's bits in the format byte.
SignalBitMap MapSignalBits(const QString& startBit, const QString& length, const QString& valueType,
                           const QString& byteOrder);

// The bits of channel row 1 to 15 of the model.
SignalBitMap MapChannelBits(const ConfigModel& model, int row);

} // namespace cac
