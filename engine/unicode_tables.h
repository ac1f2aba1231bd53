// The full character sets of the six 8-bit code pages: the Unicode character of every byte
// of their upper halves. The lower halves are ASCII in every code page.
#pragma once

#include <array>
#include <cstdint>

#include "engine/code_page.h"

namespace pismovar {

// What a byte that its code page leaves undefined decodes to, and what marks a lost
// character in UTF-8 output.
inline constexpr char32_t kReplacementCharacter = 0xFFFD;
// What marks a lost character in 8-bit output.
inline constexpr std::uint8_t kLostByte = '?';

using HighHalf = std::array<char16_t, 128>;

// The characters of bytes 0x80..0xFF of `codePage` (0..6); kReplacementCharacter where the
// code page defines nothing. ASCII defines no byte of its upper half.
const HighHalf& HighHalfOf(CodePage codePage);

// The Unicode character of `byte` in `codePage` (0..6).
char32_t CharacterOf(CodePage codePage, std::uint8_t byte);

}  // namespace pismovar
