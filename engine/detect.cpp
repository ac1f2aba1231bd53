#include "engine/detect.h"

#include <algorithm>

#include "engine/kernels/kernels.h"

namespace pismovar {

DetectTally::DetectTally() {
  for (const unsigned char* row : DetectTable) {
    for (int c = 0; c < kDetectCodePages; ++c) {
      if (row[c] >= 0x80) m_codePages[row[c]] |= static_cast<std::uint8_t>(1u << c);
    }
  }
}

void DetectTally::Add(const std::uint8_t* data, std::size_t size) {
  kernels::Tally(data, size, m_codePages, m_counts);
}

void DetectTally::Add(const DetectTally& other) {
  for (int c = 0; c < kDetectCodePages; ++c) m_counts.code[c] += other.m_counts.code[c];
  m_counts.cr += other.m_counts.cr;
  m_counts.lf += other.m_counts.lf;
}

LineEnd DecideLineEnd(const DetectCounts& counts) {
  // LF without any CR is Unix/Linux, even a single line.
  if (counts.cr == 0 && counts.lf > 0) return kLineEndUnix;
  if (counts.cr < counts.lf / 2) return kLineEndUnix;
  if (counts.lf < counts.cr / 2) return kLineEndMac;
  return kLineEndDos;
}

CodePage DecideCodePage(const DetectCounts& counts) {
  const auto best = std::max_element(counts.code.begin(), counts.code.end());
  if (*best <= 0) return kCodeAscii;
  return static_cast<CodePage>(best - counts.code.begin());  // the first maximum: lower wins
}

}  // namespace pismovar
