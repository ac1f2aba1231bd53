// What detection counts in a text, and which bytes count as whose letters.
#pragma once

#include <array>
#include <cstdint>

#include "engine/char_table.h"

namespace pismovar {

// The tally of one detection.
struct DetectCounts {
  std::array<std::int64_t, kDetectCodePages> code{};  // detection letters per code page
  std::int64_t cr = 0;
  std::int64_t lf = 0;
};

// Per byte, the code pages (bit c for code page c) in which it is a detection letter.
using CodePageMask = std::array<std::uint8_t, 256>;

}  // namespace pismovar
