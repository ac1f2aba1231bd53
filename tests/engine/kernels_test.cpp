#include "engine/kernels.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/code_page.h"

namespace pismovar::kernels {
namespace {

// Texts of every length around the wide block size, full of line ends and high bytes.
std::vector<std::string> RandomTexts() {
  std::mt19937 random(7);
  const std::string alphabet = "ab\r\n\r\n\r\x9A\xE8\x80\xFF\xC1\x87\xA0\xD2";
  std::vector<std::string> texts;
  for (std::size_t size = 0; size < 300; ++size) {
    std::string text(size, ' ');
    for (char& ch : text) ch = alphabet[random() % alphabet.size()];
    texts.push_back(text);
  }
  return texts;
}

// Every rewrite a conversion can ask for: none, one sequence into another, and every line end
// into each sequence.
std::vector<Rewrite> AllRewrites(const std::vector<std::string>& sequences) {
  std::vector<Rewrite> rewrites;
  for (LineEnd endOut = 0; endOut < kLineEndCount; ++endOut) {
    const std::string& seqOut = sequences[endOut];
    for (LineEnd endIn = 0; endIn < kLineEndCount; ++endIn) {
      const std::string& seqIn = sequences[endIn];
      if (endIn == endOut) continue;
      rewrites.push_back({static_cast<std::uint8_t>(seqIn[0]), seqIn.size() == 2,
                          static_cast<std::uint8_t>(seqIn.size() == 2 ? seqIn[1] : 0),
                          seqOut.data(), seqOut.size()});
    }
    Rewrite any;
    any.out = seqOut.data();
    any.outSize = seqOut.size();
    any.anyLineEnd = true;
    rewrites.push_back(any);
  }
  return rewrites;
}

TEST(Kernels, WideConversionGivesThePortableBytesAndCount) {
  if (!HaveWide()) GTEST_SKIP() << "this processor has no wide byte permutes";
  const auto texts = RandomTexts();
  const std::vector<std::string> sequences = {
      LineEndSequence(kLineEndDos), LineEndSequence(kLineEndMac), LineEndSequence(kLineEndUnix)};
  std::vector<const Rewrite*> rewrites = {nullptr};
  const std::vector<Rewrite> all = AllRewrites(sequences);
  for (const Rewrite& rewrite : all) rewrites.push_back(&rewrite);
  ByteFlags substituted{};
  for (int b = 0x80; b < 256; ++b) substituted[b] = static_cast<std::uint8_t>(b % 3 == 0);
  for (CodePage from = 0; from < kCodePageCount; ++from) {
    const ByteMap map = BuildByteMap(from, (from + 3) % kCodePageCount);
    for (const Rewrite* r : rewrites) {
      for (const auto& text : texts) {
        const auto* in = reinterpret_cast<const std::uint8_t*>(text.data());
        std::vector<std::uint8_t> portable(2 * text.size() + kWriteSlack);
        std::vector<std::uint8_t> wide(portable.size());
        std::uint64_t portableCount = 0;
        std::uint64_t wideCount = 0;
        const std::size_t n =
            ConvertPortable(in, text.size(), portable.data(), map, substituted, r, portableCount);
        ASSERT_EQ(ConvertWide(in, text.size(), wide.data(), map, substituted, r, wideCount), n);
        ASSERT_TRUE(std::equal(portable.begin(), portable.begin() + n, wide.begin()))
            << "code page " << from << ", rewrite " << (r - all.data()) << ", size " << text.size();
        ASSERT_EQ(wideCount, portableCount);
        std::uint64_t flagged = 0;
        for (const char ch : text) flagged += substituted[static_cast<std::uint8_t>(ch)];
        ASSERT_EQ(portableCount, flagged);
      }
    }
  }
}

struct AnyLineEndCase {
  std::string in;
  std::string out;
  std::string expected;
};

class AnyLineEnd : public ::testing::TestWithParam<AnyLineEndCase> {};

TEST_P(AnyLineEnd, RewritesEveryLineEndWhole) {
  const AnyLineEndCase& c = GetParam();
  Rewrite any;
  any.out = c.out.data();
  any.outSize = c.out.size();
  any.anyLineEnd = true;
  ByteMap map{};
  for (int b = 0; b < 256; ++b) map[b] = static_cast<std::uint8_t>(b);
  std::vector<std::uint8_t> out(2 * c.in.size() + kWriteSlack);
  std::uint64_t count = 0;
  const std::size_t n = ConvertPortable(reinterpret_cast<const std::uint8_t*>(c.in.data()),
                                        c.in.size(), out.data(), map, ByteFlags{}, &any, count);
  EXPECT_EQ(std::string(out.begin(), out.begin() + n), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, AnyLineEnd,
                         ::testing::Values(AnyLineEndCase{"a\nb\r\nc\rd\n", "\r\n",
                                                          "a\r\nb\r\nc\r\nd\r\n"},
                                           AnyLineEndCase{"a\r\r\nb\n\r", "\n", "a\n\nb\n\n"},
                                           AnyLineEndCase{"\n\r\n\r", "\r", "\r\r\r"},
                                           AnyLineEndCase{"a\r\nb", "\r\n", "a\r\nb"}));

TEST(Kernels, WideTallyGivesThePortableCounts) {
  if (!HaveWide()) GTEST_SKIP() << "this processor has no wide byte permutes";
  CodePageMask mask{};
  for (int b = 0x80; b < 256; ++b) mask[b] = static_cast<std::uint8_t>(b * 37 % 64);
  for (const auto& text : RandomTexts()) {
    const auto* in = reinterpret_cast<const std::uint8_t*>(text.data());
    DetectCounts portable;
    DetectCounts wide;
    TallyPortable(in, text.size(), mask, portable);
    TallyWide(in, text.size(), mask, wide);
    ASSERT_EQ(wide.code, portable.code) << "size " << text.size();
    ASSERT_EQ(wide.cr, portable.cr);
    ASSERT_EQ(wide.lf, portable.lf);
  }
}

}  // namespace
}  // namespace pismovar::kernels
