#include "engine/char_table.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <set>
#include <string>

#include "test_host.h"

namespace pismovar {
namespace {

constexpr int kLetterRows = 44;  // the rest are the Macintosh quotation marks

// The single byte glibc's iconv gives `utf8` in `charset`, or -1.
int IconvByte(const char* charset, const std::string& utf8) {
  iconv_t cd = iconv_open(charset, "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return -1;
  std::string in = utf8;
  char out[8];
  char* inPtr = in.data();
  char* outPtr = out;
  size_t inLeft = in.size();
  size_t outLeft = sizeof out;
  const size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  iconv_close(cd);
  if (rc == static_cast<size_t>(-1) || outPtr - out != 1) return -1;
  return static_cast<unsigned char>(out[0]);
}

TEST(CharTable, NoHighByteTwiceInAColumnAndTheExpectedCounts) {
  const int expected[kCodePageCount] = {44, 44, 44, 44, 47, 44, 0};
  for (int column = 0; column < kCodePageCount; ++column) {
    std::set<unsigned char> high;
    int count = 0;
    for (const auto& row : CharTable) {
      if (row[column] < 0x80) continue;
      ++count;
      EXPECT_TRUE(high.insert(row[column]).second)
          << "column " << column << " holds 0x" << std::hex << int(row[column]) << " twice";
    }
    EXPECT_EQ(count, expected[column]) << "column " << column;
  }
}

TEST(CharTable, RowsReadAsSevenByteTexts) {
  for (const auto& row : CharTable) {
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(row)).size(), 7u);
  }
}

struct PublishedColumn {
  CodePage column;
  const char* charset;
  int rows;  // how many rows, from the first, the published code page must agree with
};

class CharTableAgreesWithIconv : public ::testing::TestWithParam<PublishedColumn> {};

TEST_P(CharTableAgreesWithIconv, ForEveryLetter) {
  const auto [column, charset, rows] = GetParam();
  for (int r = 0; r < rows; ++r) {
    EXPECT_EQ(IconvByte(charset, testing::kRowChars[r]), CharTable[r][column])
        << testing::kRowChars[r] << " in " << charset;
  }
}

INSTANTIATE_TEST_SUITE_P(Columns, CharTableAgreesWithIconv,
                         ::testing::Values(PublishedColumn{kCodeWin1250, "CP1250", kLetterRows},
                                           PublishedColumn{kCodeLatin2, "CP852", kLetterRows},
                                           PublishedColumn{kCodeIsoLatin2, "ISO-8859-2",
                                                           kLetterRows},
                                           PublishedColumn{kCodeMacintosh, "MAC-CENTRALEUROPE",
                                                           kCharTableRows}));

TEST(CharTable, AsciiColumnHoldsTheLetterWithoutDiacritics) {
  const std::string expected = "AaCcDdEeEeIiNnOoRrSsTtUuUuYyZzaAoOoOuUrRlLlL\"\"\"";
  for (int r = 0; r < kCharTableRows; ++r) {
    EXPECT_EQ(CharTable[r][kCodeAscii], static_cast<unsigned char>(expected[r])) << "row " << r;
  }
}

TEST(CharTable, DetectTableNamesTheNineDetectionLetters) {
  const int rows[kDetectTableRows] = {3, 17, 19, 29, 15, 1, 7, 23, 11};  // č ř š ž ó á é ú í
  for (int i = 0; i < kDetectTableRows; ++i) EXPECT_EQ(DetectTable[i], CharTable[rows[i]]);
}

struct MapCase {
  CodePage from;
  CodePage to;
  unsigned char in;
  unsigned char out;
};

class ByteMapCases : public ::testing::TestWithParam<MapCase> {};

TEST_P(ByteMapCases, MapsAsTheTableSays) {
  const auto [from, to, in, out] = GetParam();
  EXPECT_EQ(BuildByteMap(from, to)[in], out);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ByteMapCases,
    ::testing::Values(MapCase{kCodeWin1250, kCodeLatin2, 0xE8, 0x9F},    // č
                      MapCase{kCodeWin1250, kCodeLatin2, 0x80, 0x80},    // no row holds it
                      MapCase{kCodeWin1250, kCodeAscii, 0x8E, 'Z'},      // Ž
                      MapCase{kCodeWin1250, kCodeAscii, 0x84, 0x84},     // no row holds it
                      MapCase{kCodeWin1250, kCodeMacintosh, 0xD2, 0xC5}, // Ň, not a quote
                      MapCase{kCodeMacintosh, kCodeWin1250, 0xE3, '"'},  // „
                      MapCase{kCodeMacintosh, kCodeKoi8cs, 0xD2, '"'},   // “
                      MapCase{kCodeMacintosh, kCodeAscii, 0xD3, '"'},    // ”
                      MapCase{kCodeAscii, kCodeWin1250, 'Z', 'Z'},       // never looked up
                      MapCase{kCodeWin1250, kCodeMacintosh, '"', '"'},   // one way only
                      MapCase{kCodeKamenicky, kCodeKoi8cs, 0x91, 0xDA},  // ž
                      MapCase{kCodeKoi8cs, kCodeIsoLatin2, 0xF3, 0xA9}));  // Š

}  // namespace
}  // namespace pismovar
