#pragma once

#include "canlog/CanFrame.h"

#include <QByteArray>

// Frames written as candump -L lines, "(1717000000.123456) can0 123#DEADBEEF",
// which this program, candump's own tools and python-can all read back.
namespace cac {

// The frame's line with its newline, its time shifted by `timeShift`
// seconds (a live recording's times count from its start; the line carries
// the date), on interface canN for bus N. An error frame is written with
// candump's error flag in its identifier, a remote request as "#R" and its
// length.
QByteArray CandumpLine(const CanFrame& frame, double timeShift = 0);

} // namespace cac
