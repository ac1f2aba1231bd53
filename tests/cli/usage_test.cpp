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
        BadUsageCase{{"-f", "win"}, "the output code page is missing (--to=CP, or --detect)"},
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
        BadUsageCase{{"-t", "win", "-x"}, "unknown option '-x'"},
        BadUsageCase{{"-t", "win", "-o", "out", "a", "b"}, "--output takes one input only"},
        BadUsageCase{{"-t", "win", "-i", "-o", "out", "a"},
                     "--in-place and --output exclude each other"},
        BadUsageCase{{"-t", "win", "-r", "dir"}, "--recursive works only with --in-place"},
        BadUsageCase{{"-t", "win", "-i"}, "--in-place needs at least one FILE"},
        BadUsageCase{{"-t", "win", "-i", "-"}, "--in-place cannot convert standard input"},
        BadUsageCase{{"-d", "-t", "win"},
                     "--detect converts nothing: it takes no --from, --to, --eol-in or --eol-out"},
        BadUsageCase{{"-d", "-i", "a"},
                     "--detect writes no file: it takes no --in-place or --output"}));

TEST(InformativeOptionsTest, HelpVersionAndListPrintAndSucceed) {
  const CliResult help = RunCli({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.starts_with("Usage: pismovar-cli [OPTION]... [FILE]...\n"));
  EXPECT_EQ(RunCli({"-V"}).out, "pismovar-cli 3.5.0\n");
  const CliResult list = RunCli({"--list"});
  EXPECT_EQ(list.status, 0);
  EXPECT_NE(list.out.find("  1  kam, kamenicky, keybcs2       Kamenických\n"), std::string::npos);
  EXPECT_NE(list.out.find("  2  unix, lf                      Unix/Linux\n"), std::string::npos);
}

// Output lost on a full disk is a failure in every mode, not only when converting.
TEST(InformativeOptionsTest, AFullDiskOnStandardOutputFails) {
  ScratchDir dir;
  WriteFile(dir / "a.txt", "text\n");
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--help"}, {"--version"}, {"--list"}, {"--detect", (dir / "a.txt").string()}}) {
    const pid_t pid = StartCli(args, -1, "/dev/full", dir / "err");
    EXPECT_EQ(WaitExit(pid), 1) << args[0];
    EXPECT_EQ(ReadFile(dir / "err"),
              "pismovar-cli: write error on standard output (No space left on device)\n");
  }
}

}  // namespace
}  // namespace pismovar::cli::test
