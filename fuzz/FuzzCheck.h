#pragma once
// What every fuzz target promises about its input, checked the same way: a
// broken promise aborts, so libFuzzer keeps the input that broke it.
#include "canlog/CanFrame.h"

#include <cstdlib>

inline void check(bool condition) {
    if (!condition)
        std::abort();
}

// An identifier a bus carries in the frame's format (11 or 29 bits).
inline bool busIdentifier(const cac::CanFrame& frame) {
    return frame.id <= (frame.extended ? 0x1FFFFFFFu : 0x7FFu);
}
