// The detection tally, one block at a time.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "engine/kernels/tally.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "engine/kernels/reference.h"
#include "engine/kernels/simd-inl.h"

HWY_BEFORE_NAMESPACE();
namespace pismovar::kernels::HWY_NAMESPACE {

#if HWY_TARGET == HWY_SCALAR

// The scalar form is the reference itself.
using reference::Tally;

#else

namespace {

// A count of one byte per lane, as a sum over all lanes.
HWY_INLINE std::int64_t Total(V counts) {
  const hn::Repartition<std::uint64_t, D> d64;
  return static_cast<std::int64_t>(hn::GetLane(hn::SumOfLanes(d64, hn::SumsOf8(counts))));
}

#if HWY_TARGET == HWY_AVX3_DL

// Which lanes of a block hold a detection letter of each code page: one permute looks up the
// code pages of every high byte at once, a bit for each.
class Letters {
 public:
  explicit Letters(const CodePageMask& mask) : m_pages(mask.data() + 0x80) {}

  struct Looked {
    V pages;
  };
  HWY_INLINE Looked Look(V block) const { return {m_pages.Lookup(block, hn::Zero(D()))}; }
  HWY_INLINE M Of(const Looked& looked, int c) const {
    return hn::TestBit(looked.pages, hn::Set(D(), static_cast<std::uint8_t>(1u << c)));
  }

 private:
  HighTable m_pages;
};

#else

// Which lanes of a block hold a detection letter of each code page: a set of high bytes per
// code page.
class Letters {
 public:
  explicit Letters(const CodePageMask& mask) {
    for (int c = 0; c < kDetectCodePages; ++c) {
      std::uint8_t flags[128];
      for (std::size_t b = 0; b < 128; ++b) flags[b] = mask[0x80 + b] >> c & 1;
      m_pages[c] = HighSet(flags);
    }
  }

  using Looked = V;
  HWY_INLINE Looked Look(V block) const { return block; }
  HWY_INLINE M Of(Looked block, int c) const { return m_pages[c].Contains(block); }

 private:
  HighSet m_pages[kDetectCodePages];
};

#endif

}  // namespace

// Each lane counts its own letters, CRs and LFs in one byte per kind, emptied into the totals
// before a byte can overflow.
void Tally(const std::uint8_t* in, std::size_t size, const CodePageMask& mask,
           DetectCounts& counts) {
  const D d;
  const std::size_t n = hn::Lanes(d);
  constexpr std::size_t kBlocksPerRound = 255;
  const Letters table(mask);
  std::size_t i = 0;
  while (i + n <= size) {
    V letters[kDetectCodePages];
    for (V& count : letters) count = hn::Zero(d);
    V cr = hn::Zero(d);
    V lf = hn::Zero(d);
    // A true lane is all ones: subtracting it adds one.
    for (std::size_t block = 0; block < kBlocksPerRound && i + n <= size; ++block, i += n) {
      const V bytes = hn::LoadU(d, in + i);
      const auto looked = table.Look(bytes);
      for (int c = 0; c < kDetectCodePages; ++c) {
        letters[c] = hn::Sub(letters[c], hn::VecFromMask(d, table.Of(looked, c)));
      }
      cr = hn::Sub(cr, hn::VecFromMask(d, hn::Eq(bytes, hn::Set(d, '\r'))));
      lf = hn::Sub(lf, hn::VecFromMask(d, hn::Eq(bytes, hn::Set(d, '\n'))));
    }
    for (int c = 0; c < kDetectCodePages; ++c) counts.code[c] += Total(letters[c]);
    counts.cr += Total(cr);
    counts.lf += Total(lf);
  }
  reference::Tally(in + i, size - i, mask, counts);
}

#endif

}  // namespace pismovar::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace pismovar::kernels {

HWY_EXPORT(Tally);

const Dispatched<TallyLoop> Tally{HWY_DISPATCH_TABLE(Tally)};

}  // namespace pismovar::kernels
#endif
