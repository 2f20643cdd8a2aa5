#pragma once

#include <QString>

namespace cac {

// What the user knows of a quantity without a recording of it: the range it
// covers and, optionally, a time of the log in which it moved ("throttle
// pressed between 12 s and 15 s").
struct ReferenceHint {
    double minimum = 0;
    double maximum = 0;
    QString unit; // the word after the range, if any ("rpm")
    bool hasWindow = false;
    double from = 0; // seconds, the log's clock
    double to = 0;
};

// Reads "MIN..MAX[@T1..T2]" ("800..7000@12..15"), also written in words:
// "800 to 7000 rpm between 12 and 15 s". False with a reason the user can act
// on when the text is no such hint, or a range or window is empty or reversed.
bool ParseReferenceHint(const QString& text, ReferenceHint& hint, QString* error);

} // namespace cac
