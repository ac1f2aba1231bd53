// Guessing the code page and line ends of a text from a tally of its bytes.
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "engine/char_table.h"
#include "engine/detect_counts.h"
#include "engine/repair.h"
#include "engine/utf8.h"

namespace pismovar {

// The tally of a text, chunk by chunk. A byte adds 1 to each code page in whose column of
// DetectTable it stands (at most once per column, since no high byte repeats in a column).
class DetectTally {
 public:
  DetectTally();
  void Add(const std::uint8_t* data, std::size_t size);
  // Adds `size` bytes and examines them in `utf8` in the same pass: Utf8Detector::Add, whose
  // incomplete end is left out of the tally too. Without `letters` only their line ends are
  // added, at a fraction of the cost.
  std::size_t Add(const std::uint8_t* data, std::size_t size, bool last, Utf8Detector& utf8,
                  bool letters = true) {
    static constexpr CodePageMask kNoLetters{};
    return utf8.Add(data, size, last, letters ? m_codePages : kNoLetters, m_counts);
  }
  // Adds the detection letters of bytes whose line ends were added without them.
  void AddLetters(const std::uint8_t* data, std::size_t size);
  // Adds the tally of another part of the same text.
  void Add(const DetectTally& other);
  const DetectCounts& Counts() const { return m_counts; }

 private:
  CodePageMask m_codePages{};
  DetectCounts m_counts;
};

// DOS/Windows unless CR (or LF) falls below half the other's count; LF without CR is
// Unix/Linux; no line end at all is DOS/Windows.
LineEnd DecideLineEnd(const DetectCounts& counts);

// The code page with the most detection letters, the lower number on a tie; ASCII when no
// detection letter was found.
CodePage DecideCodePage(const DetectCounts& counts);

// A detection's answer and how far it can be trusted.
struct Guess {
  static constexpr CodePage kNoRunnerUp = -1;

  CodePage codePage = kCodeAscii;  // or kCodeUtf8
  LineEnd lineEnd = kLineEndDos;
  // The evidence is clear: a decisive tally, or a reading far more like Czech or Slovak than
  // any reading that gives another text. A run that changes files may trust it.
  bool confident = true;
  // The likeliest reading that gives another text; kNoRunnerUp where every other reading
  // gives the same text or there is none.
  CodePage runnerUp = kNoRunnerUp;
  // How much likelier the answer is than the runner-up: a natural logarithm.
  double margin = 0;
  // UTF-8 whose start reads as UTF-8 that was read in a code page and saved again: that
  // misreading, which RepairText undoes.
  std::optional<Misreading> damage;

  // The same as a share, 50..100 per cent.
  int ConfidencePercent() const;
};

// The bytes at the start of a text that the language model reads, and the part of them
// that is looked at for damage.
inline constexpr std::size_t kModelSampleSize = 64u << 10;
inline constexpr std::size_t kDamageSampleSize = 8u << 10;

// What the language model makes of `sample`, the first bytes of a text (at most
// kModelSampleSize; `whole` when they are all of it): the cost of each reading, UTF-8's only
// with `utf8`, and where UTF-8 is the likeliest, whether its first kDamageSampleSize bytes
// look damaged by a misreading.
struct SampleReading {
  using Costs = std::array<std::uint64_t, kTextEncodingCount>;
  static constexpr std::uint64_t kNoReading = ~std::uint64_t{0};

  bool high = false;         // the sample has a byte of 0x80 or above
  std::bitset<256> present;  // the bytes it has
  Costs cost{};              // kNoReading for a reading not costed
  std::optional<Misreading> damage;
};
SampleReading ReadSample(const std::uint8_t* sample, std::size_t size, bool whole, bool utf8);

// The guess for a whole text from its tally, its UTF-8 counts and the reading of its start.
// The tally's answer stands where it is decisive; otherwise, and wherever UTF-8 is in
// question, the language model chooses among the readings of the sample. Never ASCII for a
// text with a byte of 0x80 or above; UTF-8 only with `withUtf8` (and a reading costed with
// it), for a text that is UTF-8 and reads more like Czech or Slovak as UTF-8 than in any code
// page.
Guess DecideGuess(const DetectCounts& counts, const Utf8Detector& utf8, bool withUtf8,
                  const SampleReading& reading);

// Whether DecideGuess answers UTF-8 for every UTF-8 text whose start reads so, whatever its
// detection letters: the sample has high bytes and the model reads it likeliest as UTF-8. A
// detection that finds this may leave the letters of the rest uncounted while the text stays
// UTF-8; the line ends still count.
bool Utf8DecidedBySample(const SampleReading& reading);

// The guess for `size` bytes of text read whole in memory (`whole`: all of the text, else its
// start): DecideGuess on their tally, UTF-8 counts and first kModelSampleSize bytes.
Guess DetectText(const std::uint8_t* data, std::size_t size, bool whole, bool withUtf8);

}  // namespace pismovar
