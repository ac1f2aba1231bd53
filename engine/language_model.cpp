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

// How many letters of its word before and after a letter a context holds.
struct LookalikeContext {
  int before;
  int after;
};

#include "engine/language_model_data.inc"

// The model is meant to be small: its tables stay within 32 KiB.
static_assert(sizeof(kClassOfLatin) + sizeof(kClassRanges) + sizeof(kPairCost) +
                  sizeof(kCostAfterLetter) + sizeof(kLetterCostAfter) + sizeof(kKnownWordBits) +
                  sizeof(kLookalikeLevelSizes) + sizeof(kLookalikeGroups) +
                  sizeof(kLookalikeContexts) + sizeof(kFavouredCapitalWords) <=
              32 * 1024);

constexpr int kSpaceClass = kClassOfLatin[static_cast<unsigned char>(' ')];
constexpr int kRareClass = 0;

// 1..26 for a..z, then the Czech and Slovak letters beyond ASCII, either case; 0 for any other
// class. The known words are hashed over these.
int LetterCode(int languageClass) {
  if (languageClass >= kFirstAsciiSmall && languageClass < kFirstCzechSlovakSmall) {
    return (languageClass - kFirstAsciiSmall) % 26 + 1;
  }
  if (languageClass >= kFirstCzechSlovakSmall && languageClass < kFirstSign) {
    return (languageClass - kFirstCzechSlovakSmall) % (kFirstSign - kFirstCzechSlovakCapital) + 27;
  }
  return 0;
}

// FNV-1a over the letter codes of a word; its low and high halves step through the filter.
constexpr std::uint64_t kHashBasis = 0xCBF29CE484222325u;
constexpr std::uint64_t kHashPrime = 0x100000001B3u;

bool InKnownWords(std::uint64_t hash) {
  const std::uint64_t first = hash & 0xFFFFFFFFu;
  const std::uint64_t step = (hash >> 32) | 1;
  for (std::uint64_t i = 0; i < kKnownWordHashes; ++i) {
    const std::uint64_t bit = (first + i * step) % kKnownWordBitCount;
    if ((kKnownWordBits[bit / 64] >> (bit % 64) & 1) == 0) return false;
  }
  return true;
}

// Calls visit(word, hash, coded) for each run of IsWordLetter in `text`: its hash over the letter
// codes, and whether every letter has a code.
template <typename Visit>
void ForEachWord(std::u32string_view text, Visit visit) {
  for (std::size_t i = 0; i < text.size();) {
    if (!IsWordLetter(text[i])) {
      ++i;
      continue;
    }
    std::uint64_t hash = kHashBasis;
    bool coded = true;
    const std::size_t start = i;
    for (; i < text.size() && IsWordLetter(text[i]); ++i) {
      const int code = LetterCode(LanguageClassOf(text[i]));
      coded = coded && code != 0;
      hash = (hash ^ static_cast<std::uint64_t>(code)) * kHashPrime;
    }
    visit(text.substr(start, i - start), hash, coded);
  }
}

}  // namespace

int LanguageClassOf(char32_t c) {
  if (c < 0x180) return kClassOfLatin[c];
  const auto* range = std::upper_bound(std::begin(kClassRanges), std::end(kClassRanges), c,
                                       [](char32_t v, const ClassRange& r) { return v < r.first; });
  if (range == std::begin(kClassRanges) || c > (range - 1)->last) return kRareClass;
  return (range - 1)->languageClass;
}

int LanguageCostsPerNat() { return kCostsPerNat; }

bool IsCzechSlovakLetter(char32_t c) {
  const int languageClass = LanguageClassOf(c);
  return languageClass >= kFirstCzechSlovakSmall && languageClass < kFirstSign;
}

bool IsOtherScriptLetter(char32_t c) { return LanguageClassOf(c) == kOtherScriptClass; }

KnownWords CountKnownWords(std::u32string_view text) {
  KnownWords words;
  ForEachWord(text, [&](std::u32string_view word, std::uint64_t hash, bool coded) {
    if (word.size() < 2 ||
        std::all_of(word.begin(), word.end(), [](char32_t c) { return c < 0x80; })) {
      return;
    }
    if (coded && InKnownWords(hash)) {
      ++words.known;
    } else {
      ++words.unknown;
    }
  });
  return words;
}

// The key of a context of a letter of lookalike group `group` in kLookalikeContexts, without the
// letter's place: the letter codes of the `size.before` letters before it and `size.after` after.
std::uint32_t LookalikeKey(std::size_t group, int level, const std::uint8_t (&before)[3],
                           const std::uint8_t (&after)[3]) {
  std::uint64_t hash = kHashBasis;
  const auto mix = [&](std::uint64_t v) { hash = (hash ^ v) * kHashPrime; };
  mix(group);
  mix(static_cast<std::uint64_t>(level));
  const LookalikeContext size = kLookalikeLevelSizes[level];
  for (int k = 3 - size.before; k < 3; ++k) mix(before[k]);
  for (int k = 0; k < size.after; ++k) mix(after[k]);
  return static_cast<std::uint32_t>(hash >> 36 << 4);
}

int FavouredLookalikes(std::u32string_view word) {
  const auto codeAt = [&](std::size_t i) {
    return static_cast<std::uint8_t>(LetterCode(LanguageClassOf(word[i])));
  };
  int favoured = 0;
  for (std::size_t i = 0; i < word.size(); ++i) {
    const std::uint8_t code = codeAt(i);
    for (std::size_t group = 0; group < std::size(kLookalikeGroups) && code != 0; ++group) {
      const auto& letters = kLookalikeGroups[group];
      const auto* place = std::find(std::begin(letters), std::end(letters), code);
      if (place == std::end(letters)) continue;
      // The letters of the word around word[i], 0 beyond it; the widest context that tells.
      std::uint8_t before[3] = {};
      std::uint8_t after[3] = {};
      for (std::size_t k = 1; k <= 3 && k <= i; ++k) {
        before[3 - k] = codeAt(i - k);
        if (before[3 - k] == 0) break;
      }
      for (std::size_t k = 1; k <= 3 && i + k < word.size(); ++k) {
        after[k - 1] = codeAt(i + k);
        if (after[k - 1] == 0) break;
      }
      for (int level = 0; level < kLookalikeLevels; ++level) {
        const std::uint32_t key = LookalikeKey(group, level, before, after);
        const auto* found =
            std::lower_bound(std::begin(kLookalikeContexts), std::end(kLookalikeContexts), key);
        if (found == std::end(kLookalikeContexts) || (*found ^ key) >> 4 != 0) continue;
        favoured += static_cast<std::ptrdiff_t>(*found & 0xF) == place - std::begin(letters);
        break;
      }
    }
  }
  ForEachWord(word, [&](std::u32string_view letters, std::uint64_t hash, bool coded) {
    const bool capitals =
        letters.size() > 1 && std::none_of(letters.begin(), letters.end(), [](char32_t c) {
          const int languageClass = LanguageClassOf(c);
          return (languageClass >= kFirstAsciiSmall && languageClass < kFirstAsciiSmall + 26) ||
                 (languageClass >= kFirstCzechSlovakSmall &&
                  languageClass < kFirstCzechSlovakCapital);
        });
    favoured +=
        coded && capitals &&
        std::binary_search(std::begin(kFavouredCapitalWords), std::end(kFavouredCapitalWords),
                           static_cast<std::uint32_t>(hash));
  });
  return favoured;
}

std::uint64_t CharactersCost(std::u32string_view text, OpenEnds open) {
  if (text.empty()) return kPairCost[kSpaceClass][kSpaceClass];
  int previous = LanguageClassOf(text[0]);
  std::uint64_t cost = open.start && IsWordLetter(text[0]) ? kCostAfterLetter[previous]
                                                           : kPairCost[kSpaceClass][previous];
  for (const char32_t c : text.substr(1)) {
    const int current = LanguageClassOf(c);
    cost += kPairCost[previous][current];
    previous = current;
  }
  return cost + (open.end && IsWordLetter(text.back()) ? kLetterCostAfter[previous]
                                                       : kPairCost[previous][kSpaceClass]);
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
