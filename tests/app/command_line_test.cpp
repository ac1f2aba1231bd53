// How the command tail is read: switches, name, help, and the values no radio button shows.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace pismovar {
namespace {

struct TailCase {
  const char* tail;
  bool help;
  bool autoRun;
  int codeIn, lineEndIn, codeOut, lineEndOut;
  const char* name;
  bool clipboard;
  bool inRange;
};

class CommandTailTest : public testing::TestWithParam<TailCase> {};

TEST_P(CommandTailTest, ReadsSwitchesAndName) {
  const TailCase& c = GetParam();
  const CommandLine line = ParseCommandTail(c.tail);
  EXPECT_EQ(line.bHelp, c.help);
  EXPECT_EQ(line.bAutoRun, c.autoRun);
  EXPECT_EQ(line.nCodeIn, c.codeIn);
  EXPECT_EQ(line.nLineEndIn, c.lineEndIn);
  EXPECT_EQ(line.nCodeOut, c.codeOut);
  EXPECT_EQ(line.nLineEndOut, c.lineEndOut);
  EXPECT_EQ(line.strName, c.name);
  EXPECT_EQ(line.bClipboard, c.clipboard);
  EXPECT_EQ(line.InRange(), c.inRange);
}

INSTANTIATE_TEST_SUITE_P(
    Tails, CommandTailTest,
    testing::Values(
        TailCase{"", false, false, 0, 0, 0, 0, "", false, true},
        TailCase{"\"muj dopis.txt\"", false, false, 0, 0, 0, 0, "muj dopis.txt", false, true},
        TailCase{"/41 /00 email.txt", false, true, 4, 1, 0, 0, "email.txt", false, true},
        TailCase{"/41 /00 \"email.txt\"", false, true, 4, 1, 0, 0, "email.txt", false, true},
        TailCase{"/41 email.txt", false, true, 4, 1, 0, 0, "email.txt", false, true},
        TailCase{"/4", false, true, 4, 0, 0, 0, "", false, true},
        TailCase{"/x9 a.txt", false, true, 0, 9, 0, 0, "a.txt", false, false},
        TailCase{"/41 /70 a.txt", false, true, 4, 1, 7, 0, "a.txt", false, false},
        TailCase{"/41 /00 clipboard", false, true, 4, 1, 0, 0, "clipboard", true, true},
        TailCase{"/41 /00 Clipboard.txt", false, true, 4, 1, 0, 0, "Clipboard.txt", false, true},
        TailCase{"a.txt /41 /00", false, true, 4, 1, 0, 0, "", false, true},
        TailCase{"/41 C:/texty/a.txt", false, true, 4, 1, 0, 0, "C:/texty/a.txt", false, true},
        TailCase{"/home/ja/dopis.txt", false, false, 0, 0, 0, 0, "/home/ja/dopis.txt", false,
                 true},
        TailCase{"/20 /home/ja/muj dopis.txt", false, true, 2, 0, 0, 0,
                 "/home/ja/muj dopis.txt", false, true},
        TailCase{"/20 /02 /home/ja/a.txt", false, true, 2, 0, 0, 2, "/home/ja/a.txt", false,
                 true},
        TailCase{"a/41 /50 b.txt", false, true, 5, 0, 0, 0, "b.txt", false, true},
        TailCase{"/? /41 /00 a.txt", true, false, 0, 0, 0, 0, "", false, true},
        TailCase{"/helpme", true, false, 0, 0, 0, 0, "", false, true},
        TailCase{"a.txt /help", true, false, 0, 0, 0, 0, "", false, true},
        TailCase{"/usr/share/help/a.txt", false, false, 0, 0, 0, 0, "/usr/share/help/a.txt",
                 false, true},
        TailCase{"/HELP", false, false, 0, 0, 0, 0, "/HELP", false, true},
        TailCase{"/HE", false, true, 0, 0, 0, 0, "", false, true},
        TailCase{"/00 /12 a/b/c.txt", false, true, 0, 0, 1, 2, "a/b/c.txt", false, true},
        TailCase{"muj dopis.txt  ", false, false, 0, 0, 0, 0, "muj dopis.txt  ", false, true},
        TailCase{"/20\t\n/02 x", false, true, 2, 0, 0, 2, "x", false, true}),
    [](const testing::TestParamInfo<TailCase>& caseInfo) {
      // The tail itself, letters and digits only, names the case.
      std::string name = std::to_string(caseInfo.index) + "_";
      for (const char* c = caseInfo.param.tail; *c; ++c) {
        if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
      }
      return name;
    });

TEST(CommandTail, JoinsArgumentsWithSingleBlanks) {
  const char* argv[] = {"pismovar", "/41", "/00", "muj dopis.txt"};
  EXPECT_EQ(CommandTail(4, argv), "/41 /00 muj dopis.txt");
  EXPECT_EQ(CommandTail(1, argv), "");
}

}  // namespace
}  // namespace pismovar
