#include "decode/PreviewDecoding.h"

#include "bitmap/FrameLayout.h"

#include <algorithm>

namespace cac {

PreviewDecoding::PreviewDecoding(std::shared_ptr<const FrameDecoder> decoder)
    : m_decoder(std::move(decoder)), m_tally(*m_decoder) {
    m_tally.setSink([this](int channel, const CanFrame& frame, const DecodedValue& value) {
        // The value as the logger records it, beside the raw bits it came from.
        m_series[channel - 1].add(frame.time, value.raw, value.rounded);
    });
}

void PreviewDecoding::add(const CanFrame& frame) {
    const qint64 untakenBefore = m_tally.untaken().frames;
    m_tally.add(frame);
    if (m_tally.untaken().frames == untakenBefore || frame.remote || frame.error)
        return;
    const quint64 key = frame.id | (quint64(frame.extended) << 32);
    const auto it = m_untakenCounts.find(key);
    if (it != m_untakenCounts.end())
        ++*it;
    else if (m_untakenCounts.size() < CountedIdentifiers)
        m_untakenCounts.insert(key, 1);
}

QList<PreviewDecoding::IdentifierCount> PreviewDecoding::topUntaken(int count) const {
    QList<IdentifierCount> all;
    all.reserve(m_untakenCounts.size());
    for (auto it = m_untakenCounts.cbegin(); it != m_untakenCounts.cend(); ++it)
        all.append({static_cast<std::uint32_t>(it.key() & 0xFFFFFFFFu), (it.key() >> 32) != 0,
                    it.value()});
    const auto before = [](const IdentifierCount& a, const IdentifierCount& b) {
        if (a.frames != b.frames)
            return a.frames > b.frames;
        return std::pair(a.extended, a.id) < std::pair(b.extended, b.id);
    };
    const qsizetype kept = std::min<qsizetype>(std::max(count, 0), all.size());
    std::partial_sort(all.begin(), all.begin() + kept, all.end(), before);
    all.resize(kept);
    return all;
}

QString TopUntakenText(const QList<PreviewDecoding::IdentifierCount>& top) {
    QStringList parts;
    for (const auto& entry : top)
        parts << QStringLiteral("%1 \u00d7%2")
                     .arg(FrameName(entry.extended, static_cast<std::int32_t>(entry.id)))
                     .arg(entry.frames);
    return parts.join(QStringLiteral(", "));
}

void KeptFrames::add(const CanFrame& frame) {
    if (m_overflowed)
        return;
    if (static_cast<qsizetype>(m_frames.size()) >= m_cap) {
        m_overflowed = true;
        std::vector<CanFrame>().swap(m_frames); // the memory goes back at once
        return;
    }
    m_frames.push_back(frame);
}

} // namespace cac
