#pragma once

#include <cstdint>

// Where the configuration image sits in the adapter's memory: what builds an
// image, reads one back and writes or reads its HEX file shares these.
namespace cac {

inline constexpr int ConfigImageSize = 1140;
inline constexpr std::uint32_t ImageLoadAddress = 0x6000;

} // namespace cac
