#pragma once

// The CAN database input of the dbc and import commands.

#include "dbc/CanDatabase.h"

#include <QString>

namespace cac::cli {

// Reads FILE.dbc; its problems go to standard error as "FILE:LINE: problem"
// and reading goes on. Returns ExitOk, or ExitFileError after saying why (it
// cannot be read, or holds no message at all).
int ReadDatabase(const QString& path, CanDatabase& database);

} // namespace cac::cli
