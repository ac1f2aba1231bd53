// How the arguments are read: classic switches, names, the Linux options, and what is refused.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/translations.h"

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
  std::string badSwitch{};  // the argument a bad line names
};

class CommandLineTest : public testing::TestWithParam<LineCase> {};

TEST_P(CommandLineTest, ReadsSwitchesNamesAndOptions) {
  const LineCase& c = GetParam();
  std::vector<std::string> arguments{"/usr/bin/pismovar"};
  arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
  const CommandLine line = ParseCommandLine(arguments);
  EXPECT_EQ(line.action, c.action);
  EXPECT_EQ(line.strProgram, "pismovar");
  EXPECT_EQ(line.strBadSwitch, c.badSwitch);
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

LineCase Refused(std::vector<std::string> arguments, Action action, std::string badSwitch = {}) {
  return {std::move(arguments), action, false, 0, 0, 0, 0, {}, false, std::move(badSwitch)};
}
LineCase Bad(std::vector<std::string> arguments, std::string badSwitch) {
  return Refused(std::move(arguments), Action::kBadUsage, std::move(badSwitch));
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
        Refused({"--version", "/?"}, Action::kPrintVersion), Bad({"/x", "/y", "a.txt"}, "/x"),
        Bad({"/HE"}, "/HE"), Bad({"/"}, "/"), Bad({"/41", "/00", "/12", "a.txt"}, "/12"),
        Bad({"/90", "a.txt"}, "/90"), Bad({"/03", "a.txt"}, "/03"), Bad({"/00", "/80"}, "/80"),
        Bad({"a.txt", "--verbose"}, "--verbose"), Bad({"-x"}, "-x")));

TEST(CommandLine, BadUsageNamesTheSwitchBeforeTheUsage) {
  const CommandLine line = ParseCommandLine({"/usr/bin/pv", "a.txt", "/9"});
  const std::string text = BadUsageText(line).toStdString();
  EXPECT_EQ(text.find("/9"), text.find_first_of('/'));
  EXPECT_LT(text.find("/9"), text.find('\n'));
  EXPECT_NE(text.find("pv [/ab [/cd]]"), std::string::npos);
}

// The language follows gettext's rules, so that both programs speak alike.
TEST(CommandLine, LanguageIsCzechSlovakOrEnglish) {
  struct Row {
    const char* languageList;  // LANGUAGE
    const char* locale;        // the locale in force for messages
    const char* expected;
  };
  for (const Row& row : std::initializer_list<Row>{
           {"", "cs_CZ.UTF-8", "cs"},
           {"", "sk_SK.UTF-8", "sk"},
           {"", "en_GB.UTF-8", "en"},
           {"", "de_DE.UTF-8", "en"},
           {"", "pl_PL", "en"},
           {"", "C", "en"},
           {"", "C.UTF-8", "en"},
           {"", "POSIX", "en"},
           {"", "", "en"},
           {"sk", "cs_CZ.UTF-8", "sk"},
           {"de:sk_SK:cs", "de_DE.UTF-8", "sk"},
           {"de", "cs_CZ.UTF-8", "en"},
           {"cs", "C.UTF-8", "cs"},
           {"cs", "C", "en"},  // a plain C locale never translates
           {"en_US:cs", "cs_CZ.UTF-8", "en"},
       }) {
    EXPECT_EQ(ProgramLanguage(row.languageList, row.locale).toStdString(), row.expected)
        << "LANGUAGE=" << row.languageList << " locale " << row.locale;
  }
}

TEST(CommandLine, UsageNamesTheProgramAsStarted) {
  const std::string usage = UsageText("pv").toStdString();
  EXPECT_NE(usage.find("pv [/ab [/cd]]"), std::string::npos);
  EXPECT_NE(usage.find("pv /41 /00 email.txt"), std::string::npos);
  EXPECT_EQ(usage.find("%s"), std::string::npos);
  EXPECT_EQ(usage.find(".exe"), std::string::npos);
}

}  // namespace
}  // namespace pismovar
