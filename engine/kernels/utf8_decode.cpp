// The loops that read UTF-8, one block at a time: decoding into an 8-bit code page and repair.
// They share the scan for runs of short sequences.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "engine/kernels/utf8_decode.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <algorithm>

#include "engine/kernels/reference.h"
#include "engine/kernels/simd-inl.h"
#include "engine/kernels/steps.h"

HWY_BEFORE_NAMESPACE();
namespace pismovar::kernels::HWY_NAMESPACE {

#if HWY_TARGET == HWY_SCALAR

// The scalar form is the reference itself.
using reference::DecodeUtf8;
using reference::RepairUtf8;

#elif HWY_TARGET == HWY_AVX3_DL

namespace {

HWY_INLINE std::uint64_t LowBits(unsigned count) {
  return count >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1;
}

// How a block of 64 bytes starts: `length` bytes from its start hold only ASCII and two-byte
// sequences whose leads lie in lowLead..highLead, none cut off at the end, and no byte that
// may start a rewritten line end.
struct TwoByteRun {
  std::uint64_t leads;
  std::uint64_t continuations;
  unsigned length;
};

HWY_INLINE TwoByteRun ScanTwoByteRun(__m512i block, std::uint8_t lowLead, std::uint8_t highLead,
                                     const Rewrite* rewrite) {
  const std::uint64_t ends = LineEndBits(block, rewrite);
  const unsigned limit = ends != 0 ? static_cast<unsigned>(__builtin_ctzll(ends)) : 64u;
  const std::uint64_t high = _mm512_movepi8_mask(block);
  const std::uint64_t continuations =
      _mm512_cmpeq_epi8_mask(_mm512_and_si512(block, _mm512_set1_epi8(static_cast<char>(0xC0))),
                             _mm512_set1_epi8(static_cast<char>(0x80)));
  const std::uint64_t leads =
      _mm512_cmple_epu8_mask(_mm512_sub_epi8(block, _mm512_set1_epi8(static_cast<char>(lowLead))),
                             _mm512_set1_epi8(static_cast<char>(highLead - lowLead)));
  const std::uint64_t broken = (high & ~(leads | continuations)) | (continuations ^ (leads << 1));
  unsigned length =
      std::min(limit, broken != 0 ? static_cast<unsigned>(__builtin_ctzll(broken)) : 64u);
  if (length > 0 && (leads >> (length - 1) & 1) != 0) --length;
  return {leads, continuations, length};
}

}  // namespace

// 64 bytes at a time while they hold only ASCII and the two-byte sequences of U+0080..U+017F:
// each continuation byte is looked up with its lead in the 256-entry Latin() table, and in
// LatinSubstitutes() to count the substitutes, and the leads are squeezed out. A line end
// rewritten to one byte is written in the block and the second byte of a pair squeezed out
// with the leads. Anything else (a longer or malformed sequence, a line end that grows) is
// finished one sequence at a time.
template <class LineEnds>
HWY_INLINE std::size_t DecodeBlocks(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                                    const FromUnicodeTable& table, const Rewrite* rewrite,
                                    const LineEnds& lineEnds, std::uint64_t offset,
                                    Utf8Losses& losses) {
  const std::uint8_t* latin = table.Latin().data();
  const __m512i latin0 = _mm512_loadu_si512(latin);
  const __m512i latin1 = _mm512_loadu_si512(latin + 64);
  const __m512i latin2 = _mm512_loadu_si512(latin + 128);
  const __m512i latin3 = _mm512_loadu_si512(latin + 192);
  const std::uint8_t* substitutes = table.LatinSubstitutes().data();
  const __m512i substitutes0 = _mm512_loadu_si512(substitutes);
  const __m512i substitutes1 = _mm512_loadu_si512(substitutes + 64);
  const __m512i substitutes2 = _mm512_loadu_si512(substitutes + 128);
  const __m512i substitutes3 = _mm512_loadu_si512(substitutes + 192);
  alignas(64) std::uint8_t previous[64];
  for (int s = 0; s < 64; ++s) previous[s] = static_cast<std::uint8_t>(s == 0 ? 0 : s - 1);
  const __m512i previousIndex = _mm512_load_si512(previous);
  const steps::WriteByte write{table, losses};
  const Rewrite* const stopAt = LineEnds::kRewrites ? nullptr : rewrite;
  const __m512i lineEnd = _mm512_set1_epi8(LineEnds::kRewrites ? rewrite->out[0] : 0);
  std::size_t i = 0;
  std::size_t o = 0;
  while (i + 64 <= size) {
    ReadAhead(in, i, size);
    const __m512i block = _mm512_loadu_si512(in + i);
    const TwoByteRun run = ScanTwoByteRun(block, 0xC2, 0xC5, stopAt);
    unsigned length = run.length;
    const LineEndMasks ends = lineEnds.FindBits(in + i, size - i, block, length);
    if (length == 0) {
      steps::DecodeStep(in, size, i, out, o, rewrite, offset, losses, write);
      continue;
    }
    const std::uint64_t span = LowBits(length);
    const __m512i lead = _mm512_maskz_permutexvar_epi8(~std::uint64_t{0}, previousIndex, block);
    const __m512i index = _mm512_or_si512(
        _mm512_slli_epi16(
            _mm512_and_si512(_mm512_sub_epi8(lead, _mm512_set1_epi8(static_cast<char>(0xC2))),
                             _mm512_set1_epi8(3)),
            6),
        _mm512_and_si512(block, _mm512_set1_epi8(0x3F)));
    const std::uint64_t upperHalf = _mm512_movepi8_mask(index);
    __m512i mapped =
        _mm512_mask_blend_epi8(upperHalf, _mm512_permutex2var_epi8(latin0, index, latin1),
                               _mm512_permutex2var_epi8(latin2, index, latin3));
    const __m512i substituted = _mm512_mask_blend_epi8(
        upperHalf, _mm512_permutex2var_epi8(substitutes0, index, substitutes1),
        _mm512_permutex2var_epi8(substitutes2, index, substitutes3));
    const std::uint64_t continuations = run.continuations & span;
    const std::uint64_t missing =
        continuations & _mm512_cmpeq_epi8_mask(mapped, _mm512_setzero_si512());
    const std::uint64_t replaced =
        missing | (continuations & _mm512_test_epi8_mask(substituted, substituted));
    mapped = _mm512_mask_mov_epi8(mapped, missing, _mm512_set1_epi8(kLostByte));
    const std::uint64_t keep = span & ~(run.leads | ends.seconds);
    _mm512_storeu_si512(
        out + o, _mm512_maskz_compress_epi8(
                     keep, _mm512_mask_mov_epi8(_mm512_mask_mov_epi8(block, ends.starts, lineEnd),
                                                continuations, mapped)));
    o += static_cast<std::size_t>(__builtin_popcountll(keep));
    i += length;
    losses.replaced += static_cast<std::uint64_t>(__builtin_popcountll(replaced));
  }
  while (i < size) steps::DecodeStep(in, size, i, out, o, rewrite, offset, losses, write);
  return o;
}

// 64 bytes at a time while they hold only ASCII and two-byte sequences: copied as they are,
// with a line end rewritten to one byte written in the block and the second byte of a pair
// squeezed out.
template <class LineEnds>
HWY_INLINE std::size_t RepairBlocks(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                                    const Rewrite* rewrite, const LineEnds& lineEnds,
                                    std::uint64_t offset, Utf8Losses& losses) {
  const Rewrite* const stopAt = LineEnds::kRewrites ? nullptr : rewrite;
  const __m512i lineEnd = _mm512_set1_epi8(LineEnds::kRewrites ? rewrite->out[0] : 0);
  std::size_t i = 0;
  std::size_t o = 0;
  while (i + 64 <= size) {
    ReadAhead(in, i, size);
    const __m512i block = _mm512_loadu_si512(in + i);
    unsigned length = ScanTwoByteRun(block, 0xC2, 0xDF, stopAt).length;
    const LineEndMasks ends = lineEnds.FindBits(in + i, size - i, block, length);
    if (length == 0) {
      steps::DecodeStep(in, size, i, out, o, rewrite, offset, losses, steps::WriteSequence);
      continue;
    }
    const __m512i rewritten = _mm512_mask_mov_epi8(block, ends.starts, lineEnd);
    const std::uint64_t keep = LowBits(length) & ~ends.seconds;
    if (keep == LowBits(length)) {
      _mm512_storeu_si512(out + o, rewritten);
      o += length;
    } else {
      _mm512_storeu_si512(out + o, _mm512_maskz_compress_epi8(keep, rewritten));
      o += static_cast<std::size_t>(__builtin_popcountll(keep));
    }
    i += length;
  }
  while (i < size) {
    steps::DecodeStep(in, size, i, out, o, rewrite, offset, losses, steps::WriteSequence);
  }
  return o;
}

#else

// How the block at `at` starts, at the start of a sequence: `length` bytes hold only ASCII and
// two-byte sequences whose leads run from C2 to `highLead`, none cut off at the end, and no byte
// that may start a rewritten line end. Each high byte must be such a lead followed by a
// continuation byte, or a continuation byte after such a lead, seen through the same bytes
// loaded one before and one after: at[-1] and at[Lanes] must be readable.
struct TwoByteRun {
  M leads;
  M continuations;
  std::size_t length;
};

HWY_INLINE TwoByteRun ScanTwoByteRun(const std::uint8_t* at, V block, std::uint8_t highLead,
                                     const Rewrite* rewrite) {
  const D d;
  const M leads = InRange(block, 0xC2, highLead);
  const M continuations = Continuations(block);
  M stops =
      hn::Or(hn::AndNot(hn::Or(leads, continuations), High(block)),
             hn::Or(hn::AndNot(Continuations(hn::LoadU(d, at + 1)), leads),
                    hn::AndNot(InRange(hn::LoadU(d, at - 1), 0xC2, highLead), continuations)));
  if (rewrite != nullptr) stops = hn::Or(stops, LineEndStarts(block, *rewrite));
  const intptr_t stop = hn::FindFirstTrue(d, stops);
  std::size_t length = stop < 0 ? hn::Lanes(d) : static_cast<std::size_t>(stop);
  if (length > 0 && at[length - 1] >= 0xC2 && at[length - 1] <= highLead) --length;
  return {leads, continuations, length};
}

// A block at a time while it holds only ASCII and the two-byte sequences of U+0080..U+017F:
// each continuation byte is looked up with its lead in the 256-entry Latin() table and the
// leads are squeezed out. A line end rewritten to one byte is written in the block and the
// second byte of a pair squeezed out with the leads. Anything else (a longer or malformed
// sequence, a line end that grows) is finished one sequence at a time.
template <class LineEnds>
HWY_INLINE std::size_t DecodeBlocks(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                                    const FromUnicodeTable& table, const Rewrite* rewrite,
                                    const LineEnds& lineEnds, std::uint64_t offset,
                                    Utf8Losses& losses) {
  const D d;
  const std::size_t n = hn::Lanes(d);
  // The blocks take the characters the code page has, which are high bytes, and those it
  // writes as an ASCII substitute, counted as the lanes below 0x80. The others (without a
  // byte, or with a substitute that is a high byte) are marked 0 and left to the steps.
  constexpr std::uint8_t kLeftToSteps = 0;
  std::uint8_t latinBytes[256];
  for (std::size_t c = 0; c < 256; ++c) {
    const std::uint8_t byte = table.Latin()[c];
    const bool left = byte == 0 || (byte >= 0x80 && table.LatinSubstitutes()[c] != 0);
    latinBytes[c] = left ? kLeftToSteps : byte;
  }
  const RowTable<16> latin(latinBytes);
  const steps::WriteByte write{table, losses};
  const Rewrite* const stopAt = LineEnds::kRewrites ? nullptr : rewrite;
  const V lineEnd = hn::Set(d, LineEnds::kRewrites ? rewrite->out[0] : 0);
  // The blocks' count stays in a register: the output bytes could alias the caller's.
  std::uint64_t replaced = 0;
  std::size_t i = 0;
  std::size_t o = 0;
  // The scan reads the byte before the block.
  if (size > 0) steps::DecodeStep(in, size, i, out, o, rewrite, offset, losses, write);
  while (i + n < size) {
    ReadAhead(in, i, size);
    const V block = hn::LoadU(d, in + i);
    const LineEndLanes ends = lineEnds.Find(in + i, block);
    if (hn::AllFalse(d, hn::Or(High(block), hn::Or(ends.starts, ends.seconds))) &&
        (stopAt == nullptr || hn::AllFalse(d, LineEndStarts(block, *stopAt)))) {
      hn::StoreU(block, d, out + o);
      i += n;
      o += n;
      continue;
    }
    const TwoByteRun run = ScanTwoByteRun(in + i, block, 0xC5, stopAt);
    // The index of a continuation byte's character in Latin(): its lead's offset from C2 above
    // its own six bits. The two low bits of C2..C5, moved up, add up with the continuation
    // byte's 10 to just that offset.
    const V index = hn::Add(block, hn::ShiftLeft<6>(hn::LoadU(d, in + i - 1)));
    const V mapped = latin.Lookup(index);
    // The run stops at the lead of the first character left to the steps.
    std::size_t length = run.length;
    M span = hn::FirstN(d, length);
    const intptr_t left = hn::FindFirstTrue(
        d, hn::And(hn::And(run.continuations, span), hn::Eq(mapped, hn::Set(d, kLeftToSteps))));
    if (left > 0) {
      length = static_cast<std::size_t>(left) - 1;
      span = hn::FirstN(d, length);
    }
    if (length == 0) {
      steps::DecodeStep(in, size, i, out, o, rewrite, offset, losses, write);
      continue;
    }
    const M continuations = hn::And(run.continuations, span);
    replaced += hn::CountTrue(d, hn::AndNot(High(mapped), continuations));
    const M drops = hn::Or(run.leads, ends.seconds);
    std::uint8_t dropBits[8];
    hn::StoreMaskBits(d, drops, dropBits);
    std::uint8_t* const end = ForEachBlock(
        d, dropBits, out + o, StoreWithout(),
        hn::IfThenElse(continuations, mapped, hn::IfThenElse(ends.starts, lineEnd, block)));
    if (length == n) {
      o = static_cast<std::size_t>(end - out);
    } else {
      // The bytes written beyond the run are written over next.
      o += length - hn::CountTrue(d, hn::And(drops, span));
    }
    i += length;
  }
  if (LineEnds::kRewrites) SkipWrittenSecond(in, size, i, *rewrite);
  while (i < size) steps::DecodeStep(in, size, i, out, o, rewrite, offset, losses, write);
  losses.replaced += replaced;
  return o;
}

// A block at a time while it holds only ASCII and two-byte sequences: copied as it is, with a
// line end rewritten to one byte written in the block and the second byte of a pair squeezed
// out.
template <class LineEnds>
HWY_INLINE std::size_t RepairBlocks(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                                    const Rewrite* rewrite, const LineEnds& lineEnds,
                                    std::uint64_t offset, Utf8Losses& losses) {
  const D d;
  const std::size_t n = hn::Lanes(d);
  const Rewrite* const stopAt = LineEnds::kRewrites ? nullptr : rewrite;
  const V lineEnd = hn::Set(d, LineEnds::kRewrites ? rewrite->out[0] : 0);
  std::size_t i = 0;
  std::size_t o = 0;
  // The scan reads the byte before the block.
  if (size > 0) {
    steps::DecodeStep(in, size, i, out, o, rewrite, offset, losses, steps::WriteSequence);
  }
  while (i + n < size) {
    ReadAhead(in, i, size);
    const V block = hn::LoadU(d, in + i);
    const std::size_t length = ScanTwoByteRun(in + i, block, 0xDF, stopAt).length;
    if (length == 0) {
      steps::DecodeStep(in, size, i, out, o, rewrite, offset, losses, steps::WriteSequence);
      continue;
    }
    const LineEndLanes ends = lineEnds.Find(in + i, block);
    if (hn::AllFalse(d, ends.seconds)) {
      hn::StoreU(hn::IfThenElse(ends.starts, lineEnd, block), d, out + o);
      o += length;
    } else {
      std::uint8_t dropBits[8];
      hn::StoreMaskBits(d, ends.seconds, dropBits);
      std::uint8_t* const end = ForEachBlock(d, dropBits, out + o, StoreWithout(),
                                             hn::IfThenElse(ends.starts, lineEnd, block));
      o = length == n ? static_cast<std::size_t>(end - out)
                      : o + length - hn::CountTrue(d, hn::And(ends.seconds, hn::FirstN(d, length)));
    }
    i += length;
  }
  if (LineEnds::kRewrites) SkipWrittenSecond(in, size, i, *rewrite);
  while (i < size) {
    steps::DecodeStep(in, size, i, out, o, rewrite, offset, losses, steps::WriteSequence);
  }
  return o;
}

#endif

#if HWY_TARGET != HWY_SCALAR

// Each form's blocks, with the line ends found in them only where one becomes one byte.
std::size_t DecodeUtf8(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                       const FromUnicodeTable& table, const Rewrite* rewrite, std::uint64_t offset,
                       Utf8Losses& losses) {
  if (rewrite == nullptr || rewrite->outSize != 1) {
    return DecodeBlocks(in, size, out, table, rewrite, NoLineEnds(), offset, losses);
  }
  return DecodeBlocks(in, size, out, table, rewrite, LineEndFinder(*rewrite), offset, losses);
}

std::size_t RepairUtf8(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                       const Rewrite* rewrite, std::uint64_t offset, Utf8Losses& losses) {
  if (rewrite == nullptr || rewrite->outSize != 1) {
    return RepairBlocks(in, size, out, rewrite, NoLineEnds(), offset, losses);
  }
  return RepairBlocks(in, size, out, rewrite, LineEndFinder(*rewrite), offset, losses);
}

#endif

}  // namespace pismovar::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace pismovar::kernels {

HWY_EXPORT(DecodeUtf8);
HWY_EXPORT(RepairUtf8);

const Dispatched<DecodeUtf8Loop> DecodeUtf8{HWY_DISPATCH_TABLE(DecodeUtf8)};
const Dispatched<RepairUtf8Loop> RepairUtf8{HWY_DISPATCH_TABLE(RepairUtf8)};

}  // namespace pismovar::kernels
#endif
