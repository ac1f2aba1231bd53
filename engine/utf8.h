// UTF-8 in and out of the engine: the tables between the 8-bit code pages and Unicode, and
// the hot loops that decode, encode and check UTF-8 with the line-end rewrite. Like the byte
// map, each loop has a portable form and a wide form (AVX-512 VBMI2) chosen at run time;
// both give the same bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/code_page.h"
#include "engine/kernels.h"

namespace pismovar {

// What a conversion had to give up.
struct Utf8Losses {
  // Characters the output code page lacks (written as a substitute or "?"), and input bytes
  // that their code page leaves undefined (U+FFFD in UTF-8, "?" in ASCII).
  std::uint64_t replaced = 0;
  // Malformed UTF-8 sequences in the input, each written as U+FFFD or "?".
  std::uint64_t malformed = 0;
  // The input offset of the first malformed sequence; meaningful when `malformed` is not 0.
  std::uint64_t firstMalformed = 0;
};

inline constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
inline constexpr std::size_t kUtf8BomSize = 3;
// The longest beginning of a sequence that a read can end in.
inline constexpr std::size_t kMaxIncompleteSequence = 3;

// The UTF-8 form of every byte of one 8-bit code page.
struct ToUtf8Table {
  // Per byte: its UTF-8 bytes from the first in bits 0..23, its length in bits 24..25 and,
  // in bit 31, whether the byte is undefined (written as U+FFFD).
  std::array<std::uint32_t, 256> packed{};
};

// The table of code page `from` (0..6).
ToUtf8Table BuildToUtf8Table(CodePage from);

// The byte one 8-bit code page writes for each character: its own byte where it has the
// character; otherwise, as a substitute, the character table's row for the letters and
// quotation marks it converts (so ASCII loses the diacritics), or else the byte of the
// character's plain form (plain_forms.h); otherwise none.
class FromUnicodeTable {
 public:
  FromUnicodeTable() = default;
  explicit FromUnicodeTable(CodePage to);

  // The byte for character `c` (not ASCII); 0 when there is none.
  std::uint8_t ByteOf(char32_t c) const { return static_cast<std::uint8_t>(EntryOf(c)); }
  // Whether that byte is a substitute rather than the character itself.
  bool IsSubstitute(char32_t c) const { return (EntryOf(c) & kSubstitute) != 0; }
  // ByteOf and IsSubstitute (0 or 1) for U+0080..U+017F, where the Czech and Slovak letters
  // lie, at index c - 0x80.
  const std::array<std::uint8_t, 256>& Latin() const { return m_latin; }
  const std::array<std::uint8_t, 256>& LatinSubstitutes() const { return m_latinSubstitutes; }

 private:
  static constexpr std::uint16_t kSubstitute = 0x100;

  std::uint16_t EntryOf(char32_t c) const {
    return c < 0x10000 ? m_pages[m_pageOf[c >> 8]][c & 0xFF] : 0;
  }
  void Set(char32_t c, std::uint8_t byte, bool substitute);

  // Page 0 stays empty: it stands for every block of 256 characters without a byte. The
  // characters of any one code page, the table's rows and the plain forms fall into at most
  // eleven blocks.
  static constexpr std::size_t kMaxPages = 16;
  std::array<std::array<std::uint16_t, 256>, kMaxPages> m_pages{};
  std::array<std::uint8_t, 256> m_pageOf{};
  std::size_t m_pageCount = 1;
  std::array<std::uint8_t, 256> m_latin{};
  std::array<std::uint8_t, 256> m_latinSubstitutes{};
};

namespace utf8 {

// Each converts `size` bytes of `in` into `out`, rewriting line ends when `rewrite` is given,
// adds what was lost to `losses` and returns the output's length. `offset` is the input
// offset of in[0], for the first malformed sequence. A sequence cut off by the end of `in`
// counts as malformed: the caller holds back an incomplete end (IncompleteEnd) until the
// next chunk. `out` needs room for three bytes per input byte (two for a UTF-8 input) and
// kernels::kWriteSlack more.

// 8-bit code page to UTF-8.
std::size_t Encode(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                   const ToUtf8Table& table, const kernels::Rewrite* rewrite, Utf8Losses& losses);
// UTF-8 to an 8-bit code page: a character without a byte becomes its substitute or "?",
// and a malformed sequence "?".
std::size_t Decode(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                   const FromUnicodeTable& table, const kernels::Rewrite* rewrite,
                   std::uint64_t offset, Utf8Losses& losses);
// UTF-8 to UTF-8: valid sequences unchanged, each malformed one replaced by U+FFFD.
std::size_t Repair(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                   const kernels::Rewrite* rewrite, std::uint64_t offset, Utf8Losses& losses);

// How many bytes at the end of `in` begin a sequence that needs more bytes than are there
// (0..kMaxIncompleteSequence).
std::size_t IncompleteEnd(const std::uint8_t* in, std::size_t size);

// Whether `size` bytes are valid UTF-8 throughout (a cut-off sequence at the end is not);
// sets `multibyte` when they hold a sequence longer than one byte.
bool IsValid(const std::uint8_t* in, std::size_t size, bool& multibyte);

// Adds to `multibyte` the valid sequences of `size` bytes that are longer than one byte, and
// to `malformed` the malformed ones (a cut-off sequence at the end is one).
void CountSequences(const std::uint8_t* in, std::size_t size, std::uint64_t& multibyte,
                    std::uint64_t& malformed);

// The portable and the wide forms by name, so that tests compare them.
bool HaveWide();
std::size_t EncodePortable(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                           const ToUtf8Table& table, const kernels::Rewrite* rewrite,
                           Utf8Losses& losses);
std::size_t EncodeWide(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                       const ToUtf8Table& table, const kernels::Rewrite* rewrite,
                       Utf8Losses& losses);
std::size_t DecodePortable(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                           const FromUnicodeTable& table, const kernels::Rewrite* rewrite,
                           std::uint64_t offset, Utf8Losses& losses);
std::size_t DecodeWide(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                       const FromUnicodeTable& table, const kernels::Rewrite* rewrite,
                       std::uint64_t offset, Utf8Losses& losses);
std::size_t RepairPortable(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                           const kernels::Rewrite* rewrite, std::uint64_t offset,
                           Utf8Losses& losses);
std::size_t RepairWide(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                       const kernels::Rewrite* rewrite, std::uint64_t offset, Utf8Losses& losses);
bool IsValidPortable(const std::uint8_t* in, std::size_t size, bool& multibyte);
bool IsValidWide(const std::uint8_t* in, std::size_t size, bool& multibyte);

}  // namespace utf8

// Whether a text, read chunk by chunk, is UTF-8: it holds characters beyond ASCII and at
// most one malformed sequence for every kValidPerMalformed valid multibyte ones, so that a
// stray byte or a last character cut short does not make it 8-bit. In a text of any 8-bit
// code page most high bytes stand alone, each a malformed sequence: once more than
// kSettledMalformed of them fail that share, the text is not UTF-8 and the rest is skipped.
class Utf8Detector {
 public:
  static constexpr std::uint64_t kValidPerMalformed = 100;
  static constexpr std::uint64_t kSettledMalformed = 1000;

  // Examines `size` bytes. Unless `last`, an incomplete sequence at their end is left for the
  // next chunk: returns its length; the caller puts those bytes in front of the next chunk.
  std::size_t Add(const std::uint8_t* data, std::size_t size, bool last);
  bool IsUtf8() const {
    return m_multibyte != 0 && m_malformed <= m_multibyte / kValidPerMalformed;
  }

 private:
  bool Settled() const { return m_malformed > kSettledMalformed && !IsUtf8(); }

  std::uint64_t m_multibyte = 0;
  std::uint64_t m_malformed = 0;
};

}  // namespace pismovar
