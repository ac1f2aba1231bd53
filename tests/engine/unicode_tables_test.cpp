#include "engine/unicode_tables.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "engine/byte_map.h"
#include "engine/char_table.h"
#include "test_host.h"

namespace pismovar {
namespace {

// The character glibc's iconv gives `byte` in `charset`, or U+FFFD when it refuses the byte.
char32_t IconvCharacter(const char* charset, std::uint8_t byte) {
  iconv_t cd = iconv_open("UTF-32LE", charset);
  if (cd == reinterpret_cast<iconv_t>(-1)) return 0;
  char in[1] = {static_cast<char>(byte)};
  unsigned char out[8];
  char* inPtr = in;
  char* outPtr = reinterpret_cast<char*>(out);
  size_t inLeft = 1;
  size_t outLeft = sizeof out;
  const size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1) || sizeof out - outLeft != 4) return kReplacementCharacter;
  return out[0] | out[1] << 8 | out[2] << 16 | static_cast<char32_t>(out[3]) << 24;
}

std::string Utf8Of(char32_t c) {
  std::string s;
  if (c < 0x80) {
    s += static_cast<char>(c);
  } else if (c < 0x800) {
    s += static_cast<char>(0xC0 | c >> 6);
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    s += static_cast<char>(0xE0 | c >> 12);
    s += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  }
  return s;
}

// The names iconv knows the code pages by; nullptr where it knows none.
const char* const kIconvNames[] = {"CP1250", nullptr, "CP852", "ISO-8859-2", "MAC-CENTRALEUROPE",
                                   nullptr};

// The character of `byte` in `codePage` as iconv has it, with the C1 controls browsers give
// the bytes Windows 1250 leaves empty; from the tables themselves where iconv knows none.
char32_t PublishedCharacter(CodePage codePage, std::uint8_t byte) {
  if (kIconvNames[codePage] == nullptr) return CharacterOf(codePage, byte);
  const char32_t c = IconvCharacter(kIconvNames[codePage], byte);
  return codePage == kCodeWin1250 && c == kReplacementCharacter ? byte : c;
}

struct PublishedHalf {
  const char* name;
  CodePage codePage;
  const char* charset;
  int firstByte;  // the bytes from here to 0xFF must agree
};

class HighHalfAgreesWithIconv : public ::testing::TestWithParam<PublishedHalf> {};

TEST_P(HighHalfAgreesWithIconv, ByteByByte) {
  const auto [name, codePage, charset, firstByte] = GetParam();
  ASSERT_NE(IconvCharacter(charset, 'A'), 0u) << "iconv lacks " << charset;
  for (int b = firstByte; b < 0x100; ++b) {
    EXPECT_EQ(CharacterOf(codePage, static_cast<std::uint8_t>(b)),
              PublishedCharacter(codePage, static_cast<std::uint8_t>(b)))
        << charset << " byte 0x" << std::hex << b;
  }
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, HighHalfAgreesWithIconv,
    ::testing::Values(PublishedHalf{"Windows1250", kCodeWin1250, "CP1250", 0x80},
                      PublishedHalf{"Latin2", kCodeLatin2, "CP852", 0x80},
                      PublishedHalf{"IsoLatin2", kCodeIsoLatin2, "ISO-8859-2", 0x80},
                      PublishedHalf{"Macintosh", kCodeMacintosh, "MAC-CENTRALEUROPE", 0x80}),
    [](const auto& param) { return param.param.name; });

TEST(HighHalf, KamenickyAboveItsLettersIsCodePage437WithTheSectionSign) {
  for (int b = 0xAC; b < 0x100; ++b) {
    const auto byte = static_cast<std::uint8_t>(b);
    EXPECT_EQ(CharacterOf(kCodeKamenicky, byte), b == 0xAD ? U'§' : IconvCharacter("CP437", byte))
        << "byte 0x" << std::hex << b;
  }
}

// Where a byte goes: to the byte of the same published character; -1 where the output lacks it.
int ExpectedByte(CodePage from, CodePage to, std::uint8_t byte) {
  for (int b = 0x80; b < 0x100; ++b) {
    if (PublishedCharacter(to, static_cast<std::uint8_t>(b)) == PublishedCharacter(from, byte)) {
      return b;
    }
  }
  return -1;
}

TEST(CompleteMap, EveryByteArrivesAsItselfOrIsCounted) {
  for (CodePage from = 0; from < kCodeAscii; ++from) {
    for (CodePage to = 0; to < kCodeAscii; ++to) {
      const CompleteMap map = BuildCompleteMap(from, to);
      for (int b = 0x80; b < 0x100; ++b) {
        const auto byte = static_cast<std::uint8_t>(b);
        const int expected =
            CharacterOf(from, byte) == kReplacementCharacter ? b : ExpectedByte(from, to, byte);
        if (expected >= 0) {
          EXPECT_EQ(map.bytes[b], expected) << from << " to " << to << ", 0x" << std::hex << b;
          EXPECT_EQ(map.substituted[b], 0) << from << " to " << to << ", 0x" << std::hex << b;
        } else {
          EXPECT_EQ(map.substituted[b], 1) << from << " to " << to << ", 0x" << std::hex << b;
        }
      }
    }
  }
}

TEST(HighHalf, EveryRowOfTheCharacterTableAgrees) {
  for (int r = 0; r < kCharTableRows; ++r) {
    for (CodePage c = 0; c < kCodeAscii; ++c) {
      const std::uint8_t byte = CharTable[r][c];
      if (byte < 0x80) continue;
      EXPECT_EQ(Utf8Of(CharacterOf(c, byte)), testing::kRowChars[r])
          << "row " << r << ", code page " << c;
    }
  }
}

TEST(HighHalf, KamenickyLettersFillItsFirst44BytesAndKoi8csKeepsItsLayout) {
  for (int b = 0x80; b < 0xAC; ++b) {
    bool isRow = false;
    for (const auto& row : CharTable) isRow = isRow || row[kCodeKamenicky] == b;
    EXPECT_TRUE(isRow) << std::hex << b;
  }
  // Bytes of KOI8-ČS outside the table's letters, from its standard.
  EXPECT_EQ(CharacterOf(kCodeKoi8cs, 0xC0), U'à');
  EXPECT_EQ(CharacterOf(kCodeKoi8cs, 0xE2), U'Ǎ');
  EXPECT_EQ(CharacterOf(kCodeKoi8cs, 0xB9), U'§');
  EXPECT_EQ(CharacterOf(kCodeKoi8cs, 0xC7), kReplacementCharacter);  // the digraph ch
  EXPECT_EQ(CharacterOf(kCodeKoi8cs, 0xA4), kReplacementCharacter);
}

TEST(HighHalf, LowerHalvesAreAsciiAndAsciiDefinesNoUpperByte) {
  for (int b = 0; b < 0x100; ++b) {
    const auto byte = static_cast<std::uint8_t>(b);
    if (b >= 0x80) {
      EXPECT_EQ(CharacterOf(kCodeAscii, byte), kReplacementCharacter);
      continue;
    }
    for (CodePage c = 0; c < kCodePageCount; ++c) {
      EXPECT_EQ(CharacterOf(c, byte), static_cast<char32_t>(b));
    }
  }
}

}  // namespace
}  // namespace pismovar
