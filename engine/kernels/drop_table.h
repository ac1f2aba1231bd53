// The shuffles that drop lanes from a vector without a byte compress: for eight bytes, one row
// for each set of lanes to drop.
#pragma once

#include <cstdint>

namespace pismovar::kernels {

// Row `drop` holds the slots of the lanes not in `drop`, in order, and the same slots plus
// eight after them (for the upper eight of sixteen); lengths[drop] says how many they are.
// Read sixteen bytes at a time from the start of a row or its middle.
struct DropTable {
  std::uint8_t slots[256 * 16 + 8];
  std::uint8_t lengths[256];
};

constexpr DropTable MakeDropTable() {
  DropTable table{};
  for (unsigned drop = 0; drop < 256; ++drop) {
    unsigned s = 0;
    for (unsigned b = 0; b < 8; ++b) {
      if ((drop >> b & 1) != 0) continue;
      table.slots[16 * drop + s] = static_cast<std::uint8_t>(b);
      table.slots[16 * drop + 8 + s] = static_cast<std::uint8_t>(b + 8);
      ++s;
    }
    table.lengths[drop] = static_cast<std::uint8_t>(s);
  }
  return table;
}

inline constexpr DropTable kDropTable = MakeDropTable();

}  // namespace pismovar::kernels
