#pragma once

#include "canlog/CanFrame.h"

#include <QByteArray>

#include <cstdint>

// A classic frame from its data bytes written as hex ("0102…"), as a log line shows them.
inline cac::CanFrame HexFrame(std::uint32_t id, const QByteArray& hex, bool extended = false) {
    cac::CanFrame f;
    f.id = id;
    f.extended = extended;
    const QByteArray data = QByteArray::fromHex(hex);
    f.length = static_cast<std::uint8_t>(data.size());
    for (int i = 0; i < data.size(); ++i)
        f.data[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(data[i]);
    return f;
}
