// How much a text reads like Czech or Slovak: the cost of each character after the one before
// it, learnt from Czech and Slovak text (scripts/gen_language_model.py). A wrong reading of a
// text (UTF-8 as Windows 1250, Kamenický as 852) is full of pairs that language never has.
// And which words it knows: a wrong reading that changes only a letter or two ("vytvorič" for
// "vytvoriť") reads as well letter by letter, but the word is not one of the language's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/code_page.h"

namespace pismovar {

// The class of a character in the model: white space, digits, punctuation, each letter of
// Czech and Slovak small and capital, other letters, and everything else.
int LanguageClassOf(char32_t c);

// The cost of `size` bytes read as `encoding` (a code page 0..6 or kCodeUtf8), in units of
// kLanguageCostsPerNat: the lower, the more like Czech or Slovak. A malformed UTF-8 sequence
// counts as a character of the dearest class; the text counts as preceded and followed by a
// space.
std::uint64_t ReadingCost(const std::uint8_t* data, std::size_t size, CodePage encoding);

// Which ends of a text may stand inside a word: a text cut from a longer one may start after a
// letter and end before one.
struct OpenEnds {
  bool start = false;
  bool end = false;
};

// The same for characters already decoded; at an open end that has a letter (IsWordLetter), the
// text counts as preceded or followed by some letter instead of a space.
std::uint64_t CharactersCost(std::u32string_view text, OpenEnds open = {});

// How many cost units make a factor of e in likelihood.
int LanguageCostsPerNat();

// Whether `c` is a Czech or Slovak letter beyond ASCII, small or capital.
bool IsCzechSlovakLetter(char32_t c);

// Whether `c` is a letter of another script than Latin: Greek, Cyrillic, Hebrew, CJK and the
// like.
bool IsOtherScriptLetter(char32_t c);

// Whether a character is a letter of a word: ASCII, or Latin up to U+024F but for × and ÷.
inline bool IsWordLetter(char32_t c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
         (c >= 0xC0 && c < 0x250 && c != 0xD7 && c != 0xF7);
}

// How many of the words of a text (runs of IsWordLetter, two letters at least) that hold a
// letter beyond ASCII are among the commonest word forms of Czech and Slovak, in either case,
// and how many are not. Of the words it does not hold, about one in a hundred passes for known.
struct KnownWords {
  int known = 0;
  int unknown = 0;
};
KnownWords CountKnownWords(std::u32string_view text);

// How many letters of `word`, small or capital, are the one of their lookalikes (letters that
// differ in one byte of UTF-8 that a misreading can lose: "ř" C5 99, "ň" C5 88, "ŕ"; "č", "ď",
// "ě") that the sources favour in the widest context of up to three letters of the word on each
// side where they favour one, and where narrower contexts, or at the narrowest the pairs of
// characters (CharactersCost), rank another first: "seřadit", not "seňadit"; and
// whether `word` is one of the words in capitals that the sources hold far more often than those
// its capitals' lookalikes make, where the pairs rank another first: "ŽÁDNÁ", not "ŽÁDNÍ".
int FavouredLookalikes(std::u32string_view word);

}  // namespace pismovar
