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

TEST(Kernels, WideConversionGivesThePortableBytes) {
  if (!HaveWide()) GTEST_SKIP() << "this processor has no wide byte permutes";
  const auto texts = RandomTexts();
  for (CodePage from = 0; from < kCodePageCount; ++from) {
    const ByteMap map = BuildByteMap(from, (from + 3) % kCodePageCount);
    for (LineEnd endIn = 0; endIn < kLineEndCount; ++endIn) {
      for (LineEnd endOut = 0; endOut < kLineEndCount; ++endOut) {
        const std::string seqIn = LineEndSequence(endIn);
        const std::string seqOut = LineEndSequence(endOut);
        const Rewrite rewrite{static_cast<std::uint8_t>(seqIn[0]), seqIn.size() == 2,
                              static_cast<std::uint8_t>(seqIn.size() == 2 ? seqIn[1] : 0),
                              seqOut.data(), seqOut.size()};
        const Rewrite* r = endIn == endOut ? nullptr : &rewrite;
        for (const auto& text : texts) {
          const auto* in = reinterpret_cast<const std::uint8_t*>(text.data());
          std::vector<std::uint8_t> portable(2 * text.size() + kWriteSlack);
          std::vector<std::uint8_t> wide(portable.size());
          const std::size_t n = ConvertPortable(in, text.size(), portable.data(), map, r);
          ASSERT_EQ(ConvertWide(in, text.size(), wide.data(), map, r), n);
          ASSERT_TRUE(std::equal(portable.begin(), portable.begin() + n, wide.begin()))
              << "code page " << from << ", line ends " << endIn << " to " << endOut
              << ", size " << text.size();
        }
      }
    }
  }
}

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
