#include "engine/file_list.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace pismovar {
namespace {

TEST(FileList, OneFileStandsBareSeveralAreQuoted) {
  EXPECT_EQ(BuildFileList({"/t/a b.txt"}), "/t/a b.txt");
  EXPECT_EQ(BuildFileList({"/t/a.txt", "/t/b.txt", "/c.txt"}),
            " \"/t/a.txt\" \"/t/b.txt\" \"/c.txt\"");
}

TEST(FileList, CutsNamesInOrderUntilNoneIsLeft) {
  std::string list = BuildFileList({"/t/a.txt", "", "/t/c d.txt"});
  std::vector<std::string> names;
  while (list.size() > 2) {
    auto name = TakeFirstListName(list);
    ASSERT_TRUE(name);
    names.push_back(*name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"/t/a.txt", "", "/t/c d.txt"}));
  EXPECT_EQ(list, "");
}

TEST(FileList, AFileNamedTwiceInAnySpellingStaysOnceInItsFirstPlace) {
  const std::string dir = ::testing::TempDir();
  const std::string a = dir + "/file_list_a.txt";
  std::fclose(std::fopen(a.c_str(), "w"));
  EXPECT_EQ(WithoutRepeats({a, "/nonexistent/b", dir + "/./file_list_a.txt", "/nonexistent/b"}),
            (std::vector<std::string>{a, "/nonexistent/b"}));
  std::remove(a.c_str());
}

TEST(FileList, ATextWithoutAQuoteCannotBeCut) {
  std::string typed = "typed name.txt";
  EXPECT_FALSE(TakeFirstListName(typed));
  EXPECT_EQ(typed, "typed name.txt");
}

struct CountCase {
  std::string text;
  int count;
};

class CountListNamesCases : public ::testing::TestWithParam<CountCase> {};

TEST_P(CountListNamesCases, FollowTheText) {
  EXPECT_EQ(CountListNames(GetParam().text), GetParam().count) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Cases, CountListNamesCases,
                         ::testing::Values(CountCase{"", 0}, CountCase{"a.txt", 1},
                                           CountCase{"muj \"dopis\".txt", 1},
                                           CountCase{" \"/a\" \"/b\" \"/c\"", 3},
                                           CountCase{" \"/a\" \"/b", 1},
                                           CountCase{" \"/a\" x", 1},
                                           CountCase{" \"\" \"/b\"", 2}));

}  // namespace
}  // namespace pismovar
