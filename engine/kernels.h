// The engine's hot loops: the byte map with the line-end rewrite, and the detection tally.
// Each has a portable form and, where the processor offers byte permutes over 128-byte tables
// (AVX-512 VBMI), a wide form chosen once at run time; both give the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/char_table.h"
#include "engine/detect.h"

namespace pismovar::kernels {

// The line-end rewrite of one conversion: `first` (and `second`, for a pair) is the input's
// sequence; `out` replaces each occurrence.
struct Rewrite {
  std::uint8_t first = 0;
  bool pair = false;
  std::uint8_t second = 0;
  const char* out = nullptr;
  std::size_t outSize = 0;
};

// Where an occurrence of the rewritten line end starts at in[i]: writes its replacement at
// out[o], moves both on and gives true. Elsewhere changes nothing and gives false.
inline bool TakeLineEnd(const std::uint8_t* in, std::size_t size, std::size_t& i, std::uint8_t* out,
                        std::size_t& o, const Rewrite& rewrite) {
  if (in[i] != rewrite.first || (rewrite.pair && (i + 1 >= size || in[i + 1] != rewrite.second))) {
    return false;
  }
  std::memcpy(out + o, rewrite.out, rewrite.outSize);
  o += rewrite.outSize;
  i += rewrite.pair ? 2 : 1;
  return true;
}

// The code pages, one bit each, in which a byte counts as a detection letter.
using CodePageMask = std::array<std::uint8_t, 256>;

// How far a wide block may write beyond the converted text.
inline constexpr std::size_t kWriteSlack = 64;

// Converts `size` bytes of `in` into `out` through `map`, rewriting line ends when `rewrite`
// is given; returns the output's length. `out` needs room for kWriteSlack bytes more.
std::size_t Convert(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                    const ByteMap& map, const Rewrite* rewrite);

// Adds the detection letters, CR and LF bytes of `size` bytes to `counts`.
void Tally(const std::uint8_t* in, std::size_t size, const CodePageMask& mask,
           DetectCounts& counts);

// The same, the portable and the wide form by name, so that tests compare them.
std::size_t ConvertPortable(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                            const ByteMap& map, const Rewrite* rewrite);
void TallyPortable(const std::uint8_t* in, std::size_t size, const CodePageMask& mask,
                   DetectCounts& counts);
bool HaveWide();
std::size_t ConvertWide(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                        const ByteMap& map, const Rewrite* rewrite);
void TallyWide(const std::uint8_t* in, std::size_t size, const CodePageMask& mask,
               DetectCounts& counts);

}  // namespace pismovar::kernels
