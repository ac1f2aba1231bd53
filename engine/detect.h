// Guessing the code page and line ends of a text from a tally of its bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/char_table.h"
#include "engine/detect_counts.h"

namespace pismovar {

// The tally of a text, chunk by chunk. A byte adds 1 to each code page in whose column of
// DetectTable it stands (at most once per column, since no high byte repeats in a column).
class DetectTally {
 public:
  DetectTally();
  void Add(const std::uint8_t* data, std::size_t size);
  // Adds the tally of another part of the same text.
  void Add(const DetectTally& other);
  const DetectCounts& Counts() const { return m_counts; }

 private:
  CodePageMask m_codePages{};
  DetectCounts m_counts;
};

// DOS/Windows unless CR (or LF) falls below half the other's count; LF without CR is
// Unix/Linux; no line end at all is DOS/Windows.
LineEnd DecideLineEnd(const DetectCounts& counts);

// The code page with the most detection letters, the lower number on a tie; ASCII when no
// detection letter was found.
CodePage DecideCodePage(const DetectCounts& counts);

}  // namespace pismovar
