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

inline constexpr std::uint8_t kCR = '\r';
inline constexpr std::uint8_t kLF = '\n';

// The line-end rewrite of one conversion: `first` (and `second`, for a pair) is the input's
// sequence; `out` replaces each occurrence. With `anyLineEnd`, every CR LF, lone CR and lone
// LF is replaced instead, whatever `first` and `second` say.
struct Rewrite {
  std::uint8_t first = 0;
  bool pair = false;
  std::uint8_t second = 0;
  const char* out = nullptr;
  std::size_t outSize = 0;
  bool anyLineEnd = false;

  // The bytes at which a rewritten line end may start; the same byte twice for one sequence.
  std::uint8_t FirstStart() const { return anyLineEnd ? kCR : first; }
  std::uint8_t OtherStart() const { return anyLineEnd ? kLF : first; }
};

// Where a rewritten line end starts at in[i]: writes its replacement at out[o], moves both
// on and gives true. Elsewhere changes nothing and gives false. A CR at the end of `in` is a
// lone CR: the caller holds back a CR that may begin a pair cut off by the chunk's end.
inline bool TakeLineEnd(const std::uint8_t* in, std::size_t size, std::size_t& i, std::uint8_t* out,
                        std::size_t& o, const Rewrite& rewrite) {
  std::size_t length = 0;
  if (rewrite.anyLineEnd) {
    if (in[i] == kLF) {
      length = 1;
    } else if (in[i] == kCR) {
      length = i + 1 < size && in[i + 1] == kLF ? 2 : 1;
    }
  } else if (in[i] == rewrite.first &&
             (!rewrite.pair || (i + 1 < size && in[i + 1] == rewrite.second))) {
    length = rewrite.pair ? 2 : 1;
  }
  if (length == 0) return false;
  std::memcpy(out + o, rewrite.out, rewrite.outSize);
  o += rewrite.outSize;
  i += length;
  return true;
}

// The code pages, one bit each, in which a byte counts as a detection letter.
using CodePageMask = std::array<std::uint8_t, 256>;

// How far a wide block may write beyond the converted text.
inline constexpr std::size_t kWriteSlack = 64;

// Converts `size` bytes of `in` into `out` through `map`, rewriting line ends when `rewrite`
// is given; returns the output's length and adds to `substitutions` how many input bytes
// have a flag of 1 in `substituted` (every flag is 0 or 1; bytes below 0x80 must be 0).
// `out` needs room for kWriteSlack bytes more.
std::size_t Convert(const std::uint8_t* in, std::size_t size, std::uint8_t* out, const ByteMap& map,
                    const ByteFlags& substituted, const Rewrite* rewrite,
                    std::uint64_t& substitutions);

// Adds the detection letters, CR and LF bytes of `size` bytes to `counts`.
void Tally(const std::uint8_t* in, std::size_t size, const CodePageMask& mask,
           DetectCounts& counts);

// The same, the portable and the wide form by name, so that tests compare them.
std::size_t ConvertPortable(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                            const ByteMap& map, const ByteFlags& substituted,
                            const Rewrite* rewrite, std::uint64_t& substitutions);
void TallyPortable(const std::uint8_t* in, std::size_t size, const CodePageMask& mask,
                   DetectCounts& counts);
bool HaveWide();
std::size_t ConvertWide(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                        const ByteMap& map, const ByteFlags& substituted, const Rewrite* rewrite,
                        std::uint64_t& substitutions);
void TallyWide(const std::uint8_t* in, std::size_t size, const CodePageMask& mask,
               DetectCounts& counts);

}  // namespace pismovar::kernels
