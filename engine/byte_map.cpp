#include "engine/byte_map.h"

#include "engine/unicode_tables.h"
#include "engine/utf8.h"

namespace pismovar {

CompleteMap BuildCompleteMap(CodePage from, CodePage to) {
  CompleteMap map;
  map.bytes = BuildByteMap(from, to);
  const FromUnicodeTable table(to);
  for (int b = 0x80; b < 0x100; ++b) {
    const auto byte = static_cast<std::uint8_t>(b);
    const char32_t c = CharacterOf(from, byte);
    std::uint8_t& out = map.bytes[b];
    if (RowHolding(from, byte) != nullptr) {
      // A row that holds a plain form in `to` (the Macintosh quotation marks) gives way to
      // the character itself where `to` has it.
      if (CharacterOf(to, out) != c && table.ByteOf(c) != 0 && !table.IsSubstitute(c)) {
        out = table.ByteOf(c);
      }
      map.substituted[b] = CharacterOf(to, out) != c;
    } else if (c == kReplacementCharacter) {
      // Nothing better is known than the byte itself, except that ASCII stays 7-bit.
      if (to == kCodeAscii) out = kLostByte;
      map.substituted[b] = to == kCodeAscii;
    } else {
      out = table.ByteOf(c) != 0 ? table.ByteOf(c) : kLostByte;
      map.substituted[b] = table.ByteOf(c) == 0 || table.IsSubstitute(c);
    }
  }
  return map;
}

}  // namespace pismovar
