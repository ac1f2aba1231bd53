// pismovar-cli with UTF-8: conversions from and to every code page, detection, the
// byte-order mark, the report of replaced characters and malformed input, and --strict.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli_process.h"

namespace pismovar::cli::test {
namespace {
namespace fs = std::filesystem;

const char* const kCodePageNames[] = {"win", "kam", "lat", "iso", "mac", "koi8cs", "asc"};
constexpr int kAscii = 6;
const std::string kBom = "\xEF\xBB\xBF";

class Utf8CodePageTest : public testing::TestWithParam<int> {};

TEST_P(Utf8CodePageTest, ConvertsToAndFromUtf8) {
  const int codePage = GetParam();
  const std::string bytes = Encode(kCzechSlovakText, codePage);
  const CliResult toUtf8 = RunCli({"-f", kCodePageNames[codePage], "-t", "utf8"}, bytes);
  EXPECT_EQ(toUtf8.status, 0) << toUtf8.err;
  // ASCII has lost the diacritics already.
  EXPECT_EQ(toUtf8.out, codePage == kAscii ? bytes : kCzechSlovakText);
  EXPECT_EQ(toUtf8.err, "");
  const CliResult fromUtf8 =
      RunCli({"-f", "utf-8", "-t", kCodePageNames[codePage]}, kCzechSlovakText);
  EXPECT_EQ(fromUtf8.status, 0) << fromUtf8.err;
  EXPECT_EQ(fromUtf8.out, bytes);
  EXPECT_EQ(fromUtf8.err, codePage == kAscii ? AsciiLossReport("-") : "");
}

INSTANTIATE_TEST_SUITE_P(AllCodePages, Utf8CodePageTest, testing::Range(0, 7));

TEST(Utf8NamesTest, UtfEightIsNamedInEveryFormAndListed) {
  for (const char* name : {"utf8", "UTF-8", "7"}) {
    const CliResult result = RunCli({"-f", "win", "-t", name}, Encode("kůň", 0));
    EXPECT_EQ(result.out, "kůň") << name;
  }
  EXPECT_NE(RunCli({"--list"}).out.find("  7  UTF-8         utf8, utf-8"), std::string::npos);
}

TEST(Utf8DetectTest, RecognisesUtf8BeforeTheCodePages) {
  ScratchDir dir;
  WriteFile(dir / "u.txt", kCzechSlovakText);
  WriteFile(dir / "w.txt", Encode(kCzechSlovakText, 0));
  WriteFile(dir / "a.txt", "plain\r\ntext\r\n");
  const CliResult result = RunCli({"-d", "u.txt", "w.txt", "a.txt"}, {}, dir.Path());
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(
      result.out,
      "u.txt: UTF-8, Unix/Linux\nw.txt: Windows 1250, Unix/Linux\na.txt: ASCII, DOS/Windows\n");
  // Auto detection converts UTF-8 from standard input too, line ends with it.
  const CliResult converted = RunCli({"-t", "lat", "--eol-out", "dos"}, kBom + "kůň\nkoně\n");
  EXPECT_EQ(converted.status, 0) << converted.err;
  EXPECT_EQ(converted.out, Encode("kůň\r\nkoně\r\n", 2));
}

TEST(Utf8BomTest, InputMarkIsDroppedAndBomWritesOne) {
  EXPECT_EQ(RunCli({"-f", "utf8", "-t", "utf8"}, kBom + "á").out, "á");
  EXPECT_EQ(RunCli({"-f", "win", "-t", "utf8", "--bom"}, "\xE1").out, kBom + "á");
}

struct LossCase {
  const char* name;
  std::vector<std::string> args;
  std::string input;
  std::string output;
  std::string report;
};

class Utf8LossTest : public testing::TestWithParam<LossCase> {};

TEST_P(Utf8LossTest, ReportsWhatWasReplaced) {
  const LossCase& c = GetParam();
  const CliResult result = RunCli(c.args, c.input);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, c.output);
  EXPECT_EQ(result.err, c.report);
  std::vector<std::string> quiet = c.args;
  quiet.push_back("-q");
  EXPECT_EQ(RunCli(quiet, c.input).err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Utf8LossTest,
    testing::Values(
        LossCase{"CharactersTheCodePageLacks",
                 {"-f", "utf8", "-t", "kam"},
                 "€ a ∑ b",
                 "? a ? b",
                 "pismovar-cli: -: characters replaced: 2\n"},
        LossCase{"UndefinedBytes",
                 {"-f", "koi8cs", "-t", "utf8"},
                 "a\xA4",
                 "a\xEF\xBF\xBD",
                 "pismovar-cli: -: characters replaced: 1\n"},
        LossCase{"QuotationMarks",
                 {"-f", "utf8", "-t", "lat"},
                 "\xE2\x80\x9Ex\xE2\x80\x9C\n",
                 "\"x\"\n",
                 "pismovar-cli: -: characters replaced: 2\n"},
        LossCase{"BetweenCodePages",
                 {"-f", "lat", "-t", "win"},
                 "\xC4\xC4 25 \xF8",
                 "-- 25 \xB0",
                 "pismovar-cli: -: characters replaced: 2\n"},
        LossCase{"LettersOnlyPassesTheRestUncounted",
                 {"-f", "lat", "-t", "win", "--letters-only"},
                 "\xF8\xC4\xA0",
                 "\xF8\xC4\xE1",
                 ""},
        LossCase{"MalformedUtf8",
                 {"-f", "utf8", "-t", "iso"},
                 "ab\xC3(\xFF",
                 "ab?(?",
                 "pismovar-cli: -: malformed UTF-8 sequences: 2, the first at byte 2\n"},
        LossCase{"MalformedUtf8Repaired",
                 {"-f", "utf8", "-t", "utf8"},
                 "\xE2\x82",
                 "\xEF\xBF\xBD",
                 "pismovar-cli: -: malformed UTF-8 sequences: 1, the first at byte 0\n"}),
    [](const auto& param) { return param.param.name; });

TEST(Utf8StrictTest, AnyReplacementFailsAndLeavesAnInPlaceInputUntouched) {
  ScratchDir dir;
  const std::string lossy = "Ťava €\n";
  WriteFile(dir / "lossy.txt", lossy);
  WriteFile(dir / "clean.txt", "Ťava\n");
  const CliResult result = RunCli(
      {"--strict", "-i", "-f", "utf8", "-t", "lat", "lossy.txt", "clean.txt"}, {}, dir.Path());
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err,
            "pismovar-cli: lossy.txt: not converted: characters would be lost (--strict)\n"
            "pismovar-cli: lossy.txt: characters replaced: 1\n");
  EXPECT_EQ(ReadFile(dir / "lossy.txt"), lossy);
  EXPECT_EQ(ReadFile(dir / "clean.txt"), Encode("Ťava\n", 2));
  for (const auto& entry : fs::directory_iterator(dir.Path())) {
    EXPECT_FALSE(entry.path().filename().string().starts_with(".pismovar-")) << entry.path();
  }

  const CliResult malformed =
      RunCli({"--strict", "-f", "utf8", "-t", "utf8", "-o", (dir / "out.txt").string()}, "ok\x80");
  EXPECT_EQ(malformed.status, 1);
  EXPECT_FALSE(fs::exists(dir / "out.txt"));
}

}  // namespace
}  // namespace pismovar::cli::test
