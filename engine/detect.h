// Guessing the code page and line ends of a text from a tally of its bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/char_table.h"

namespace pismovar {

// The tally of one detection.
struct DetectCounts {
  std::array<std::int64_t, kDetectCodePages> code{};  // detection letters per code page
  std::int64_t cr = 0;
  std::int64_t lf = 0;
};

// Counts every byte value of a text; the detection counters follow from it through
// DetectTable, so a byte adds exactly what a scan of the table would add.
class ByteHistogram {
 public:
  void Add(const std::uint8_t* data, std::size_t size);
  DetectCounts Counts() const;

 private:
  std::array<std::uint64_t, 256> m_count{};
};

// DOS/Windows unless CR (or LF) falls below half the other's count; no line end at all is
// DOS/Windows.
LineEnd DecideLineEnd(const DetectCounts& counts);

// The code page with the most detection letters, the lower number on a tie; ASCII when no
// detection letter was found.
CodePage DecideCodePage(const DetectCounts& counts);

}  // namespace pismovar
