#include "discover/FrameRecord.h"

#include <algorithm>

namespace cac {

void FrameRecord::play(const FrameSink& sink, const std::vector<bool>* only) const {
    // A byte per identifier: asked of every kept frame, a packed bit costs.
    std::vector<char> played(m_keys.size(), only ? 0 : 1);
    if (only)
        for (std::size_t i = 0; i < std::min(only->size(), played.size()); ++i)
            played[i] = (*only)[i];
    CanFrame frame;
    replay([&](const KeptFrame& kept) {
        const auto place = static_cast<std::size_t>(kept.identifier);
        if (!played[place])
            return;
        const IdentifierKey& key = m_keys[place];
        frame.time = kept.time;
        frame.id = key.id;
        frame.extended = key.extended;
        frame.bus = key.bus;
        frame.length = static_cast<std::uint8_t>(kept.length);
        for (std::size_t i = 0; i < frame.data.size(); ++i)
            frame.data[i] = static_cast<std::uint8_t>(kept.data >> (8 * i));
        sink(frame);
    });
}

} // namespace cac
