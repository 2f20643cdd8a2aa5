// Signal discovery over random frames: every 10 input bytes are one frame
// (identifier, flags, length, data). The analysis must end, keep each field
// inside the frame and give every field a row or a reason.
#include "FuzzCheck.h"
#include "discover/SignalDiscovery.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<cac::CanFrame> frames;
    for (std::size_t at = 0; at + 11 <= size; at += 11) {
        cac::CanFrame f;
        f.time = static_cast<double>(frames.size()) * 0.01;
        f.id = data[at] & 7u; // few identifiers, so each gets many frames
        f.extended = data[at + 1] & 1;
        f.remote = (data[at + 1] & 0x30) == 0x30;
        f.length = static_cast<std::uint8_t>(data[at + 2] % 10); // 9 is too long
        for (int i = 0; i < 8; ++i)
            f.data[static_cast<std::size_t>(i)] = data[at + 3 + static_cast<std::size_t>(i)];
        frames.push_back(f);
    }
    const cac::DiscoveryResult result = cac::DiscoverSignals([&](const cac::FrameSink& sink) {
        for (const cac::CanFrame& f : frames)
            sink(f);
        return true;
    });
    for (const cac::DiscoveredIdentifier& identifier : result.identifiers) {
        for (const cac::DiscoveredField& field : identifier.fields) {
            check(!field.bits.isEmpty() && field.bits.size() <= 64);
            for (const int bit : field.bits)
                check(bit >= 0 && bit < 64);
            check(field.confidence >= 0 && field.confidence <= 1);
            check(field.row.importable() || !field.row.notes.isEmpty());
        }
    }
    return 0;
}
