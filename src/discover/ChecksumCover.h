#pragma once

#include <array>
#include <cstdint>

namespace cac {

// The bytes a checksum byte covers: those before it, those after it, or all
// the frame's other bytes.
enum class ChecksumCover : std::uint8_t { Before, After, Others };
constexpr std::array<ChecksumCover, 3> ChecksumCovers{ChecksumCover::Before, ChecksumCover::After,
                                                      ChecksumCover::Others};

} // namespace cac
