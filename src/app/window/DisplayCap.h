#pragma once

#include <QString>

class QStatusBar;

namespace cac::app {

// Qt lays out the whole of a text before it draws, elides or measures it, so
// a cell, label or list entry costs as much to paint as its text is long, and
// a cell may hold megabytes. The window lays out at most this many characters
// of any text it did not write itself; the stored text stays whole.
inline constexpr qsizetype DisplayCap = 300;

// The part of `text` the window lays out: the whole text when it has at most
// `cap` characters, otherwise its beginning (ElideRight) or both its ends
// (ElideMiddle) with "…" where the rest was. Never splits a surrogate pair.
QString displayCapped(const QString& text, Qt::TextElideMode mode = Qt::ElideRight,
                      qsizetype cap = DisplayCap);

// What a tool tip shows of a text: the text itself when it is not capped,
// otherwise its capped beginning and, on a line of its own, its length.
QString displayToolTip(const QString& text);

// Every message the status bar is given is shown capped, and as its tool tip,
// where a message cut off at the bar's width can be read whole.
void capStatusMessages(QStatusBar* bar);

} // namespace cac::app
