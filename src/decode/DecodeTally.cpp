#include "decode/DecodeTally.h"

#include <bit>

namespace cac {

void DecodeTally::add(const CanFrame& frame) {
    ++m_frames;
    unsigned takers = m_decoder.takers(frame);
    const bool taken = takers != 0;
    for (; takers != 0; takers &= takers - 1) {
        const int c = std::countr_zero(takers) + 1;
        const ChannelDecoding& d = m_decoder.channel(c);
        ChannelTally& t = m_channels[c - 1];
        ++t.frames;
        QString problem;
        const auto value = m_decoder.decode(d, frame, t.problem.isEmpty() ? &problem : nullptr);
        if (!value) {
            ++t.undecodable;
            if (t.problem.isEmpty())
                t.problem = problem;
            continue;
        }
        if (!t.hasValue) {
            t.minimum = t.maximum = value->rounded;
            t.hasValue = true;
        }
        t.minimum = std::min(t.minimum, value->rounded);
        t.maximum = std::max(t.maximum, value->rounded);
        t.last = value->rounded;
        if (m_sink)
            m_sink(c, frame, *value);
    }
    if (taken)
        return;
    ++m_untaken.frames;
    if (frame.remote)
        ++m_untaken.remote;
    if (frame.error)
        ++m_untaken.error;
    if (frame.remote || frame.error)
        return;
    const std::pair<std::uint32_t, bool> key{frame.id, frame.extended};
    if (m_untaken.identifiers.contains(key))
        return;
    if (m_untaken.identifiers.size() < UntakenTally::KeptIdentifiers)
        m_untaken.identifiers.append(key);
    else
        m_untaken.moreIdentifiers = true;
}

} // namespace cac
