// One step of each loop, byte by byte or sequence by sequence: the scalar reference is made
// of them, and the wide forms take them where a block needs care (a line end, a long or
// malformed sequence) and for the tail.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/char_table.h"
#include "engine/line_end_rewrite.h"
#include "engine/unicode_tables.h"
#include "engine/utf8_tables.h"

namespace pismovar::kernels::steps {

// The character of a malformed sequence, outside Unicode.
inline constexpr char32_t kMalformed = 0xFFFFFFFF;
inline constexpr char kReplacementUtf8[] = "\xEF\xBF\xBD";

// The byte map at a byte that may start a line end: the replacement for a whole occurrence,
// otherwise the mapped byte, counted in `count` when `substituted` flags it.
inline void MapStep(const std::uint8_t* in, std::size_t size, std::size_t& i, std::uint8_t* out,
                    std::size_t& o, const ByteMap& map, const ByteFlags& substituted,
                    const Rewrite* rewrite, std::uint64_t& count) {
  if (rewrite != nullptr && TakeLineEnd(in, size, i, out, o, *rewrite)) return;
  count += substituted[in[i]];
  out[o++] = map[in[i++]];
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
                       std::size_t& o, const Rewrite* rewrite, std::uint64_t offset,
                       Utf8Losses& losses, Write write) {
  if (rewrite != nullptr && TakeLineEnd(in, size, i, out, o, *rewrite)) return;
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

// Checks one sequence, counted in `multibyte` when it is valid and longer than one byte;
// false when it is malformed.
inline bool ValidateStep(const std::uint8_t* in, std::size_t size, std::size_t& i,
                         std::uint64_t& multibyte) {
  char32_t c = 0;
  const std::size_t length = DecodeOne(in + i, size - i, c);
  multibyte += c != kMalformed && length > 1;
  i += length;
  return c != kMalformed;
}

inline void EncodeStep(const std::uint8_t* in, std::size_t size, std::size_t& i, std::uint8_t* out,
                       std::size_t& o, const ToUtf8Table& table, const Rewrite* rewrite,
                       Utf8Losses& losses) {
  if (rewrite != nullptr && TakeLineEnd(in, size, i, out, o, *rewrite)) return;
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

}  // namespace pismovar::kernels::steps
