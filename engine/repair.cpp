#include "engine/repair.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <optional>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/kernels/steps.h"
#include "engine/language_model.h"
#include "engine/unicode_tables.h"

namespace pismovar {
namespace {

// A misreading of UTF-8 is undone where its repair makes the text this many times e likelier
// in all, and one word at least this much (a code page read as another, which must mend a
// word, needs only that word's gain): sound Czech and Slovak never gain so much. It is then
// undone in every word it changes: a sound word hardly ever makes valid UTF-8 in another
// code page, and a code page read as another is misread in every word. Where no word looks
// broken, the text must gain kLettersTextGain.
constexpr double kTextGain = 6.0;
constexpr double kWordGain = 4.0;
constexpr double kLettersTextGain = 10.0;
constexpr int kMaxPasses = 2;
// Among misreadings as sure, each word it makes known (CountKnownWords) counts as this much
// gain, and each it makes unknown as much loss: a form the language has is about a hundred times
// likelier in sound text than in a misread one.
constexpr double kKnownWordGain = 4.0;

// The characters of `text` in `encoding`; nothing where a byte is undefined or UTF-8
// malformed, since such bytes were never a character that a misreading could have made.
std::optional<std::u32string> Decode(std::string_view text, CodePage encoding) {
  std::u32string chars;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  for (std::size_t i = 0; i < text.size();) {
    char32_t c = 0;
    if (encoding == kCodeUtf8) {
      i += kernels::steps::DecodeOne(bytes + i, text.size() - i, c);
      if (c == kernels::steps::kMalformed) return std::nullopt;
    } else {
      c = CharacterOf(encoding, bytes[i++]);
      if (c == kReplacementCharacter) return std::nullopt;
    }
    chars += c;
  }
  return chars;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The bytes of each character of a code page, to write characters back exactly.
class Encoder {
 public:
  explicit Encoder(CodePage codePage) : m_codePage(codePage) {
    if (codePage == kCodeUtf8) return;
    for (int b = 0x80; b < 0x100; ++b) {
      const char32_t c = CharacterOf(codePage, static_cast<std::uint8_t>(b));
      if (c != kReplacementCharacter) m_bytes.emplace_back(c, static_cast<std::uint8_t>(b));
    }
    std::sort(m_bytes.begin(), m_bytes.end());
  }

  // Nothing where the code page lacks a character.
  std::optional<std::string> Encode(std::u32string_view chars) const {
    std::string out;
    for (const char32_t c : chars) {
      if (m_codePage == kCodeUtf8) {
        AppendUtf8(out, c);
      } else if (c < 0x80) {
        out += static_cast<char>(c);
      } else {
        const auto it = std::lower_bound(m_bytes.begin(), m_bytes.end(),
                                         std::pair<char32_t, std::uint8_t>{c, 0});
        if (it == m_bytes.end() || it->first != c) return std::nullopt;
        out += static_cast<char>(it->second);
      }
    }
    return out;
  }

 private:
  CodePage m_codePage;
  std::vector<std::pair<char32_t, std::uint8_t>> m_bytes;
};

bool IsAsciiSpace(char32_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// The words of a text: runs between ASCII white space, which no misreading makes or breaks.
std::vector<std::pair<std::size_t, std::size_t>> Words(const std::u32string& chars) {
  std::vector<std::pair<std::size_t, std::size_t>> words;
  for (std::size_t i = 0; i < chars.size();) {
    if (IsAsciiSpace(chars[i])) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < chars.size() && !IsAsciiSpace(chars[end])) ++end;
    words.emplace_back(i, end - i);
    i = end;
  }
  return words;
}

bool HasNonAscii(std::u32string_view word) {
  return std::any_of(word.begin(), word.end(), [](char32_t c) { return c >= 0x80; });
}

bool HasControl(std::u32string_view word) {
  return std::any_of(word.begin(), word.end(), [](char32_t c) { return c >= 0x80 && c < 0xA0; });
}

// Whether a word holds what no sound text has: a C1 control, or a no-break space inside a word
// ("ignorov_no": 852's "á" read as Windows 1250). Typography puts one only after a word of a
// letter ("v_lese") or between words.
bool HasImpossibleSign(std::u32string_view word) {
  if (HasControl(word)) return true;
  for (std::size_t k = 2; k + 1 < word.size(); ++k) {
    if (word[k] == 0xA0 && IsWordLetter(word[k - 2]) && IsWordLetter(word[k - 1]) &&
        IsWordLetter(word[k + 1])) {
      return true;
    }
  }
  return false;
}

// Whether each line of a text starts with a capital. Lists of messages or names start some
// lines with small letters and others with capitals, and neighbours tend to agree: a line starts
// as the nearest lines before and after it that start with an ASCII letter do where those two
// agree, and as most such lines of the text do otherwise (a capital where as many start small).
class LineStarts {
 public:
  explicit LineStarts(const std::u32string& chars) {
    int capitals = 0;
    int smalls = 0;
    for (std::size_t i = 0; i + 1 < chars.size(); ++i) {
      if (chars[i] != '\n') continue;
      std::size_t k = i + 1;
      while (k < chars.size() && (chars[k] == ' ' || chars[k] == '\t')) ++k;
      if (k == chars.size()) break;
      const bool capital = chars[k] >= 'A' && chars[k] <= 'Z';
      const bool small = chars[k] >= 'a' && chars[k] <= 'z';
      if (capital || small) m_starts.emplace_back(k, capital);
      capitals += capital;
      smalls += small;
    }
    m_mostlyCapital = capitals >= smalls;
  }

  // Whether the line that starts at chars[at] starts with a capital.
  bool Capital(std::size_t at) const {
    const auto next = std::lower_bound(m_starts.begin(), m_starts.end(),
                                       std::pair<std::size_t, bool>{at + 1, false});
    const bool after = next != m_starts.end();
    const bool before = next != m_starts.begin();
    if (after && before && next->second == (next - 1)->second) return next->second;
    return m_mostlyCapital;
  }

 private:
  std::vector<std::pair<std::size_t, bool>> m_starts;  // where a line starts with an ASCII letter
  bool m_mostlyCapital = true;
};

// Abbreviations a word follows inside a sentence; of ASCII letters, which every misreading keeps.
constexpr std::u32string_view kAbbreviations[] = {U"tzv", U"tj",  U"resp", U"mj",
                                                  U"tel", U"str", U"cca"};

// Whether the word at chars[at] follows the end of a sentence ("4." is an ordinal number) or
// starts a line that starts with a capital (LineStarts).
bool StartsSentence(const std::u32string& chars, std::size_t at, const LineStarts& lineStarts) {
  std::size_t i = at;
  while (i > 0 && (chars[i - 1] == ' ' || chars[i - 1] == '\t')) --i;
  if (i == 0) return false;
  const char32_t c = chars[i - 1];
  if (c == '\n' || c == '\r') return lineStarts.Capital(at);
  if (i == at) return false;
  // A quotation or a bracket may close after a full stop ("Ano." Řekl), but a question or an
  // exclamation in one goes on ("Kdo?" řekl).
  const std::size_t closed = i;
  while (i > 1 && std::u32string_view(U"\"“”’)»").find(chars[i - 1]) != std::u32string_view::npos) {
    --i;
  }
  const char32_t end = chars[i - 1];
  if (i < 2 || (chars[i - 2] >= '0' && chars[i - 2] <= '9')) return false;
  if (end == '!' || end == '?') return i == closed;
  if (end != '.') return false;
  // Nor after the abbreviations that stand before a word ("tzv. řetězec", "tel. číslo").
  std::size_t start = i - 1;
  while (start > 0 && IsWordLetter(chars[start - 1])) --start;
  const std::u32string_view word(chars.data() + start, i - 1 - start);
  return std::find(std::begin(kAbbreviations), std::end(kAbbreviations), word) ==
         std::end(kAbbreviations);
}

// The words one misreading repairs, with what each becomes, and their gain in total.
struct Pass {
  Misreading misreading;
  double gain = 0;
  double strongest = 0;        // the gain of the word it helps most
  double strongestMended = 0;  // of the words it mends (LooksBroken), or any from UTF-8
  std::size_t lettered = 0;    // words with letters beyond ASCII
  std::size_t changed = 0;     // of them, words it would change
  std::size_t improved = 0;    // of them, words it makes likelier
  // Words it turns from broken-looking into sound-looking (LooksBroken), and of them, words
  // that held a C1 control, which no sound text has.
  std::size_t mended = 0;
  std::size_t mendedControls = 0;
  // Words that hold a sign no sound text has (HasImpossibleSign), and of them, words it
  // changes into ones that hold none.
  std::size_t withControls = 0;
  std::size_t clearedControls = 0;
  // Words it turns into more of the commonest word forms (CountKnownWords) and fewer others,
  // and words it turns into fewer of them.
  std::size_t recognized = 0;
  std::size_t spoiled = 0;
  std::vector<std::pair<std::size_t, std::u32string>> repaired;  // word index, new form
};

// How sure undoing a pass's misreading is: not at all, on letters alone, or on evidence. Undoing
// a misreading of UTF-8 halves the letters of every word it repairs, which sound text never
// gains from. One code page read as another maps letters to letters, and a sound word may read
// a little better so (an initial "ó" as a dash, "VŽDY" as "V®DY"): such a misreading must mend
// a word that looks broken (a sign, a foreign letter, a capital after a small letter) into one
// that does not, and make at least half the words it changes likelier, unless it mends C1
// controls. Where it leaves only letters ("pýeklad" for "překlad"), only a far likelier text,
// most of whose changed words read better, tells; any surer misreading goes first.
enum class Sureness { kNone, kLetters, kEvidence };

// Whether a pass makes known words of unknown ones, at least half the words it changes, and no
// known word unknown.
bool MakesKnownWords(const Pass& pass) {
  return pass.recognized > 0 && pass.spoiled == 0 && 2 * pass.recognized >= pass.changed;
}

Sureness Convincing(const Pass& pass) {
  // A code page read as another that makes known words ("vytvorič", Kamenický's "ť" read as
  // 852, is "vytvoriť") and reads better for it.
  if (pass.misreading.right != kCodeUtf8 && MakesKnownWords(pass) && pass.gain > 0) {
    return Sureness::kEvidence;
  }
  // No sound text holds a C1 control or a no-break space inside a word: a code page read as
  // another that clears them all, and reads better for it, needs no more evidence.
  if (pass.misreading.right != kCodeUtf8 && pass.withControls > 0 &&
      pass.clearedControls == pass.withControls && pass.gain > 0 &&
      2 * pass.improved >= pass.changed) {
    return Sureness::kEvidence;
  }
  // A code page read as another must mend a word, and that word's gain is then enough.
  if (pass.gain < (pass.misreading.right == kCodeUtf8 ? kTextGain : kWordGain)) {
    return Sureness::kNone;
  }
  const bool letters = pass.misreading.right != kCodeUtf8 && pass.gain >= kLettersTextGain &&
                       pass.strongest >= kWordGain && 4 * pass.improved >= 3 * pass.changed;
  const Sureness weak = letters ? Sureness::kLetters : Sureness::kNone;
  if (pass.strongestMended < kWordGain) return weak;
  // Damage comes in runs: a word or two that happen to make UTF-8 in a long text are not it,
  // unless they make known words.
  if (pass.misreading.right == kCodeUtf8) {
    return 4 * pass.changed >= pass.lettered || MakesKnownWords(pass) ? Sureness::kEvidence : weak;
  }
  return pass.mendedControls > 0 || (pass.mended > 0 && 2 * pass.improved >= pass.changed)
             ? Sureness::kEvidence
             : weak;
}

// A pass's gain with the words it makes known or unknown counted in.
double WeighedGain(const Pass& pass) {
  return pass.gain + kKnownWordGain *
                         (static_cast<double>(pass.recognized) - static_cast<double>(pass.spoiled));
}

constexpr std::u32string_view kSmallLetters = U"áäčďéěíĺľňóôöŕřšťúůüýž";
constexpr std::u32string_view kCapitalLetters = U"ÁÄČĎÉĚÍĹĽŇÓÔÖŔŘŠŤÚŮÜÝŽ";

// Whether `c` is one of kSmallLetters, of kCapitalLetters.
bool IsSmallLetter(char32_t c) {
  return c >= U'á' && kSmallLetters.find(c) != std::u32string_view::npos;
}
bool IsCapitalLetter(char32_t c) {
  return c >= U'Á' && kCapitalLetters.find(c) != std::u32string_view::npos;
}

bool LooksBroken(std::u32string_view word) {
  // A word of two or three capitals, one after the first with a diacritic, and small letters,
  // two of them after three capitals ("ÚČast", "MĚŠte"; not "PDFka", nor a name to fill in with
  // an ending, "ADRESÁŘe", "ZDROJu").
  const auto anyCapital = [](char32_t c) { return IsCapitalLetter(c) || (c >= 'A' && c <= 'Z'); };
  const auto anySmall = [](char32_t c) { return IsSmallLetter(c) || (c >= 'a' && c <= 'z'); };
  if (word.size() >= 3 && anyCapital(word[0]) && IsCapitalLetter(word[1]) && anySmall(word[2])) {
    return true;
  }
  if (word.size() >= 5 && anyCapital(word[0]) && anyCapital(word[1]) && anyCapital(word[2]) &&
      (IsCapitalLetter(word[1]) || IsCapitalLetter(word[2])) && anySmall(word[3]) &&
      anySmall(word[4])) {
    return true;
  }
  const auto digit = [](char32_t c) { return c >= '0' && c <= '9'; };
  // A capital after a small letter, one of them with a diacritic ("NíZEV"; not "iPhone"), or a
  // sign beyond ASCII but for a multiplication sign before a number ("A4×3").
  bool small = false;
  bool smallWithDiacritic = false;
  for (std::size_t k = 0; k < word.size(); ++k) {
    const char32_t c = word[k];
    const bool times = c == U'×' && k > 0 && k + 1 < word.size() && digit(word[k + 1]);
    if (c >= 0x80 && !IsCapitalLetter(c) && !IsSmallLetter(c) && !times) return true;
    if ((IsCapitalLetter(c) && small) || (c >= 'A' && c <= 'Z' && smallWithDiacritic)) return true;
    small = (c >= 'a' && c <= 'z') || IsSmallLetter(c);
    smallWithDiacritic = IsSmallLetter(c);
  }
  return false;
}

// Editors and web forms often turn the C1 controls of a misread text into a no-break space or
// a soft hyphen. Where one of those stands inside a UTF-8 sequence (after a lead byte, or in
// a sequence of E2, the typographic signs), it may have been any byte that `wrong` reads as a
// C1 control: the likeliest word wins. Only in a text that shows such edits, where a sequence
// makes no Czech or Slovak letter (C3 A0 is à), and only the sign it shows them with: the
// other is the code page's own (C3 AD is í). A few places per word are tried.
constexpr std::size_t kMaxEditedPlaces = 4;
// In a text that shows no edit, a sign stays as it is (C5 A0 is "Š") unless a control in its
// place makes the word this many times e likelier ("říci", not "Šíci"), known words counted in
// (WeighedCost).
constexpr double kEditMargin = 3.0;
constexpr std::size_t kMaxEditedCombinations = 4096;
// A run without white space longer than this is no word: its signs stay as they are, for each
// combination would read the whole run again.
constexpr std::size_t kMaxEditedWordBytes = 256;
// A letter that its context favours over its lookalikes (FavouredLookalikes) counts as this much
// gain: less than a known word (kKnownWordGain).
constexpr double kFavouredLookalikeGain = 3.0;
constexpr unsigned kEditedNoBreakSpace = 1;
constexpr unsigned kEditedSoftHyphen = 2;

// The character of the sequence that a no-break space or soft hyphen (of `signs`) at bytes[i]
// stands in, or 0 where it stands in none.
char32_t EditedSequence(const std::string& bytes, std::size_t i, unsigned signs) {
  const auto byte = static_cast<std::uint8_t>(bytes[i]);
  if (!(byte == 0xA0 && (signs & kEditedNoBreakSpace)) &&
      !(byte == 0xAD && (signs & kEditedSoftHyphen))) {
    return 0;
  }
  std::size_t lead = i;
  const auto at = [&](std::size_t k) { return static_cast<std::uint8_t>(bytes[k]); };
  if (i >= 1 && at(i - 1) >= 0xC2 && at(i - 1) <= 0xDF) {
    lead = i - 1;
  } else if (i >= 1 && at(i - 1) == 0xE2) {
    lead = i - 1;
  } else if (i >= 2 && at(i - 2) == 0xE2 && (at(i - 1) & 0xC0) == 0x80) {
    lead = i - 2;
  } else {
    return 0;
  }
  char32_t c = 0;
  kernels::steps::DecodeOne(reinterpret_cast<const std::uint8_t*>(bytes.data()) + lead,
                            bytes.size() - lead, c);
  return c == kernels::steps::kMalformed ? 0xFFFD : c;
}

// The signs (kEditedNoBreakSpace, kEditedSoftHyphen) that stand where no letter can be.
unsigned ShownEdits(const std::string& bytes) {
  unsigned signs = 0;
  for (std::size_t i = 1; i < bytes.size(); ++i) {
    for (const unsigned sign : {kEditedNoBreakSpace, kEditedSoftHyphen}) {
      const char32_t made = EditedSequence(bytes, i, sign);
      if (made != 0 && !IsSmallLetter(made) && !IsCapitalLetter(made)) {
        signs |= sign;
      }
    }
  }
  return signs;
}

// Whether the character of a sequence a control may have made is one that text has: a Czech or
// Slovak letter, a dash, quotation mark or sign of Windows 1250, or a sign of text beyond it
// ("‥" is E2 80 A5, where the no-break space alone makes the Braille "⠥", E2 A0 A5). Spaces and
// invisible signs cost next to nothing in the model, and no control was ever one.
bool Plausible(char32_t c) {
  return IsSmallLetter(c) || IsCapitalLetter(c) ||
         std::u32string_view(U"–—‘’‚“”„†‡•…‰‹›×‥′″€∶").find(c) != std::u32string_view::npos;
}

bool OnlyClosingPunctuation(std::u32string_view text) {
  return std::all_of(text.begin(), text.end(), [](char32_t c) {
    return std::u32string_view(U".,:;!?)]").find(c) != std::u32string_view::npos;
  });
}

// How many double quotation marks of `word` stand where Czech and Slovak do not put them: "„"
// opens, at the start of a word, and "“" or "”" closes; a mark that stands alone closes the
// one before it (`open`) or opens, and opens only where a mark may close it later on its line
// (`closedAfter`): a sign alone between words is a dash.
int MisplacedQuotes(std::u32string_view word, bool open, bool closedAfter) {
  int misplaced = 0;
  for (std::size_t k = 0; k < word.size(); ++k) {
    const bool opening = word[k] == U'„';
    if (!opening && word[k] != U'“' && word[k] != U'”') continue;
    // Alone, or with only punctuation after it ("“:"), a mark closes the one before it.
    const bool alone = k == 0 && OnlyClosingPunctuation(word.substr(1));
    const bool shouldOpen = alone ? !open : k == 0 || word[k - 1] == '(' || word[k - 1] == '[';
    misplaced += opening != shouldOpen || (alone && opening && !closedAfter);
    open = opening;
  }
  return misplaced;
}

// Whether a quotation is open after `word`, given whether it was before.
bool QuoteOpenAfter(std::u32string_view word, bool open) {
  for (const char32_t c : word) {
    if (c == U'„') open = true;
    if (c == U'“' || c == U'”') open = false;
  }
  return open;
}

std::ptrdiff_t Capitals(std::u32string_view word) {
  return std::count_if(word.begin(), word.end(),
                       [](char32_t c) { return (c >= 'A' && c <= 'Z') || IsCapitalLetter(c); });
}

// Whether no line end stands between word w and the next.
bool LineGoesOn(const std::u32string& chars,
                const std::vector<std::pair<std::size_t, std::size_t>>& words, std::size_t w) {
  const auto next = chars.begin() + static_cast<std::ptrdiff_t>(words[w + 1].first);
  return std::find(chars.begin() + static_cast<std::ptrdiff_t>(words[w].first), next, U'\n') ==
         next;
}

// A quotation mark alone, misread, is a few characters at most, with closing punctuation after.
constexpr std::size_t kMaxMarkLength = 12;

// For each word of at most kMaxMarkLength characters, whether the words after it on its line that
// are the same ("„ “:", an empty quotation misread alike) or end as it does after their start
// ("„ --help“."), closing punctuation left aside, are odd in number: then a mark alone there may
// open a quotation. One sweep from the end of each line.
std::vector<bool> ClosedAfter(const std::u32string& chars,
                              const std::vector<std::pair<std::size_t, std::size_t>>& words) {
  std::vector<bool> closed(words.size());
  std::unordered_map<std::u32string_view, bool> odd;  // of the later words of the line
  for (std::size_t w = words.size(); w-- > 0;) {
    if (w + 1 < words.size() && !LineGoesOn(chars, words, w)) odd.clear();
    const std::u32string_view word(chars.data() + words[w].first, words[w].second);
    if (word.size() <= kMaxMarkLength) {
      const auto found = odd.find(word);
      closed[w] = found != odd.end() && found->second;
    }
    std::u32string_view stripped = word;
    while (!stripped.empty() && OnlyClosingPunctuation(stripped.substr(stripped.size() - 1))) {
      stripped.remove_suffix(1);
    }
    for (std::size_t n = 1; n <= std::min(stripped.size(), kMaxMarkLength); ++n) {
      const std::u32string_view end = stripped.substr(stripped.size() - n);
      if (n == stripped.size() || !stripped.starts_with(end)) odd[end] = !odd[end];
    }
  }
  return closed;
}

// Where a word stands in its text.
struct WordContext {
  bool sentenceStart = false;  // StartsSentence
  bool quoteOpen = false;      // QuoteOpenAfter the words before it
  // Whether it is the text's first word, before which a text cut from a longer one may have
  // opened a quotation.
  bool first = false;
  // ClosedAfter, or it is the text's last word, after which a text cut from a longer one may
  // close a quotation: a mark alone may open one there.
  bool closedAfter = false;
  // Whether it starts or ends the text, which may have been cut from a longer one in the middle
  // of a word ("ělo", not "člo").
  OpenEnds open;
};

// The cost of a word (CharactersCost), each word of it the language does not know
// (CountKnownWords) costing kKnownWordGain more.
double WeighedCost(std::u32string_view word, OpenEnds open) {
  return static_cast<double>(CharactersCost(word, open)) +
         kKnownWordGain * LanguageCostsPerNat() * CountKnownWords(word).unknown;
}

// A word in capitals ("HLÁŠENÍ") in small letters, which the model knows far better; any other
// word as it is.
std::u32string SmallIfCapitals(std::u32string_view word) {
  std::u32string small(word);
  int capitals = 0;
  for (char32_t& c : small) {
    const std::size_t capital = kCapitalLetters.find(c);
    if (c >= 'A' && c <= 'Z') {
      c = c - 'A' + 'a';
    } else if (capital != std::u32string_view::npos) {
      c = kSmallLetters[capital];
    } else if ((c >= 'a' && c <= 'z') || IsSmallLetter(c)) {
      return std::u32string(word);
    } else {
      continue;
    }
    ++capitals;
  }
  return capitals >= 2 ? small : std::u32string(word);
}

// The likeliest reading of `bytes` with its edited places put back. A word that looks broken
// (LooksBroken: "NíZEV") loses to one that does not ("NÁZEV"); at the start of a sentence, a
// word that starts with a small letter loses to one that starts with a capital (the two are
// one sign apart: "Č" is C4 8C, "č" C4 8D); then one with fewer MisplacedQuotes wins ("„" is
// E2 80 9E, "–" E2 80 93); then the one of least WeighedCost: "řady" (C5 99), not "Šady"
// (C5 A0); as likely, the one with fewer capitals inside a sentence ("č." for a number). A
// place has up to ten readings, and of the many words they make a few pass for known by
// chance: the cost keeps such a word from winning over a likelier one.
std::optional<std::u32string> DecodeWithEditedControls(std::string bytes, CodePage wrong,
                                                       unsigned signs, const WordContext& context) {
  if (bytes.size() > kMaxEditedWordBytes) return Decode(bytes, kCodeUtf8);
  std::vector<char> controls;
  for (int control = 0x80; control < 0xA0; ++control) {
    const char32_t c = CharacterOf(wrong, static_cast<std::uint8_t>(control));
    if (c >= 0x80 && c < 0xA0) controls.push_back(static_cast<char>(control));
  }
  const auto characterAt = [&](std::size_t lead) {
    char32_t c = 0;
    kernels::steps::DecodeOne(reinterpret_cast<const std::uint8_t*>(bytes.data()) + lead,
                              bytes.size() - lead, c);
    return c;
  };
  // Each place keeps its own sign or takes a control that makes a plausible character there;
  // both continuation bytes of a typographic sign ("„" is E2 80 9E) may have been controls.
  std::vector<std::pair<std::size_t, std::vector<std::array<char, 2>>>> places;
  std::size_t combinations = 1;
  for (std::size_t i = 1; i < bytes.size() && places.size() < kMaxEditedPlaces; ++i) {
    if (EditedSequence(bytes, i, signs) == 0) continue;
    const bool pair =
        bytes[i - 1] == '\xE2' && i + 1 < bytes.size() && EditedSequence(bytes, i + 1, signs) != 0;
    const std::size_t lead =
        bytes[i - 1] == '\xE2' || (bytes[i - 1] & 0xC0) != 0x80 ? i - 1 : i - 2;
    const std::array<char, 2> own{bytes[i], pair ? bytes[i + 1] : '\0'};
    std::vector<std::array<char, 2>> options;
    if (Plausible(characterAt(lead))) options.push_back(own);
    for (const char control : controls) {
      for (const char next : pair ? controls : std::vector<char>{'\0'}) {
        bytes[i] = control;
        if (pair) bytes[i + 1] = next;
        if (Plausible(characterAt(lead))) options.push_back({control, next});
      }
    }
    bytes[i] = own[0];
    if (pair) bytes[i + 1] = own[1];
    if (options.empty()) options.push_back(own);
    if (combinations * options.size() > kMaxEditedCombinations) break;
    combinations *= options.size();
    places.emplace_back(i, std::move(options));
    i += pair;
  }
  std::optional<std::u32string> best;
  std::tuple<bool, bool, int, double, std::ptrdiff_t> bestCost{true, true, INT_MAX, HUGE_VAL,
                                                               PTRDIFF_MAX};
  std::vector<std::size_t> choice(places.size(), 0);
  for (std::size_t n = 0; n < combinations; ++n) {
    for (std::size_t k = 0; k < places.size(); ++k) {
      const auto& [at, options] = places[k];
      bytes[at] = options[choice[k]][0];
      if (options[choice[k]][1] != '\0') bytes[at + 1] = options[choice[k]][1];
    }
    std::optional<std::u32string> candidate = Decode(bytes, kCodeUtf8);
    if (candidate && !candidate->empty()) {
      const char32_t first = candidate->front();
      const bool small = (first >= 'a' && first <= 'z') || IsSmallLetter(first);
      int misplaced = MisplacedQuotes(*candidate, context.quoteOpen, context.closedAfter);
      if (context.first) {
        misplaced = std::min(misplaced, MisplacedQuotes(*candidate, true, context.closedAfter));
      }
      const std::tuple<bool, bool, int, double, std::ptrdiff_t> cost{
          LooksBroken(*candidate), context.sentenceStart && small, misplaced,
          WeighedCost(SmallIfCapitals(*candidate), context.open) -
              kFavouredLookalikeGain * LanguageCostsPerNat() * FavouredLookalikes(*candidate),
          context.sentenceStart ? 0 : Capitals(*candidate)};
      if (cost < bestCost) {
        bestCost = cost;
        best = std::move(candidate);
      }
    }
    for (std::size_t k = 0; k < places.size() && ++choice[k] == places[k].second.size(); ++k) {
      choice[k] = 0;
    }
  }
  return best;
}

// The bytes of each word of a text with a character beyond ASCII in a code page (Encoder); nothing
// for the other words and for those the code page cannot hold.
std::vector<std::optional<std::string>> EncodeWords(
    const std::u32string& chars, const std::vector<std::pair<std::size_t, std::size_t>>& words,
    const Encoder& encoder) {
  std::vector<std::optional<std::string>> bytes(words.size());
  for (std::size_t w = 0; w < words.size(); ++w) {
    const std::u32string_view word(chars.data() + words[w].first, words[w].second);
    if (HasNonAscii(word)) bytes[w] = encoder.Encode(word);
  }
  return bytes;
}

// `wrongBytes`: EncodeWords in misreading.wrong.
Pass TryMisreading(const std::u32string& chars,
                   const std::vector<std::pair<std::size_t, std::size_t>>& words,
                   const LineStarts& lineStarts, const std::vector<bool>& closedAfter,
                   const Misreading& misreading,
                   const std::vector<std::optional<std::string>>& wrongBytes) {
  Pass pass;
  pass.misreading = misreading;
  // An editor changes every C1 control: a text that still holds one was not edited. Only the
  // signs the wrong code page holds at A0 and AD stand there for an edit.
  unsigned signs = 0;
  if (CharacterOf(misreading.wrong, 0xA0) == 0xA0) signs |= kEditedNoBreakSpace;
  if (CharacterOf(misreading.wrong, 0xAD) == 0xAD) signs |= kEditedSoftHyphen;
  const bool mayBeEdited = misreading.right == kCodeUtf8 && signs != 0 && !HasControl(chars);
  const auto wordAt = [&](std::size_t w) {
    return std::u32string_view(chars.data() + words[w].first, words[w].second);
  };
  unsigned edited = 0;
  for (std::size_t w = 0; w < words.size() && mayBeEdited; ++w) {
    if (wrongBytes[w]) edited |= ShownEdits(*wrongBytes[w]) & signs;
  }
  WordContext context;
  for (std::size_t w = 0; w < words.size(); ++w) {
    if (w > 0 && !LineGoesOn(chars, words, w - 1)) {
      context.quoteOpen = false;  // a quotation seldom runs over a line end
    } else if (w > 0) {
      const bool repairedBefore = !pass.repaired.empty() && pass.repaired.back().first == w - 1;
      context.quoteOpen = QuoteOpenAfter(
          repairedBefore ? std::u32string_view(pass.repaired.back().second) : wordAt(w - 1),
          context.quoteOpen);
    }
    const std::u32string_view word = wordAt(w);
    if (!HasNonAscii(word)) continue;
    ++pass.lettered;
    context.sentenceStart = StartsSentence(chars, words[w].first, lineStarts);
    context.first = w == 0;
    context.open = {words[w].first == 0, words[w].first + words[w].second == chars.size()};
    context.closedAfter = w + 1 == words.size() || closedAfter[w];
    const bool controls = HasImpossibleSign(word);
    pass.withControls += controls;
    const std::optional<std::string>& bytes = wrongBytes[w];
    if (!bytes) continue;
    std::optional<std::u32string> fixed =
        edited != 0 ? DecodeWithEditedControls(*bytes, misreading.wrong, edited, context)
                    : Decode(*bytes, misreading.right);
    // Without such edits elsewhere, one word still may show one: "NíZEV" is "NÁZEV".
    if (mayBeEdited && edited == 0 && fixed) {
      std::optional<std::u32string> alternative =
          DecodeWithEditedControls(*bytes, misreading.wrong, signs, context);
      if (alternative && !LooksBroken(*alternative) &&
          (LooksBroken(*fixed) ||
           WeighedCost(*alternative, context.open) + kEditMargin * LanguageCostsPerNat() <
               WeighedCost(*fixed, context.open))) {
        fixed = std::move(alternative);
      }
    }
    if (!fixed || *fixed == word) continue;
    const double gain =
        (static_cast<double>(CharactersCost(word)) - static_cast<double>(CharactersCost(*fixed))) /
        LanguageCostsPerNat();
    ++pass.changed;
    pass.improved += gain > 0;
    pass.gain += gain;
    const bool mended = gain > 0 && LooksBroken(word) && !LooksBroken(*fixed);
    pass.mended += mended;
    pass.mendedControls += mended && controls;
    pass.clearedControls += controls && !HasImpossibleSign(*fixed);
    if (mended || misreading.right == kCodeUtf8) {
      pass.strongestMended = std::max(pass.strongestMended, gain);
    }
    pass.strongest = std::max(pass.strongest, gain);
    pass.repaired.emplace_back(w, std::move(*fixed));
  }
  // Every sure pass reads better (Convincing): only then do its known words count.
  if (pass.gain <= 0) return pass;
  for (const auto& [w, fixed] : pass.repaired) {
    const KnownWords before = CountKnownWords(wordAt(w));
    const KnownWords after = CountKnownWords(fixed);
    pass.recognized += after.known > before.known && after.unknown < before.unknown;
    pass.spoiled += after.known < before.known;
  }
  return pass;
}

}  // namespace

RepairResult RepairText(std::string_view text, CodePage encoding) {
  RepairResult result;
  result.text = std::string(text);
  std::optional<std::u32string> decoded = Decode(text, encoding);
  if (!decoded) return result;
  std::u32string chars = std::move(*decoded);

  for (int pass = 0; pass < kMaxPasses; ++pass) {
    const auto words = Words(chars);
    const LineStarts lineStarts(chars);
    const std::vector<bool> closedAfter = ClosedAfter(chars, words);
    std::optional<Pass> best;
    Sureness bestSureness = Sureness::kNone;
    for (CodePage wrong = 0; wrong < kDetectCodePages; ++wrong) {
      if (wrong == encoding) continue;
      const std::vector<std::optional<std::string>> wrongBytes =
          EncodeWords(chars, words, Encoder(wrong));
      // Bytes of UTF-8 or of another code page, read as `wrong`: saved as UTF-8 they may
      // have been either; saved in a code page, they were that code page's own.
      for (CodePage right = 0; right < kTextEncodingCount; ++right) {
        if (right == wrong || right == kCodeAscii) continue;
        if (encoding != kCodeUtf8 && right != encoding) continue;
        // Only UTF-8 is misread twice over.
        if (pass > 0 && right != kCodeUtf8) continue;
        Pass candidate =
            TryMisreading(chars, words, lineStarts, closedAfter, {wrong, right}, wrongBytes);
        const Sureness sureness = Convincing(candidate);
        if (sureness != Sureness::kNone &&
            (!best || std::pair(sureness, WeighedGain(candidate)) >
                          std::pair(bestSureness, WeighedGain(*best)))) {
          bestSureness = sureness;
          best = std::move(candidate);
        }
      }
    }
    if (!best) break;
    std::u32string repaired;
    std::size_t at = 0;
    std::uint64_t letters = 0;
    for (const auto& [w, fixed] : best->repaired) {
      repaired.append(chars, at, words[w].first - at);
      repaired += fixed;
      at = words[w].first + words[w].second;
      letters += static_cast<std::uint64_t>(
          std::count_if(fixed.begin(), fixed.end(), [](char32_t c) { return c >= 0x80; }));
    }
    repaired.append(chars, at, std::u32string::npos);
    chars = std::move(repaired);
    result.misreading = best->misreading;
    result.characters = letters;
    result.passes = pass + 1;
  }
  if (result.passes == 0) return result;
  // A repaired text that the input's code page cannot hold is left as it was.
  const std::optional<std::string> encoded = Encoder(encoding).Encode(chars);
  if (encoded) {
    result.text = *encoded;
  } else {
    result = RepairResult{};
    result.text = std::string(text);
  }
  return result;
}

}  // namespace pismovar
