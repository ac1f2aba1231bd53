#include "cli/binary_check.h"

#include <gtest/gtest.h>

#include <string>

namespace pismovar::cli {
namespace {

struct SampleCase {
  std::string bytes;
  bool binary;
};

class LooksBinaryTest : public testing::TestWithParam<SampleCase> {};

TEST_P(LooksBinaryTest, TellsTextFromBinary) {
  const std::string& bytes = GetParam().bytes;
  EXPECT_EQ(LooksBinary(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()),
            GetParam().binary);
}

INSTANTIATE_TEST_SUITE_P(Samples, LooksBinaryTest,
                         testing::Values(SampleCase{"", false},
                                         SampleCase{"tab\there\r\nform\ffeed\n\xE8\x9A\xFF", false},
                                         SampleCase{std::string("text\0", 5), true},
                                         // One control character in ten is still text; more is not.
                                         SampleCase{"\x1b[1mbold text here!\x1b", false},
                                         SampleCase{"\x1b[1mbold text here!\x1b\x7f", true}));

}  // namespace
}  // namespace pismovar::cli
