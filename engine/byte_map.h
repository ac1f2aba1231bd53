// The complete map between two 8-bit code pages: every byte goes to the byte of the same
// character in the output code page, or to a counted substitute.
#pragma once

#include "engine/char_table.h"
#include "engine/code_page.h"

namespace pismovar {

struct CompleteMap {
  ByteMap bytes{};
  // 1 for every byte whose character the output lacks.
  ByteFlags substituted{};
};

// The map from `from` into `to` (both 0..6). The letters go through the character table's
// rows as in BuildByteMap, except that a row's plain form gives way to the character itself
// where `to` has it (the Macintosh „ “ ” are themselves in Windows 1250). Every other high byte
// goes to the byte of its character in `to`; where `to` lacks it, to the byte of its plain form
// (plain_forms.h), otherwise to "?". A byte that `from` leaves undefined stays as it is, or becomes
// "?" in ASCII, which stays 7-bit.
CompleteMap BuildCompleteMap(CodePage from, CodePage to);

}  // namespace pismovar
