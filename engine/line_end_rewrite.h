// The line-end rewrite of one conversion, and its plain step, shared by the hot loops and
// the engine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace pismovar::kernels {

// `first` (and `second`, for a pair) is the input's line end; `out` replaces each occurrence.
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

}  // namespace pismovar::kernels
