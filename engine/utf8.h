// UTF-8 in and out of the engine: the tables between the 8-bit code pages and Unicode (built
// here, looked up by the hot loops in engine/kernels/), sequences cut off by the end of a
// chunk, and recognising a UTF-8 text chunk by chunk.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/detect_counts.h"
#include "engine/utf8_tables.h"

namespace pismovar {

inline constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
inline constexpr std::size_t kUtf8BomSize = 3;
// The longest beginning of a sequence that a read can end in.
inline constexpr std::size_t kMaxIncompleteSequence = 3;

namespace utf8 {

// How many bytes at the end of `in` begin a sequence that needs more bytes than are there
// (0..kMaxIncompleteSequence).
std::size_t IncompleteEnd(const std::uint8_t* in, std::size_t size);

}  // namespace utf8

// Whether a text, read chunk by chunk, is UTF-8: it holds characters beyond ASCII and at
// most one malformed sequence for every kValidPerMalformed valid multibyte ones, so that a
// stray byte or a last character cut short does not make it 8-bit. The verdict is one of the
// whole text's counts, whichever parts were counted by whom and in which order; a reader may
// stop counting once CannotBecomeUtf8 says the rest could not change it. The bytes are read
// once for this and for the detection tally (see DetectTally).
class Utf8Detector {
 public:
  static constexpr std::uint64_t kValidPerMalformed = 100;

  // Examines `size` bytes and adds their detection letters (by `mask`), CRs and LFs to
  // `counts` in the same pass. Unless `last`, an incomplete sequence at their end is left for
  // the next chunk, by both: returns its length; the caller puts those bytes in front of the
  // next chunk.
  std::size_t Add(const std::uint8_t* data, std::size_t size, bool last, const CodePageMask& mask,
                  DetectCounts& counts);
  // Adds what another detector found in another part of the same text.
  void Add(const Utf8Detector& other) {
    m_multibyte += other.m_multibyte;
    m_malformed += other.m_malformed;
  }
  // Whether the text has a byte of 0x80 or above.
  bool HasHighBytes() const { return m_multibyte != 0 || m_malformed != 0; }
  std::uint64_t Multibyte() const { return m_multibyte; }
  bool IsUtf8() const {
    return m_multibyte != 0 && m_malformed <= m_multibyte / kValidPerMalformed;
  }
  // Whether the text stays not UTF-8 whatever `uncounted` more bytes hold: even as valid
  // two-byte sequences, the shortest, they could not outweigh the malformed ones counted.
  bool CannotBecomeUtf8(std::uint64_t uncounted) const {
    return m_malformed > (m_multibyte + uncounted / 2) / kValidPerMalformed;
  }

 private:
  std::uint64_t m_multibyte = 0;
  std::uint64_t m_malformed = 0;
};

}  // namespace pismovar
