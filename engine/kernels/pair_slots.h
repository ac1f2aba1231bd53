// The shuffles that write characters of one or two bytes without a byte compress: for eight
// characters whose two bytes lie interleaved in sixteen slots, one row for each set of those
// that take two.
#pragma once

#include <array>
#include <cstdint>

namespace pismovar::kernels {

// Row `flags` holds the slots of the characters' bytes in order: each character's first byte
// and, where its flag is set, its second; lengths[flags] says how many they are.
struct PairSlots {
  std::uint8_t rows[256][16];
  std::uint8_t lengths[256];
};

constexpr PairSlots MakePairSlots() {
  PairSlots slots{};
  for (unsigned flags = 0; flags < 256; ++flags) {
    unsigned s = 0;
    for (unsigned c = 0; c < 8; ++c) {
      slots.rows[flags][s++] = static_cast<std::uint8_t>(2 * c);
      if ((flags >> c & 1) != 0) slots.rows[flags][s++] = static_cast<std::uint8_t>(2 * c + 1);
    }
    slots.lengths[flags] = static_cast<std::uint8_t>(s);
  }
  return slots;
}

alignas(16) inline constexpr PairSlots kPairSlots = MakePairSlots();

// Each of eight bits moved to twice its place, for the two slots of a character.
constexpr std::array<std::uint16_t, 256> MakeSpreadBits() {
  std::array<std::uint16_t, 256> spread{};
  for (unsigned bits = 0; bits < 256; ++bits) {
    for (unsigned b = 0; b < 8; ++b) {
      spread[bits] |= static_cast<std::uint16_t>((bits >> b & 1) << 2 * b);
    }
  }
  return spread;
}

inline constexpr std::array<std::uint16_t, 256> kSpreadBits = MakeSpreadBits();

}  // namespace pismovar::kernels
