// The plain form a character takes in a code page that lacks it.
#pragma once

#include <span>

namespace pismovar {

struct PlainForm {
  char32_t character;
  char32_t plain;
};

// Every character that has a plain form, in order: a letter with a diacritic becomes the
// letter without its last diacritic (which may have a plain form of its own), a quotation
// mark `"` or `'`, a dash or soft hyphen `-`, a no-break space a space, and box drawing
// `-`, `|` or `+` where lines meet.
std::span<const PlainForm> PlainForms();

// The plain form of `c`; 0 when it has none.
char32_t PlainFormOf(char32_t c);

}  // namespace pismovar
