#include "engine/language_model.h"

#include <algorithm>
#include <array>

#include "engine/kernels/steps.h"
#include "engine/unicode_tables.h"

namespace pismovar {
namespace {

struct ClassRange {
  char32_t first;
  char32_t last;
  std::uint8_t languageClass;
};

#include "engine/language_model_data.inc"

constexpr int kSpaceClass = kClassOfLatin[static_cast<unsigned char>(' ')];
constexpr int kRareClass = 0;

}  // namespace

int LanguageClassOf(char32_t c) {
  if (c < 0x180) return kClassOfLatin[c];
  const auto* range = std::upper_bound(std::begin(kClassRanges), std::end(kClassRanges), c,
                                       [](char32_t v, const ClassRange& r) { return v < r.first; });
  if (range == std::begin(kClassRanges) || c > (range - 1)->last) return kRareClass;
  return (range - 1)->languageClass;
}

int LanguageCostsPerNat() { return kCostsPerNat; }

std::uint64_t CharactersCost(std::u32string_view text) {
  std::uint64_t cost = 0;
  int previous = kSpaceClass;
  for (const char32_t c : text) {
    const int current = LanguageClassOf(c);
    cost += kPairCost[previous][current];
    previous = current;
  }
  return cost + kPairCost[previous][kSpaceClass];
}

std::uint64_t ReadingCost(const std::uint8_t* data, std::size_t size, CodePage encoding) {
  std::uint64_t cost = 0;
  int previous = kSpaceClass;
  const auto add = [&](int current) {
    cost += kPairCost[previous][current];
    previous = current;
  };
  if (encoding == kCodeUtf8) {
    for (std::size_t i = 0; i < size;) {
      char32_t c = 0;
      i += kernels::steps::DecodeOne(data + i, size - i, c);
      add(c == kernels::steps::kMalformed ? kRareClass : LanguageClassOf(c));
    }
  } else {
    std::array<std::uint8_t, 256> classOf{};
    for (int b = 0; b < 256; ++b) {
      classOf[b] = static_cast<std::uint8_t>(
          LanguageClassOf(CharacterOf(encoding, static_cast<std::uint8_t>(b))));
    }
    for (std::size_t i = 0; i < size; ++i) add(classOf[data[i]]);
  }
  add(kSpaceClass);
  return cost;
}

}  // namespace pismovar
