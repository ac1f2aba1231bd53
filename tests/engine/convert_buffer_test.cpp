#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "engine/converter.h"
#include "test_host.h"

namespace pismovar {
namespace {

std::string Convert(const Choices& choices, const std::string& text) {
  return testing::ConvertBuffer(choices, text).text;
}

std::string Convert(const std::string& text, CodePage codeIn, CodePage codeOut, LineEnd endIn,
                    LineEnd endOut) {
  return testing::ConvertBuffer(text, codeIn, codeOut, endIn, endOut).text;
}

struct LineEndCase {
  const char* name;
  std::string in;
  LineEnd from;
  LineEnd to;
  std::string out;
};

class LineEndRewrite : public ::testing::TestWithParam<LineEndCase> {};

TEST_P(LineEndRewrite, RewritesOnlyTheInputSequence) {
  const auto& c = GetParam();
  EXPECT_EQ(Convert(c.in, kCodeWin1250, kCodeWin1250, c.from, c.to), c.out);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineEndRewrite,
    ::testing::Values(LineEndCase{"DosToUnixKeepsLoneCrAndLf", "a\r\nb\rc\n", 0, 2, "a\nb\rc\n"},
                      LineEndCase{"UnixToDosRewritesEveryLf", "a\nb\r\n", 2, 0, "a\r\nb\r\r\n"},
                      LineEndCase{"MacToDosRewritesEveryCr", "a\r\nb", 1, 0, "a\r\n\nb"},
                      LineEndCase{"DosToMacFindsTheSecondCr", "\r\r\n", 0, 1, "\r\r"},
                      LineEndCase{"EqualEndsKeepMixedEnds", "a\r\nb\rc\n", 0, 0, "a\r\nb\rc\n"},
                      LineEndCase{"EqualNumbersNeverRewrite", "a\nb\n", 2, 2, "a\nb\n"},
                      LineEndCase{"CrAtTheEndOfTheChunk", "ab\r", 0, 2, "ab\r"},
                      LineEndCase{"EveryByteALineEnd", "\n\n\n", 2, 0, "\r\n\r\n\r\n"},
                      LineEndCase{"EmptyChunk", "", 0, 2, ""},
                      LineEndCase{"LongLinesAcrossBlocks",
                                  std::string(40, 'x') + "\r\n" + std::string(17, 'y') + "\r\n", 0,
                                  2, std::string(40, 'x') + "\n" + std::string(17, 'y') + "\n"}),
    [](const auto& param) { return param.param.name; });

TEST(ConvertBuffer, NulBytesPassThroughLikeAnyLowByte) {
  const std::string in("a\0\xE8\r\n\0b", 7);
  EXPECT_EQ(Convert(in, kCodeWin1250, kCodeLatin2, 0, 2), std::string("a\0\x9F\n\0b", 6));
  EXPECT_EQ(Convert(in, kCodeWin1250, kCodeLatin2, 0, 0), std::string("a\0\x9F\r\n\0b", 7));
}

struct SubstitutionCase {
  const char* name;
  std::string in;
  CodePage from;
  CodePage to;
  std::string out;
  std::uint64_t count;
};

class Substitution : public ::testing::TestWithParam<SubstitutionCase> {};

TEST_P(Substitution, WritesThePlainFormOrAQuestionMarkAndCountsIt) {
  const auto& c = GetParam();
  const testing::Converted out = testing::ConvertBuffer(c.in, c.from, c.to, 0, 0);
  EXPECT_EQ(out.text, c.out);
  EXPECT_EQ(out.losses.replaced, c.count);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Substitution,
    ::testing::Values(
        // Ž ť č ý ů ň; „ (no row of Windows 1250 holds it); an undefined byte.
        SubstitutionCase{"AsciiIsSevenBit", "\x8E\x9D\xE8\xFD\xF9\xF2\x84\x81", kCodeWin1250,
                         kCodeAscii, "Ztcyun\"?", 8},
        SubstitutionCase{"OtherCharactersArriveAsThemselves",
                         "25 \xF8"
                         "C \xF5 \x9E",
                         kCodeLatin2, kCodeWin1250,
                         "25 \xB0"
                         "C \xA7 \xD7",
                         0},
        SubstitutionCase{"NoBreakSpaceAndBoxDrawing", "\xFF\xDA\xC4\xBF\xB3\xC5\xCD", kCodeLatin2,
                         kCodeAscii, " +-+|+-", 7},
        SubstitutionCase{"QuotationMarksDashesAndTheRest",
                         "\x84"
                         "a\x93 \x96 \x85 \x80",
                         kCodeWin1250, kCodeLatin2, "\"a\" - ? ?", 5},
        SubstitutionCase{"BaseLetterOrQuestionMark", "\x86\x88", kCodeLatin2, kCodeKamenicky, "c?",
                         2},
        SubstitutionCase{"MacintoshQuotationMarkRow",
                         "\xE3"
                         "a",
                         kCodeMacintosh, kCodeIsoLatin2, "\"a", 1},
        SubstitutionCase{"Windows1250C1ControlsWhereTheOutputHasThem", "\x81\x98", kCodeWin1250,
                         kCodeIsoLatin2, "\x81\x98", 0},
        SubstitutionCase{"Windows1250C1ControlsWhereItLacksThem", "\x81\x98", kCodeWin1250,
                         kCodeLatin2, "??", 2}),
    [](const auto& param) { return param.param.name; });

// `utf8` written in `codePage`: ASCII stays, every letter of the table takes its row's byte.
std::string Encode(const std::string& utf8, CodePage codePage) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    if (static_cast<unsigned char>(utf8[i]) < 0x80) {
      out += utf8[i++];
      continue;
    }
    bool found = false;
    for (int r = 0; r < kCharTableRows && !found; ++r) {
      const std::size_t len = std::strlen(testing::kRowChars[r]);
      if (utf8.compare(i, len, testing::kRowChars[r]) == 0) {
        out += static_cast<char>(CharTable[r][codePage]);
        i += len;
        found = true;
      }
    }
    if (!found) ADD_FAILURE() << "no row for the text at " << i;
    if (!found) return out;
  }
  return out;
}

class EveryPairOfCodePages : public ::testing::TestWithParam<std::tuple<CodePage, CodePage>> {};

TEST_P(EveryPairOfCodePages, ConvertsACzechAndSlovakSentence) {
  const auto [from, to] = GetParam();
  const std::string sentence =
      "Příliš žluťoučký kůň úpěl ďábelské ódy. Ďaleko Ťažký ŇÁRŮŽÍ: Ľúbostná báseň, "
      "ktorú ŕ ĺ Ĺ Ŕ ä Ä ô Ô ö Ö ü Ü ÉĚÓÚÝŠČŘŽÍ.\r\n";
  // From ASCII nothing changes: the diacritics are gone already.
  const std::string expected = Encode(sentence, from == kCodeAscii ? kCodeAscii : to);
  EXPECT_EQ(Convert(Encode(sentence, from), from, to, 0, 0), expected);
}

INSTANTIATE_TEST_SUITE_P(AllPairs, EveryPairOfCodePages,
                         ::testing::Combine(::testing::Range(0, kCodePageCount),
                                            ::testing::Range(0, kCodePageCount)));

TEST(ConvertBuffer, MacintoshQuotationMarksArePlainOnlyWhereTheOutputLacksThem) {
  const std::string mac = Encode("„Ahoj“ a ”", kCodeMacintosh);
  EXPECT_EQ(Convert(mac, kCodeMacintosh, kCodeWin1250, 0, 0),
            "\x84"
            "Ahoj\x93 a \x94");
  EXPECT_EQ(Convert(mac, kCodeMacintosh, kCodeIsoLatin2, 0, 0), "\"Ahoj\" a \"");
  EXPECT_EQ(Convert("\"Ahoj\"", kCodeWin1250, kCodeMacintosh, 0, 0), "\"Ahoj\"");
}

// The plain reading of the letters-only conversion: replace the line ends in the whole text
// (every line end when `allLineEnds`), then look every high byte up row by row.
std::string Reference(std::string text, CodePage in, CodePage out, LineEnd endIn, LineEnd endOut,
                      bool allLineEnds) {
  if (allLineEnds) {
    const std::string to(LineEndSequence(endOut));
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] != '\r' && text[i] != '\n') {
        result += text[i];
        continue;
      }
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      result += to;
    }
    text = result;
  } else if (endIn != endOut) {
    const std::string from(LineEndSequence(endIn));
    const std::string to(LineEndSequence(endOut));
    std::string result;
    for (std::size_t i = 0; i < text.size();) {
      if (text.compare(i, from.size(), from) == 0) {
        result += to;
        i += from.size();
      } else {
        result += text[i++];
      }
    }
    text = result;
  }
  for (char& ch : text) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x80) continue;
    for (const auto& row : CharTable) {
      if (row[in] == b) {
        ch = static_cast<char>(row[out]);
        break;
      }
    }
  }
  return text;
}

TEST(ConvertBuffer, LettersOnlyAgreesWithThePlainReadingOnRandomTexts) {
  std::mt19937 random(12345);
  const std::string alphabet = "ab \r\n\r\n\x9A\xE8\x8A\xD2\xE3\x80\xFF";
  for (int round = 0; round < 300; ++round) {
    std::string text(random() % 200, ' ');
    for (char& ch : text) ch = alphabet[random() % alphabet.size()];
    const auto in = static_cast<CodePage>(random() % kCodePageCount);
    const auto out = static_cast<CodePage>(random() % kCodePageCount);
    const auto endIn = static_cast<LineEnd>(random() % kLineEndCount);
    const auto endOut = static_cast<LineEnd>(random() % kLineEndCount);
    const bool allLineEnds = random() % 2 == 0;
    Choices choices;
    choices.codeIn = in;
    choices.codeOut = out;
    choices.lineEndIn = endIn;
    choices.lineEndOut = endOut;
    choices.allLineEnds = allLineEnds;
    choices.lettersOnly = true;
    ASSERT_EQ(Convert(choices, text), Reference(text, in, out, endIn, endOut, allLineEnds))
        << "round " << round;
  }
}

TEST(ConvertBuffer, AFullReadOfLineEndsFitsTheWorkArea) {
  Choices choices;
  choices.lineEndIn = kLineEndMac;
  choices.lineEndOut = kLineEndDos;
  const std::string text(Converter::kReadSize + 1, '\r');
  const std::string out = Convert(choices, text);
  EXPECT_EQ(out.size(), 2 * text.size());
  EXPECT_LE(out.size(), ChunkPump::WorkAreaSize(Converter::kReadSize));
}

TEST(ConvertBuffer, RefusesChoicesOutsideTheTable) {
  Converter converter;
  for (auto [code, end] : {std::pair{8, 0}, {-1, 0}, {0, 3}, {0, -1}}) {
    Choices choices;
    choices.codeOut = code;
    choices.lineEndOut = end;
    EXPECT_EQ(converter.ConvertFile(choices, "in", "out").failure, Outcome::Failure::kChoices)
        << code << " " << end;
  }
}

TEST(LineEndSequence, GivesTheBytesOfEachLineEnd) {
  EXPECT_EQ(LineEndSequence(kLineEndDos), "\r\n");
  EXPECT_EQ(LineEndSequence(kLineEndMac), "\r");
  EXPECT_EQ(LineEndSequence(kLineEndUnix), "\n");
  EXPECT_EQ(LineEndSequence(3), "");
}

}  // namespace
}  // namespace pismovar
