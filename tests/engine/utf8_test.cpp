#include "engine/utf8.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/converter.h"
#include "engine/detect.h"
#include "engine/kernels/kernels.h"
#include "engine/unicode_tables.h"
#include "test_host.h"

namespace pismovar {
namespace {

using testing::Converted;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;
namespace fs = std::filesystem;

constexpr std::size_t kRead = Converter::kReadSize;
const std::string kFffd = "\xEF\xBF\xBD";

// One buffer through the converter, line ends left alone unless given.
Converted Convert(const std::string& text, CodePage from, CodePage to, LineEnd endIn = kLineEndDos,
                  LineEnd endOut = kLineEndDos) {
  return testing::ConvertBuffer(text, from, to, endIn, endOut);
}

class RoundTrip : public ::testing::TestWithParam<CodePage> {};

TEST_P(RoundTrip, EveryDefinedByteComesBackThroughUtf8) {
  const CodePage codePage = GetParam();
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const Converted utf8 = Convert(all, codePage, kCodeUtf8);
  const Converted back = Convert(utf8.text, kCodeUtf8, codePage);
  int undefined = 0;
  for (int b = 0; b < 256; ++b) {
    if (CharacterOf(codePage, static_cast<std::uint8_t>(b)) == kReplacementCharacter) {
      ++undefined;
      EXPECT_EQ(back.text[b], '?') << "byte 0x" << std::hex << b;
    } else {
      EXPECT_EQ(back.text[b], all[b]) << "byte 0x" << std::hex << b;
    }
  }
  ASSERT_EQ(back.text.size(), all.size());
  // Each undefined byte is replaced twice: by U+FFFD, which then has no byte.
  EXPECT_EQ(utf8.losses.replaced, static_cast<std::uint64_t>(undefined));
  EXPECT_EQ(back.losses.replaced, static_cast<std::uint64_t>(undefined));
  EXPECT_EQ(back.losses.malformed, 0u);
}

INSTANTIATE_TEST_SUITE_P(AllCodePages, RoundTrip, ::testing::Range(0, kCodePageCount));

struct OutputCase {
  const char* name;
  std::string utf8;
  CodePage to;
  std::string expected;
  std::uint64_t replaced;
};

class FromUtf8 : public ::testing::TestWithParam<OutputCase> {};

TEST_P(FromUtf8, WritesTheCodePagesByteASubstituteOrAQuestionMark) {
  const auto& c = GetParam();
  const Converted out = Convert(c.utf8, kCodeUtf8, c.to);
  EXPECT_EQ(out.text, c.expected);
  EXPECT_EQ(out.losses.replaced, c.replaced);
  EXPECT_EQ(out.losses.malformed, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FromUtf8,
    ::testing::Values(
        OutputCase{"AsciiLosesTheDiacriticsAsTheTableSays", "Žluťoučký kůň Ľ ô", kCodeAscii,
                   "Zlutoucky kun L o", 8},
        OutputCase{"AsciiHasNoEuro", "5 €", kCodeAscii, "5 ?", 1},
        OutputCase{"QuotationMarksAreMacintoshBytes", "„a“ ”", kCodeMacintosh,
                   "\xE3"
                   "a\xD2 \xD3",
                   0},
        OutputCase{"QuotationMarksArePlainWithoutThem", "„a“ ”", kCodeIsoLatin2, "\"a\" \"", 3},
        OutputCase{"DashAndBaseLetterAreSubstitutes", "a–b…ā", kCodeLatin2, "a-b?a", 3},
        OutputCase{"Windows1250KeepsItsOwnQuotationMarks", "„a“", kCodeWin1250,
                   "\x84"
                   "a\x93",
                   0},
        OutputCase{"OtherCharactersOfTheCodePage", "ß Ω ≥", kCodeKamenicky, "\xE1 \xEA \xF2", 0},
        OutputCase{"Koi8csBoxDrawingAndGreek", "┌─┐ α", kCodeKoi8cs, "\xB2\xB6\xB3 \xBA", 0},
        OutputCase{"CharactersBeyondTheBasicPlane", "a😀b", kCodeWin1250, "a?b", 1},
        OutputCase{"AReplacementCharacterHasNoByte", "\xEF\xBF\xBD", kCodeLatin2, "?", 1}),
    [](const auto& param) { return param.param.name; });

struct MalformedCase {
  const char* name;
  std::string in;
  std::string repaired;  // UTF-8 to UTF-8
  std::uint64_t count;
  std::uint64_t first;
};

class Malformed : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(Malformed, EachMaximalPartIsReplacedAndCountedFromItsOffset) {
  const auto& c = GetParam();
  const Converted repaired = Convert(c.in, kCodeUtf8, kCodeUtf8);
  EXPECT_EQ(repaired.text, c.repaired);
  EXPECT_EQ(repaired.losses.malformed, c.count);
  if (c.count != 0) {
    EXPECT_EQ(repaired.losses.firstMalformed, c.first);
  }
  // In an 8-bit output every U+FFFD of the repair is a "?".
  std::string expected;
  for (std::size_t from = 0, pos; from < c.repaired.size(); from = pos + kFffd.size()) {
    pos = std::min(c.repaired.find(kFffd, from), c.repaired.size());
    expected.append(c.repaired, from, pos - from);
    if (pos < c.repaired.size()) expected += '?';
  }
  const Converted toIso = Convert(c.in, kCodeUtf8, kCodeIsoLatin2);
  EXPECT_EQ(Convert(toIso.text, kCodeIsoLatin2, kCodeUtf8).text, expected);
  EXPECT_EQ(toIso.losses.malformed, c.count);
  EXPECT_EQ(toIso.losses.replaced, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Malformed,
    ::testing::Values(
        MalformedCase{"Valid", "aáčŽ", "aáčŽ", 0, 0},
        MalformedCase{"StrayContinuation",
                      "ab\x80"
                      "c",
                      "ab" + kFffd + "c", 1, 2},
        MalformedCase{"TwoStrayContinuations", "\x80\xBF", kFffd + kFffd, 2, 0},
        MalformedCase{"CutOffAtTheEnd", "xy\xC3", "xy" + kFffd, 1, 2},
        MalformedCase{"CutOffThreeByteSequence", "\xE2\x82z\xE2\x82", kFffd + "z" + kFffd, 2, 0},
        MalformedCase{"CutOffFourByteSequence",
                      "\xF0\x9F\x98"
                      "a",
                      kFffd + "a", 1, 0},
        MalformedCase{"OverlongTwoBytes", "a\xC0\xAF", "a" + kFffd + kFffd, 2, 1},
        MalformedCase{"OverlongThreeBytes", "\xE0\x80\xAF", kFffd + kFffd + kFffd, 3, 0},
        MalformedCase{"OverlongFourBytes", "\xF0\x8F\xBF\xBF", kFffd + kFffd + kFffd + kFffd, 4, 0},
        MalformedCase{"Surrogate", "\xED\xA0\x80!", kFffd + kFffd + kFffd + "!", 3, 0},
        MalformedCase{"BeyondU10FFFF", "\xF4\x90\x80\x80", kFffd + kFffd + kFffd + kFffd, 4, 0},
        MalformedCase{"LeadsThatNeverStartASequence", "\xF5\xFE\xFF", kFffd + kFffd + kFffd, 3, 0},
        MalformedCase{"LeadFollowedByAscii",
                      "\xC5"
                      "a\xC5\xBE",
                      kFffd + "až", 1, 0}),
    [](const auto& param) { return param.param.name; });

TEST(Utf8LineEnds, AreRewrittenAsInEveryCodePage) {
  EXPECT_EQ(Convert("ž\r\nč\r\n", kCodeUtf8, kCodeUtf8, kLineEndDos, kLineEndUnix).text, "ž\nč\n");
  EXPECT_EQ(Convert("ž\nč\r", kCodeUtf8, kCodeWin1250, kLineEndUnix, kLineEndDos).text,
            "\x9E\r\n\xE8\r");
  EXPECT_EQ(Convert("\x9E\r\xE8\r", kCodeWin1250, kCodeUtf8, kLineEndMac, kLineEndUnix).text,
            "ž\nč\n");
}

TEST(IncompleteEnd, CountsOnlyABeginningThatNeedsMoreBytes) {
  const struct {
    std::string text;
    std::size_t held;
  } cases[] = {{"", 0},
               {"abc", 0},
               {"a\xC3", 1},
               {"a\xC3\xA1", 0},
               {"\xE2\x82", 2},
               {"\xE2\x82\xAC", 0},
               {"\xF0\x9F\x98", 3},
               {"\xF0\x9F", 2},
               {"\x80\x80\x80", 0},
               {"\xC3\xA1\x80", 0},
               {"\xFF", 0}};
  for (const auto& c : cases) {
    EXPECT_EQ(
        utf8::IncompleteEnd(reinterpret_cast<const std::uint8_t*>(c.text.data()), c.text.size()),
        c.held)
        << ::testing::PrintToString(c.text);
  }
}

// A text with its malformed bytes all at the start, as in the first chunk a thread reads,
// and the valid letters that outweigh them after it.
std::string MalformedStartThenValidLetters() {
  std::string text;
  for (int i = 0; i < 1100; ++i) text += "\xE8 ";
  for (int i = 0; i < 282000; ++i) text += "č";
  return text;
}

TEST(Utf8Detector, TheVerdictIsTheWholeTextsWhateverTheChunks) {
  const std::string text = MalformedStartThenValidLetters();
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  DetectTally whole;
  whole.Add(bytes, text.size());
  for (const std::size_t chunk : {text.size(), Converter::kLargeReadSize, kRead, std::size_t{7}}) {
    // Chunks in order, as one thread reads them, and every other chunk counted apart and
    // added, as two threads do.
    Utf8Detector inOrder;
    Utf8Detector shares[2];
    DetectTally inOrderTally;
    DetectTally shareTallies[2];
    for (std::size_t at = 0, n = 0; at < text.size(); at += chunk, ++n) {
      const std::size_t size = std::min(chunk, text.size() - at);
      const std::size_t before = utf8::IncompleteEnd(bytes, at);
      const bool last = at + size == text.size();
      inOrderTally.Add(bytes + at - before, size + before, last, inOrder);
      shareTallies[n % 2].Add(bytes + at - before, size + before, last, shares[n % 2]);
    }
    shares[0].Add(shares[1]);
    shareTallies[0].Add(shareTallies[1]);
    EXPECT_TRUE(inOrder.IsUtf8()) << chunk;
    EXPECT_TRUE(shares[0].IsUtf8()) << chunk;
    // The tally too leaves each incomplete end to the chunk after it.
    EXPECT_EQ(inOrderTally.Counts().code, whole.Counts().code) << chunk;
    EXPECT_EQ(shareTallies[0].Counts().code, whole.Counts().code) << chunk;
  }
}

class Utf8FileTest : public ::testing::Test {
 protected:
  Outcome::Result Run(const std::string& in, CodePage from, CodePage to,
                      const std::string& input = "in", const std::string& output = "out") {
    WriteFile(dir / "in", in);
    choices.codeIn = from;
    choices.codeOut = to;
    Converter converter(settings);
    last = converter.ConvertFile(choices, dir / input, dir / output);
    lastProgress = converter.CurrentProgress();
    return last.result;
  }
  // The guesses of a full and a quick detection of `path`.
  std::pair<Detection, Detection> Detect(const std::string& path) {
    Converter converter(settings);
    return {converter.FullDetect(path), converter.QuickDetect(path)};
  }

  TempDir dir;
  Converter::Settings settings;
  Choices choices;
  Outcome last;
  Progress lastProgress;
};

struct SplitCase {
  const char* name;
  std::string sequence;
  std::string win1250;  // the sequence in Windows 1250
};

class SplitSequences : public Utf8FileTest, public ::testing::WithParamInterface<SplitCase> {};

TEST_P(SplitSequences, AreCarriedIntoTheNextReadAtEveryCut) {
  const auto& c = GetParam();
  for (std::size_t cut = 0; cut <= c.sequence.size(); ++cut) {
    // The first read ends after `cut` bytes of the sequence.
    const std::string before(kRead - cut, 'x');
    ASSERT_EQ(Run(before + c.sequence + "y", kCodeUtf8, kCodeUtf8), Outcome::kDone);
    EXPECT_EQ(ReadFile(dir / "out"), before + c.sequence + "y") << "cut " << cut;
    EXPECT_EQ(last.losses.malformed, 0u) << "cut " << cut;
    ASSERT_EQ(Run(before + c.sequence + "y", kCodeUtf8, kCodeWin1250), Outcome::kDone);
    EXPECT_EQ(ReadFile(dir / "out"), before + c.win1250 + "y") << "cut " << cut;
    EXPECT_EQ(lastProgress.done, before.size() + c.sequence.size() + 1);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, SplitSequences,
                         ::testing::Values(SplitCase{"TwoBytes", "č", "\xE8"},
                                           SplitCase{"ThreeBytes", "„", "\x84"},
                                           SplitCase{"FourBytes", "😀", "?"}),
                         [](const auto& param) { return param.param.name; });

TEST_F(Utf8FileTest, MalformedOffsetsCountFromTheStartOfTheFile) {
  const std::string text = std::string(kRead - 1, 'a') + "\xC3" + std::string(kRead, 'b') + "\x80" +
                           std::string(10, 'c') + "\xE2\x82";
  ASSERT_EQ(Run(text, kCodeUtf8, kCodeUtf8), Outcome::kDone);
  EXPECT_EQ(last.losses.malformed, 3u);
  EXPECT_EQ(last.losses.firstMalformed, kRead - 1);
  EXPECT_EQ(ReadFile(dir / "out"), std::string(kRead - 1, 'a') + kFffd + std::string(kRead, 'b') +
                                       kFffd + std::string(10, 'c') + kFffd);
  // A byte-order mark counts in the offsets although it is dropped.
  ASSERT_EQ(Run("\xEF\xBB\xBF"
                "ab\xFF",
                kCodeUtf8, kCodeWin1250),
            Outcome::kDone);
  EXPECT_EQ(ReadFile(dir / "out"), "ab?");
  EXPECT_EQ(last.losses.firstMalformed, 5u);
}

TEST_F(Utf8FileTest, ByteOrderMarkIsDroppedAtTheStartOnlyAndWrittenOnRequest) {
  ASSERT_EQ(Run("\xEF\xBB\xBF"
                "á\xEF\xBB\xBF",
                kCodeUtf8, kCodeUtf8),
            Outcome::kDone);
  EXPECT_EQ(ReadFile(dir / "out"), "á\xEF\xBB\xBF");
  choices.writeBom = true;
  ASSERT_EQ(Run("\xEF\xBB\xBF"
                "á",
                kCodeUtf8, kCodeUtf8),
            Outcome::kDone);
  EXPECT_EQ(ReadFile(dir / "out"),
            "\xEF\xBB\xBF"
            "á");
  ASSERT_EQ(Run("\xE1", kCodeWin1250, kCodeUtf8), Outcome::kDone);
  EXPECT_EQ(ReadFile(dir / "out"),
            "\xEF\xBB\xBF"
            "á");
  // Only UTF-8 output takes one; an 8-bit input keeps bytes that read like one.
  ASSERT_EQ(Run("\xEF\xBB\xBF", kCodeWin1250, kCodeWin1250), Outcome::kDone);
  EXPECT_EQ(ReadFile(dir / "out"), "\xEF\xBB\xBF");
  ASSERT_EQ(Run("", kCodeWin1250, kCodeUtf8), Outcome::kDone);
  EXPECT_EQ(ReadFile(dir / "out"), "\xEF\xBB\xBF");
}

TEST_F(Utf8FileTest, TheWorstExpansionFitsTheWorkAreas) {
  // Every byte malformed or undefined: three bytes out for each, across several reads and
  // after a held-back sequence.
  choices.writeBom = true;
  const std::string bad =
      std::string(kRead - 2, '\xFF') + "\xE2\x82" + std::string(kRead + 9, '\xFF');
  ASSERT_EQ(Run(bad, kCodeUtf8, kCodeUtf8), Outcome::kDone);
  const std::string out = ReadFile(dir / "out");
  EXPECT_EQ(out.size(), 3 + 3 * (bad.size() - 1));
  EXPECT_EQ(last.losses.malformed, bad.size() - 1);
  const std::string undefined(2 * kRead + 5, '\x80');
  ASSERT_EQ(Run(undefined, kCodeAscii, kCodeUtf8), Outcome::kDone);
  EXPECT_EQ(ReadFile(dir / "out").size(), 3 + 3 * undefined.size());
  EXPECT_EQ(last.losses.replaced, undefined.size());
  static_assert(ChunkPump::WorkAreaSize(Converter::kReadSize) >=
                Transcoder::kMaxExpansion * (kRead + Converter::kMaxHeldBytes) + kUtf8BomSize +
                    kernels::kWriteSlack);
}

TEST_F(Utf8FileTest, StrictFailsALossyConversionAndLeavesTheInputUntouched) {
  settings.strict = true;
  const std::string text = "Ďábel 😀\n";
  ASSERT_EQ(Run(text, kCodeUtf8, kCodeWin1250, "in", "in"), Outcome::kFailed);
  EXPECT_EQ(ReadFile(dir / "in"), text);
  EXPECT_EQ(last.failure, Outcome::Failure::kLossy);
  EXPECT_EQ(last.losses.replaced, 1u);
  ASSERT_EQ(Run("\xC3(", kCodeUtf8, kCodeUtf8), Outcome::kFailed);
  EXPECT_FALSE(fs::exists(dir / "out"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
  // Nothing lost: strict or not, the conversion succeeds.
  ASSERT_EQ(Run("Ďábel\n", kCodeUtf8, kCodeWin1250, "in", "in"), Outcome::kDone);
  EXPECT_EQ(ReadFile(dir / "in"),
            "\xCF\xE1"
            "bel\n");
  settings.strict = false;
  ASSERT_EQ(Run(text, kCodeUtf8, kCodeWin1250, "in", "in"), Outcome::kDone);
  EXPECT_EQ(ReadFile(dir / "in"),
            "\xCF\xE1"
            "bel ?\n");
}

struct DetectCase {
  const char* name;
  std::string text;
  bool detectUtf8;
  CodePage full;
  CodePage quick;
};

// For a text that no code page reads as Czech or Slovak: any code page, not UTF-8.
constexpr CodePage kSomeCodePage = -2;

void ExpectGuess(CodePage guess, CodePage expected) {
  if (expected == kSomeCodePage) {
    EXPECT_TRUE(IsValidCodePage(guess)) << guess;
  } else {
    EXPECT_EQ(guess, expected);
  }
}

class Utf8Detection : public Utf8FileTest, public ::testing::WithParamInterface<DetectCase> {};

TEST_P(Utf8Detection, ComesBeforeTheTallyWhenAsked) {
  const auto& c = GetParam();
  WriteFile(dir / "in", c.text);
  settings.detectUtf8 = c.detectUtf8;
  const auto [full, quick] = Detect(dir / "in");
  EXPECT_EQ(full.outcome.result, Outcome::kDone);
  ExpectGuess(full.guess.codePage, c.full);
  EXPECT_EQ(quick.outcome.result, Outcome::kDone);
  ExpectGuess(quick.guess.codePage, c.quick);
  // The same bytes from a pipe.
  ExpectGuess(DetectText(reinterpret_cast<const std::uint8_t*>(c.text.data()), c.text.size(), true,
                         c.detectUtf8)
                  .codePage,
              c.full);
}

const std::string kCzech = "Příliš žluťoučký kůň úpěl ďábelské ódy.\n";

std::string Repeated(const std::string& text, std::size_t times) {
  std::string result;
  while (times-- > 0) result += text;
  return result;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Utf8Detection,
    ::testing::Values(
        DetectCase{"Utf8Text", kCzech, true, kCodeUtf8, kCodeUtf8},
        DetectCase{"DesktopProgramNeverAnswersUtf8", kCzech, false, kSomeCodePage, kSomeCodePage},
        DetectCase{"PlainAsciiIsAscii", "Hello\n", true, kCodeAscii, kCodeAscii},
        // Harmful answers of a tally alone: "pěkně děkuji" in KOI8-ČS has none of its letters
        // (ASCII), and the Macintosh "ří" of "Otevřít přílohu" is valid UTF-8 (Thaana).
        DetectCase{"HighBytesAreNeverAscii", "p\xC5kn\xC5 d\xC5kuji\n", true, kCodeKoi8cs,
                   kCodeKoi8cs},
        DetectCase{"ValidUtf8ThatReadsAsMacintosh", "Otev\xDE\x92t p\xDE\x92lohu\n", true,
                   kCodeMacintosh, kCodeMacintosh},
        // 852's "ÍČ" is the UTF-8 of a Hebrew accent.
        DetectCase{"ValidUtf8OfAnotherScriptThatReadsAsCzech", "\xD6\xAC := {DOTTEDQU", true,
                   kCodeLatin2, kCodeLatin2},
        DetectCase{"Windows1250Text", "P\xF8\xEDli\x9A \xE8\xE1ry", true, kCodeWin1250,
                   kCodeWin1250},
        DetectCase{"SequenceAcrossTheReadBoundary", std::string(kRead - 1, 'x') + "čř", true,
                   kCodeUtf8, kCodeAscii},
        // The sample ends after the first byte of č; later the text is Windows 1250.
        DetectCase{"QuickSampleCutsASequence",
                   "á" + std::string(Converter::kQuickDetectSize - 3, 'x') + "č" +
                       std::string(9000, 'y') + "\xE8\xE8",
                   true, kCodeWin1250, kCodeUtf8},
        DetectCase{"CutOffAtTheEndOfTheFile", "č\xC3", true, kSomeCodePage, kSomeCodePage},
        // A high byte is never ASCII; the sample of the model holds none of it.
        DetectCase{"OneMalformedByteAfterManyReads", std::string(3 * kRead, 'x') + "č\x80", true,
                   kCodeWin1250, kCodeAscii},
        // A stray byte and a last character cut short among hundreds of valid letters.
        // The quick sample alone is not UTF-8.
        DetectCase{"MalformedStartThenValidLetters", MalformedStartThenValidLetters(), true,
                   kCodeUtf8, kSomeCodePage},
        DetectCase{"NearlyValidUtf8", kCzech + "\xFF" + Repeated(kCzech, 20) + "\xC5", true,
                   kCodeUtf8, kCodeUtf8},
        // UTF-8 for several reads, then Macintosh: the letters of the UTF-8 part count too and
        // outweigh the Macintosh ones, as they do for the same bytes from a pipe.
        DetectCase{"MacintoshAfterReadsOfUtf8",
                   Repeated(kCzech, 8 * kRead / kCzech.size()) +
                       Repeated("P\xDE\x92li\xE4 \xEClu\xE9ou\x8Bk\xF9 k\xF3\xCB \x9Cp\x9El "
                                "\x93\x87"
                                "belsk\x8E \x97"
                                "dy.\n",
                                4 * kRead / kCzech.size()),
                   true, kCodeKoi8cs, kCodeUtf8}),
    [](const auto& param) { return param.param.name; });

// Prose as Czech and Slovak texts have it: letters, typography, units, box drawing.
const std::string kProse =
    "Dne 12. září 2026 v 8:15 naměřili v Třeboni −3 °C. „Zima přišla brzy,“ řekl "
    "předseda spolku – a měl pravdu… Podle § 14 odst. 2 se schůze konají každý "
    "čtvrtek; příspěvek činí 250 Kč × 12 měsíců.\n"
    "Ľudia v Žiline sa tešili na jeseň: ťahali zemiaky, ôsmaci písali úlohy a "
    "dievčatá spievali pieseň o kráľovnej. Účet: 1 500 € ± 5 %.\n"
    "┌──────────┬───────┐\n│ Položka  │ Cena  │\n└──────────┴───────┘\n";

TEST_F(Utf8FileTest, NoCodePagesTextIsTakenForUtf8) {
  const std::string prose = Repeated(kProse, 2 * kRead / kProse.size() + 1);
  for (CodePage page = 0; page < kCodePageCount; ++page) {
    ASSERT_EQ(Run(prose, kCodeUtf8, page), Outcome::kDone);
    const auto [full, quick] = Detect(dir / "out");
    ASSERT_EQ(full.outcome.result, Outcome::kDone);
    EXPECT_NE(full.guess.codePage, kCodeUtf8) << "code page " << page;
    ASSERT_EQ(quick.outcome.result, Outcome::kDone);
    EXPECT_NE(quick.guess.codePage, kCodeUtf8) << "code page " << page;
  }
}

}  // namespace
}  // namespace pismovar
