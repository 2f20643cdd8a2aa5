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

// A tool tip draws a plain text on one line however long it is, wider than
// any screen for a long cell; lines of this many characters fit a 1024-pixel
// screen at 150 % in the usual fonts.
inline constexpr qsizetype ToolTipLineLength = 72;

// `text` in lines of at most ToolTipLineLength characters, broken after a
// blank where the line has one in its latter half, else where it is full;
// its own line breaks stay. Never splits a surrogate pair.
QString toolTipLines(const QString& text);

// What a tool tip shows of a text: the text itself when it is not capped,
// otherwise its capped beginning and, on a line of its own, its length. The
// tip puts it into toolTipLines where it is shown, with whatever else it says.
QString displayToolTip(const QString& text);

// Every message the status bar is given is shown capped, and as its tool tip,
// where a message cut off at the bar's width can be read whole.
void capStatusMessages(QStatusBar* bar);

} // namespace cac::app
