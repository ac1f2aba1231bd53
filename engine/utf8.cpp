#include "engine/utf8.h"

#include <algorithm>

#include "engine/char_table.h"
#include "engine/kernels/kernels.h"
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
    if (c != kReplacementCharacter) Set(c, static_cast<std::uint8_t>(b));
  }
  // Every row of the table holds a character of the Macintosh code page.
  for (const auto& row : CharTable) {
    const char32_t c = CharacterOf(kCodeMacintosh, row[kCodeMacintosh]);
    if (ByteOf(c) == 0) Set(c, row[to]);
  }
  for (char32_t c = 0x80; c < 0x180; ++c) m_latin[c - 0x80] = ByteOf(c);
}

void FromUnicodeTable::Set(char32_t c, std::uint8_t byte) {
  std::uint8_t& page = m_pageOf[c >> 8];
  if (page == 0) page = static_cast<std::uint8_t>(m_pageCount++);
  m_pages[page][c & 0xFF] = byte;
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

std::size_t Utf8Detector::Add(const std::uint8_t* data, std::size_t size, bool last) {
  if (!m_valid) return 0;
  const std::size_t held = last ? 0 : utf8::IncompleteEnd(data, size);
  m_valid = kernels::IsValidUtf8(data, size - held, m_multibyte);
  return m_valid ? held : 0;
}

}  // namespace pismovar
