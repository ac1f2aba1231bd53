// 8-bit code page to UTF-8, one block at a time.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "engine/kernels/utf8_encode.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "engine/kernels/reference.h"
#include "engine/kernels/simd-inl.h"
#include "engine/kernels/steps.h"

HWY_BEFORE_NAMESPACE();
namespace pismovar::kernels::HWY_NAMESPACE {

#if HWY_TARGET == HWY_SCALAR

// The scalar form is the reference itself.
using reference::EncodeUtf8;

#elif HWY_TARGET == HWY_AVX3_DL

namespace {

HWY_INLINE std::uint64_t LowBits(unsigned count) {
  return count >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1;
}

}  // namespace

// Plain ASCII 64 bytes at a time; characters of one or two UTF-8 bytes 32 at a time; any
// other 21 at a time: each byte is spread over three output slots (its UTF-8 is at most three
// bytes long), looked up in the planes of the upper half (the three UTF-8 bytes and the
// length), and the slots beyond each length are squeezed out. The blocks of 32 write a
// rewritten line end as a character of one or two bytes and squeeze out the second byte of a
// pair; the others stop before a byte that may start a line end, which goes byte by byte.
template <class LineEnds>
HWY_INLINE std::size_t EncodeBlocks(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                                    const ToUtf8Table& table, const Rewrite* rewrite,
                                    const LineEnds& lineEnds, Utf8Losses& losses) {
  constexpr unsigned kGroup = 21;
  constexpr unsigned kSlots = 3;
  alignas(64) std::uint8_t planes[4][128];
  alignas(64) std::uint8_t spread[64];
  alignas(64) std::uint8_t position[64];
  for (int b = 0; b < 128; ++b) {
    const std::uint32_t packed = table.packed[0x80 + b];
    planes[0][b] = static_cast<std::uint8_t>(packed);
    planes[1][b] = static_cast<std::uint8_t>(packed >> 8);
    planes[2][b] = static_cast<std::uint8_t>(packed >> 16);
    planes[3][b] = static_cast<std::uint8_t>((packed >> 24 & 3) | (packed >> 31) << 7);
  }
  // The 64th slot takes the zero byte after the group, at a position no length reaches.
  std::uint64_t slotsAt[kSlots] = {};
  for (unsigned s = 0; s < 64; ++s) {
    spread[s] = static_cast<std::uint8_t>(s / kSlots);
    position[s] = static_cast<std::uint8_t>(s < kGroup * kSlots ? s % kSlots : kSlots);
    if (s < kGroup * kSlots) slotsAt[s % kSlots] |= std::uint64_t{1} << s;
  }
  __m512i lower[4];
  __m512i upper[4];
  for (int p = 0; p < 4; ++p) {
    lower[p] = _mm512_load_si512(planes[p]);
    upper[p] = _mm512_load_si512(planes[p] + 64);
  }
  const __m512i spreadIndex = _mm512_load_si512(spread);
  const __m512i positions = _mm512_load_si512(position);
  alignas(64) std::uint8_t interleave[64];
  for (int s = 0; s < 64; ++s) interleave[s] = static_cast<std::uint8_t>(s / 2 + (s % 2) * 64);
  const __m512i interleaveIndex = _mm512_load_si512(interleave);
  constexpr std::uint64_t kGroupBytes = (std::uint64_t{1} << kGroup) - 1;
  constexpr std::uint64_t kPairBytes = 0xFFFFFFFF;
  constexpr std::uint64_t kEvenBits = 0x5555555555555555;
  // A line end's replacement, for the blocks of 32.
  const bool longLineEnd = LineEnds::kRewrites && rewrite->outSize == 2;
  const __m512i replacementFirst = _mm512_set1_epi8(LineEnds::kRewrites ? rewrite->out[0] : 0);
  const __m512i replacementSecond = _mm512_set1_epi8(longLineEnd ? rewrite->out[1] : 0);
  std::size_t i = 0;
  std::size_t o = 0;
  // A block of 64 plain ASCII bytes is copied whole; after a block that is not, the next
  // check waits until the groups have passed it.
  std::size_t nextCheck = 0;
  while (i + kGroup <= size) {
    ReadAhead(in, i, size);
    if (i >= nextCheck && i + 64 <= size) {
      const __m512i block = _mm512_loadu_si512(in + i);
      if (_mm512_movepi8_mask(block) == 0 && LineEndBits(block, rewrite) == 0) {
        _mm512_storeu_si512(out + o, block);
        i += 64;
        o += 64;
        continue;
      }
      nextCheck = i + 64;
    }
    // 32 bytes at a time while their characters take at most two UTF-8 bytes each: the
    // first and second bytes are looked up, interleaved, and the second bytes of ASCII
    // squeezed out.
    if (i + 32 <= size) {
      const __m512i pair = _mm512_maskz_loadu_epi8(kPairBytes, in + i);
      const std::uint64_t high = _mm512_movepi8_mask(pair);
      const __m512i lengths = _mm512_permutex2var_epi8(lower[3], pair, upper[3]);
      const std::uint64_t stops =
          high & _mm512_cmpeq_epi8_mask(_mm512_and_si512(lengths, _mm512_set1_epi8(3)),
                                        _mm512_set1_epi8(3));
      unsigned limit = stops != 0 ? static_cast<unsigned>(__builtin_ctzll(stops)) : 32u;
      const LineEndMasks ends = lineEnds.FindBits(in + i, size - i, pair, limit);
      if (limit > 0) {
        const __m512i firstBytes = _mm512_mask_mov_epi8(
            _mm512_mask_mov_epi8(_mm512_permutex2var_epi8(lower[0], pair, upper[0]), ~high, pair),
            ends.starts, replacementFirst);
        const __m512i secondBytes = _mm512_mask_mov_epi8(
            _mm512_permutex2var_epi8(lower[1], pair, upper[1]), ends.starts, replacementSecond);
        const std::uint64_t twoBytes = longLineEnd ? high | ends.starts : high;
        const std::uint64_t keep =
            ((kEvenBits & ~_pdep_u64(ends.seconds, kEvenBits)) | _pdep_u64(twoBytes, ~kEvenBits)) &
            LowBits(2 * limit);
        _mm512_storeu_si512(
            out + o, _mm512_maskz_compress_epi8(
                         keep, _mm512_permutex2var_epi8(firstBytes, interleaveIndex, secondBytes)));
        o += static_cast<std::size_t>(__builtin_popcountll(keep));
        i += limit;
        continue;
      }
    }
    const __m512i group = _mm512_maskz_loadu_epi8(kGroupBytes, in + i);
    unsigned limit = kGroup;
    const std::uint64_t ends = LineEndBits(group, rewrite) & kGroupBytes;
    if (ends != 0) limit = static_cast<unsigned>(__builtin_ctzll(ends));
    if (limit == 0) {
      steps::EncodeStep(in, size, i, out, o, table, rewrite, losses);
      continue;
    }
    const __m512i slots = _mm512_maskz_permutexvar_epi8(~std::uint64_t{0}, spreadIndex, group);
    const std::uint64_t high = _mm512_movepi8_mask(slots);
    __m512i bytes = _mm512_permutex2var_epi8(lower[0], slots, upper[0]);
    bytes = _mm512_mask_blend_epi8(slotsAt[1], bytes,
                                   _mm512_permutex2var_epi8(lower[1], slots, upper[1]));
    bytes = _mm512_mask_blend_epi8(slotsAt[2], bytes,
                                   _mm512_permutex2var_epi8(lower[2], slots, upper[2]));
    bytes = _mm512_mask_mov_epi8(bytes, ~high & slotsAt[0], slots);
    const __m512i lengths = _mm512_mask_mov_epi8(
        _mm512_permutex2var_epi8(lower[3], slots, upper[3]), ~high, _mm512_set1_epi8(1));
    const std::uint64_t used = LowBits(kSlots * limit);
    const std::uint64_t keep =
        _mm512_cmplt_epu8_mask(positions, _mm512_and_si512(lengths, _mm512_set1_epi8(3))) & used;
    losses.replaced += static_cast<std::uint64_t>(__builtin_popcountll(
        _mm512_test_epi8_mask(lengths, _mm512_set1_epi8(static_cast<char>(0x80))) & slotsAt[0] &
        used));
    _mm512_storeu_si512(out + o, _mm512_maskz_compress_epi8(keep, bytes));
    o += static_cast<std::size_t>(__builtin_popcountll(keep));
    i += limit;
  }
  while (i < size) steps::EncodeStep(in, size, i, out, o, table, rewrite, losses);
  return o;
}

std::size_t EncodeUtf8(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                       const ToUtf8Table& table, const Rewrite* rewrite, Utf8Losses& losses) {
  if (rewrite == nullptr) return EncodeBlocks(in, size, out, table, rewrite, NoLineEnds(), losses);
  return EncodeBlocks(in, size, out, table, rewrite, LineEndFinder(*rewrite), losses);
}

#else

// A block at a time: a block of plain ASCII is copied whole; a block whose characters take one
// or two UTF-8 bytes each has its high bytes looked up in the planes of the first and second
// bytes, the planes interleaved sixteen bytes at a time, and the second byte of each ASCII
// character squeezed out. A rewritten line end is written in the block as a character of one
// or two bytes, and the second byte of a pair is squeezed out with the slots. The block stops
// before a longer character, which goes byte by byte.
template <class LineEnds>
HWY_INLINE std::size_t EncodeBlocks(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                                    const ToUtf8Table& table, const Rewrite* rewrite,
                                    const LineEnds& lineEnds, Utf8Losses& losses) {
  const D d;
  const std::size_t n = hn::Lanes(d);
  // A byte whose UTF-8 is not two bytes long is marked in the plane of first bytes with a byte
  // below 0x80, which no first byte of two (C2..DF) is: the block stops before it. No byte of
  // two UTF-8 bytes is undefined (that one becomes the three bytes of U+FFFD), so the blocks
  // lose nothing and the steps count every loss.
  constexpr std::uint8_t kNotTwoBytes = 0;
  std::uint8_t firsts[128];
  std::uint8_t seconds[128];
  for (int b = 0; b < 128; ++b) {
    const std::uint32_t packed = table.packed[0x80 + b];
    firsts[b] = (packed >> 24 & 3) == 2 ? static_cast<std::uint8_t>(packed) : kNotTwoBytes;
    seconds[b] = static_cast<std::uint8_t>(packed >> 8);
  }
  const HighTable firstBytes(firsts);
  // Only the high bytes' second bytes are kept: the other lanes may hold anything.
  const RowTable<8> secondBytes(seconds);
  // A line end's replacement, as the first and second byte of a character.
  const bool longLineEnd = LineEnds::kRewrites && rewrite->outSize == 2;
  const V lineEndFirst = hn::Set(d, LineEnds::kRewrites ? rewrite->out[0] : 0);
  const V lineEndSecond = hn::Set(d, longLineEnd ? rewrite->out[1] : 0);
  std::size_t i = 0;
  std::size_t o = 0;
  // With a rewrite every block reads the byte before it, which the first step provides, and
  // the byte after it.
  constexpr std::size_t kAfter = LineEnds::kRewrites ? 1 : 0;
  if (LineEnds::kRewrites && size > 0) {
    steps::EncodeStep(in, size, i, out, o, table, rewrite, losses);
  }
  while (i + n + kAfter <= size) {
    ReadAhead(in, i, size);
    const V block = hn::LoadU(d, in + i);
    const M high = High(block);
    const LineEndLanes ends = lineEnds.Find(in + i, block);
    if (hn::AllFalse(d, hn::Or(high, hn::Or(ends.starts, ends.seconds)))) {
      hn::StoreU(block, d, out + o);
      i += n;
      o += n;
      continue;
    }
    V first = firstBytes.Lookup(block, block);
    const intptr_t stop = hn::FindFirstTrue(d, hn::AndNot(High(first), high));
    if (stop == 0) {
      steps::EncodeStep(in, size, i, out, o, table, rewrite, losses);
      continue;
    }
    V second = secondBytes.Lookup(block);
    M twoBytes = high;
    if constexpr (LineEnds::kRewrites) {
      first = hn::IfThenElse(ends.starts, lineEndFirst, first);
      if (longLineEnd) {
        second = hn::IfThenElse(ends.starts, lineEndSecond, second);
        twoBytes = hn::Or(twoBytes, ends.starts);
      }
    }
    std::uint8_t* const end = StoreCharacters(out + o, first, second, twoBytes, ends.seconds);
    if (stop < 0) {
      i += n;
      o = static_cast<std::size_t>(end - out);
    } else {
      // The bytes written beyond the stop are written over next.
      const M before = hn::FirstN(d, static_cast<std::size_t>(stop));
      i += static_cast<std::size_t>(stop);
      o += static_cast<std::size_t>(stop) + hn::CountTrue(d, hn::And(twoBytes, before)) -
           hn::CountTrue(d, hn::And(ends.seconds, before));
    }
  }
  if (LineEnds::kRewrites) SkipWrittenSecond(in, size, i, *rewrite);
  while (i < size) steps::EncodeStep(in, size, i, out, o, table, rewrite, losses);
  return o;
}

std::size_t EncodeUtf8(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                       const ToUtf8Table& table, const Rewrite* rewrite, Utf8Losses& losses) {
  if (rewrite == nullptr) return EncodeBlocks(in, size, out, table, rewrite, NoLineEnds(), losses);
  return EncodeBlocks(in, size, out, table, rewrite, LineEndFinder(*rewrite), losses);
}

#endif

}  // namespace pismovar::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace pismovar::kernels {

HWY_EXPORT(EncodeUtf8);

const Dispatched<EncodeUtf8Loop> EncodeUtf8{HWY_DISPATCH_TABLE(EncodeUtf8)};

}  // namespace pismovar::kernels
#endif
