// What pismovar-cli writes: every pair of code pages, every pair of line ends, the defaults
// and the detected choices, checked against bytes made without the program's own tables.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <tuple>

#include "cli_process.h"

namespace pismovar::cli::test {
namespace {

constexpr int kAscii = 6;
const char* const kCodePageNames[] = {"win", "kam", "lat", "iso", "mac", "koi8cs", "asc"};

class CodePagePairTest : public testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(CodePagePairTest, ConvertsStandardInputToKnownBytes) {
  const auto [from, to] = GetParam();
  const std::string input = Encode(kCzechSlovakText, from);
  // Text in ASCII has no accented letters left to convert.
  const std::string expected = Encode(kCzechSlovakText, from == kAscii ? kAscii : to);
  const CliResult result = RunCli({"-f", kCodePageNames[from], "-t", std::to_string(to)}, input);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, expected);
  EXPECT_EQ(result.err, to == kAscii && from != kAscii ? AsciiLossReport("-") : "");
}

INSTANTIATE_TEST_SUITE_P(AllPairs, CodePagePairTest,
                         testing::Combine(testing::Range(0, 7), testing::Range(0, 7)));

struct AliasCase {
  const char* name;
  int codePage;
};

class CodePageAliasTest : public testing::TestWithParam<AliasCase> {};

TEST_P(CodePageAliasTest, NameSelectsItsCodePageInAnyLetterCase) {
  const CliResult result = RunCli({"--from=CP1250", std::string("--to=") + GetParam().name},
                                  Encode(kCzechSlovakText, 0));
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, Encode(kCzechSlovakText, GetParam().codePage));
}

INSTANTIATE_TEST_SUITE_P(Names, CodePageAliasTest,
                         testing::Values(AliasCase{"windows-1250", 0}, AliasCase{"KAMENICKY", 1},
                                         AliasCase{"keybcs2", 1}, AliasCase{"Cp852", 2},
                                         AliasCase{"ibm852", 2}, AliasCase{"pc2", 2},
                                         AliasCase{"ISO-8859-2", 3}, AliasCase{"il2", 3},
                                         AliasCase{"MacCentralEurope", 4}, AliasCase{"macce", 4},
                                         AliasCase{"KOI8-CS", 5}, AliasCase{"ascii", 6}));

// Every kind of line end in one text: CR LF, a lone CR, a lone LF.
const std::string kMixedLineEnds = "a\r\nb\rc\nd\r\n";

struct LineEndCase {
  const char* in;
  const char* out;
  std::string expected;
};

class LineEndPairTest : public testing::TestWithParam<LineEndCase> {};

TEST_P(LineEndPairTest, RewritesOnlyTheInputLineEnd) {
  const LineEndCase& c = GetParam();
  const CliResult result = RunCli({"-f", "win", "-t", "win", std::string("--eol-in=") + c.in,
                                   std::string("--eol-out=") + c.out},
                                  kMixedLineEnds);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, c.expected);
}

INSTANTIATE_TEST_SUITE_P(AllPairs, LineEndPairTest,
                         testing::Values(LineEndCase{"dos", "dos", kMixedLineEnds},
                                         LineEndCase{"dos", "mac", "a\rb\rc\nd\r"},
                                         LineEndCase{"crlf", "unix", "a\nb\rc\nd\n"},
                                         LineEndCase{"mac", "dos", "a\r\n\nb\r\nc\nd\r\n\n"},
                                         LineEndCase{"1", "1", kMixedLineEnds},
                                         LineEndCase{"cr", "2", "a\n\nb\nc\nd\n\n"},
                                         LineEndCase{"unix", "0", "a\r\r\nb\rc\r\nd\r\r\n"},
                                         LineEndCase{"lf", "mac", "a\r\rb\rc\rd\r\r"},
                                         LineEndCase{"2", "unix", kMixedLineEnds}));

TEST(LineEndDefaultTest, LineEndsStayExactlyAsTheyAreWithoutEolOut) {
  const CliResult result = RunCli({"-f", "win", "-t", "lat"}, kMixedLineEnds);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, kMixedLineEnds);
}

TEST(LineEndDefaultTest, EolOutAloneRewritesEveryLineEnd) {
  EXPECT_EQ(RunCli({"-f", "win", "-t", "win", "--eol-out", "unix"}, kMixedLineEnds).out,
            "a\nb\nc\nd\n");
  EXPECT_EQ(RunCli({"-f", "win", "-t", "lat", "--eol-out", "dos"}, kMixedLineEnds).out,
            "a\r\nb\r\nc\r\nd\r\n");
  // One line, which detection would take for DOS/Windows, and a detected code page.
  EXPECT_EQ(RunCli({"-t", "win", "--eol-out", "dos"}, "a\n").out, "a\r\n");
  // Without a code page only the line ends change, whatever the text's bytes are.
  const std::string anyBytes = "\x87\xc4\x8d\xff\r\x80\n";
  const CliResult alone = RunCli({"--eol-out", "unix"}, anyBytes);
  EXPECT_EQ(alone.status, 0) << alone.err;
  EXPECT_EQ(alone.out, "\x87\xc4\x8d\xff\n\x80\n");
}

TEST(AutoDetectTest, DetectsTheCodePageOfStandardInputAndOfFiles) {
  ScratchDir dir;
  const std::string kamenicky = Encode(kCzechSlovakText, 1);
  WriteFile(dir / "text.txt", kamenicky);
  const std::string expected = Encode(kCzechSlovakText, 0);

  const CliResult fromStdin = RunCli({"-t", "win"}, kamenicky);
  EXPECT_EQ(fromStdin.status, 0) << fromStdin.err;
  EXPECT_EQ(fromStdin.out, expected);

  const CliResult fromFile = RunCli({"-t", "win", (dir / "text.txt").string()});
  EXPECT_EQ(fromFile.status, 0) << fromFile.err;
  EXPECT_EQ(fromFile.out, expected);
}

TEST(AutoDetectTest, AnUncertainGuessLeavesAFileAsItWasUnlessForced) {
  ScratchDir dir;
  const std::string file = (dir / "a.txt").string();
  const std::string unclear = "Pri\xA9la\n";  // one letter, read alike by several code pages
  WriteFile(file, unclear);

  const CliResult detected = RunCli({"--detect", "--verbose", file});
  EXPECT_NE(detected.out.find(" (uncertain), runner-up "), std::string::npos) << detected.out;
  const CliResult refused = RunCli({"-t", "utf8", "-i", file});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err,
            "pismovar-cli: " + file + ": cannot tell the code page; name it with -f\n");
  EXPECT_EQ(ReadFile(file), unclear);
  EXPECT_EQ(RunCli({"-t", "utf8", "-i", "--force", file}).status, 0);
  EXPECT_NE(ReadFile(file), unclear);
}

TEST(RepairTest, UndoesUtf8ReadAsWindows1250AndSaysSo) {
  // "Příliš žluťoučký kůň" in UTF-8, read as Windows 1250 and saved as UTF-8 again.
  const std::string damaged =
      "P\xC4\xB9\xE2\x84\xA2\xC4\x82\xC2\xADli\xC4\xB9\xCB\x87 "
      "\xC4\xB9\xC4\xBElu\xC4\xB9\xC4\x84ou\xC3\x84\xC5\xA4k\xC4\x82\xCB\x9D "
      "k\xC4\xB9\xC5\xBB\xC4\xB9\xC2\x88\n";
  const CliResult repaired = RunCli({"--repair"}, damaged);
  EXPECT_EQ(repaired.status, 0);
  EXPECT_EQ(repaired.out, "Příliš žluťoučký kůň\n");
  EXPECT_EQ(repaired.err, "pismovar-cli: -: repaired UTF-8 read as Windows 1250: 9 letters\n");
  EXPECT_EQ(RunCli({"--repair"}, repaired.out).err, "pismovar-cli: -: nothing to repair\n");
  EXPECT_TRUE(RunCli({"--detect", "-v"}, damaged)
                  .out.ends_with("; damaged: UTF-8 read as Windows 1250 (--repair undoes it)\n"));
}

TEST(StandardStreamsTest, FilesGoToStandardOutputOneAfterAnother) {
  ScratchDir dir;
  WriteFile(dir / "a.txt", Encode("Žluťoučký kůň\n", 0));
  WriteFile(dir / "b.txt", Encode("Ďábelské ódy\n", 0));
  const CliResult result =
      RunCli({"-f", "win", "-t", "iso", (dir / "a.txt").string(), "-", (dir / "b.txt").string()},
             Encode("úpěl\n", 0));
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, Encode("Žluťoučký kůň\núpěl\nĎábelské ódy\n", 3));
}

TEST(StandardStreamsTest, OutputOptionWritesStandardInputToTheFile) {
  ScratchDir dir;
  const CliResult result =
      RunCli({"-t", "lat", "-o", (dir / "out.txt").string()}, Encode(kCzechSlovakText, 4));
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(ReadFile(dir / "out.txt"), Encode(kCzechSlovakText, 2));
}

TEST(StandardStreamsTest, AFileGivenHalfReadIsConvertedFromWhereItStands) {
  ScratchDir dir;
  // Larger than a read, so that its chunks are read at offsets.
  std::string text;
  while (text.size() < (3u << 20)) text += kCzechSlovakText;
  WriteFile(dir / "in.txt", "read" + Encode(text, 0));
  const int fd = ::open((dir / "in.txt").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::lseek(fd, 4, SEEK_SET), 4);
  const pid_t pid = StartCli({"-f", "win", "-t", "lat"}, fd, dir / "out.txt", dir / "err.txt");
  ::close(fd);
  EXPECT_EQ(WaitExit(pid), 0) << ReadFile(dir / "err.txt");
  EXPECT_TRUE(ReadFile(dir / "out.txt") == Encode(text, 2));
}

}  // namespace
}  // namespace pismovar::cli::test
