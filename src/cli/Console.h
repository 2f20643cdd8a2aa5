#pragma once

namespace cac::cli {

// Makes standard output and error carry bytes as they are written, in UTF-8,
// on every platform: on Windows the C runtime would turn each "\n" of a HEX
// file's CR LF into another CR LF, and the console would show UTF-8 in the
// system's code page.
void PrepareConsole();

} // namespace cac::cli
