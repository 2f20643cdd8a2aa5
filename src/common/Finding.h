#pragma once

#include <QString>

// A finding as every layer reports one: what reads an image back, what checks
// the settings, and the views and the command line that show them.
namespace cac {

// How much a finding matters: an error means the image will not do what the
// settings say, a warning marks a probable mistake, a note is for information.
enum class Severity { Error, Warning, Note };

// What a finding is about, so a view can select it.
enum class Place {
    Channel,     // a channel's cell (`column` 1 to 12) or its whole row (`column` 0)
    BitRate,     // the bit-rate list
    ObdPriority, // a priority of the OBD table (`row` 1 to 18)
    Image,       // an image as a whole (reading one back)
};

// One explained problem: where it is, how much it matters, a stable code for
// scripts and filters, and one sentence saying what the image gets and why.
struct Finding {
    Severity severity = Severity::Note;
    QString code;
    Place place = Place::Channel;
    int row = 0;    // channel 1 to 15 (0: a row on its own), or OBD table row 1 to 18
    int column = 0; // channel-table column, 0 for the whole channel
    QString message;

    bool operator==(const Finding&) const = default;
};

} // namespace cac
