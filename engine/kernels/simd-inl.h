// What the compiled forms of the loops share, once per target: classifying bytes, looking
// bytes up in tables of rows of sixteen, testing them against sets, finding where line ends may
// start, and writing squeezed or widened vectors sixteen lanes at a time.

#if defined(PISMOVAR_ENGINE_KERNELS_SIMD_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef PISMOVAR_ENGINE_KERNELS_SIMD_INL_H_
#undef PISMOVAR_ENGINE_KERNELS_SIMD_INL_H_
#else
#define PISMOVAR_ENGINE_KERNELS_SIMD_INL_H_
#endif

#include <hwy/cache_control.h>
#include <hwy/highway.h>

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/kernels/drop_table.h"
#include "engine/kernels/pair_slots.h"
#include "engine/line_end_rewrite.h"

HWY_BEFORE_NAMESPACE();
namespace pismovar::kernels::HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using D = hn::ScalableTag<std::uint8_t>;
using V = hn::Vec<D>;
using M = hn::Mask<D>;

// Asks for the text a little ahead of a loop at `in[i]` that reads it in order: a file's text
// may come straight from its mapping rather than from the cache, and the processor's own
// prefetch stops at the end of each page.
HWY_INLINE void ReadAhead(const std::uint8_t* in, std::size_t i, std::size_t size) {
  constexpr std::size_t kAhead = 2048;
  if (i + kAhead < size) hwy::Prefetch(in + i + kAhead);
}

#if HWY_TARGET != HWY_SCALAR

// The lanes holding a byte of 0x80 or more.
HWY_INLINE M High(V block) {
  const hn::RebindToSigned<D> di;
  return hn::RebindMask(D(), hn::Lt(hn::BitCast(di, block), hn::Zero(di)));
}

// The lanes of `bytes` from `low` to `high`: moved down to start at the least signed byte, one
// compare finds them.
HWY_INLINE M InRange(V bytes, std::uint8_t low, std::uint8_t high) {
  const hn::RebindToSigned<D> di;
  const auto moved =
      hn::BitCast(di, hn::Sub(bytes, hn::Set(D(), static_cast<std::uint8_t>(low - 0x80))));
  return hn::RebindMask(
      D(), hn::Lt(moved, hn::Set(di, static_cast<std::int8_t>(high - low + 1 - 0x80))));
}

// The continuation bytes, 80..BF: the signed bytes below C0.
HWY_INLINE M Continuations(V bytes) {
  const hn::RebindToSigned<D> di;
  return hn::RebindMask(D(), hn::Lt(hn::BitCast(di, bytes), hn::Set(di, std::int8_t{-64})));
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

// A table of `kRows` rows of sixteen (8 or 16): every row is looked up by the low nibble of
// the index, and the bits above it pick the row, a tree rather than a chain. Bits of the index
// beyond the rows are ignored.
template <std::size_t kRows>
class RowTable {
 public:
  // Each even row is kept as its difference from the odd row after it.
  explicit RowTable(const std::uint8_t* entries) {
    for (std::size_t r = 0; r < kRows; ++r) m_rows[r] = hn::LoadDup128(D(), entries + 16 * r);
    for (std::size_t r = 0; r < kRows; r += 2) m_rows[r] = hn::Xor(m_rows[r], m_rows[r + 1]);
  }

  HWY_INLINE V Lookup(V index) const {
    const D d;
    const hn::Repartition<std::uint16_t, D> dw;
    const V low = hn::And(index, hn::Set(d, 0x0F));
    // The low nibble with bit 4 moved up to bit 7, where a lookup gives zero.
    const V evenOnly = hn::Or(
        low, hn::And(hn::BitCast(d, hn::ShiftLeft<3>(hn::BitCast(dw, index))), hn::Set(d, 0x80)));
    return Pick<0, kRows>(index, low, evenOnly);
  }

 private:
  // Rows `first` to `first + count - 1`. A pair is the odd row, and the difference to the even
  // one where bit 4 is clear; above that, the upper half where the bit that tells the halves
  // apart is set. Shifting the index's 16-bit lanes moves that bit of every byte to the byte's
  // sign, and no bit of the other byte there.
  template <std::size_t first, std::size_t count>
  HWY_INLINE V Pick(V index, V low, V evenOnly) const {
    if constexpr (count == 2) {
      return hn::Xor(hn::TableLookupBytes(m_rows[first + 1], low),
                     hn::TableLookupBytesOr0(m_rows[first], evenOnly));
    } else {
      constexpr int kShift = count == 4 ? 2 : count == 8 ? 1 : 0;
      const hn::Repartition<std::uint16_t, D> dw;
      const hn::RebindToSigned<D> di;
      const auto moved = hn::BitCast(di, hn::ShiftLeft<kShift>(hn::BitCast(dw, index)));
      const M upper = hn::RebindMask(D(), hn::Lt(moved, hn::Zero(di)));
      return hn::IfThenElse(upper, Pick<first + count / 2, count / 2>(index, low, evenOnly),
                            Pick<first, count / 2>(index, low, evenOnly));
    }
  }

  V m_rows[kRows];
};

// The upper half of a table as eight rows of sixteen, one per high nibble.
class HighTable {
 public:
  explicit HighTable(const std::uint8_t* upperHalf) : m_rows(upperHalf) {}

  // The high bytes of `block` looked up; the other lanes from `otherwise`.
  HWY_INLINE V Lookup(V block, V otherwise) const {
    return hn::IfThenElse(High(block), m_rows.Lookup(block), otherwise);
  }

 private:
  RowTable<8> m_rows;
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
// nibble: two sixteen-entry lookups test every lane. The second is the same for every set, so
// that testing a block against several sets looks it up once.
class HighSet {
 public:
  HighSet() = default;
  explicit HighSet(const std::uint8_t* upperHalfFlags) {
    alignas(16) std::uint8_t rows[16] = {};
    for (std::size_t b = 0; b < 128; ++b) {
      if (upperHalfFlags[b] != 0) rows[b & 0x0F] |= static_cast<std::uint8_t>(1u << (b >> 4));
    }
    m_rows = hn::LoadDup128(D(), rows);
  }

  // The lanes of `block` whose byte is in the set.
  HWY_INLINE M Contains(V block) const {
    const D d;
    // Per high nibble, its bit in a row; none for ASCII.
    alignas(16) static constexpr std::uint8_t kBits[16] = {0, 0, 0, 0, 0,  0,  0,  0,
                                                           1, 2, 4, 8, 16, 32, 64, 128};
    const V row = hn::TableLookupBytes(m_rows, hn::And(block, hn::Set(d, 0x0F)));
    const V bit = hn::TableLookupBytes(hn::LoadDup128(d, kBits), hn::ShiftRight<4>(block));
    return hn::Ne(hn::And(row, bit), hn::Zero(d));
  }

 private:
  V m_rows;
};

#endif

// Hands each sixteen-lane block of `vectors` in turn to `store`, with the two bytes of `bits`
// (one bit per lane) that belong to it and where to write, and returns where the last one
// ends: `store` takes (descriptor, bits, out, blocks...) and returns its own end.
template <class DB, class Store, class... Vecs>
HWY_INLINE std::uint8_t* ForEachBlock(DB db, const std::uint8_t* bits, std::uint8_t* out,
                                      const Store& store, Vecs... vectors) {
  if constexpr (hn::MaxLanes(DB()) > 16) {
    const hn::Half<DB> dh;
    out = ForEachBlock(dh, bits, out, store, hn::LowerHalf(dh, vectors)...);
    return ForEachBlock(dh, bits + hn::MaxLanes(dh) / 8, out, store, hn::UpperHalf(dh, vectors)...);
  } else {
    return store(db, bits, out, vectors...);
  }
}

// Writes the sixteen lanes of `bytes` whose bit in `dropBits` is clear at `out`, in order,
// and returns where they end; up to sixteen bytes more may be written past that end. Eight
// lanes at a time, for the shuffle of eight lanes is one row of kDropTable.
struct StoreWithout {
  template <class DB>
  HWY_INLINE std::uint8_t* operator()(DB db, const std::uint8_t* dropBits, std::uint8_t* out,
                                      hn::Vec<DB> bytes) const {
    const unsigned lower = dropBits[0];
    const unsigned upper = dropBits[1];
    hn::StoreU(hn::TableLookupBytes(bytes, hn::LoadU(db, kDropTable.slots + 16 * lower)), db, out);
    out += kDropTable.lengths[lower];
    hn::StoreU(hn::TableLookupBytes(bytes, hn::LoadU(db, kDropTable.slots + 16 * upper + 8)), db,
               out);
    return out + kDropTable.lengths[upper];
  }
};

constexpr std::size_t kMaskBytes = hn::MaxLanes(D()) / 8;

// Writes sixteen characters whose first and second bytes are in `first` and `second` (a
// second byte only where the character's bit in `twoBytes` is set) at `out`, and
// returns where it ends; up to sixteen bytes more may be written past that end. Eight
// characters at a time, for the shuffle of eight characters' slots is one row of kPairSlots.
struct StorePairs {
  template <class DB>
  HWY_INLINE std::uint8_t* operator()(DB db, const std::uint8_t* twoBytes, std::uint8_t* out,
                                      hn::Vec<DB> first, hn::Vec<DB> second) const {
    const unsigned lower = twoBytes[0];
    const unsigned upper = twoBytes[1];
    hn::StoreU(hn::TableLookupBytes(hn::InterleaveLower(db, first, second),
                                    hn::Load(db, kPairSlots.rows[lower])),
               db, out);
    out += kPairSlots.lengths[lower];
    hn::StoreU(hn::TableLookupBytes(hn::InterleaveUpper(db, first, second),
                                    hn::Load(db, kPairSlots.rows[upper])),
               db, out);
    return out + kPairSlots.lengths[upper];
  }
};

// The same, leaving out the characters whose bit in the mask kMaskBytes after `twoBytes` is
// set (the second byte of a line-end pair): each character's two slots, interleaved, keep the
// first unless the character is left out and the second where it has one.
struct StorePairsWithout {
  template <class DB>
  HWY_INLINE std::uint8_t* operator()(DB db, const std::uint8_t* twoBytes, std::uint8_t* out,
                                      hn::Vec<DB> first, hn::Vec<DB> second) const {
    const std::uint8_t* leftOut = twoBytes + kMaskBytes;
    out = StoreWithout()(db, SlotDrops(twoBytes[0], leftOut[0]).data(), out,
                         hn::InterleaveLower(db, first, second));
    return StoreWithout()(db, SlotDrops(twoBytes[1], leftOut[1]).data(), out,
                          hn::InterleaveUpper(db, first, second));
  }

  // The sixteen slots of eight characters to drop, as StoreWithout takes them.
  static std::array<std::uint8_t, 2> SlotDrops(unsigned twoBytes, unsigned leftOut) {
    const unsigned drops = kSpreadBits[leftOut] | kSpreadBits[~twoBytes & 0xFF] << 1;
    return {static_cast<std::uint8_t>(drops), static_cast<std::uint8_t>(drops >> 8)};
  }
};

// Writes the characters of a block at `out`, each of one byte (from `first`) or, where
// `twoBytes` says, two (from `first` and `second`), and none where `leftOut` says; returns
// where they end. Up to sixteen bytes more may be written past that end.
HWY_INLINE std::uint8_t* StoreCharacters(std::uint8_t* out, V first, V second, M twoBytes,
                                         M leftOut) {
  const D d;
  std::uint8_t bits[2 * kMaskBytes + 8];
  hn::StoreMaskBits(d, twoBytes, bits);
  if (hn::AllFalse(d, leftOut)) return ForEachBlock(d, bits, out, StorePairs(), first, second);
  hn::StoreMaskBits(d, leftOut, bits + kMaskBytes);
  return ForEachBlock(d, bits, out, StorePairsWithout(), first, second);
}

// The lanes of `v` moved down by one: lane k gets lane k + 1, and the last lane is left
// undefined. Within each block of sixteen the bytes shift by one, and the byte they take in
// comes from the block above (one rotate across the register where it has several).
HWY_INLINE V SlideDownOne(V v) {
#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL
  const V above{_mm512_alignr_epi32(v.raw, v.raw, 4)};
#elif HWY_TARGET == HWY_AVX2
  const V above{_mm256_permute2x128_si256(v.raw, v.raw, 0x01)};
#else
  const V above = v;
#endif
  return hn::CombineShiftRightBytes<1>(D(), above, v);
}

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

// The lanes of a block where a rewritten line end starts, and those that hold the second
// byte of a pair, whose start writes the whole replacement.
struct LineEndLanes {
  M starts;
  M seconds;
};

#if HWY_TARGET == HWY_AVX3_DL
// The same, one bit per byte.
struct LineEndMasks {
  std::uint64_t starts;
  std::uint64_t seconds;
};
#endif

// Finds the line ends of one rewrite in block after block; made once, outside the loop.
class LineEndFinder {
 public:
  static constexpr bool kRewrites = true;

  explicit LineEndFinder(const Rewrite& rewrite)
      : m_first(hn::Set(D(), rewrite.FirstStart())),
        m_second(hn::Set(D(), rewrite.PairSecond())),
#if HWY_TARGET == HWY_AVX3_DL
        m_secondByte(rewrite.PairSecond()),
#endif
        m_pairs(rewrite.MayPair()),
        m_anyLineEnd(rewrite.anyLineEnd) {
  }

  // The line ends of `block`, read at `in`: reads in[-1], and for a pair in[Lanes] too.
  HWY_INLINE LineEndLanes Find(const std::uint8_t* in, V block) const {
    const D d;
    const M isFirst = hn::Eq(block, m_first);
    if (!m_pairs) return {isFirst, hn::FirstN(d, 0)};
    const M isSecond = hn::Eq(block, m_second);
    const M afterFirst = hn::Eq(hn::LoadU(d, in - 1), m_first);
    // Any line end: every CR starts one, and so does an LF after anything but a CR.
    const M starts = m_anyLineEnd ? hn::Or(isFirst, hn::AndNot(afterFirst, isSecond))
                                  : hn::And(isFirst, hn::Eq(hn::LoadU(d, in + 1), m_second));
    return {starts, hn::And(isSecond, afterFirst)};
  }

#if HWY_TARGET == HWY_AVX3_DL
  // The line ends of the `length` bytes at `in` that `block` holds, `size` bytes being
  // readable there. Each pair is taken whole by the block that holds its first byte: `length`
  // loses its last byte where that begins a pair it cuts, and so no block begins with the
  // second byte of a pair.
  HWY_INLINE LineEndMasks FindBits(const std::uint8_t* in, std::size_t size, __m512i block,
                                   unsigned& length) const {
    const std::uint64_t isFirst = _mm512_cmpeq_epi8_mask(block, m_first.raw);
    if (!m_pairs) return {isFirst, 0};
    if (length > 0 && (isFirst >> (length - 1) & 1) != 0 && length < size &&
        in[length] == m_secondByte) {
      --length;
    }
    const std::uint64_t isSecond = _mm512_cmpeq_epi8_mask(block, m_second.raw);
    const std::uint64_t seconds = isSecond & isFirst << 1;
    return {m_anyLineEnd ? isFirst | (isSecond & ~seconds) : isFirst & isSecond >> 1, seconds};
  }
#endif

 private:
  V m_first;
  V m_second;
#if HWY_TARGET == HWY_AVX3_DL
  std::uint8_t m_secondByte;
#endif
  bool m_pairs;
  bool m_anyLineEnd;
};

// The same for a loop without a rewrite: no line ends.
struct NoLineEnds {
  static constexpr bool kRewrites = false;

  HWY_INLINE LineEndLanes Find(const std::uint8_t*, V) const {
    return {hn::FirstN(D(), 0), hn::FirstN(D(), 0)};
  }
#if HWY_TARGET == HWY_AVX3_DL
  HWY_INLINE LineEndMasks FindBits(const std::uint8_t*, std::size_t, __m512i, unsigned&) const {
    return {0, 0};
  }
#endif
};

// Passes the second byte of a pair that the last block began, which wrote the whole line end.
HWY_INLINE void SkipWrittenSecond(const std::uint8_t* in, std::size_t size, std::size_t& i,
                                  const Rewrite& rewrite) {
  if (rewrite.MayPair() && i > 0 && i < size && in[i - 1] == rewrite.FirstStart() &&
      in[i] == rewrite.PairSecond()) {
    ++i;
  }
}

#endif  // HWY_TARGET != HWY_SCALAR

}  // namespace pismovar::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#endif  // include guard
