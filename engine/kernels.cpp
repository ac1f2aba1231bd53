#include "engine/kernels.h"

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#define PISMOVAR_WIDE __attribute__((target("avx512f,avx512bw,avx512vbmi,popcnt")))
#endif

namespace pismovar::kernels {
namespace {

// One step at a byte that may start a line end: the replacement for a whole occurrence,
// otherwise the mapped byte.
inline void Step(const std::uint8_t* in, std::size_t size, std::size_t& i, std::uint8_t* out,
                 std::size_t& o, const ByteMap& map, const ByteFlags& substituted,
                 const Rewrite& rewrite, std::uint64_t& count) {
  if (!TakeLineEnd(in, size, i, out, o, rewrite)) {
    count += substituted[in[i]];
    out[o++] = map[in[i]];
    ++i;
  }
}

// `count` is the caller's local: the output bytes could alias a counter outside the loop.
inline std::size_t ConvertTail(const std::uint8_t* in, std::size_t size, std::size_t i,
                               std::uint8_t* out, std::size_t o, const ByteMap& map,
                               const ByteFlags& substituted, const Rewrite* rewrite,
                               std::uint64_t& count) {
  if (rewrite == nullptr) {
    for (; i < size; ++i) {
      count += substituted[in[i]];
      out[o++] = map[in[i]];
    }
  } else {
    while (i < size) Step(in, size, i, out, o, map, substituted, *rewrite, count);
  }
  return o;
}

}  // namespace

std::size_t ConvertPortable(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                            const ByteMap& map, const ByteFlags& substituted,
                            const Rewrite* rewrite, std::uint64_t& substitutions) {
  std::uint64_t count = 0;
  const std::size_t o = ConvertTail(in, size, 0, out, 0, map, substituted, rewrite, count);
  substitutions += count;
  return o;
}

void TallyPortable(const std::uint8_t* in, std::size_t size, const CodePageMask& mask,
                   DetectCounts& counts) {
  std::array<std::uint64_t, 256> histogram{};
  for (std::size_t i = 0; i < size; ++i) ++histogram[in[i]];
  for (int b = 0x80; b < 256; ++b) {
    for (int c = 0; c < kDetectCodePages; ++c) {
      if ((mask[b] >> c) & 1) counts.code[c] += static_cast<std::int64_t>(histogram[b]);
    }
  }
  counts.cr += static_cast<std::int64_t>(histogram['\r']);
  counts.lf += static_cast<std::int64_t>(histogram['\n']);
}

#if defined(__x86_64__)

bool HaveWide() {
  static const bool have =
      __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi");
  return have;
}

// 64 bytes at a time: every high byte is looked up in the upper half of the map, and of the
// flags, with one permute over their 128 entries each; a block holding a byte that may start
// a line end is taken up to that byte, and the line end byte by byte.
PISMOVAR_WIDE std::size_t ConvertWide(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                                      const ByteMap& map, const ByteFlags& substituted,
                                      const Rewrite* rewrite, std::uint64_t& substitutions) {
  const __m512i lower = _mm512_loadu_si512(map.data() + 0x80);
  const __m512i upper = _mm512_loadu_si512(map.data() + 0xC0);
  const __m512i flagsLower = _mm512_loadu_si512(substituted.data() + 0x80);
  const __m512i flagsUpper = _mm512_loadu_si512(substituted.data() + 0xC0);
  const __m512i first = _mm512_set1_epi8(static_cast<char>(rewrite ? rewrite->FirstStart() : 0));
  const __m512i other = _mm512_set1_epi8(static_cast<char>(rewrite ? rewrite->OtherStart() : 0));
  std::uint64_t count = 0;
  std::size_t i = 0;
  std::size_t o = 0;
  while (i + 64 <= size) {
    const __m512i block = _mm512_loadu_si512(in + i);
    const __mmask64 high = _mm512_movepi8_mask(block);
    _mm512_storeu_si512(out + o, _mm512_mask2_permutex2var_epi8(lower, block, high, upper));
    const __m512i flags = _mm512_maskz_permutex2var_epi8(high, flagsLower, block, flagsUpper);
    const std::uint64_t flagged = _mm512_test_epi8_mask(flags, flags);
    const std::uint64_t ends =
        rewrite ? _mm512_cmpeq_epi8_mask(block, first) | _mm512_cmpeq_epi8_mask(block, other) : 0;
    if (ends == 0) {
      count += static_cast<std::uint64_t>(__builtin_popcountll(flagged));
      i += 64;
      o += 64;
      continue;
    }
    const auto k = static_cast<std::size_t>(__builtin_ctzll(ends));
    count +=
        static_cast<std::uint64_t>(__builtin_popcountll(flagged & ((std::uint64_t{1} << k) - 1)));
    i += k;
    o += k;
    Step(in, size, i, out, o, map, substituted, *rewrite, count);
  }
  o = ConvertTail(in, size, i, out, o, map, substituted, rewrite, count);
  substitutions += count;
  return o;
}

PISMOVAR_WIDE void TallyWide(const std::uint8_t* in, std::size_t size, const CodePageMask& mask,
                             DetectCounts& counts) {
  const __m512i lower = _mm512_loadu_si512(mask.data() + 0x80);
  const __m512i upper = _mm512_loadu_si512(mask.data() + 0xC0);
  const __m512i cr = _mm512_set1_epi8('\r');
  const __m512i lf = _mm512_set1_epi8('\n');
  std::size_t i = 0;
  for (; i + 64 <= size; i += 64) {
    const __m512i block = _mm512_loadu_si512(in + i);
    const __m512i pages =
        _mm512_maskz_permutex2var_epi8(_mm512_movepi8_mask(block), lower, block, upper);
    for (int c = 0; c < kDetectCodePages; ++c) {
      counts.code[c] += __builtin_popcountll(
          _mm512_test_epi8_mask(pages, _mm512_set1_epi8(static_cast<char>(1 << c))));
    }
    counts.cr += __builtin_popcountll(_mm512_cmpeq_epi8_mask(block, cr));
    counts.lf += __builtin_popcountll(_mm512_cmpeq_epi8_mask(block, lf));
  }
  TallyPortable(in + i, size - i, mask, counts);
}

#else

bool HaveWide() { return false; }

std::size_t ConvertWide(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                        const ByteMap& map, const ByteFlags& substituted, const Rewrite* rewrite,
                        std::uint64_t& substitutions) {
  return ConvertPortable(in, size, out, map, substituted, rewrite, substitutions);
}

void TallyWide(const std::uint8_t* in, std::size_t size, const CodePageMask& mask,
               DetectCounts& counts) {
  TallyPortable(in, size, mask, counts);
}

#endif

std::size_t Convert(const std::uint8_t* in, std::size_t size, std::uint8_t* out, const ByteMap& map,
                    const ByteFlags& substituted, const Rewrite* rewrite,
                    std::uint64_t& substitutions) {
  return HaveWide() ? ConvertWide(in, size, out, map, substituted, rewrite, substitutions)
                    : ConvertPortable(in, size, out, map, substituted, rewrite, substitutions);
}

void Tally(const std::uint8_t* in, std::size_t size, const CodePageMask& mask,
           DetectCounts& counts) {
  if (HaveWide()) {
    TallyWide(in, size, mask, counts);
  } else {
    TallyPortable(in, size, mask, counts);
  }
}

}  // namespace pismovar::kernels
