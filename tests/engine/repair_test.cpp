#include "engine/repair.h"

#include <gtest/gtest.h>

#include <string>

#include "test_host.h"

namespace pismovar {
namespace {

const std::string kText =
    "Příliš žluťoučký kůň úpěl ďábelské ódy, ľudia v Žiline sa tešili na jeseň.\n"
    "Účet za šťovík činí 250 Kč; Ťapka a Ďuro šli spať.\n";

std::string Convert(const std::string& text, CodePage from, CodePage to) {
  return testing::ConvertBuffer(text, from, to, kLineEndUnix, kLineEndUnix).text;
}

// `text` (UTF-8) written in `right`, read as `wrong` and saved in `saved`, `times` over; an
// editor then made every C1 control (C2 80..C2 9F) C2 `edited` (AD a soft hyphen, A0 a no-break
// space), unless `edited` is 0.
std::string Damage(std::string text, CodePage right, CodePage wrong, CodePage saved, int times,
                   char edited) {
  for (int i = 0; i < times; ++i) {
    const std::string bytes = right == kCodeUtf8 ? text : Convert(text, kCodeUtf8, right);
    text = Convert(Convert(bytes, wrong, kCodeUtf8), kCodeUtf8, saved);
    if (saved != kCodeUtf8) text = Convert(text, saved, kCodeUtf8);
  }
  for (std::size_t i = 0; edited != 0 && i + 1 < text.size(); ++i) {
    if (text[i] == '\xC2' && static_cast<unsigned char>(text[i + 1]) < 0xA0) text[i + 1] = edited;
  }
  return saved == kCodeUtf8 ? text : Convert(text, kCodeUtf8, saved);
}

struct RepairCase {
  const char* name;
  CodePage right;
  CodePage wrong;
  CodePage saved;
  int times;
  const char* sound;  // a sound part in front of the damaged one
  char edited = 0;
  const char* text = kText.c_str();
};

class RepairCases : public ::testing::TestWithParam<RepairCase> {};

TEST_P(RepairCases, GiveBackTheTextExactly) {
  const RepairCase& c = GetParam();
  const std::string original = c.saved == kCodeUtf8 ? c.text : Convert(c.text, kCodeUtf8, c.saved);
  const std::string sound = c.saved == kCodeUtf8 ? c.sound : Convert(c.sound, kCodeUtf8, c.saved);
  const std::string damaged = sound + Damage(c.text, c.right, c.wrong, c.saved, c.times, c.edited);
  ASSERT_NE(damaged, sound + original);
  const RepairResult result = RepairText(damaged, c.saved);
  EXPECT_EQ(result.text, sound + original);
  EXPECT_EQ(result.passes, c.times);
  EXPECT_EQ(result.misreading.wrong, c.wrong);
  EXPECT_EQ(result.misreading.right, c.right);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, RepairCases,
    ::testing::Values(
        RepairCase{"Utf8AsWindows1250", kCodeUtf8, kCodeWin1250, kCodeUtf8, 1, ""},
        RepairCase{"Utf8AsWindows1250Twice", kCodeUtf8, kCodeWin1250, kCodeUtf8, 2, ""},
        RepairCase{"Utf8AsLatin2", kCodeUtf8, kCodeLatin2, kCodeUtf8, 1, ""},
        RepairCase{"Utf8AsIsoLatin2", kCodeUtf8, kCodeIsoLatin2, kCodeUtf8, 1, ""},
        RepairCase{"Utf8AsMacintosh", kCodeUtf8, kCodeMacintosh, kCodeUtf8, 1, ""},
        RepairCase{"Utf8AsKamenicky", kCodeUtf8, kCodeKamenicky, kCodeUtf8, 1, ""},
        RepairCase{"Latin2AsWindows1250SavedAsUtf8", kCodeLatin2, kCodeWin1250, kCodeUtf8, 1, ""},
        RepairCase{"Windows1250AsLatin2SavedAsUtf8", kCodeWin1250, kCodeLatin2, kCodeUtf8, 1, ""},
        RepairCase{"OnlyTheDamagedPart", kCodeUtf8, kCodeWin1250, kCodeUtf8, 1,
                   "Dobrý den, paní Nováková! Čtěte pozorně.\n"},
        RepairCase{"ControlsMadeSoftHyphens", kCodeUtf8, kCodeWin1250, kCodeUtf8, 1, "", '\xAD'},
        // Edited controls put back with context: a capital where a sentence starts and a small
        // letter elsewhere, quotation marks that open and close, and a dash alone.
        RepairCase{"ControlsMadeNoBreakSpaces", kCodeUtf8, kCodeIsoLatin2, kCodeUtf8, 1, "", '\xA0',
                   "Pak dodal. Čas běží – řekl „ “: „==“ a „ “, viz č. 4, tzv. řetězec.\n"},
        // Only the quotation marks, made C1 controls, show this damage.
        RepairCase{"Windows1250AsIsoLatin2FewControls", kCodeWin1250, kCodeIsoLatin2, kCodeUtf8, 1,
                   "", 0, "Server řekl „ “.\n"},
        // Kamenický's (and 852's) "á" read as Windows 1250 is a no-break space inside a word.
        RepairCase{"KamenickyAsWindows1250NoBreakSpaces", kCodeKamenicky, kCodeWin1250, kCodeUtf8,
                   1, "", 0, "Stav je ignorován.\n"},
        // Only the word tells: "vytvorič" reads as well letter by letter, and so do "seňazen"
        // and "Šady" (C5 A0), where an edited control was "ř" (C5 99); "seňadit" reads better,
        // but "ř" is commoner between "se" and "ad"; "ŽÁDNÍ" reads better too, but "ŽÁDNÁ" is
        // the word in capitals. "⠥" (E2 A0 A5) is no sign of text, "‥" (E2 80 A5) is; "MĚŠte" is
        // no word.
        RepairCase{"KamenickyAsLatin2KnownWord", kCodeKamenicky, kCodeLatin2, kCodeUtf8, 1, "", 0,
                   "Nepodarilo sa vytvoriť súbor.\n"},
        RepairCase{"ControlsMadeNoBreakSpacesKnownWord", kCodeUtf8, kCodeIsoLatin2, kCodeUtf8, 1,
                   "", '\xA0',
                   "Výstup bude seřazen do řady; seřadit ho lze vždy. Meze [-1‥1]: NEEXISTUJE "
                   "ŽÁDNÁ ODPOVĚDNOST. 4. Měňte věci.\n"},
        // A text cut from a longer one in the middle of a word at each end: "ě" starts no word,
        // but "ělo" was not a word's start, and "skuteč" not a word's end; a sentence starts
        // after a full stop in a quotation, not after a question.
        RepairCase{"ControlsMadeNoBreakSpacesCutText", kCodeUtf8, kCodeIsoLatin2, kCodeUtf8, 1, "",
                   '\xA0',
                   "ělo posloužit k tomu, aby upír našel osamělou ženu.\" Řekl: \"Kdo?\" řekl "
                   "skuteč"},
        // A line of a list starts as its neighbours do, though most lines start with capitals.
        RepairCase{"ControlsMadeNoBreakSpacesList", kCodeUtf8, kCodeIsoLatin2, kCodeUtf8, 1, "",
                   '\xA0', "Zrušit\nbarva:\nčerná\ntmavě modrá\nUložit\nNázev\nOtevřít\n"},
        // A text cut inside a quotation.
        RepairCase{"ControlsMadeNoBreakSpacesCutInQuotation", kCodeUtf8, kCodeIsoLatin2, kCodeUtf8,
                   1, "", '\xA0', " “, nelze zadat „ --help“, a nic víc"},
        // A quotation that the cut closes after the text's end.
        RepairCase{"ControlsMadeNoBreakSpacesCutBeforeQuotation", kCodeUtf8, kCodeIsoLatin2,
                   kCodeUtf8, 1, "", '\xA0', "Není zadán druhý znak, proto se použije „"}),
    [](const auto& param) { return param.param.name; });

TEST(Repair, LeavesSoundTextAsItIs) {
  for (const CodePage page : {kCodeUtf8, kCodeWin1250, kCodeKamenicky, kCodeKoi8cs}) {
    const std::string text = page == kCodeUtf8 ? kText : Convert(kText, kCodeUtf8, page);
    const RepairResult result = RepairText(text, page);
    EXPECT_EQ(result.passes, 0) << page;
    EXPECT_EQ(result.text, text) << page;
  }
}

}  // namespace
}  // namespace pismovar
