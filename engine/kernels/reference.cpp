#include "engine/kernels/reference.h"

#include "engine/kernels/steps.h"

namespace pismovar::kernels::reference {

std::size_t Convert(const std::uint8_t* in, std::size_t size, std::uint8_t* out, const ByteMap& map,
                    const ByteFlags& substituted, const Rewrite* rewrite,
                    std::uint64_t& substitutions) {
  // The count stays in a register: the output bytes could alias the caller's.
  std::uint64_t count = 0;
  std::size_t i = 0;
  std::size_t o = 0;
  while (i < size) steps::MapStep(in, size, i, out, o, map, substituted, rewrite, count);
  substitutions += count;
  return o;
}

void Tally(const std::uint8_t* in, std::size_t size, const CodePageMask& mask,
           DetectCounts& counts) {
  std::array<std::uint64_t, 256> histogram{};
  for (std::size_t i = 0; i < size; ++i) ++histogram[in[i]];
  for (int b = 0x80; b < 256; ++b) {
    for (int c = 0; c < kDetectCodePages; ++c) {
      if ((mask[b] >> c) & 1) counts.code[c] += static_cast<std::int64_t>(histogram[b]);
    }
  }
  counts.cr += static_cast<std::int64_t>(histogram['\r']);
  counts.lf += static_cast<std::int64_t>(histogram['\n']);
}

std::size_t EncodeUtf8(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                       const ToUtf8Table& table, const Rewrite* rewrite, Utf8Losses& totals) {
  // The counts stay in registers: the output bytes could alias anything outside the loop.
  Utf8Losses losses = totals;
  std::size_t i = 0;
  std::size_t o = 0;
  while (i < size) steps::EncodeStep(in, size, i, out, o, table, rewrite, losses);
  totals = losses;
  return o;
}

std::size_t DecodeUtf8(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                       const FromUnicodeTable& table, const Rewrite* rewrite, std::uint64_t offset,
                       Utf8Losses& losses) {
  std::size_t i = 0;
  std::size_t o = 0;
  while (i < size) {
    steps::DecodeStep(in, size, i, out, o, rewrite, offset, losses,
                      steps::WriteByte{table, losses});
  }
  return o;
}

std::size_t RepairUtf8(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                       const Rewrite* rewrite, std::uint64_t offset, Utf8Losses& losses) {
  std::size_t i = 0;
  std::size_t o = 0;
  while (i < size) {
    steps::DecodeStep(in, size, i, out, o, rewrite, offset, losses, steps::WriteSequence);
  }
  return o;
}

bool TallyUtf8(const std::uint8_t* in, std::size_t size, const CodePageMask& mask,
               DetectCounts& counts, std::uint64_t& multibyte) {
  Tally(in, size, mask, counts);
  std::uint64_t valid = 0;
  for (std::size_t i = 0; i < size;) {
    if (!steps::ValidateStep(in, size, i, valid)) return false;
  }
  multibyte += valid;
  return true;
}

void CountUtf8(const std::uint8_t* in, std::size_t size, std::uint64_t& multibyte,
               std::uint64_t& malformed) {
  // The counts stay in registers: the input bytes could alias them.
  std::uint64_t valid = 0;
  std::uint64_t broken = 0;
  for (std::size_t i = 0; i < size;) {
    if (in[i] < 0x80) {
      ++i;
      continue;
    }
    char32_t c = 0;
    i += steps::DecodeOne(in + i, size - i, c);
    ++(c == steps::kMalformed ? broken : valid);
  }
  multibyte += valid;
  malformed += broken;
}

}  // namespace pismovar::kernels::reference
