// Undoing the damage of a wrong reading: text whose bytes were read in the wrong code page
// and saved again, such as UTF-8 read as Windows 1250 and saved as UTF-8 ("PĹ™Ă­liĹˇ"), once
// or twice over, or Windows 1250 read as ISO 8859-2 and converted back. The language model
// (language_model.h) tells damaged words from sound ones, so that a text damaged in part has
// its damaged words repaired and the rest left as it is.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/code_page.h"

namespace pismovar {

// One wrong reading: bytes of `right` (a code page 0..5, or kCodeUtf8) read as `wrong` (0..5).
struct Misreading {
  CodePage wrong = kCodeWin1250;
  CodePage right = kCodeUtf8;
};

struct RepairResult {
  // How many misreadings were undone, one over the other: 0 when the text was left as it
  // was. `misreading` is the last one undone, the first that damaged the text.
  int passes = 0;
  Misreading misreading;
  // The letters beyond ASCII in the repaired words.
  std::uint64_t characters = 0;
  // The repaired text, in the encoding of the input.
  std::string text;
};

// Finds the misreading that, undone word by word, makes `text` (in `encoding`, a code page
// 0..5 or kCodeUtf8) most like Czech or Slovak, and undoes it, up to twice where the text was
// damaged twice. A word changes only where its repaired form reads far better and its bytes
// come back exactly; text that reads well is never changed.
RepairResult RepairText(std::string_view text, CodePage encoding);

}  // namespace pismovar
