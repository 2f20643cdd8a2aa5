// The byte orders follow the public conventions of CAN tools:
//  - the CAN database format (DBC): bits numbered byte * 8 + bit, bit 0 the
//    byte's least significant; "@1" (Intel) names the least significant bit
//    and runs up through the bytes, "@0" (Motorola) names the most significant
//    bit and runs down to bit 0, then on at bit 7 of the next byte (the
//    "sawtooth"), as in canmatrix's wiki page "signal Byteorder"
//    (github.com/ebroecker/canmatrix/wiki/signal-Byteorder: "7|32@0" fills
//    bytes 0 to 3);
//  - MATLAB Vehicle Network Toolbox, "CAN Frame Structure, Byte Order and Bit
//    Numbering" (mathworks.com/help/vnt/ug/frame-byte-bit-order.html): its
//    big-endian start bit names the least significant bit of the same run
//    (10 bits, start bit 11, most significant bit 4), our "Motorola forw LSB";
//  - measurement amplifiers' "data bit numbering systems" (HBM QuantumX, NI-CAN):
//    beside that numbering, a sequential one counting the bits in the order
//    they travel on the bus, bit 0 the most significant bit of byte 0, in which
//    a Motorola signal is one contiguous run.
#include "bitmap/SignalBitMap.h"

#include "channels/ConfigModel.h"
#include "image/ConfigImage.h"

#include <algorithm>

namespace cac {
namespace {

int floorDiv(int a, int b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

// Bit `index` of the database numbering (byte * 8 + bit).
BitPosition fromDatabaseIndex(int index) {
    const int byte = floorDiv(index, 8);
    return {byte, index - byte * 8};
}

// Bit `index` of the bus numbering (byte * 8 + 7 - bit).
BitPosition fromBusIndex(int index) {
    const int byte = floorDiv(index, 8);
    return {byte, 7 - (index - byte * 8)};
}

} // namespace

bool SignalBitMap::insideFrame() const {
    return std::all_of(positions.begin(), positions.end(),
                       [](BitPosition p) { return p.insideFrame(); });
}

int SignalBitMap::firstByte() const {
    int first = positions.isEmpty() ? 0 : positions.first().byte;
    for (const BitPosition& p : positions)
        first = std::min(first, p.byte);
    return first;
}

int SignalBitMap::lastByte() const {
    int last = positions.isEmpty() ? 0 : positions.first().byte;
    for (const BitPosition& p : positions)
        last = std::max(last, p.byte);
    return last;
}

bool SignalBitMap::covers(BitPosition position) const {
    return positions.contains(position);
}

SignalBitMap MapSignalBits(int startBit, int length, int orderCode) {
    SignalBitMap map;
    map.startBit = startBit;
    map.length = length;
    map.orderCode = orderCode;
    if (orderCode == static_cast<int>(ByteOrder::MotorolaBackward)) {
        map.unknownReason =
            QStringLiteral("the bit numbering of \"Motorola backward\" is not known");
        return map;
    }
    if (orderCode < 0 || orderCode > static_cast<int>(ByteOrder::MotorolaBackward)) {
        map.unknownReason = QStringLiteral("byte-order code %1 names no byte order").arg(orderCode);
        return map;
    }
    map.known = true;
    map.positions.reserve(std::max(length, 0));
    // The start bit's own position, in the numbering its order counts it in.
    const BitPosition start = fromDatabaseIndex(startBit);
    const int startAsBus = fromBusIndex(startBit).databaseIndex();
    switch (static_cast<ByteOrder>(orderCode)) {
    case ByteOrder::IntelStandard:
    case ByteOrder::IntelSequential: {
        // The start bit is the least significant; the signal runs up through the bytes.
        const int lsb = orderCode == 0 ? startBit : startAsBus;
        for (int k = length - 1; k >= 0; --k)
            map.positions.append(fromDatabaseIndex(lsb + k));
        break;
    }
    case ByteOrder::MotorolaForwMsb:
    case ByteOrder::MotorolaSeq: {
        // The start bit is the most significant; in bus order the rest follows it.
        const int msb = orderCode == 3 ? start.busIndex() : startBit;
        for (int k = 0; k < length; ++k)
            map.positions.append(fromBusIndex(msb + k));
        break;
    }
    case ByteOrder::MotorolaForwLsb:
        // The start bit is the least significant; in bus order the rest precedes it.
        for (int k = length - 1; k >= 0; --k)
            map.positions.append(fromBusIndex(start.busIndex() - k));
        break;
    case ByteOrder::MotorolaBackward:
        break;
    }
    return map;
}

SignalBitMap MapSignalBits(const QString& startBit, const QString& length, const QString& valueType,
                           const QString& byteOrder) {
    // The filter cells only set the format byte's top bit, which is not the order's.
    const auto bytes = EncodeSignalFields({startBit, length, valueType, byteOrder, {}, {}});
    return MapSignalBits(bytes[0], bytes[1], (bytes[2] >> 4) & 7);
}

SignalBitMap MapChannelBits(const ConfigModel& model, int row) {
    return MapSignalBits(model.cell(row, ColStartBit), model.cell(row, ColLength),
                         model.cell(row, ColValueType), model.cell(row, ColByteOrder));
}

} // namespace cac
