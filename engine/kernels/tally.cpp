// The detection tally, one block at a time, alone or with the UTF-8 check of the same blocks,
// and the count of UTF-8 sequences for text that fails the check.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "engine/kernels/tally.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "engine/kernels/reference.h"
#include "engine/kernels/simd-inl.h"

HWY_BEFORE_NAMESPACE();
namespace pismovar::kernels::HWY_NAMESPACE {

#if HWY_TARGET == HWY_SCALAR

// The scalar form is the reference itself.
using reference::CountUtf8;
using reference::Tally;
using reference::TallyUtf8;

#else

namespace {

// A count of one byte per lane, as a sum over all lanes.
HWY_INLINE std::int64_t Total(V counts) {
  const hn::Repartition<std::uint64_t, D> d64;
  return static_cast<std::int64_t>(hn::GetLane(hn::SumOfLanes(d64, hn::SumsOf8(counts))));
}

// Calls `f` with each code page's number, unrolled, so that arrays indexed by it stay in
// registers.
template <class F>
HWY_INLINE void ForEachCodePage(const F& f) {
  [&]<int... c>(std::integer_sequence<int, c...>) { (f(c), ...); }
  (std::make_integer_sequence<int, kDetectCodePages>());
}

// A lane's 1 where `bits` has any bit of `bit`, else 0.
HWY_INLINE V OneWhereAny(V bits, V bit) { return hn::Min(hn::And(bits, bit), hn::Set(D(), 1)); }

#if HWY_TARGET == HWY_AVX3_DL

// The detection letters of each code page in a block: one permute looks up the code pages of
// every high byte at once, a bit for each.
class Letters {
 public:
  explicit Letters(const CodePageMask& mask) : m_pages(mask.data() + 0x80) {}

  using Looked = V;
  HWY_INLINE Looked Look(V block) const { return m_pages.Lookup(block, hn::Zero(D())); }
  // 1 in the lanes holding a letter of code page `c`, else 0.
  HWY_INLINE V Of(Looked pages, int c) const {
    return OneWhereAny(pages, hn::Set(D(), static_cast<std::uint8_t>(1u << c)));
  }

 private:
  HighTable m_pages;
};

#else

// The detection letters of each code page in a block: per code page, a bitmap of eight bits
// for each low nibble, one per high nibble, tested against the bit of each lane's high nibble
// (none for ASCII), which all code pages share.
class Letters {
 public:
  explicit Letters(const CodePageMask& mask) {
    for (int c = 0; c < kDetectCodePages; ++c) {
      alignas(16) std::uint8_t rows[16] = {};
      for (std::size_t b = 0; b < 128; ++b) {
        if ((mask[0x80 + b] >> c & 1) != 0)
          rows[b & 0x0F] |= static_cast<std::uint8_t>(1u << (b >> 4));
      }
      m_rows[c] = hn::LoadDup128(D(), rows);
    }
  }

  struct Looked {
    V lowNibble;
    V highBit;
  };
  HWY_INLINE Looked Look(V block) const {
    const D d;
    alignas(16) static constexpr std::uint8_t kBits[16] = {0, 0, 0, 0, 0,  0,  0,  0,
                                                           1, 2, 4, 8, 16, 32, 64, 128};
    return {hn::And(block, hn::Set(d, 0x0F)),
            hn::TableLookupBytes(hn::LoadDup128(d, kBits), hn::ShiftRight<4>(block))};
  }
  // 1 in the lanes holding a letter of code page `c`, else 0.
  HWY_INLINE V Of(const Looked& looked, int c) const {
    return OneWhereAny(hn::TableLookupBytes(m_rows[c], looked.lowNibble), looked.highBit);
  }

 private:
  V m_rows[kDetectCodePages];
};

#endif

// What is wrong with two bytes of UTF-8 together, by three lookups of sixteen entries (the
// method of Keiser and Lemire): the high nibble of the second byte and both nibbles of the
// first give a set of flags each, and their AND is empty unless the pair is malformed in a way
// a flag stands for.
class Utf8Pairs {
 public:
  static constexpr std::uint8_t kTooShort = 1 << 0;   // a lead not followed by a continuation
  static constexpr std::uint8_t kTooLong = 1 << 1;    // a continuation after ASCII
  static constexpr std::uint8_t kOverlong3 = 1 << 2;  // E0 80..9F
  static constexpr std::uint8_t kTooLarge = 1 << 3;   // F4 90..BF, F5..FF 90..BF
  static constexpr std::uint8_t kSurrogate = 1 << 4;  // ED A0..BF
  static constexpr std::uint8_t kOverlong2 = 1 << 5;  // C0, C1 and a continuation
  // F0 80..8F, and F5..FF 80..8F: the same bit, for no lead shares the two.
  static constexpr std::uint8_t kTooLarge1000 = 1 << 6;
  static constexpr std::uint8_t kOverlong4 = 1 << 6;
  static constexpr std::uint8_t kTwoContinuations = 1 << 7;
  // The flags that the first byte decides by its high nibble alone.
  static constexpr std::uint8_t kAnyLow = kTooShort | kTooLong | kTwoContinuations;

  // The flags of a continuation byte outside the narrower range that E0, ED, F0 and F4 take
  // second.
  static constexpr std::uint8_t kNarrowed = kOverlong3 | kSurrogate | kOverlong4 | kTooLarge;

  Utf8Pairs()
      : m_firstHigh(hn::LoadDup128(D(), kFirstHigh)),
        m_firstLow(hn::LoadDup128(D(), kFirstLow)),
        m_secondHigh(hn::LoadDup128(D(), kSecondHigh)) {}

  // The flags of the pairs of `first` and `second`, lane by lane.
  HWY_INLINE V Flags(V first, V second) const {
    const D d;
    return hn::And(hn::And(hn::TableLookupBytes(m_firstHigh, hn::ShiftRight<4>(first)),
                           hn::TableLookupBytes(m_firstLow, hn::And(first, hn::Set(d, 0x0F)))),
                   hn::TableLookupBytes(m_secondHigh, hn::ShiftRight<4>(second)));
  }

 private:
  // clang-format off
  // By the high nibble of the first byte.
  alignas(16) static constexpr std::uint8_t kFirstHigh[16] = {
      kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong, kTooLong,  // ASCII
      kTwoContinuations, kTwoContinuations, kTwoContinuations, kTwoContinuations,
      kTooShort | kOverlong2,                               // C
      kTooShort,                                            // D
      kTooShort | kOverlong3 | kSurrogate,                  // E
      kTooShort | kTooLarge | kTooLarge1000 | kOverlong4};  // F
  // By the low nibble of the first byte.
  alignas(16) static constexpr std::uint8_t kFirstLow[16] = {
      kAnyLow | kOverlong3 | kOverlong2 | kOverlong4,    // 0
      kAnyLow | kOverlong2,                              // 1
      kAnyLow, kAnyLow,                                  // 2, 3
      kAnyLow | kTooLarge,                               // 4
      kAnyLow | kTooLarge | kTooLarge1000,               // 5
      kAnyLow | kTooLarge | kTooLarge1000,               // 6
      kAnyLow | kTooLarge | kTooLarge1000,               // 7
      kAnyLow | kTooLarge | kTooLarge1000,               // 8
      kAnyLow | kTooLarge | kTooLarge1000,               // 9
      kAnyLow | kTooLarge | kTooLarge1000,               // A
      kAnyLow | kTooLarge | kTooLarge1000,               // B
      kAnyLow | kTooLarge | kTooLarge1000,               // C
      kAnyLow | kTooLarge | kTooLarge1000 | kSurrogate,  // D
      kAnyLow | kTooLarge | kTooLarge1000,               // E
      kAnyLow | kTooLarge | kTooLarge1000};              // F
  // By the high nibble of the second byte.
  static constexpr std::uint8_t kContinuation = kTooLong | kOverlong2 | kTwoContinuations;
  alignas(16) static constexpr std::uint8_t kSecondHigh[16] = {
      kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort, kTooShort,
      kContinuation | kOverlong3 | kTooLarge1000 | kOverlong4,  // 80..8F
      kContinuation | kOverlong3 | kTooLarge,                   // 90..9F
      kContinuation | kSurrogate | kTooLarge,                   // A0..AF
      kContinuation | kSurrogate | kTooLarge,                   // B0..BF
      kTooShort, kTooShort, kTooShort, kTooShort};
  // clang-format on

  V m_firstHigh;
  V m_firstLow;
  V m_secondHigh;
};

// The UTF-8 check of a block: each byte with the one before it, and a byte two or three after
// the lead of a three- or four-byte sequence must be a continuation byte, which the flag of
// two continuation bytes (0x80) checks.
class Utf8Check {
 public:
  // Nonzero in the lanes that end a malformed pair or miss a continuation byte; the three bytes
  // before `at` must be readable (zeros where the text has none).
  HWY_INLINE V Errors(const std::uint8_t* at, V block) const {
    const D d;
    const V pairs = m_pairs.Flags(hn::LoadU(d, at - 1), block);
    // 0x80 or more after a three-byte lead two bytes back or a four-byte lead three back.
    const V third = hn::SaturatedSub(hn::LoadU(d, at - 2), hn::Set(d, 0xE0 - 0x80));
    const V fourth = hn::SaturatedSub(hn::LoadU(d, at - 3), hn::Set(d, 0xF0 - 0x80));
    const V continues = hn::And(hn::Or(third, fourth), hn::Set(d, 0x80));
    // Where a continuation byte is due, the pair flags just 0x80 (two continuation bytes).
    return hn::Xor(continues, pairs);
  }

 private:
  Utf8Pairs m_pairs;
};

// Lanes count in bytes, emptied into the totals before a byte can overflow.
constexpr unsigned kBlocksPerRound = 255;

// The tally of blocks: each lane counts its own letters (without kLetters none), CRs and LFs,
// one byte per kind.
template <bool kLetters>
class TallyBlocks {
 public:
  explicit TallyBlocks(const CodePageMask& mask) : m_letters(mask) { StartRound(); }

  HWY_INLINE void Add(const std::uint8_t* at) {
    const D d;
    const V block = hn::LoadU(d, at);
    if constexpr (kLetters) {
      const auto looked = m_letters.Look(block);
      ForEachCodePage([&](int c) { m_code[c] = hn::Add(m_code[c], m_letters.Of(looked, c)); });
    }
    // A true lane is all ones: subtracting it adds one.
    m_cr = hn::Sub(m_cr, hn::VecFromMask(d, hn::Eq(block, hn::Set(d, '\r'))));
    m_lf = hn::Sub(m_lf, hn::VecFromMask(d, hn::Eq(block, hn::Set(d, '\n'))));
    if (++m_blocks == kBlocksPerRound) Empty();
  }

  HWY_INLINE void Finish(DetectCounts& counts) {
    Empty();
    ForEachCodePage([&](int c) { counts.code[c] += m_totals.code[c]; });
    counts.cr += m_totals.cr;
    counts.lf += m_totals.lf;
  }

 private:
  HWY_INLINE void StartRound() {
    ForEachCodePage([&](int c) { m_code[c] = hn::Zero(D()); });
    m_cr = m_lf = hn::Zero(D());
    m_blocks = 0;
  }
  HWY_INLINE void Empty() {
    ForEachCodePage([&](int c) { m_totals.code[c] += Total(m_code[c]); });
    m_totals.cr += Total(m_cr);
    m_totals.lf += Total(m_lf);
    StartRound();
  }

  Letters m_letters;
  V m_code[kDetectCodePages];
  V m_cr;
  V m_lf;
  unsigned m_blocks;
  DetectCounts m_totals;
};

// The UTF-8 check of blocks: each lane counts its own leads (bytes of C0 or more) in a byte
// and gathers the errors it sees.
class Utf8Blocks {
 public:
  Utf8Blocks() : m_leads(hn::Zero(D())), m_errors(hn::Zero(D())) {}

  // The three bytes before `at` must be readable.
  HWY_INLINE void Add(const std::uint8_t* at) {
    const D d;
    const V block = hn::LoadU(d, at);
    // ASCII and two-byte sequences, the common case, need only their leads (C2..DF) and
    // continuation bytes: every high byte is one or the other, and a continuation byte is where
    // a lead is before it. A block with any other high byte, and the block after it, which may
    // finish its sequences, go through the pair lookups.
    const M twoByteLeads = InRange(block, 0xC2, 0xDF);
    const M continuations = Continuations(block);
    const bool other =
        !hn::AllFalse(d, hn::AndNot(hn::Or(twoByteLeads, continuations), High(block)));
    if (other || m_afterOther) {
      m_errors = hn::Or(m_errors, m_check.Errors(at, block));
      // C0..FF, moved to 40..7F, are the signed bytes above 3F.
      const hn::RebindToSigned<D> di;
      const auto moved = hn::BitCast(di, hn::Xor(block, hn::Set(d, 0x80)));
      m_leads =
          hn::Sub(m_leads, hn::VecFromMask(d, hn::RebindMask(d, hn::Gt(moved, hn::Set(di, 0x3F)))));
    } else {
      const M afterLeads = InRange(hn::LoadU(d, at - 1), 0xC2, 0xDF);
      m_errors = hn::Or(m_errors, hn::VecFromMask(d, hn::Xor(continuations, afterLeads)));
      m_leads = hn::Sub(m_leads, hn::VecFromMask(d, twoByteLeads));
    }
    m_afterOther = other;
    if (++m_blocks == kBlocksPerRound) Empty();
  }

  // Whether every block was valid UTF-8, and then the leads added to `multibyte`.
  HWY_INLINE bool Finish(std::uint64_t& multibyte) {
    Empty();
    if (!hn::AllTrue(D(), hn::Eq(m_errors, hn::Zero(D())))) return false;
    multibyte += static_cast<std::uint64_t>(m_leadTotal);
    return true;
  }

 private:
  HWY_INLINE void Empty() {
    m_leadTotal += Total(m_leads);
    m_leads = hn::Zero(D());
    m_blocks = 0;
  }

  Utf8Check m_check;
  V m_leads;
  V m_errors;
  bool m_afterOther = false;
  unsigned m_blocks = 0;
  std::int64_t m_leadTotal = 0;
};

// `blocks` blocks from `at` through the tally and, with kUtf8, the check. A tally of letters
// goes over the piece first and the check after it, so that each loop keeps its own counts in
// registers; a tally of line ends alone leaves room for both in one loop. The tally asks for
// the text ahead, a line at a time, up to `readable` bytes from `at`.
template <bool kUtf8, bool kLetters>
HWY_INLINE void CountPiece(const std::uint8_t* at, std::size_t blocks, std::size_t readable,
                           TallyBlocks<kLetters>& tally, Utf8Blocks& utf8) {
  const std::size_t n = hn::Lanes(D());
  constexpr bool kOneLoop = kUtf8 && !kLetters;
  for (std::size_t b = 0; b < blocks; ++b) {
    if (b * n % 64 == 0) ReadAhead(at, b * n, readable);
    tally.Add(at + b * n);
    if constexpr (kOneLoop) utf8.Add(at + b * n);
  }
  if constexpr (kUtf8 && !kOneLoop) {
    for (std::size_t b = 0; b < blocks; ++b) utf8.Add(at + b * n);
  }
}

// The blocks of `size` bytes, tallied and, with kUtf8, checked as UTF-8: a piece at a time, so
// that the check reads the bytes the tally has just brought into the first level cache, and
// each loop keeps its own counts in registers. The first and the last block are counted from
// `edge`, after the bytes before them or zeros where the text has none, and the last followed
// by zeros, which count as nothing and show a sequence cut off by the end.
template <bool kUtf8, bool kLetters>
HWY_INLINE bool CountBlocks(const std::uint8_t* in, std::size_t size, const CodePageMask& mask,
                            DetectCounts& counts, std::uint64_t& multibyte) {
  const D d;
  const std::size_t n = hn::Lanes(d);
  constexpr std::size_t kPieceSize = 16u << 10;
  TallyBlocks<kLetters> tally(mask);
  Utf8Blocks utf8;
  HWY_ALIGN std::uint8_t edge[2 * hn::MaxLanes(D())] = {};
  std::size_t i = 0;
  if (size >= n) {
    std::memcpy(edge + n, in, n);
    CountPiece<kUtf8>(edge + n, 1, 0, tally, utf8);
    i = n;
  }
  while (i + n <= size) {
    const std::size_t blocks = std::min(size - i, kPieceSize) / n;
    CountPiece<kUtf8>(in + i, blocks, size - i, tally, utf8);
    i += blocks * n;
  }
  std::memset(edge, 0, sizeof edge);
  const std::size_t before = std::min<std::size_t>(i, 3);
  if (size > 0) std::memcpy(edge + n - before, in + i - before, before + size - i);
  CountPiece<kUtf8>(edge + n, 1, 0, tally, utf8);
  tally.Finish(counts);
  return kUtf8 && utf8.Finish(multibyte);
}

// The UTF-8 sequences of blocks, counted as the decoder parts them (steps::DecodeOne), each lane
// in a byte per kind. A lead of two to four bytes (C2..F4) starts the longest valid beginning that
// follows it; every other high byte, and a continuation byte that no lead's beginning takes,
// is malformed alone. So the malformed sequences are the high bytes less the valid sequences
// and less the continuation bytes that the leads take.
class Utf8Sequences {
 public:
  Utf8Sequences() { StartRound(); }

  // The block at `at`; the three bytes after it must be readable (zeros where the text has
  // none).
  HWY_INLINE void Add(const std::uint8_t* at) {
    const D d;
    const hn::RebindToSigned<D> di;
    const V block = hn::LoadU(d, at);
    const V next = hn::LoadU(d, at + 1);
    const M lead = InRange(block, 0xC2, 0xF4);
    const M threeOrFour = InRange(block, 0xE0, 0xF4);
    const M four = InRange(block, 0xF0, 0xF4);
    const M narrowed =
        hn::Ne(hn::And(m_pairs.Flags(block, next), hn::Set(d, Utf8Pairs::kNarrowed)), hn::Zero(d));
    // The lanes whose lead takes a second, a third and a fourth byte.
    const M second = hn::AndNot(narrowed, hn::And(lead, Continuations(next)));
    const M third = hn::And(second, hn::And(threeOrFour, Continuations(hn::LoadU(d, at + 2))));
    const M fourth = hn::And(third, hn::And(four, Continuations(hn::LoadU(d, at + 3))));
    const M valid =
        hn::Or(hn::AndNot(threeOrFour, second), hn::Or(hn::AndNot(four, third), fourth));
    // A true lane is all ones: subtracting it adds one.
    m_high = hn::Sub(
        m_high,
        hn::VecFromMask(d, hn::RebindMask(d, hn::Lt(hn::BitCast(di, block), hn::Zero(di)))));
    m_valid = hn::Sub(m_valid, hn::VecFromMask(d, valid));
    m_taken =
        hn::Sub(m_taken, hn::Add(hn::VecFromMask(d, second),
                                 hn::Add(hn::VecFromMask(d, third), hn::VecFromMask(d, fourth))));
    if (++m_blocks == kBlocksPerRound / 3) Empty();
  }

  HWY_INLINE void Finish(std::uint64_t& multibyte, std::uint64_t& malformed) {
    Empty();
    multibyte += static_cast<std::uint64_t>(m_validTotal);
    malformed += static_cast<std::uint64_t>(m_highTotal - m_validTotal - m_takenTotal);
  }

 private:
  HWY_INLINE void StartRound() {
    m_high = m_valid = m_taken = hn::Zero(D());
    m_blocks = 0;
  }
  HWY_INLINE void Empty() {
    m_highTotal += Total(m_high);
    m_validTotal += Total(m_valid);
    m_takenTotal += Total(m_taken);
    StartRound();
  }

  Utf8Pairs m_pairs;
  V m_high;
  V m_valid;
  V m_taken;  // up to three a block
  unsigned m_blocks;
  std::int64_t m_highTotal = 0;
  std::int64_t m_validTotal = 0;
  std::int64_t m_takenTotal = 0;
};

}  // namespace

void Tally(const std::uint8_t* in, std::size_t size, const CodePageMask& mask,
           DetectCounts& counts) {
  std::uint64_t none = 0;
  CountBlocks<false, true>(in, size, mask, counts, none);
}

// A mask without letters leaves out their lookups, the most of the tally's work.
bool TallyUtf8(const std::uint8_t* in, std::size_t size, const CodePageMask& mask,
               DetectCounts& counts, std::uint64_t& multibyte) {
  const bool letters = std::any_of(mask.begin() + 0x80, mask.end(), [](auto m) { return m != 0; });
  return letters ? CountBlocks<true, true>(in, size, mask, counts, multibyte)
                 : CountBlocks<true, false>(in, size, mask, counts, multibyte);
}

// The blocks with three bytes after them are read in place, the rest (less than a block and
// three bytes) from `edge`, followed by zeros.
void CountUtf8(const std::uint8_t* in, std::size_t size, std::uint64_t& multibyte,
               std::uint64_t& malformed) {
  const std::size_t n = hn::Lanes(D());
  Utf8Sequences sequences;
  std::size_t i = 0;
  for (; i + n + 3 <= size; i += n) sequences.Add(in + i);
  HWY_ALIGN std::uint8_t edge[3 * hn::MaxLanes(D())] = {};
  if (size > i) std::memcpy(edge, in + i, size - i);
  for (std::size_t e = 0; e < size - i; e += n) sequences.Add(edge + e);
  sequences.Finish(multibyte, malformed);
}

#endif

}  // namespace pismovar::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace pismovar::kernels {

HWY_EXPORT(Tally);
HWY_EXPORT(TallyUtf8);
HWY_EXPORT(CountUtf8);

const Dispatched<TallyLoop> Tally{HWY_DISPATCH_TABLE(Tally)};
const Dispatched<TallyUtf8Loop> TallyUtf8{HWY_DISPATCH_TABLE(TallyUtf8)};
const Dispatched<CountUtf8Loop> CountUtf8{HWY_DISPATCH_TABLE(CountUtf8)};

}  // namespace pismovar::kernels
#endif
