#include "discover/FrameRecord.h"

namespace cac {

void FrameRecord::play(const FrameSink& sink, const std::vector<bool>* only) const {
    CanFrame frame;
    replay([&](const KeptFrame& kept) {
        const auto place = static_cast<std::size_t>(kept.identifier);
        if (only && (place >= only->size() || !(*only)[place]))
            return;
        const IdentifierKey& key = m_keys[place];
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
