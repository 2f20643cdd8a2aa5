#pragma once

#include <QList>

#include <cstdint>

// Whether a run of bits below a field is the field's own low part, read from
// the values of both as the frames play: a carry lowers the low part as the
// upper one rises (and raises it as the upper one falls), so their steps go
// against each other, and the two read as one number step forward in small
// steps, as a count of varying step does (a wheel encoder moving by one,
// two or three pulses a frame). A flag of its own below a counter steps when
// it likes: its steps and the counter's do not go together.
namespace cac {

class CarryTally {
public:
    // `upper` and `lower`: database bit numbers, most significant first,
    // `lower` continuing `upper` downwards.
    // With `countsOnly`, the joined number must count forward too (an
    // encoder); otherwise it may go either way (a value with noisy lowest
    // bits).
    CarryTally(QList<int> upper, QList<int> lower, bool countsOnly = true);

    void add(std::uint64_t data, int length);

    // Independent steps give at most this z (their correlation times the
    // root of the frame pairs) below zero once in about 30,000.
    static constexpr double CarryZ = 4;
    // A value going either way mixes its own steps into its upper part's,
    // which dilutes the carries' correlation; and only a random piece the
    // cut found right under a value is asked (a few a log), not every run
    // below a count: independent steps give this z once in about 700.
    static constexpr double EitherWayCarryZ = 3;
    // A count steps forward, by less than a quarter of its range, in this
    // share of its changes at least; a lost frame or a reset may step back.
    static constexpr double ForwardShare = 0.95;
    // The steps go against each other beyond chance, and the joined value
    // counts forward where it must.
    bool carries() const;

private:
    QList<int> m_upper, m_lower;
    int m_needBytes = 0;
    bool m_countsOnly = true;
    bool m_started = false;
    std::uint64_t m_lastUpper = 0, m_lastLower = 0;
    qint64 m_pairs = 0, m_changes = 0, m_forward = 0;
    double m_upperSum = 0, m_lowerSum = 0;
    double m_crossSum = 0, m_upperSquares = 0, m_lowerSquares = 0;
};

} // namespace cac
