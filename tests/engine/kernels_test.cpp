#include "engine/kernels/kernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "engine/code_page.h"
#include "engine/kernels/reference.h"
#include "engine/kernels/targets.h"

namespace pismovar::kernels {

void PrintTo(const Target& target, std::ostream* os) { *os << target.name; }

namespace {

// Random texts of every length across a few blocks of the widest form, built from pieces
// that stress the block edges: line ends, high bytes, UTF-8 sequences of every length and
// malformed ones. Then real text, and a long run of one letter that fills every lane's
// counters.
std::vector<std::string> Texts() {
  const std::vector<std::string> pieces = {
      "a", " ", "\r", "\n",   "\r\n", "č",    "Ž",    "ň",    "ő",        "„",        "€",
      "😀", "ß", "Ω",  "\x9A", "\xE8", "\x80", "\xFF", "\xC3", "\xE2\x82", "\xC0\xAF", "\xC5"};
  std::mt19937 random(7);
  std::vector<std::string> texts;
  for (std::size_t count = 0; count < 260; ++count) {
    std::string text;
    while (text.size() < count) {
      // Mostly ASCII and Czech letters, so that the wide forms take their fast paths.
      const std::size_t pick = random() % 3 == 0 ? random() % pieces.size() : random() % 7;
      text += pieces[pick];
    }
    texts.push_back(text);
  }
  std::string real;
  for (int line = 0; line < 300; ++line) {
    real += std::string(static_cast<std::size_t>(line % 70), 'x') +
            " Příliš žluťoučký kůň úpěl ďábelské ódy.\r\n";
  }
  texts.push_back(real);
  // A letter of two UTF-8 bytes across the edge of the last block of each width.
  for (const std::size_t width : {16, 32, 64}) texts.push_back(std::string(width, 'a') + "č");
  texts.push_back(std::string(20000, '\xE8') + "\r\n" + std::string(20000, '\n'));
  return texts;
}

Rewrite RewriteOf(LineEnd in, const std::string& out) {
  const std::string seq(LineEndSequence(in));
  return {static_cast<std::uint8_t>(seq[0]), seq.size() == 2,
          static_cast<std::uint8_t>(seq.size() == 2 ? seq[1] : 0), out.data(), out.size()};
}

class EveryTarget : public ::testing::TestWithParam<Target> {
 protected:
  // Every rewrite a conversion can ask for: none, one sequence into another, and every line
  // end into each sequence.
  void SetUp() override {
    for (LineEnd out = 0; out < kLineEndCount; ++out) sequences.emplace_back(LineEndSequence(out));
    rewrites.push_back(nullptr);
    for (LineEnd out = 0; out < kLineEndCount; ++out) {
      for (LineEnd in = 0; in < kLineEndCount; ++in) {
        if (in != out) rewriteStore.push_back(RewriteOf(in, sequences[out]));
      }
      Rewrite any;
      any.out = sequences[out].data();
      any.outSize = sequences[out].size();
      any.anyLineEnd = true;
      rewriteStore.push_back(any);
    }
    for (const Rewrite& r : rewriteStore) rewrites.push_back(&r);
  }

  // The output of the form under test and of the reference, compared.
  void ExpectSame(const std::vector<std::uint8_t>& actual, std::size_t actualSize,
                  const std::vector<std::uint8_t>& expected, std::size_t expectedSize,
                  const std::string& what) {
    ASSERT_EQ(actualSize, expectedSize) << what;
    ASSERT_TRUE(std::equal(actual.begin(), actual.begin() + actualSize, expected.begin())) << what;
  }

  const std::vector<std::string> texts = Texts();
  std::vector<std::string> sequences;
  std::vector<Rewrite> rewriteStore;
  std::vector<const Rewrite*> rewrites;
};

TEST_P(EveryTarget, ConversionGivesTheReferenceBytesAndCount) {
  const ScopedTarget use(GetParam());
  ByteFlags substituted{};
  for (int b = 0x80; b < 256; ++b) substituted[b] = static_cast<std::uint8_t>(b % 3 == 0);
  for (CodePage from = 0; from < kCodePageCount; ++from) {
    const ByteMap map = BuildByteMap(from, (from + 3) % kCodePageCount);
    for (std::size_t r = 0; r < rewrites.size(); ++r) {
      for (std::size_t t = 0; t < texts.size(); ++t) {
        const auto* in = reinterpret_cast<const std::uint8_t*>(texts[t].data());
        const std::size_t size = texts[t].size();
        const std::string what = "code page " + std::to_string(from) + ", rewrite " +
                                 std::to_string(r) + ", text " + std::to_string(t);
        std::vector<std::uint8_t> expected(2 * size + kWriteSlack);
        std::vector<std::uint8_t> actual(expected.size());
        std::uint64_t expectedCount = 0;
        std::uint64_t actualCount = 0;
        const std::size_t n = reference::Convert(in, size, expected.data(), map, substituted,
                                                 rewrites[r], expectedCount);
        ExpectSame(actual,
                   Convert(in, size, actual.data(), map, substituted, rewrites[r], actualCount),
                   expected, n, what);
        ASSERT_EQ(actualCount, expectedCount) << what;
        std::uint64_t flagged = 0;
        for (const char ch : texts[t]) flagged += substituted[static_cast<std::uint8_t>(ch)];
        ASSERT_EQ(expectedCount, flagged) << what;
      }
    }
  }
}

TEST_P(EveryTarget, DetectionLoopsGiveTheReferenceCounts) {
  const ScopedTarget use(GetParam());
  // A mask without letters counts only the line ends, by a loop of its own.
  CodePageMask letters{};
  for (int b = 0x80; b < 256; ++b) letters[b] = static_cast<std::uint8_t>(b * 37 % 64);
  // Besides the texts, each edge case of UTF-8 alone in valid text, across every block edge.
  std::vector<std::string> all = texts;
  for (const char* sequence :
       {"\xE0\xA0\x80", "\xED\x9F\xBF", "\xEF\xBF\xBF", "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF",
        "\xE0\x9F\xBF", "\xED\xA0\x80", "\xF0\x8F\xBF\xBF", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80",
        "\xC1\xBF", "\xE2\x82", "\xF0\x9F\x98", "\xBF"}) {
    for (std::size_t at = 0; at < 70; ++at) {
      const std::string text = std::string(at, 'a') + sequence;
      all.push_back(text + "\xC3\xA1" + "a");
      all.push_back(text);
    }
  }
  for (std::size_t t = 0; t < 2 * all.size(); ++t) {
    const CodePageMask mask = t < all.size() ? letters : CodePageMask{};
    const auto* in = reinterpret_cast<const std::uint8_t*>(all[t % all.size()].data());
    const std::size_t size = all[t % all.size()].size();
    DetectCounts expected;
    DetectCounts actual;
    reference::Tally(in, size, mask, expected);
    Tally(in, size, mask, actual);
    std::uint64_t expectedMultibyte = 0;
    std::uint64_t actualMultibyte = 0;
    ASSERT_EQ(TallyUtf8(in, size, mask, actual, actualMultibyte),
              reference::TallyUtf8(in, size, mask, expected, expectedMultibyte))
        << "text " << t;
    ASSERT_EQ(actualMultibyte, expectedMultibyte) << "text " << t;
    std::uint64_t expectedMalformed = 0;
    std::uint64_t actualMalformed = 0;
    CountUtf8(in, size, actualMultibyte, actualMalformed);
    reference::CountUtf8(in, size, expectedMultibyte, expectedMalformed);
    ASSERT_EQ(actualMultibyte, expectedMultibyte) << "text " << t;
    ASSERT_EQ(actualMalformed, expectedMalformed) << "text " << t;
    ASSERT_EQ(actual.code, expected.code) << "text " << t;
    ASSERT_EQ(actual.cr, expected.cr) << "text " << t;
    ASSERT_EQ(actual.lf, expected.lf) << "text " << t;
  }
}

TEST_P(EveryTarget, Utf8LoopsGiveTheReferenceBytesAndLosses) {
  const ScopedTarget use(GetParam());
  for (CodePage page = 0; page < kCodePageCount; ++page) {
    const ToUtf8Table toUtf8 = BuildToUtf8Table(page);
    const FromUnicodeTable fromUtf8(page);
    for (std::size_t r = 0; r < rewrites.size(); ++r) {
      const Rewrite* rewrite = rewrites[r];
      for (std::size_t t = 0; t < texts.size(); ++t) {
        const auto* in = reinterpret_cast<const std::uint8_t*>(texts[t].data());
        const std::size_t size = texts[t].size();
        const std::string what = "code page " + std::to_string(page) + ", rewrite " +
                                 std::to_string(r) + ", text " + std::to_string(t);
        std::vector<std::uint8_t> expected(3 * size + kWriteSlack);
        std::vector<std::uint8_t> actual(expected.size());
        Utf8Losses expectedLosses;
        Utf8Losses actualLosses;
        std::size_t n =
            reference::EncodeUtf8(in, size, expected.data(), toUtf8, rewrite, expectedLosses);
        ExpectSame(actual, EncodeUtf8(in, size, actual.data(), toUtf8, rewrite, actualLosses),
                   expected, n, "encode, " + what);
        n = reference::DecodeUtf8(in, size, expected.data(), fromUtf8, rewrite, 10, expectedLosses);
        ExpectSame(actual, DecodeUtf8(in, size, actual.data(), fromUtf8, rewrite, 10, actualLosses),
                   expected, n, "decode, " + what);
        n = reference::RepairUtf8(in, size, expected.data(), rewrite, 10, expectedLosses);
        ExpectSame(actual, RepairUtf8(in, size, actual.data(), rewrite, 10, actualLosses), expected,
                   n, "repair, " + what);
        ASSERT_EQ(actualLosses.replaced, expectedLosses.replaced) << what;
        ASSERT_EQ(actualLosses.malformed, expectedLosses.malformed) << what;
        ASSERT_EQ(actualLosses.firstMalformed, expectedLosses.firstMalformed) << what;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Kernels, EveryTarget, ::testing::ValuesIn(SupportedTargets()),
                         [](const auto& target) { return std::string(target.param.name); });

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
  const std::size_t n = reference::Convert(reinterpret_cast<const std::uint8_t*>(c.in.data()),
                                           c.in.size(), out.data(), map, ByteFlags{}, &any, count);
  EXPECT_EQ(std::string(out.begin(), out.begin() + n), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, AnyLineEnd,
                         ::testing::Values(AnyLineEndCase{"a\nb\r\nc\rd\n", "\r\n",
                                                          "a\r\nb\r\nc\r\nd\r\n"},
                                           AnyLineEndCase{"a\r\r\nb\n\r", "\n", "a\n\nb\n\n"},
                                           AnyLineEndCase{"\n\r\n\r", "\r", "\r\r\r"},
                                           AnyLineEndCase{"a\r\nb", "\r\n", "a\r\nb"}));

TEST(Targets, TheScalarFormComesLastAndTheWideOnesAreBuilt) {
  const std::vector<Target> targets = SupportedTargets();
  ASSERT_FALSE(targets.empty());
  EXPECT_TRUE(targets.back().name == "SCALAR" || targets.back().name == "EMU128");
#if defined(__x86_64__) || defined(__aarch64__)
  EXPECT_GE(targets.size(), 2u);
#endif
  EXPECT_EQ(ActiveTarget(), targets.front().name);
}

}  // namespace
}  // namespace pismovar::kernels
