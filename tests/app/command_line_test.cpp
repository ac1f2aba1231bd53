// How the arguments are read: classic switches, names, the Linux options, and what is refused.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pismovar {
namespace {

using Action = CommandAction;

struct LineCase {
  std::vector<std::string> arguments;  // after the program's name
  Action action;
  bool autoRun;
  int codeIn, lineEndIn, codeOut, lineEndOut;
  std::vector<std::string> names;
  bool clipboard;
};

class CommandLineTest : public testing::TestWithParam<LineCase> {};

TEST_P(CommandLineTest, ReadsSwitchesNamesAndOptions) {
  const LineCase& c = GetParam();
  std::vector<std::string> arguments{"/usr/bin/pismovar"};
  arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
  const CommandLine line = ParseCommandLine(arguments);
  EXPECT_EQ(line.action, c.action);
  EXPECT_EQ(line.strProgram, "pismovar");
  if (c.action != Action::kDialog) return;
  EXPECT_EQ(line.bAutoRun, c.autoRun);
  EXPECT_EQ(line.nCodeIn, c.codeIn);
  EXPECT_EQ(line.nLineEndIn, c.lineEndIn);
  EXPECT_EQ(line.nCodeOut, c.codeOut);
  EXPECT_EQ(line.nLineEndOut, c.lineEndOut);
  EXPECT_EQ(line.names, c.names);
  EXPECT_EQ(line.bClipboard, c.clipboard);
}

const LineCase kDialog{{}, Action::kDialog, false, 0, 0, 0, 0, {}, false};

LineCase Refused(std::vector<std::string> arguments, Action action = Action::kBadUsage) {
  return {std::move(arguments), action, false, 0, 0, 0, 0, {}, false};
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CommandLineTest,
    testing::Values(
        kDialog,
        LineCase{
            {"\"muj dopis.txt\""}, Action::kDialog, false, 0, 0, 0, 0, {"muj dopis.txt"}, false},
        LineCase{
            {"/41", "/00", "email.txt"}, Action::kDialog, true, 4, 1, 0, 0, {"email.txt"}, false},
        LineCase{{"/41", "email.txt"}, Action::kDialog, true, 4, 1, 0, 0, {"email.txt"}, false},
        LineCase{{"/4"}, Action::kDialog, true, 4, 0, 0, 0, {}, false},
        LineCase{{"/70", "/72", "a.txt"}, Action::kDialog, true, 7, 0, 7, 2, {"a.txt"}, false},
        LineCase{
            {"/41", "/00", "clipboard"}, Action::kDialog, true, 4, 1, 0, 0, {"clipboard"}, true},
        LineCase{{"/41", "/00", "Clipboard.txt"},
                 Action::kDialog,
                 true,
                 4,
                 1,
                 0,
                 0,
                 {"Clipboard.txt"},
                 false},
        LineCase{{"Clipboard", "a.txt"},
                 Action::kDialog,
                 false,
                 0,
                 0,
                 0,
                 0,
                 {"Clipboard", "a.txt"},
                 false},
        LineCase{{"a.txt", "/41", "/00"}, Action::kDialog, true, 4, 1, 0, 0, {"a.txt"}, false},
        LineCase{{"/20", "/02", "/home/ja/a.txt", "b c.txt"},
                 Action::kDialog,
                 true,
                 2,
                 0,
                 0,
                 2,
                 {"/home/ja/a.txt", "b c.txt"},
                 false},
        LineCase{{"/usr/share/help/a.txt"},
                 Action::kDialog,
                 false,
                 0,
                 0,
                 0,
                 0,
                 {"/usr/share/help/a.txt"},
                 false},
        LineCase{{"/HELP"}, Action::kDialog, false, 0, 0, 0, 0, {"/HELP"}, false},
        LineCase{{"/20", "--", "-x.txt", "/41"},
                 Action::kDialog,
                 true,
                 2,
                 0,
                 0,
                 0,
                 {"-x.txt", "/41"},
                 false},
        LineCase{{"-"}, Action::kDialog, false, 0, 0, 0, 0, {"-"}, false},
        Refused({"/?", "/41", "/00", "a.txt"}, Action::kUsageDialog),
        Refused({"/helpme"}, Action::kUsageDialog),
        Refused({"a.txt", "/help"}, Action::kUsageDialog), Refused({"--help"}, Action::kPrintUsage),
        Refused({"/x", "-h"}, Action::kPrintUsage), Refused({"-V"}, Action::kPrintVersion),
        Refused({"--version", "/?"}, Action::kPrintVersion), Refused({"/x", "/y", "a.txt"}),
        Refused({"/HE"}), Refused({"/"}), Refused({"/41", "/00", "/12", "a.txt"}),
        Refused({"/90", "a.txt"}), Refused({"/03", "a.txt"}), Refused({"/00", "/80"}),
        Refused({"--verbose", "a.txt"}), Refused({"-x"})));

TEST(CommandLine, UsageNamesTheProgramAsStarted) {
  const std::string usage = UsageText("pv").toStdString();
  EXPECT_NE(usage.find("pv [/ab [/cd]]"), std::string::npos);
  EXPECT_NE(usage.find("pv /41 /00 email.txt"), std::string::npos);
  EXPECT_EQ(usage.find("%s"), std::string::npos);
  EXPECT_EQ(usage.find(".exe"), std::string::npos);
}

}  // namespace
}  // namespace pismovar
