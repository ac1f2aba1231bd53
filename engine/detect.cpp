#include "engine/detect.h"

#include <algorithm>
#include <bitset>
#include <cmath>
#include <limits>

#include "engine/kernels/kernels.h"
#include "engine/language_model.h"
#include "engine/unicode_tables.h"

namespace pismovar {

DetectTally::DetectTally() {
  for (const unsigned char* row : DetectTable) {
    for (int c = 0; c < kDetectCodePages; ++c) {
      if (row[c] >= 0x80) m_codePages[row[c]] |= static_cast<std::uint8_t>(1u << c);
    }
  }
}

void DetectTally::Add(const std::uint8_t* data, std::size_t size) {
  kernels::Tally(data, size, m_codePages, m_counts);
}

void DetectTally::AddLetters(const std::uint8_t* data, std::size_t size) {
  DetectCounts letters;
  kernels::Tally(data, size, m_codePages, letters);
  for (int c = 0; c < kDetectCodePages; ++c) m_counts.code[c] += letters.code[c];
}

void DetectTally::Add(const DetectTally& other) {
  for (int c = 0; c < kDetectCodePages; ++c) m_counts.code[c] += other.m_counts.code[c];
  m_counts.cr += other.m_counts.cr;
  m_counts.lf += other.m_counts.lf;
}

LineEnd DecideLineEnd(const DetectCounts& counts) {
  // LF without any CR is Unix/Linux, even a single line.
  if (counts.cr == 0 && counts.lf > 0) return kLineEndUnix;
  if (counts.cr < counts.lf / 2) return kLineEndUnix;
  if (counts.lf < counts.cr / 2) return kLineEndMac;
  return kLineEndDos;
}

CodePage DecideCodePage(const DetectCounts& counts) {
  const auto best = std::max_element(counts.code.begin(), counts.code.end());
  if (*best <= 0) return kCodeAscii;
  return static_cast<CodePage>(best - counts.code.begin());  // the first maximum: lower wins
}

int Guess::ConfidencePercent() const {
  return static_cast<int>(100.0 / (1.0 + std::exp(-std::max(0.0, margin))));
}

namespace {

// The tally decides alone with at least this many detection letters, and twice as many for
// its answer as for any code page that reads them otherwise.
constexpr std::int64_t kDecisiveLetters = 8;
// A reading this many times e likelier than every reading that gives another text is sure.
constexpr double kConfidentMargin = 5.0;
// UTF-8 with this many valid sequences is sure where the sample holds none of its letters.
constexpr std::uint64_t kCertainUtf8Sequences = 64;

bool TallyDecisive(const DetectCounts& counts, CodePage best) {
  const std::int64_t top = counts.code[best];
  std::int64_t second = 0;
  for (const std::int64_t count : counts.code) {
    if (count != top) second = std::max(second, count);
  }
  return top >= kDecisiveLetters && top >= 2 * second;
}

bool AnyHighByte(const std::uint8_t* sample, std::size_t size) {
  return std::any_of(sample, sample + size, [](std::uint8_t b) { return b >= 0x80; });
}

// What the language model makes of each reading of the sample: its cost, or the largest number
// for a reading left out (UTF-8 unless `utf8`).
using ReadingCosts = std::array<std::uint64_t, kTextEncodingCount>;
ReadingCosts CostsOf(const std::uint8_t* sample, std::size_t size, bool whole, bool utf8) {
  ReadingCosts cost;
  cost.fill(std::numeric_limits<std::uint64_t>::max());
  for (CodePage page = 0; page < kDetectCodePages; ++page) {
    cost[page] = ReadingCost(sample, size, page);
  }
  if (utf8) {
    // A sequence cut off by the end of the sample is not held against the text.
    const std::size_t cut = whole ? 0 : utf8::IncompleteEnd(sample, size);
    cost[kCodeUtf8] = ReadingCost(sample, size - cut, kCodeUtf8);
  }
  return cost;
}

// The cheapest reading that `allowed` lets through, or kNoRunnerUp.
template <class Allowed>
CodePage Cheapest(const ReadingCosts& cost, const Allowed& allowed) {
  CodePage best = Guess::kNoRunnerUp;
  for (CodePage e = 0; e < kTextEncodingCount; ++e) {
    if (cost[e] == std::numeric_limits<std::uint64_t>::max() || !allowed(e)) continue;
    if (best == Guess::kNoRunnerUp || cost[e] < cost[best]) best = e;
  }
  return best;
}

constexpr auto kAny = [](CodePage) { return true; };

}  // namespace

Guess DecideGuess(const DetectCounts& counts, const Utf8Detector& utf8, bool withUtf8,
                  const std::uint8_t* sample, std::size_t sampleSize, bool whole) {
  Guess guess;
  guess.lineEnd = DecideLineEnd(counts);
  guess.margin = std::numeric_limits<double>::infinity();
  if (!utf8.HasHighBytes()) return guess;  // ASCII, and nothing else reads it otherwise

  const CodePage tallied = DecideCodePage(counts);
  const bool decisive = tallied != kCodeAscii && TallyDecisive(counts, tallied);
  const bool utf8Candidate = withUtf8 && utf8.IsUtf8();

  // The readings of the sample, and which code pages read its high bytes alike.
  std::bitset<256> present;
  for (std::size_t i = 0; i < sampleSize; ++i) present[sample[i]] = true;
  const auto sameReading = [&](CodePage a, CodePage b) {
    if (a == kCodeUtf8 || b == kCodeUtf8) return a == b;
    for (int byte = 0x80; byte < 0x100; ++byte) {
      const auto c = static_cast<std::uint8_t>(byte);
      if (present[byte] && CharacterOf(a, c) != CharacterOf(b, c)) return false;
    }
    return true;
  };
  if (!AnyHighByte(sample, sampleSize)) {
    // The high bytes lie beyond the sample: the counts alone decide.
    guess.codePage = utf8Candidate ? kCodeUtf8 : tallied != kCodeAscii ? tallied : kCodeWin1250;
    guess.confident = decisive || (utf8Candidate && utf8.Multibyte() >= kCertainUtf8Sequences);
    guess.margin = guess.confident ? kConfidentMargin : 0;
    return guess;
  }

  const ReadingCosts cost = CostsOf(sample, sampleSize, whole, utf8Candidate);
  const auto cheapest = [&](auto&& allowed) { return Cheapest(cost, allowed); };
  const CodePage modelled = cheapest(kAny);
  if (modelled == kCodeUtf8) {
    guess.codePage = kCodeUtf8;
  } else if (decisive) {
    // Code pages that count the same letters (Windows 1250 and ISO 8859-2 for č) may still
    // read other bytes otherwise (ľ, ť): the model chooses among them.
    guess.codePage = cheapest(
        [&](CodePage e) { return e < kDetectCodePages && counts.code[e] == counts.code[tallied]; });
  } else {
    guess.codePage = cheapest([](CodePage e) { return e != kCodeUtf8; });
  }
  guess.runnerUp = cheapest([&](CodePage e) { return !sameReading(e, guess.codePage); });
  if (guess.runnerUp != Guess::kNoRunnerUp) {
    guess.margin =
        (static_cast<double>(cost[guess.runnerUp]) - static_cast<double>(cost[guess.codePage])) /
        LanguageCostsPerNat();
  } else {
    guess.margin = std::numeric_limits<double>::infinity();
  }
  if (decisive && guess.codePage < kDetectCodePages &&
      counts.code[guess.codePage] == counts.code[tallied]) {
    guess.margin = std::max(guess.margin, kConfidentMargin);
  }
  guess.confident = guess.margin >= kConfidentMargin;
  if (guess.codePage == kCodeUtf8) {
    const std::size_t size = std::min(sampleSize, kDamageSampleSize);
    const std::size_t cut = size == sampleSize && whole ? 0 : utf8::IncompleteEnd(sample, size);
    const RepairResult repair =
        RepairText(std::string_view(reinterpret_cast<const char*>(sample), size - cut), kCodeUtf8);
    if (repair.passes > 0) guess.damage = repair.misreading;
  }
  return guess;
}

bool Utf8DecidedBySample(const std::uint8_t* sample, std::size_t sampleSize, bool whole) {
  return AnyHighByte(sample, sampleSize) &&
         Cheapest(CostsOf(sample, sampleSize, whole, true), kAny) == kCodeUtf8;
}

Guess DetectText(const std::uint8_t* data, std::size_t size, bool whole, bool withUtf8) {
  DetectTally tally;
  Utf8Detector utf8;
  const std::size_t held = tally.Add(data, size, whole, utf8);
  tally.Add(data + size - held, held);  // no next chunk takes the incomplete end
  const std::size_t sample = std::min(size, kModelSampleSize);
  return DecideGuess(tally.Counts(), utf8, withUtf8, data, sample, whole && sample == size);
}

}  // namespace pismovar
