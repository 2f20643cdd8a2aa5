#include "discover/FrameRecord.h"

namespace cac {

void FrameRecord::play(const FrameSink& sink) const {
    CanFrame frame;
    replay([&](const KeptFrame& kept) {
        const IdentifierKey& key = m_keys[static_cast<std::size_t>(kept.identifier)];
        frame.time = kept.time;
        frame.id = key.id;
        frame.extended = key.extended;
        frame.length = static_cast<std::uint8_t>(kept.length);
        for (std::size_t i = 0; i < frame.data.size(); ++i)
            frame.data[i] = static_cast<std::uint8_t>(kept.data >> (8 * i));
        sink(frame);
    });
}

} // namespace cac
