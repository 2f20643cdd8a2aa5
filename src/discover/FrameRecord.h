#pragma once

#include "discover/BitStatistics.h"

#include <cstdint>
#include <vector>

// The data frames of a log as the first look at it met them, kept so that
// the later looks play them again without reading the log. A log longer
// than MaxKeptFrames is not kept (it is read again instead): the record
// stays under some 100 MB whatever the log's length.
namespace cac {

struct KeptFrame {
    double time = 0;
    std::uint64_t data = 0;      // FrameBits
    std::int32_t identifier = 0; // place in BitStatistics::identifiers()
    std::int32_t length = 0;
};

class FrameRecord {
public:
    static constexpr std::int64_t MaxKeptFrames = std::int64_t{4} << 20;

    void add(const KeptFrame& frame) {
        if (m_full)
            return;
        if (m_chunks.empty() || m_chunks.back().size() == ChunkFrames) {
            if (std::int64_t(m_chunks.size()) * std::int64_t(ChunkFrames) >= MaxKeptFrames) {
                m_full = true;
                m_chunks = {};
                return;
            }
            m_chunks.emplace_back().reserve(ChunkFrames);
        }
        m_chunks.back().push_back(frame);
    }
    bool complete() const { return !m_full; }
    template <typename F> void replay(F f) const {
        for (const std::vector<KeptFrame>& chunk : m_chunks)
            for (const KeptFrame& frame : chunk)
                f(frame);
    }

    // The identifiers the frames' places name, for playing them as frames.
    void setKeys(std::vector<IdentifierKey> keys) { m_keys = std::move(keys); }
    // Each kept frame as the log gave it (a frame longer than 8 bytes with
    // its first 8): identifier, time, length and data; with `only`, the
    // frames of the identifiers it marks (by place) alone.
    void play(const FrameSink& sink, const std::vector<bool>* only = nullptr) const;

private:
    static constexpr std::size_t ChunkFrames = std::size_t{1} << 16;
    std::vector<std::vector<KeptFrame>> m_chunks; // chunks: no copying as it grows
    std::vector<IdentifierKey> m_keys;
    bool m_full = false;
};

} // namespace cac
