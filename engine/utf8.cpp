#include "engine/utf8.h"

#include <algorithm>

#include "engine/char_table.h"
#include "engine/kernels/kernels.h"
#include "engine/plain_forms.h"
#include "engine/unicode_tables.h"

namespace pismovar {
namespace {

// The UTF-8 bytes of `c` (at most U+FFFF, which is all the code pages hold) packed as in
// ToUtf8Table.
std::uint32_t PackUtf8(char32_t c) {
  if (c < 0x80) return c | 1u << 24;
  if (c < 0x800) return (0xC0 | c >> 6) | (0x80 | (c & 0x3F)) << 8 | 2u << 24;
  return (0xE0 | c >> 12) | (0x80 | (c >> 6 & 0x3F)) << 8 | (0x80 | (c & 0x3F)) << 16 | 3u << 24;
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

}  // namespace utf8

std::size_t Utf8Detector::Add(const std::uint8_t* data, std::size_t size, bool last,
                              const CodePageMask& mask, DetectCounts& counts) {
  const std::size_t held = last ? 0 : utf8::IncompleteEnd(data, size);
  // Valid text, the common case, is counted by the pass that tallies it; other text is counted
  // again by the loop that parts it into sequences. The counts stay in registers: the input
  // bytes could alias them.
  std::uint64_t valid = 0;
  std::uint64_t broken = 0;
  if (!kernels::TallyUtf8(data, size - held, mask, counts, valid)) {
    kernels::CountUtf8(data, size - held, valid, broken);
  }
  m_multibyte += valid;
  m_malformed += broken;
  return held;
}

}  // namespace pismovar
