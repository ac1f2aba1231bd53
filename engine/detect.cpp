#include "engine/detect.h"

#include <algorithm>
#include <bitset>
#include <cmath>
#include <limits>

#include "engine/kernels/kernels.h"
#include "engine/kernels/steps.h"
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

// Whether a code page reads every high byte of the sample (`present`) as a Czech or Slovak
// letter while UTF-8 reads a letter of another script there: "ÍČ" in 852 is D6 AC, the UTF-8
// of a Hebrew accent. Such a text is the code page's, not UTF-8.
bool OtherScriptAmongCzechLetters(const std::uint8_t* sample, std::size_t size,
                                  const std::bitset<256>& present) {
  const auto readsLetters = [&](CodePage page) {
    for (int byte = 0x80; byte < 0x100; ++byte) {
      if (present[byte] && !IsCzechSlovakLetter(CharacterOf(page, static_cast<std::uint8_t>(byte)))) {
        return false;
      }
    }
    return true;
  };
  bool letters = false;
  for (CodePage page = 0; page < kDetectCodePages && !letters; ++page) letters = readsLetters(page);
  if (!letters) return false;
  for (std::size_t i = 0; i < size;) {
    char32_t c = 0;
    i += kernels::steps::DecodeOne(sample + i, size - i, c);
    if (IsOtherScriptLetter(c)) return true;
  }
  return false;
}

// The cheapest reading that `allowed` lets through, or kNoRunnerUp.
template <class Allowed>
CodePage Cheapest(const SampleReading::Costs& cost, const Allowed& allowed) {
  CodePage best = Guess::kNoRunnerUp;
  for (CodePage e = 0; e < kTextEncodingCount; ++e) {
    if (cost[e] == SampleReading::kNoReading || !allowed(e)) continue;
    if (best == Guess::kNoRunnerUp || cost[e] < cost[best]) best = e;
  }
  return best;
}

constexpr auto kAny = [](CodePage) { return true; };

}  // namespace

SampleReading ReadSample(const std::uint8_t* sample, std::size_t size, bool whole, bool utf8) {
  SampleReading reading;
  for (std::size_t i = 0; i < size; ++i) reading.present[sample[i]] = true;
  reading.cost.fill(SampleReading::kNoReading);
  for (int byte = 0x80; byte < 0x100 && !reading.high; ++byte) reading.high = reading.present[byte];
  if (!reading.high) return reading;
  for (CodePage page = 0; page < kDetectCodePages; ++page) {
    reading.cost[page] = ReadingCost(sample, size, page);
  }
  if (!utf8 || OtherScriptAmongCzechLetters(sample, size, reading.present)) return reading;
  // A sequence cut off by the end of the sample is not held against the text.
  const std::size_t cut = whole ? 0 : utf8::IncompleteEnd(sample, size);
  reading.cost[kCodeUtf8] = ReadingCost(sample, size - cut, kCodeUtf8);
  if (Cheapest(reading.cost, kAny) == kCodeUtf8) {
    const std::size_t damaged = std::min(size, kDamageSampleSize);
    const std::size_t end = damaged == size && whole ? 0 : utf8::IncompleteEnd(sample, damaged);
    const RepairResult repair = RepairText(
        std::string_view(reinterpret_cast<const char*>(sample), damaged - end), kCodeUtf8);
    if (repair.passes > 0) reading.damage = repair.misreading;
  }
  return reading;
}

bool Utf8DecidedBySample(const SampleReading& reading) {
  return Cheapest(reading.cost, kAny) == kCodeUtf8;
}

Guess DecideGuess(const DetectCounts& counts, const Utf8Detector& utf8, bool withUtf8,
                  const SampleReading& reading) {
  Guess guess;
  guess.lineEnd = DecideLineEnd(counts);
  guess.margin = std::numeric_limits<double>::infinity();
  if (!utf8.HasHighBytes()) return guess;  // ASCII, and nothing else reads it otherwise

  const CodePage tallied = DecideCodePage(counts);
  const bool decisive = tallied != kCodeAscii && TallyDecisive(counts, tallied);
  const bool utf8Candidate = withUtf8 && utf8.IsUtf8();
  if (!reading.high) {
    // The high bytes lie beyond the sample: the counts alone decide.
    guess.codePage = utf8Candidate ? kCodeUtf8 : tallied != kCodeAscii ? tallied : kCodeWin1250;
    guess.confident = decisive || (utf8Candidate && utf8.Multibyte() >= kCertainUtf8Sequences);
    guess.margin = guess.confident ? kConfidentMargin : 0;
    return guess;
  }

  // The readings of the sample, and which code pages read its high bytes alike.
  SampleReading::Costs cost = reading.cost;
  if (!utf8Candidate) cost[kCodeUtf8] = SampleReading::kNoReading;
  const auto cheapest = [&](auto&& allowed) { return Cheapest(cost, allowed); };
  const auto sameReading = [&](CodePage a, CodePage b) {
    if (a == kCodeUtf8 || b == kCodeUtf8) return a == b;
    for (int byte = 0x80; byte < 0x100; ++byte) {
      const auto c = static_cast<std::uint8_t>(byte);
      if (reading.present[byte] && CharacterOf(a, c) != CharacterOf(b, c)) return false;
    }
    return true;
  };
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
  if (guess.codePage == kCodeUtf8) guess.damage = reading.damage;
  return guess;
}

Guess DetectText(const std::uint8_t* data, std::size_t size, bool whole, bool withUtf8) {
  DetectTally tally;
  Utf8Detector utf8;
  const std::size_t held = tally.Add(data, size, whole, utf8);
  tally.Add(data + size - held, held);  // no next chunk takes the incomplete end
  const std::size_t sample = std::min(size, kModelSampleSize);
  return DecideGuess(tally.Counts(), utf8, withUtf8,
                     ReadSample(data, sample, whole && sample == size, withUtf8));
}

}  // namespace pismovar
