#include "engine/utf8.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "engine/char_table.h"
#include "engine/plain_forms.h"
#include "engine/unicode_tables.h"

#if defined(__x86_64__)
#include <immintrin.h>
#define PISMOVAR_WIDE \
  __attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi,avx512vbmi2,bmi2,popcnt")))
#endif

namespace pismovar {
namespace {

// The character of a malformed sequence, outside Unicode.
constexpr char32_t kMalformed = 0xFFFFFFFF;
constexpr char kReplacementUtf8[] = "\xEF\xBF\xBD";

// The UTF-8 bytes of `c` (at most U+FFFF, which is all the code pages hold) packed as in
// ToUtf8Table.
std::uint32_t PackUtf8(char32_t c) {
  if (c < 0x80) return c | 1u << 24;
  if (c < 0x800) return (0xC0 | c >> 6) | (0x80 | (c & 0x3F)) << 8 | 2u << 24;
  return (0xE0 | c >> 12) | (0x80 | (c >> 6 & 0x3F)) << 8 | (0x80 | (c & 0x3F)) << 16 | 3u << 24;
}

// Reads the sequence that starts at in[0] (`available` bytes, at least 1): sets `c` to its
// character and returns its length. A malformed sequence gives kMalformed and the length of
// its longest valid beginning, at least 1, so that each maximal malformed part is replaced
// once and the byte that broke it starts the next sequence.
inline std::size_t DecodeOne(const std::uint8_t* in, std::size_t available, char32_t& c) {
  const std::uint8_t lead = in[0];
  if (lead < 0x80) {
    c = lead;
    return 1;
  }
  std::size_t length = 0;
  char32_t value = 0;
  // The range of the second byte narrows for the leads that would give overlong forms,
  // surrogates or characters beyond U+10FFFF.
  std::uint8_t low = 0x80;
  std::uint8_t high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    c = kMalformed;
    return 1;
  }
  for (std::size_t n = 1; n < length; ++n) {
    if (n >= available || in[n] < low || in[n] > high) {
      c = kMalformed;
      return n;
    }
    value = value << 6 | (in[n] & 0x3F);
    low = 0x80;
    high = 0xBF;
  }
  c = value;
  return length;
}

// One step of a conversion from UTF-8: a line end, an ASCII byte, or one sequence handed to
// `write` with its character (kMalformed for a malformed one, after counting it).
template <typename Write>
inline void DecodeStep(const std::uint8_t* in, std::size_t size, std::size_t& i, std::uint8_t* out,
                       std::size_t& o, const kernels::Rewrite* rewrite, std::uint64_t offset,
                       Utf8Losses& losses, Write write) {
  if (rewrite != nullptr && kernels::TakeLineEnd(in, size, i, out, o, *rewrite)) return;
  if (in[i] < 0x80) {
    out[o++] = in[i++];
    return;
  }
  char32_t c = 0;
  const std::size_t length = DecodeOne(in + i, size - i, c);
  if (c == kMalformed && losses.malformed++ == 0) losses.firstMalformed = offset + i;
  write(in + i, length, c, out, o);
  i += length;
}

// Writes a character from UTF-8 in an 8-bit code page.
struct WriteByte {
  const FromUnicodeTable& table;
  Utf8Losses& losses;
  void operator()(const std::uint8_t*, std::size_t, char32_t c, std::uint8_t* out,
                  std::size_t& o) const {
    if (c == kMalformed) {
      out[o++] = kLostByte;
      return;
    }
    const std::uint8_t byte = table.ByteOf(c);
    losses.replaced += byte == 0 || table.IsSubstitute(c);
    out[o++] = byte != 0 ? byte : kLostByte;
  }
};

// Copies a valid sequence; a malformed one becomes U+FFFD.
inline void WriteSequence(const std::uint8_t* sequence, std::size_t length, char32_t c,
                          std::uint8_t* out, std::size_t& o) {
  if (c == kMalformed) {
    sequence = reinterpret_cast<const std::uint8_t*>(kReplacementUtf8);
    length = 3;
  }
  std::memcpy(out + o, sequence, length);
  o += length;
}

inline void EncodeStep(const std::uint8_t* in, std::size_t size, std::size_t& i, std::uint8_t* out,
                       std::size_t& o, const ToUtf8Table& table, const kernels::Rewrite* rewrite,
                       Utf8Losses& losses) {
  if (rewrite != nullptr && kernels::TakeLineEnd(in, size, i, out, o, *rewrite)) return;
  const std::uint32_t packed = table.packed[in[i++]];
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(out + o, &packed, sizeof packed);  // the fourth byte is written over next
  } else {
    out[o] = static_cast<std::uint8_t>(packed);
    out[o + 1] = static_cast<std::uint8_t>(packed >> 8);
    out[o + 2] = static_cast<std::uint8_t>(packed >> 16);
  }
  o += packed >> 24 & 3;
  losses.replaced += packed >> 31;
}

}  // namespace

ToUtf8Table BuildToUtf8Table(CodePage from) {
  ToUtf8Table table;
  for (int b = 0; b < 256; ++b) {
    const char32_t c = CharacterOf(from, static_cast<std::uint8_t>(b));
    table.packed[b] = PackUtf8(c) | (c == kReplacementCharacter ? 1u << 31 : 0u);
  }
  return table;
}

FromUnicodeTable::FromUnicodeTable(CodePage to) {
  for (int b = 0x80; b < 0x100; ++b) {
    const char32_t c = CharacterOf(to, static_cast<std::uint8_t>(b));
    if (c != kReplacementCharacter) Set(c, static_cast<std::uint8_t>(b), false);
  }
  // Every row of the table holds a character of the Macintosh code page.
  for (const auto& row : CharTable) {
    const char32_t c = CharacterOf(kCodeMacintosh, row[kCodeMacintosh]);
    if (ByteOf(c) == 0) Set(c, row[to], true);
  }
  // A plain form may lack a byte too, and have a plain form of its own.
  for (const PlainForm& form : PlainForms()) {
    if (ByteOf(form.character) != 0) continue;
    char32_t plain = form.plain;
    while (plain >= 0x80 && ByteOf(plain) == 0) plain = PlainFormOf(plain);
    if (plain != 0) {
      Set(form.character, plain < 0x80 ? static_cast<std::uint8_t>(plain) : ByteOf(plain), true);
    }
  }
  for (char32_t c = 0x80; c < 0x180; ++c) {
    m_latin[c - 0x80] = ByteOf(c);
    m_latinSubstitutes[c - 0x80] = IsSubstitute(c) ? 1 : 0;
  }
}

void FromUnicodeTable::Set(char32_t c, std::uint8_t byte, bool substitute) {
  std::uint8_t& page = m_pageOf[c >> 8];
  if (page == 0) page = static_cast<std::uint8_t>(m_pageCount++);
  m_pages[page][c & 0xFF] = static_cast<std::uint16_t>(byte | (substitute ? kSubstitute : 0));
}

namespace utf8 {

std::size_t IncompleteEnd(const std::uint8_t* in, std::size_t size) {
  for (std::size_t k = 1; k <= std::min(size, kMaxIncompleteSequence); ++k) {
    const std::uint8_t b = in[size - k];
    if ((b & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    const std::size_t length = b >= 0xF5 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 ? 2 : 1;
    return length > k ? k : 0;
  }
  return 0;
}

std::size_t EncodePortable(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                           const ToUtf8Table& table, const kernels::Rewrite* rewrite,
                           Utf8Losses& totals) {
  // The counts stay in registers: the output bytes could alias anything outside the loop.
  Utf8Losses losses = totals;
  std::size_t i = 0;
  std::size_t o = 0;
  while (i < size) EncodeStep(in, size, i, out, o, table, rewrite, losses);
  totals = losses;
  return o;
}

std::size_t DecodePortable(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                           const FromUnicodeTable& table, const kernels::Rewrite* rewrite,
                           std::uint64_t offset, Utf8Losses& losses) {
  std::size_t i = 0;
  std::size_t o = 0;
  while (i < size) {
    DecodeStep(in, size, i, out, o, rewrite, offset, losses, WriteByte{table, losses});
  }
  return o;
}

std::size_t RepairPortable(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                           const kernels::Rewrite* rewrite, std::uint64_t offset,
                           Utf8Losses& losses) {
  std::size_t i = 0;
  std::size_t o = 0;
  while (i < size) DecodeStep(in, size, i, out, o, rewrite, offset, losses, WriteSequence);
  return o;
}

bool IsValidPortable(const std::uint8_t* in, std::size_t size, bool& multibyte) {
  for (std::size_t i = 0; i < size;) {
    char32_t c = 0;
    const std::size_t length = DecodeOne(in + i, size - i, c);
    if (c == kMalformed) return false;
    multibyte = multibyte || length > 1;
    i += length;
  }
  return true;
}

#if defined(__x86_64__)

bool HaveWide() {
  static const bool have = kernels::HaveWide() && __builtin_cpu_supports("avx512vl") &&
                           __builtin_cpu_supports("avx512vbmi2") && __builtin_cpu_supports("bmi2");
  return have;
}

namespace {

inline std::uint64_t LowBits(unsigned count) {
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

// The bytes of `block` at which a rewritten line end may start.
PISMOVAR_WIDE inline std::uint64_t LineEndStarts(__m512i block, const kernels::Rewrite* rewrite) {
  if (rewrite == nullptr) return 0;
  return _mm512_cmpeq_epi8_mask(block, _mm512_set1_epi8(static_cast<char>(rewrite->FirstStart()))) |
         _mm512_cmpeq_epi8_mask(block, _mm512_set1_epi8(static_cast<char>(rewrite->OtherStart())));
}

PISMOVAR_WIDE inline TwoByteRun ScanTwoByteRun(__m512i block, std::uint8_t lowLead,
                                               std::uint8_t highLead,
                                               const kernels::Rewrite* rewrite) {
  const std::uint64_t ends = LineEndStarts(block, rewrite);
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

// Plain ASCII 64 bytes at a time; characters of one or two UTF-8 bytes 32 at a time; any
// other 21 at a time: each byte is spread over three output slots (its UTF-8 is at most three
// bytes long), looked up in the planes of the upper half (the three UTF-8 bytes and the
// length), and the slots beyond each length are squeezed out. Each stops before a byte that
// may start a line end, which goes byte by byte.
PISMOVAR_WIDE std::size_t EncodeWide(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                                     const ToUtf8Table& table, const kernels::Rewrite* rewrite,
                                     Utf8Losses& losses) {
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
  std::size_t i = 0;
  std::size_t o = 0;
  // A block of 64 plain ASCII bytes is copied whole; after a block that is not, the next
  // check waits until the groups have passed it.
  std::size_t nextCheck = 0;
  while (i + kGroup <= size) {
    if (i >= nextCheck && i + 64 <= size) {
      const __m512i block = _mm512_loadu_si512(in + i);
      if (_mm512_movepi8_mask(block) == 0 && LineEndStarts(block, rewrite) == 0) {
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
      std::uint64_t stops =
          high & _mm512_cmpeq_epi8_mask(_mm512_and_si512(lengths, _mm512_set1_epi8(3)),
                                        _mm512_set1_epi8(3));
      stops |= LineEndStarts(pair, rewrite) & kPairBytes;
      const unsigned limit = stops != 0 ? static_cast<unsigned>(__builtin_ctzll(stops)) : 32u;
      if (limit > 0) {
        const __m512i firstBytes =
            _mm512_mask_mov_epi8(_mm512_permutex2var_epi8(lower[0], pair, upper[0]), ~high, pair);
        const __m512i secondBytes = _mm512_permutex2var_epi8(lower[1], pair, upper[1]);
        const std::uint64_t keep = (kEvenBits | _pdep_u64(high, ~kEvenBits)) & LowBits(2 * limit);
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
    const std::uint64_t ends = LineEndStarts(group, rewrite) & kGroupBytes;
    if (ends != 0) limit = static_cast<unsigned>(__builtin_ctzll(ends));
    if (limit == 0) {
      EncodeStep(in, size, i, out, o, table, rewrite, losses);
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
  while (i < size) EncodeStep(in, size, i, out, o, table, rewrite, losses);
  return o;
}

// 64 bytes at a time while they hold only ASCII and the two-byte sequences of U+0080..U+017F:
// each continuation byte is looked up with its lead in the 256-entry Latin() table, and in
// LatinSubstitutes() to count the substitutes, and the leads are squeezed out. Anything else
// (a longer or malformed sequence, a line end) is finished one sequence at a time.
PISMOVAR_WIDE std::size_t DecodeWide(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                                     const FromUnicodeTable& table, const kernels::Rewrite* rewrite,
                                     std::uint64_t offset, Utf8Losses& losses) {
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
  const WriteByte write{table, losses};
  std::size_t i = 0;
  std::size_t o = 0;
  while (i + 64 <= size) {
    const __m512i block = _mm512_loadu_si512(in + i);
    const TwoByteRun run = ScanTwoByteRun(block, 0xC2, 0xC5, rewrite);
    if (run.length == 0) {
      DecodeStep(in, size, i, out, o, rewrite, offset, losses, write);
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
  while (i < size) DecodeStep(in, size, i, out, o, rewrite, offset, losses, write);
  return o;
}

// 64 bytes at a time while they hold only ASCII and two-byte sequences: copied as they are.
PISMOVAR_WIDE std::size_t RepairWide(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                                     const kernels::Rewrite* rewrite, std::uint64_t offset,
                                     Utf8Losses& losses) {
  std::size_t i = 0;
  std::size_t o = 0;
  while (i + 64 <= size) {
    const __m512i block = _mm512_loadu_si512(in + i);
    const std::size_t length = ScanTwoByteRun(block, 0xC2, 0xDF, rewrite).length;
    if (length == 0) {
      DecodeStep(in, size, i, out, o, rewrite, offset, losses, WriteSequence);
    } else {
      _mm512_storeu_si512(out + o, block);
      o += length;
      i += length;
    }
  }
  while (i < size) DecodeStep(in, size, i, out, o, rewrite, offset, losses, WriteSequence);
  return o;
}

PISMOVAR_WIDE bool IsValidWide(const std::uint8_t* in, std::size_t size, bool& multibyte) {
  std::size_t i = 0;
  while (i + 64 <= size) {
    const __m512i block = _mm512_loadu_si512(in + i);
    if (_mm512_movepi8_mask(block) == 0) {
      i += 64;
      continue;
    }
    const TwoByteRun run = ScanTwoByteRun(block, 0xC2, 0xDF, nullptr);
    if (run.length == 0) {
      char32_t c = 0;
      const std::size_t length = DecodeOne(in + i, size - i, c);
      if (c == kMalformed) return false;
      multibyte = multibyte || length > 1;
      i += length;
      continue;
    }
    multibyte = multibyte || (run.leads & LowBits(run.length)) != 0;
    i += run.length;
  }
  return IsValidPortable(in + i, size - i, multibyte);
}

#else

bool HaveWide() { return false; }

std::size_t EncodeWide(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                       const ToUtf8Table& table, const kernels::Rewrite* rewrite,
                       Utf8Losses& losses) {
  return EncodePortable(in, size, out, table, rewrite, losses);
}

std::size_t DecodeWide(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                       const FromUnicodeTable& table, const kernels::Rewrite* rewrite,
                       std::uint64_t offset, Utf8Losses& losses) {
  return DecodePortable(in, size, out, table, rewrite, offset, losses);
}

std::size_t RepairWide(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                       const kernels::Rewrite* rewrite, std::uint64_t offset, Utf8Losses& losses) {
  return RepairPortable(in, size, out, rewrite, offset, losses);
}

bool IsValidWide(const std::uint8_t* in, std::size_t size, bool& multibyte) {
  return IsValidPortable(in, size, multibyte);
}

#endif

std::size_t Encode(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                   const ToUtf8Table& table, const kernels::Rewrite* rewrite, Utf8Losses& losses) {
  return HaveWide() ? EncodeWide(in, size, out, table, rewrite, losses)
                    : EncodePortable(in, size, out, table, rewrite, losses);
}

std::size_t Decode(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                   const FromUnicodeTable& table, const kernels::Rewrite* rewrite,
                   std::uint64_t offset, Utf8Losses& losses) {
  return HaveWide() ? DecodeWide(in, size, out, table, rewrite, offset, losses)
                    : DecodePortable(in, size, out, table, rewrite, offset, losses);
}

std::size_t Repair(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                   const kernels::Rewrite* rewrite, std::uint64_t offset, Utf8Losses& losses) {
  return HaveWide() ? RepairWide(in, size, out, rewrite, offset, losses)
                    : RepairPortable(in, size, out, rewrite, offset, losses);
}

bool IsValid(const std::uint8_t* in, std::size_t size, bool& multibyte) {
  return HaveWide() ? IsValidWide(in, size, multibyte) : IsValidPortable(in, size, multibyte);
}

void CountSequences(const std::uint8_t* in, std::size_t size, std::uint64_t& multibyte,
                    std::uint64_t& malformed) {
  // Valid text, the common case, is checked by the fast loop: its multibyte sequences are
  // its lead bytes.
  // The counts stay in registers: the input bytes could alias them.
  std::uint64_t valid = 0;
  std::uint64_t broken = 0;
  bool anyMultibyte = false;
  if (IsValid(in, size, anyMultibyte)) {
    for (std::size_t i = 0; i < size; ++i) valid += in[i] >= 0xC0;
  } else {
    for (std::size_t i = 0; i < size;) {
      if (in[i] < 0x80) {
        ++i;
        continue;
      }
      char32_t c = 0;
      i += DecodeOne(in + i, size - i, c);
      ++(c == kMalformed ? broken : valid);
    }
  }
  multibyte += valid;
  malformed += broken;
}

}  // namespace utf8

std::size_t Utf8Detector::Add(const std::uint8_t* data, std::size_t size, bool last) {
  if (Settled()) return 0;
  const std::size_t held = last ? 0 : utf8::IncompleteEnd(data, size);
  utf8::CountSequences(data, size - held, m_multibyte, m_malformed);
  return held;
}

}  // namespace pismovar
