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

std::size_t Convert(const std::uint8_t* in, std::size_t size, std::uint8_t* out, const ByteMap& map,
                    const Rewrite* rewrite) {
  return reference::Convert(in, size, out, map, rewrite);
}

#else

// Bytes below 0x80 map to themselves, so only the high bytes are looked up.
std::size_t Convert(const std::uint8_t* in, std::size_t size, std::uint8_t* out, const ByteMap& map,
                    const Rewrite* rewrite) {
  const D d;
  const std::size_t n = hn::Lanes(d);
  const HighTable table(map.data() + 0x80);
  std::size_t i = 0;
  std::size_t o = 0;
  if (rewrite == nullptr || (!rewrite->pair && rewrite->outSize == 1)) {
    // Every byte gives one: a one-byte line end is replaced where it stands.
    const V first = hn::Set(d, rewrite ? rewrite->first : 0);
    const V replacement = hn::Set(d, rewrite ? static_cast<std::uint8_t>(rewrite->out[0]) : 0);
    for (; i + n <= size; i += n) {
      const V block = hn::LoadU(d, in + i);
      V mapped = table.Lookup(block, block);
      if (rewrite != nullptr) mapped = hn::IfThenElse(hn::Eq(block, first), replacement, mapped);
      hn::StoreU(mapped, d, out + i);
    }
    o = i;
  } else if (rewrite->pair && rewrite->outSize == 1) {
    // A pair becomes one byte: its first byte is replaced and its second squeezed out. The
    // first step makes sure that a block always has the byte before it.
    const V first = hn::Set(d, rewrite->first);
    const V second = hn::Set(d, rewrite->second);
    const V replacement = hn::Set(d, static_cast<std::uint8_t>(rewrite->out[0]));
    if (size > 0) steps::MapStep(in, size, i, out, o, map, rewrite);
    for (; i + n + 1 <= size; i += n) {
      const V block = hn::LoadU(d, in + i);
      const M starts = hn::And(hn::Eq(block, first), hn::Eq(hn::LoadU(d, in + i + 1), second));
      const M ends = hn::And(hn::Eq(block, second), hn::Eq(hn::LoadU(d, in + i - 1), first));
      const V mapped = hn::IfThenElse(starts, replacement, table.Lookup(block, block));
      if (hn::AllFalse(d, ends)) {
        hn::StoreU(mapped, d, out + o);
        o += n;
      } else {
        const M keep = hn::Not(ends);
        hn::StoreU(hn::Compress(mapped, keep), d, out + o);
        o += hn::CountTrue(d, keep);
      }
    }
    // The second byte of a pair that the last block began is already written.
    if (i > 0 && i < size && in[i - 1] == rewrite->first && in[i] == rewrite->second) ++i;
  } else {
    // A line end grows: each block is written up to its first line end, which is rewritten
    // on its own.
    const V first = hn::Set(d, rewrite->first);
    while (i + n <= size) {
      const V block = hn::LoadU(d, in + i);
      hn::StoreU(table.Lookup(block, block), d, out + o);
      const intptr_t end = hn::FindFirstTrue(d, hn::Eq(block, first));
      if (end < 0) {
        i += n;
        o += n;
        continue;
      }
      i += static_cast<std::size_t>(end);
      o += static_cast<std::size_t>(end);
      steps::MapStep(in, size, i, out, o, map, rewrite);
    }
  }
  while (i < size) steps::MapStep(in, size, i, out, o, map, rewrite);
  return o;
}

#endif

}  // namespace pismovar::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace pismovar::kernels {

HWY_EXPORT(Convert);

std::size_t Convert(const std::uint8_t* in, std::size_t size, std::uint8_t* out, const ByteMap& map,
                    const Rewrite* rewrite) {
  return HWY_DYNAMIC_DISPATCH(Convert)(in, size, out, map, rewrite);
}

}  // namespace pismovar::kernels
#endif
