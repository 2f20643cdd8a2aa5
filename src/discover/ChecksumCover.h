#pragma once

#include <cstdint>

namespace cac {

// The bytes a checksum byte covers: those before it, those after it, or all
// the frame's other bytes.
enum class ChecksumCover : std::uint8_t { Before, After, Others };

} // namespace cac
