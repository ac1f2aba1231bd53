// The tables between the 8-bit code pages and Unicode that the UTF-8 loops look bytes and
// characters up in, and what a conversion through UTF-8 gives up.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/code_page.h"

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

  // Adds the losses of another part of the same input.
  void Add(const Utf8Losses& other) {
    if (other.malformed != 0 && (malformed == 0 || other.firstMalformed < firstMalformed)) {
      firstMalformed = other.firstMalformed;
    }
    replaced += other.replaced;
    malformed += other.malformed;
  }
};

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

}  // namespace pismovar
