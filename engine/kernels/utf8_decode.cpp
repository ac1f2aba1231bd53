// The loops that read UTF-8, one block at a time: decoding into an 8-bit code page, repair,
// and validation. They share the scan for runs of short sequences.
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

std::size_t DecodeUtf8(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                       const FromUnicodeTable& table, const Rewrite* rewrite, std::uint64_t offset,
                       Utf8Losses& losses) {
  return reference::DecodeUtf8(in, size, out, table, rewrite, offset, losses);
}

std::size_t RepairUtf8(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                       const Rewrite* rewrite, std::uint64_t offset, Utf8Losses& losses) {
  return reference::RepairUtf8(in, size, out, rewrite, offset, losses);
}

bool IsValidUtf8(const std::uint8_t* in, std::size_t size, std::uint64_t& multibyte) {
  return reference::IsValidUtf8(in, size, multibyte);
}

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
// LatinSubstitutes() to count the substitutes, and the leads are squeezed out. Anything else
// (a longer or malformed sequence, a line end) is finished one sequence at a time.
std::size_t DecodeUtf8(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                       const FromUnicodeTable& table, const Rewrite* rewrite, std::uint64_t offset,
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
  std::size_t i = 0;
  std::size_t o = 0;
  while (i + 64 <= size) {
    const __m512i block = _mm512_loadu_si512(in + i);
    const TwoByteRun run = ScanTwoByteRun(block, 0xC2, 0xC5, rewrite);
    if (run.length == 0) {
      steps::DecodeStep(in, size, i, out, o, rewrite, offset, losses, write);
      continue;
    }
    const std::uint64_t span = LowBits(run.length);
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
    const std::uint64_t keep = span & ~run.leads;
    _mm512_storeu_si512(out + o, _mm512_maskz_compress_epi8(
                                     keep, _mm512_mask_mov_epi8(block, continuations, mapped)));
    o += static_cast<std::size_t>(__builtin_popcountll(keep));
    i += run.length;
    losses.replaced += static_cast<std::uint64_t>(__builtin_popcountll(replaced));
  }
  while (i < size) steps::DecodeStep(in, size, i, out, o, rewrite, offset, losses, write);
  return o;
}

// 64 bytes at a time while they hold only ASCII and two-byte sequences: copied as they are.
std::size_t RepairUtf8(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                       const Rewrite* rewrite, std::uint64_t offset, Utf8Losses& losses) {
  std::size_t i = 0;
  std::size_t o = 0;
  while (i + 64 <= size) {
    const __m512i block = _mm512_loadu_si512(in + i);
    const std::size_t length = ScanTwoByteRun(block, 0xC2, 0xDF, rewrite).length;
    if (length == 0) {
      steps::DecodeStep(in, size, i, out, o, rewrite, offset, losses, steps::WriteSequence);
    } else {
      _mm512_storeu_si512(out + o, block);
      o += length;
      i += length;
    }
  }
  while (i < size) {
    steps::DecodeStep(in, size, i, out, o, rewrite, offset, losses, steps::WriteSequence);
  }
  return o;
}

bool IsValidUtf8(const std::uint8_t* in, std::size_t size, std::uint64_t& multibyte) {
  std::size_t i = 0;
  while (i + 64 <= size) {
    const __m512i block = _mm512_loadu_si512(in + i);
    if (_mm512_movepi8_mask(block) == 0) {
      i += 64;
      continue;
    }
    const TwoByteRun run = ScanTwoByteRun(block, 0xC2, 0xDF, nullptr);
    if (run.length == 0) {
      if (!steps::ValidateStep(in, size, i, multibyte)) return false;
      continue;
    }
    multibyte += static_cast<std::uint64_t>(__builtin_popcountll(run.leads & LowBits(run.length)));
    i += run.length;
  }
  return reference::IsValidUtf8(in + i, size - i, multibyte);
}

#else

// Runs of plain ASCII a block at a time; each other sequence on its own, written by `write`.
template <typename Write>
std::size_t DecodeBlocks(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                         const Rewrite* rewrite, std::uint64_t offset, Utf8Losses& losses,
                         const Write& write) {
  const D d;
  const std::size_t n = hn::Lanes(d);
  std::size_t i = 0;
  std::size_t o = 0;
  while (i + n <= size) {
    const V block = hn::LoadU(d, in + i);
    hn::StoreU(block, d, out + o);
    const std::size_t plain = PlainPrefix(block, rewrite);
    i += plain;
    o += plain;
    if (plain < n) steps::DecodeStep(in, size, i, out, o, rewrite, offset, losses, write);
  }
  while (i < size) steps::DecodeStep(in, size, i, out, o, rewrite, offset, losses, write);
  return o;
}

std::size_t DecodeUtf8(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                       const FromUnicodeTable& table, const Rewrite* rewrite, std::uint64_t offset,
                       Utf8Losses& losses) {
  return DecodeBlocks(in, size, out, rewrite, offset, losses, steps::WriteByte{table, losses});
}

std::size_t RepairUtf8(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                       const Rewrite* rewrite, std::uint64_t offset, Utf8Losses& losses) {
  return DecodeBlocks(in, size, out, rewrite, offset, losses, steps::WriteSequence);
}

// The lanes holding a lead of a two-byte sequence, C2..DF.
HWY_INLINE M TwoByteLeads(V bytes) {
  const hn::RebindToSigned<D> di;
  const auto value = hn::BitCast(di, bytes);
  return hn::RebindMask(D(), hn::And(hn::Gt(value, hn::Set(di, static_cast<std::int8_t>(-63))),
                                     hn::Lt(value, hn::Set(di, static_cast<std::int8_t>(-32)))));
}

// The lanes holding a continuation byte, 80..BF.
HWY_INLINE M Continuations(V bytes) {
  const D d;
  return hn::Eq(hn::And(bytes, hn::Set(d, 0xC0)), hn::Set(d, 0x80));
}

// A block at a time while it holds only ASCII and two-byte sequences: each byte of 80 and above
// is a lead C2..DF followed by a continuation byte, or a continuation byte after such a lead,
// seen through the same bytes loaded one before and one after (so the first sequence is checked
// on its own). `i` stays at the start of a sequence, so a block that ends on a lead leaves it
// for the next; anything else (a longer or malformed sequence) is checked one at a time.
bool IsValidUtf8(const std::uint8_t* in, std::size_t size, std::uint64_t& multibyte) {
  const D d;
  const std::size_t n = hn::Lanes(d);
  std::size_t i = 0;
  if (size > 0 && !steps::ValidateStep(in, size, i, multibyte)) return false;
  while (i + n < size) {
    const V block = hn::LoadU(d, in + i);
    const M high = High(block);
    if (hn::AllFalse(d, high)) {
      i += n;
      continue;
    }
    const M leads = TwoByteLeads(block);
    const M continuations = Continuations(block);
    const M broken =
        hn::Or(hn::AndNot(hn::Or(leads, continuations), high),
               hn::Or(hn::AndNot(Continuations(hn::LoadU(d, in + i + 1)), leads),
                      hn::AndNot(TwoByteLeads(hn::LoadU(d, in + i - 1)), continuations)));
    if (!hn::AllFalse(d, broken)) {
      if (!steps::ValidateStep(in, size, i, multibyte)) return false;
      continue;
    }
    const bool endsOnLead = in[i + n - 1] >= 0xC2 && in[i + n - 1] <= 0xDF;
    multibyte += hn::CountTrue(d, leads) - endsOnLead;
    i += n - endsOnLead;
  }
  return reference::IsValidUtf8(in + i, size - i, multibyte);
}

#endif

}  // namespace pismovar::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace pismovar::kernels {

HWY_EXPORT(DecodeUtf8);
HWY_EXPORT(RepairUtf8);
HWY_EXPORT(IsValidUtf8);

std::size_t DecodeUtf8(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                       const FromUnicodeTable& table, const Rewrite* rewrite, std::uint64_t offset,
                       Utf8Losses& losses) {
  return HWY_DYNAMIC_DISPATCH(DecodeUtf8)(in, size, out, table, rewrite, offset, losses);
}

std::size_t RepairUtf8(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                       const Rewrite* rewrite, std::uint64_t offset, Utf8Losses& losses) {
  return HWY_DYNAMIC_DISPATCH(RepairUtf8)(in, size, out, rewrite, offset, losses);
}

bool IsValidUtf8(const std::uint8_t* in, std::size_t size, std::uint64_t& multibyte) {
  return HWY_DYNAMIC_DISPATCH(IsValidUtf8)(in, size, multibyte);
}

}  // namespace pismovar::kernels
#endif
