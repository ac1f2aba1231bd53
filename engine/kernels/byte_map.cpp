// The byte map with the line-end rewrite, one block at a time.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "engine/kernels/byte_map.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "engine/kernels/reference.h"
#include "engine/kernels/simd-inl.h"
#include "engine/kernels/steps.h"

HWY_BEFORE_NAMESPACE();
namespace pismovar::kernels::HWY_NAMESPACE {

#if HWY_TARGET == HWY_SCALAR

// The scalar form is the reference itself.
using reference::Convert;

#else

// Bytes below 0x80 map to themselves, so only the high bytes are looked up.
std::size_t Convert(const std::uint8_t* in, std::size_t size, std::uint8_t* out, const ByteMap& map,
                    const ByteFlags& substituted, const Rewrite* rewrite,
                    std::uint64_t& substitutions) {
  const D d;
  const std::size_t n = hn::Lanes(d);
  const HighTable table(map.data() + 0x80);
  const HighSet flagged(substituted.data() + 0x80);
  // The count stays in a register: the output bytes could alias the caller's.
  std::uint64_t count = 0;
  std::size_t i = 0;
  std::size_t o = 0;
  if (rewrite == nullptr || (!rewrite->pair && !rewrite->anyLineEnd && rewrite->outSize == 1)) {
    // Every byte gives one: a one-byte line end is replaced where it stands.
    const V first = hn::Set(d, rewrite ? rewrite->first : 0);
    const V replacement = hn::Set(d, rewrite ? static_cast<std::uint8_t>(rewrite->out[0]) : 0);
    for (; i + n <= size; i += n) {
      ReadAhead(in, i, size);
      const V block = hn::LoadU(d, in + i);
      V mapped = table.Lookup(block, block);
      if (rewrite != nullptr) mapped = hn::IfThenElse(hn::Eq(block, first), replacement, mapped);
      hn::StoreU(mapped, d, out + i);
      count += hn::CountTrue(d, flagged.Contains(block));
    }
    o = i;
  } else if (rewrite->outSize == 1) {
    // A pair (and, for any line end, a lone CR or LF) becomes one byte: the first byte of a
    // pair is replaced and its second squeezed out. The first step makes sure that a block
    // always has the byte before it.
    const V replacement = hn::Set(d, static_cast<std::uint8_t>(rewrite->out[0]));
    const LineEndFinder lineEnds(*rewrite);
    if (size > 0) steps::MapStep(in, size, i, out, o, map, substituted, rewrite, count);
    for (; i + n + 1 <= size; i += n) {
      ReadAhead(in, i, size);
      const V block = hn::LoadU(d, in + i);
      const auto [starts, ends] = lineEnds.Find(in + i, block);
      const V mapped = hn::IfThenElse(starts, replacement, table.Lookup(block, block));
      const M substitutes = flagged.Contains(block);
#if HWY_TARGET == HWY_AVX3_DL
      // One byte compress squeezes out every second byte of the block.
      const M keep = hn::Not(ends);
      hn::StoreU(hn::Compress(mapped, keep), d, out + o);
      o += hn::CountTrue(d, keep);
#else
      // Without a byte compress, the second byte of a block's one pair is dropped by moving
      // the lanes after it down; a block that ends several pairs (short lines) drops them
      // through a table of shuffles, eight lanes at a time.
      const std::size_t dropped = hn::CountTrue(d, ends);
      if (dropped == 0) {
        hn::StoreU(mapped, d, out + o);
        o += n;
      } else if (dropped == 1) {
        const auto at = static_cast<std::size_t>(hn::FindFirstTrue(d, ends));
        hn::StoreU(hn::IfThenElse(hn::FirstN(d, at), mapped, SlideDownOne(mapped)), d, out + o);
        o += n - 1;
      } else {
        std::uint8_t dropBits[hn::MaxLanes(D()) / 8 + 8];
        hn::StoreMaskBits(d, ends, dropBits);
        o = static_cast<std::size_t>(ForEachBlock(d, dropBits, out + o, StoreWithout(), mapped) -
                                     out);
      }
#endif
      count += hn::CountTrue(d, substitutes);
    }
    SkipWrittenSecond(in, size, i, *rewrite);
  } else {
    // A line end grows to two bytes: a block with one writes each lane as a character of one
    // byte or, for a line end, two, and the second byte of a pair (any line end into CR LF)
    // as none.
    const LineEndFinder lineEnds(*rewrite);
    const V lineEndFirst = hn::Set(d, static_cast<std::uint8_t>(rewrite->out[0]));
    const V lineEndSecond = hn::Set(d, static_cast<std::uint8_t>(rewrite->out[1]));
    if (size > 0) steps::MapStep(in, size, i, out, o, map, substituted, rewrite, count);
    for (; i + n + 1 <= size; i += n) {
      ReadAhead(in, i, size);
      const V block = hn::LoadU(d, in + i);
      const V mapped = table.Lookup(block, block);
      const auto [starts, ends] = lineEnds.Find(in + i, block);
      count += hn::CountTrue(d, flagged.Contains(block));
      if (hn::AllFalse(d, hn::Or(starts, ends))) {
        hn::StoreU(mapped, d, out + o);
        o += n;
        continue;
      }
      o = static_cast<std::size_t>(StoreCharacters(out + o,
                                                   hn::IfThenElse(starts, lineEndFirst, mapped),
                                                   lineEndSecond, starts, ends) -
                                   out);
    }
    SkipWrittenSecond(in, size, i, *rewrite);
  }
  while (i < size) steps::MapStep(in, size, i, out, o, map, substituted, rewrite, count);
  substitutions += count;
  return o;
}

#endif

}  // namespace pismovar::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace pismovar::kernels {

HWY_EXPORT(Convert);

const Dispatched<ConvertLoop> Convert{HWY_DISPATCH_TABLE(Convert)};

}  // namespace pismovar::kernels
#endif
