// The two constant tables that carry all knowledge of the encodings. Nothing else in the
// program knows anything about a particular code page: there are only columns.
#pragma once

#include <array>
#include <cstdint>

#include "engine/code_page.h"

namespace pismovar {

// One row per character: its byte in each code page 0..6, then a NUL, so that a row
// reads as text.
inline constexpr int kCharTableRows = 47;
extern const unsigned char CharTable[kCharTableRows][kCodePageCount + 1];

// The nine letters counted by detection: č ř š ž ó á é ú í.
inline constexpr int kDetectTableRows = 9;
extern const unsigned char* const DetectTable[kDetectTableRows];
// Detection looks at the columns of the first six code pages only.
inline constexpr int kDetectCodePages = 6;

// A byte-for-byte translation from one code page to another.
using ByteMap = std::array<std::uint8_t, 256>;
// One flag (0 or 1) per byte, such as whether a map writes a substitute for it.
using ByteFlags = std::array<std::uint8_t, 256>;

// The first row holding the high byte `byte` in the column of `codePage`; nullptr when none
// does.
const unsigned char* RowHolding(CodePage codePage, std::uint8_t byte);

// The letters-only map that converts `from` into `to`: bytes below 0x80 and high bytes that
// no row of `from` holds map to themselves; every other byte maps through the first row
// holding it. Both code pages must be valid.
ByteMap BuildByteMap(CodePage from, CodePage to);

}  // namespace pismovar
