#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace cac {

// The first fault of an Intel HEX text: its 1-based line and what is wrong.
struct HexFault {
    int line = 0;
    QString message;
};

// Reads Intel HEX text that holds the configuration image at 0x6000, as the
// HEX export writes it or as any other tool may: records of type 00 (data),
// 01 (end), 02 and 04 (segment and linear address) and 03 and 05 (start
// address, ignored), lines ending in CR LF, LF or CR, blank lines skipped.
// Every byte of the image must be given exactly once and nothing outside it.
// Returns the 1140 bytes, or nullopt and the first fault. Memory stays flat
// however long the text or a line of it is.
std::optional<QByteArray> ReadIntelHexImage(const QByteArray& text, HexFault* fault = nullptr);

// An image's HEX file is a few kilobytes, whoever wrote it.
inline constexpr qint64 MaxImageHexFileSize = 1024 * 1024;

// The image in the HEX file at path. A file that is not a regular file of at
// most MaxImageHexFileSize bytes is refused unread: its fault has line 0.
std::optional<QByteArray> LoadIntelHexImage(const QString& path, HexFault* fault = nullptr);

} // namespace cac
