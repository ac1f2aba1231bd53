// The vocabulary shared by the whole program: code pages and line ends, as plain numbers.
// The same number is a radio button's index, a command-line digit and a table column.
#pragma once

#include <array>
#include <initializer_list>
#include <string_view>

namespace pismovar {

using CodePage = int;
inline constexpr CodePage kCodeWin1250 = 0;
inline constexpr CodePage kCodeKamenicky = 1;
inline constexpr CodePage kCodeLatin2 = 2;  // IBM/DOS code page 852
inline constexpr CodePage kCodeIsoLatin2 = 3;
inline constexpr CodePage kCodeMacintosh = 4;
inline constexpr CodePage kCodeKoi8cs = 5;
inline constexpr CodePage kCodeAscii = 6;
inline constexpr int kCodePageCount = 7;
// UTF-8 is a text encoding beside the seven 8-bit code pages; the character table knows
// only the seven.
inline constexpr CodePage kCodeUtf8 = 7;
inline constexpr int kTextEncodingCount = 8;

using LineEnd = int;
inline constexpr LineEnd kLineEndDos = 0;   // CR LF
inline constexpr LineEnd kLineEndMac = 1;   // CR
inline constexpr LineEnd kLineEndUnix = 2;  // LF
inline constexpr int kLineEndCount = 3;

constexpr bool IsValidCodePage(int value) { return value >= 0 && value < kCodePageCount; }
// A code page or UTF-8.
constexpr bool IsValidTextEncoding(int value) { return value >= 0 && value < kTextEncodingCount; }
constexpr bool IsValidLineEnd(int value) { return value >= 0 && value < kLineEndCount; }

// The one list of the code pages and line ends: the command-line tool parses and lists its
// names from it, and its completion asks the tool. Adding a code page starts here.
struct NamedValue {
  int value;
  std::string_view caption;  // as --detect and --list show it (translated by the command-line
                             // tool: Czech and Slovak say "Kamenických")
  // The first is the short name the help shows; then glibc's and IANA's names and aliases,
  // one spelling each, since letter case and punctuation do not count.
  std::initializer_list<std::string_view> names;
};
extern const std::array<NamedValue, kTextEncodingCount> kCodePages;
extern const std::array<NamedValue, kLineEndCount> kLineEnds;

// The byte sequence of a line end: CR LF, CR or LF; empty for any other value.
std::string_view LineEndSequence(LineEnd lineEnd);

}  // namespace pismovar
