#include "engine/detect.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pismovar {
namespace {

// Counts the bytes a scalar loop can afford to look at one by one: only high bytes and the
// two line-end bytes matter to detection, but counting all is cheaper than testing.
void AddScalar(std::array<std::uint64_t, 256>& count, const std::uint8_t* data,
               std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) ++count[data[i]];
}

}  // namespace

void ByteHistogram::Add(const std::uint8_t* data, std::size_t size) {
#if defined(__SSE2__)
  // Most of a text is ASCII: 16 bytes at a time, count CR and LF with vector compares and
  // visit only the high bytes one by one.
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  std::size_t i = 0;
  for (; i + 16 <= size; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
    unsigned high = static_cast<unsigned>(_mm_movemask_epi8(v));
    const unsigned crs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, cr)));
    const unsigned lfs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lf)));
    m_count['\r'] += static_cast<unsigned>(__builtin_popcount(crs));
    m_count['\n'] += static_cast<unsigned>(__builtin_popcount(lfs));
    while (high != 0) {
      ++m_count[data[i + static_cast<unsigned>(__builtin_ctz(high))]];
      high &= high - 1;
    }
  }
  AddScalar(m_count, data + i, size - i);
#else
  AddScalar(m_count, data, size);
#endif
}

DetectCounts ByteHistogram::Counts() const {
  DetectCounts counts;
  for (const unsigned char* row : DetectTable) {
    for (int c = 0; c < kDetectCodePages; ++c) {
      if (row[c] >= 0x80) counts.code[c] += static_cast<std::int64_t>(m_count[row[c]]);
    }
  }
  counts.cr = static_cast<std::int64_t>(m_count['\r']);
  counts.lf = static_cast<std::int64_t>(m_count['\n']);
  return counts;
}

LineEnd DecideLineEnd(const DetectCounts& counts) {
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
