// The line-end rewrite of one conversion, and its plain step, shared by the hot loops and
// the engine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace pismovar::kernels {

inline constexpr std::uint8_t kCR = '\r';
inline constexpr std::uint8_t kLF = '\n';

// `first` (and `second`, for a pair) is the input's line end; `out` replaces each occurrence.
// With `anyLineEnd`, every CR LF, lone CR and lone LF is replaced instead, whatever `first`
// and `second` say.
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
  // Whether a line end may be two bytes, and the second byte of such a pair.
  bool MayPair() const { return pair || anyLineEnd; }
  std::uint8_t PairSecond() const { return anyLineEnd ? kLF : second; }
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

}  // namespace pismovar::kernels
