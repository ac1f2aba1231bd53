// What the compiled forms of the loops share, once per target: looking high bytes up in a
// 128-entry table, and finding where a block stops being plain ASCII.

#if defined(PISMOVAR_ENGINE_KERNELS_SIMD_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef PISMOVAR_ENGINE_KERNELS_SIMD_INL_H_
#undef PISMOVAR_ENGINE_KERNELS_SIMD_INL_H_
#else
#define PISMOVAR_ENGINE_KERNELS_SIMD_INL_H_
#endif

#include <hwy/highway.h>

#include <cstddef>
#include <cstdint>

#include "engine/line_end_rewrite.h"

HWY_BEFORE_NAMESPACE();
namespace pismovar::kernels::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using D = hn::ScalableTag<std::uint8_t>;
using V = hn::Vec<D>;
using M = hn::Mask<D>;

#if HWY_TARGET != HWY_SCALAR

// The lanes holding a byte of 0x80 or more.
HWY_INLINE M High(V block) {
  const hn::RebindToSigned<D> di;
  return hn::RebindMask(D(), hn::Lt(hn::BitCast(di, block), hn::Zero(di)));
}

#if HWY_TARGET == HWY_AVX3_DL

// The whole upper half of a table in two registers, looked up with one two-table permute.
class HighTable {
 public:
  explicit HighTable(const std::uint8_t* upperHalf)
      : m_lower(_mm512_loadu_si512(upperHalf)), m_upper(_mm512_loadu_si512(upperHalf + 64)) {}

  // The high bytes of `block` looked up; the other lanes from `otherwise`.
  HWY_INLINE V Lookup(V block, V otherwise) const {
    return V{_mm512_mask_blend_epi8(_mm512_movepi8_mask(block.raw), otherwise.raw,
                                    _mm512_permutex2var_epi8(m_lower, block.raw, m_upper))};
  }

 private:
  __m512i m_lower;
  __m512i m_upper;
};

#else

// The upper half of a table as eight rows of sixteen, one per high nibble: every row is looked
// up by the low nibble, and bits 4, 5 and 6 of the byte pick its row in three rounds of blends.
class HighTable {
 public:
  explicit HighTable(const std::uint8_t* upperHalf) {
    for (std::size_t n = 0; n < kRows; ++n) m_rows[n] = hn::LoadDup128(D(), upperHalf + 16 * n);
  }

  // The high bytes of `block` looked up; the other lanes from `otherwise`.
  HWY_INLINE V Lookup(V block, V otherwise) const {
    const D d;
    const V low = hn::And(block, hn::Set(d, 0x0F));
    const auto clear = [&](std::uint8_t bit) {
      return hn::Eq(hn::And(block, hn::Set(d, bit)), hn::Zero(d));
    };
    const M even = clear(0x10);
    const M lowerPair = clear(0x20);
    const M lowerHalf = clear(0x40);
    const auto rows = [&](std::size_t n) {
      return hn::IfThenElse(even, hn::TableLookupBytes(m_rows[n], low),
                            hn::TableLookupBytes(m_rows[n + 1], low));
    };
    const V lower = hn::IfThenElse(lowerPair, rows(0), rows(2));
    const V upper = hn::IfThenElse(lowerPair, rows(4), rows(6));
    return hn::IfThenElse(High(block), hn::IfThenElse(lowerHalf, lower, upper), otherwise);
  }

 private:
  static constexpr std::size_t kRows = 8;
  V m_rows[kRows];
};

#endif

#if HWY_TARGET == HWY_AVX3_DL

// A set of high bytes, as flags of 0 or 1 for the upper half of a table, tested with one
// two-table permute.
class HighSet {
 public:
  explicit HighSet(const std::uint8_t* upperHalfFlags) : m_flags(upperHalfFlags) {}

  // The lanes of `block` whose byte is in the set.
  HWY_INLINE M Contains(V block) const {
    const V flags = m_flags.Lookup(block, hn::Zero(D()));
    return hn::Ne(flags, hn::Zero(D()));
  }

 private:
  HighTable m_flags;
};

#else

// A set of high bytes as a bitmap of eight bits for each low nibble, one bit per high
// nibble: two sixteen-entry lookups test every lane.
class HighSet {
 public:
  explicit HighSet(const std::uint8_t* upperHalfFlags) {
    alignas(16) std::uint8_t rows[16] = {};
    alignas(16) std::uint8_t bits[16] = {};
    for (std::size_t b = 0; b < 128; ++b) {
      if (upperHalfFlags[b] != 0) rows[b & 0x0F] |= static_cast<std::uint8_t>(1u << (b >> 4));
    }
    for (std::size_t n = 8; n < 16; ++n) bits[n] = static_cast<std::uint8_t>(1u << (n - 8));
    m_rows = hn::LoadDup128(D(), rows);
    m_bits = hn::LoadDup128(D(), bits);
  }

  // The lanes of `block` whose byte is in the set.
  HWY_INLINE M Contains(V block) const {
    const D d;
    const V row = hn::TableLookupBytes(m_rows, hn::And(block, hn::Set(d, 0x0F)));
    const V bit = hn::TableLookupBytes(m_bits, hn::ShiftRight<4>(block));
    return hn::Ne(hn::And(row, bit), hn::Zero(d));
  }

 private:
  V m_rows;
  V m_bits;
};

#endif

// The lanes of `block` at which a rewritten line end may start.
HWY_INLINE M LineEndStarts(V block, const Rewrite& rewrite) {
  const D d;
  return hn::Or(hn::Eq(block, hn::Set(d, rewrite.FirstStart())),
                hn::Eq(block, hn::Set(d, rewrite.OtherStart())));
}

#if HWY_TARGET == HWY_AVX3_DL
// The same for a raw block, one bit per byte; none without a rewrite.
HWY_INLINE std::uint64_t LineEndBits(__m512i block, const Rewrite* rewrite) {
  return rewrite != nullptr ? LineEndStarts(V{block}, *rewrite).raw : 0;
}
#endif

// How many bytes from the start of `block` are plain ASCII and, when line ends are rewritten,
// no byte that may start one: all of its lanes when there is no other byte.
HWY_INLINE std::size_t PlainPrefix(V block, const Rewrite* rewrite) {
  const D d;
  M stops = High(block);
  if (rewrite != nullptr) stops = hn::Or(stops, LineEndStarts(block, *rewrite));
  const intptr_t first = hn::FindFirstTrue(d, stops);
  return first < 0 ? hn::Lanes(d) : static_cast<std::size_t>(first);
}

#endif  // HWY_TARGET != HWY_SCALAR

}  // namespace pismovar::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif  // include guard
