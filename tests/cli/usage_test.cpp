// pismovar-cli's command line: bad usage exits 2 with a reason and a hint, the informative
// options print and succeed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli_process.h"

namespace pismovar::cli::test {
namespace {

struct BadUsageCase {
  std::vector<std::string> args;
  std::string reason;
};

class BadUsageTest : public testing::TestWithParam<BadUsageCase> {};

TEST_P(BadUsageTest, ExitsTwoWithReasonAndHint) {
  const CliResult result = RunCli(GetParam().args, "text");
  EXPECT_EQ(result.status, 2);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "pismovar-cli: " + GetParam().reason +
                            "\nTry 'pismovar-cli --help' for more information.\n");
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, BadUsageTest,
    testing::Values(
        BadUsageCase{{"-f", "win"}, "nothing to do: say --to=CP, --eol-out=LE or --detect"},
        BadUsageCase{{"-t", "latin2"},
                     "'latin2' is ambiguous: say 'lat' for code page 852 or 'iso' for ISO 8859-2"},
        BadUsageCase{{"-t", "8"}, "unknown code page '8' (see --list)"},
        BadUsageCase{{"-t", "utf-16"}, "unknown code page 'utf-16' (see --list)"},
        BadUsageCase{{"-t", "win", "--bom"}, "--bom needs UTF-8 output (--to=utf8)"},
        BadUsageCase{{"-d", "--strict"},
                     "--detect converts nothing: it takes no --strict, --bom or --letters-only"},
        BadUsageCase{{"-t", "utf8", "--letters-only"},
                     "--letters-only works between 8-bit code pages only"},
        BadUsageCase{{"-t", "win", "--eol-out=3"}, "unknown line end '3' (see --list)"},
        BadUsageCase{{"-t", "win", "-o"}, "option '-o' needs a value"},
        BadUsageCase{{"-t", "win", "--bogus"}, "unknown option '--bogus'"},
        BadUsageCase{{"-t", "win", "--quick=1"}, "option '--quick' takes no value"},
        BadUsageCase{{"-t", "win", "--in-place=yes"}, "option '--in-place' takes no value"},
        BadUsageCase{{"-t", "win", "--e=dos"}, "option '--e' is ambiguous"},
        BadUsageCase{{"-t", "win", "-qo"}, "option '-o' needs a value"},
        BadUsageCase{{"-t", "win", "--quiet", "-xq"}, "unknown option '-x'"},
        BadUsageCase{{"-t", "L2"},
                     "'L2' is ambiguous: say 'lat' for code page 852 or 'iso' for ISO 8859-2"},
        BadUsageCase{{"-t", "LATIN-2"},
                     "'LATIN-2' is ambiguous: say 'lat' for code page 852 or 'iso' for ISO "
                     "8859-2"},
        BadUsageCase{{"-t", "win", "-x"}, "unknown option '-x'"},
        BadUsageCase{{"-t", "win", "-o", "", "a"}, "--output needs a file name"},
        BadUsageCase{{"-t", "win", "-o", "out", "a", "b"}, "--output takes one input only"},
        BadUsageCase{{"-t", "win", "-i", "-o", "out", "a"},
                     "--in-place and --output exclude each other"},
        BadUsageCase{{"-t", "win", "-r", "dir"}, "--recursive works only with --in-place"},
        BadUsageCase{{"-t", "win", "-i"}, "--in-place needs at least one FILE"},
        BadUsageCase{{"-t", "win", "-i", "-"}, "--in-place cannot convert standard input"},
        BadUsageCase{{"-d", "-t", "win"},
                     "--detect converts nothing: it takes no --from, --to, --eol-in or --eol-out"},
        BadUsageCase{{"-d", "-i", "a"},
                     "--detect writes no file: it takes no --in-place or --output"},
        BadUsageCase{{"-t", "win", "-v"}, "--verbose works only with --detect"},
        BadUsageCase{{"--repair", "-t", "win"},
                     "--repair keeps the code page and line ends: it takes no --detect, --to, "
                     "--eol-in, --eol-out, --strict, --bom or --letters-only"},
        BadUsageCase{{"--repair", "-i", "a"},
                     "--repair writes to standard output or to --output"}));

TEST(InformativeOptionsTest, HelpVersionAndListPrintAndSucceed) {
  const CliResult help = RunCli({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.starts_with("Usage: pismovar-cli [OPTION]... [FILE]...\n"));
  const std::string version = RunCli({"-V"}).out;
  EXPECT_TRUE(version.starts_with("pismovar-cli 3.5.0\nCopyright (C) 2026"));
  EXPECT_NE(version.find("License GPLv3+"), std::string::npos);
  const CliResult list = RunCli({"--list"});
  EXPECT_EQ(list.status, 0);
  EXPECT_NE(list.out.find("  1  Kamenický     kam, kamenicky, keybcs2, kamenickych\n"),
            std::string::npos);
  EXPECT_NE(list.out.find("  2  Unix/Linux    unix, lf\n"), std::string::npos);
}

struct NameCase {
  const char* name;
  int codePage;
};

class CodePageNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(CodePageNameTest, ConvertsToTheNamedCodePage) {
  const CliResult result = RunCli({"-f", "win", "-t", GetParam().name}, Encode("Kůň Ťava", 0));
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, Encode("Kůň Ťava", GetParam().codePage));
}

// glibc's and IANA's names in their own spellings, and the captions --detect prints.
INSTANTIATE_TEST_SUITE_P(Names, CodePageNameTest,
                         testing::Values(NameCase{"WINDOWS-1250", 0}, NameCase{"CP1250", 0},
                                         NameCase{"KEYBCS2", 1}, NameCase{"Kamenických", 1},
                                         NameCase{"CP852", 2}, NameCase{"IBM852", 2},
                                         NameCase{"852", 2}, NameCase{"Latin-2", 2},
                                         NameCase{"ISO-8859-2", 3}, NameCase{"ISO_8859-2", 3},
                                         NameCase{"ISO8859-2", 3}, NameCase{"iso_8859-2:1987", 3},
                                         NameCase{"ISO Latin-2", 3},
                                         NameCase{"MAC-CENTRALEUROPE", 4}, NameCase{"Macintosh", 4},
                                         NameCase{"KOI8-ČS", 5}, NameCase{"koi8-čs", 5},
                                         NameCase{"US-ASCII", 6}, NameCase{"ANSI_X3.4-1968", 6}));

TEST(LineEndNameTest, CaptionsNameLineEnds) {
  EXPECT_EQ(RunCli({"-f", "win", "-t", "win", "--eol-in", "Unix/Linux", "--eol-out", "DOS/Windows"},
                   "a\nb")
                .out,
            "a\r\nb");
}

// A failed write to standard output is an error in every mode, however it is written.
class FullStandardOutputTest : public testing::TestWithParam<std::vector<std::string>> {};

TEST_P(FullStandardOutputTest, ExitsOneWithAMessage) {
  ScratchDir dir;
  WriteFile(dir / "in", Encode(kCzechSlovakText, 0));
  std::vector<std::string> args = GetParam();
  for (std::string& arg : args) {
    if (arg == "IN") arg = (dir / "in").string();
  }
  const pid_t pid = StartCli(args, -1, "/dev/full", dir / "err");
  EXPECT_EQ(WaitExit(pid), 1);
  EXPECT_EQ(ReadFile(dir / "err"),
            "pismovar-cli: standard output: cannot write: No space left on device\n");
}

INSTANTIATE_TEST_SUITE_P(Modes, FullStandardOutputTest,
                         testing::Values(std::vector<std::string>{"--help"},
                                         std::vector<std::string>{"--version"},
                                         std::vector<std::string>{"--list"},
                                         std::vector<std::string>{"--detect", "IN"},
                                         std::vector<std::string>{"-t", "win", "IN"}));

// The messages follow LANGUAGE; the system's reason after them may or may not be translated.
TEST(LanguageTest, MessagesSpeakTheUsersLanguage) {
  const struct {
    const char* language;
    const char* prefix;
  } cases[] = {{"cs", "pismovar-cli: nic.txt: nelze otevřít: "},
               {"sk", "pismovar-cli: nic.txt: nedá sa otvoriť: "},
               {"en", "pismovar-cli: nic.txt: cannot open: "}};
  ScratchDir dir;
  for (const auto& c : cases) {
    const CliResult result =
        RunCli({"-f", "kam", "-t", "win", "nic.txt"}, {}, dir.Path(), {}, c.language);
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.err.starts_with(c.prefix)) << c.language << ": " << result.err;
  }
}

}  // namespace
}  // namespace pismovar::cli::test
