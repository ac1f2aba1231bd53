// UTF-8 in and out of the engine: the tables between the 8-bit code pages and Unicode (built
// here, looked up by the hot loops in engine/kernels/), sequences cut off by the end of a
// chunk, and recognising a UTF-8 text chunk by chunk.
#pragma once

#include <cstddef>
#include <cstdint>

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

// Whether a text, read chunk by chunk, is UTF-8 holding at least one multibyte sequence.
class Utf8Detector {
 public:
  // Examines `size` bytes. Unless `last`, an incomplete sequence at their end is left for the
  // next chunk: returns its length; the caller puts those bytes in front of the next chunk.
  std::size_t Add(const std::uint8_t* data, std::size_t size, bool last);
  bool IsUtf8() const { return m_valid && m_multibyte; }

 private:
  bool m_valid = true;
  bool m_multibyte = false;
};

}  // namespace pismovar
