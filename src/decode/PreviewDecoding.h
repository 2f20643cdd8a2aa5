#pragma once

#include "decode/DecodeTally.h"
#include "decode/ValueSeries.h"

#include <QHash>
#include <QList>
#include <QString>

#include <array>
#include <memory>
#include <vector>

// What a preview shows of a CAN log or a live bus: the tally of each
// channel, its values over time, and how often each identifier no channel
// takes was seen. Memory stays bounded whatever the number of frames.
namespace cac {

class PreviewDecoding {
public:
    explicit PreviewDecoding(std::shared_ptr<const FrameDecoder> decoder);
    PreviewDecoding(const PreviewDecoding&) = delete;
    PreviewDecoding& operator=(const PreviewDecoding&) = delete;

    void add(const CanFrame& frame);

    const FrameDecoder& decoder() const { return *m_decoder; }
    const DecodeTally& tally() const { return m_tally; }
    const ValueSeries& series(int channel) const { return m_series[channel - 1]; }

    // Untaken data-frame identifiers, most frequent first (ties: the lower
    // identifier first), at most `count` of them.
    struct IdentifierCount {
        std::uint32_t id = 0;
        bool extended = false;
        qint64 frames = 0;
    };
    QList<IdentifierCount> topUntaken(int count) const;
    // Distinct identifiers counted; beyond this many, new ones are not.
    static constexpr int CountedIdentifiers = 4096;

private:
    std::shared_ptr<const FrameDecoder> m_decoder;
    DecodeTally m_tally;
    std::array<ValueSeries, ChannelCount> m_series;
    QHash<quint64, qint64> m_untakenCounts; // key: id | extended << 32
};

// "0x123 ×40, 0x18FEF100 (29 bit) ×12": the identifiers of topUntaken.
QString TopUntakenText(const QList<PreviewDecoding::IdentifierCount>& top);

// The frames of a log kept in memory so that an edit decodes them again
// without reading the file, up to a number of frames; past it the kept
// frames are dropped and the log must be read again.
class KeptFrames {
public:
    static constexpr qsizetype DefaultCap = 2'000'000; // ~48 MB

    explicit KeptFrames(qsizetype cap = DefaultCap) : m_cap(cap) {}
    void add(const CanFrame& frame);
    bool overflowed() const { return m_overflowed; }
    qsizetype cap() const { return m_cap; }
    const std::vector<CanFrame>& frames() const { return m_frames; }
    // The frames, moved out.
    std::vector<CanFrame> take() { return std::move(m_frames); }

private:
    qsizetype m_cap;
    bool m_overflowed = false;
    std::vector<CanFrame> m_frames;
};

} // namespace cac
