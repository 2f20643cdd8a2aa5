#pragma once

#include <QString>

#include <vector>

namespace cac {

// A time of the log in which the quantity moved, seconds.
struct HintWindow {
    double from = 0;
    double to = 0;
};

// What the user knows of a quantity without a recording of it: the range it
// covers and, optionally, the times of the log in which it moved ("throttle
// pressed between 12 s and 15 s, and again from 30 s to 33 s").
struct ReferenceHint {
    double minimum = 0;
    double maximum = 0;
    QString unit;                    // the word after the range, if any ("rpm")
    std::vector<HintWindow> windows; // in time order, none overlapping; the log's clock
};

// Reads "MIN..MAX[@T1..T2[,T3..T4...]]" ("800..7000@12..15,30..33"), also
// written in words: "800 to 7000 rpm between 12 and 15 s". False with a reason
// the user can act on when the text is no such hint, or a range or window is
// empty or reversed, or two windows overlap.
bool ParseReferenceHint(const QString& text, ReferenceHint& hint, QString* error);

// Windows typed from the log's start moved onto its clock: each shifted by
// `clockShift` (the log's first time when its times are dates) unless typed
// as a date already.
void ShiftHintWindows(ReferenceHint& hint, double clockShift);

} // namespace cac
