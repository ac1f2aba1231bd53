// Telling text from binary files before converting them in place.
#pragma once

#include <cstddef>

namespace pismovar::cli {

// How much of a file's start is examined.
inline constexpr std::size_t kBinaryCheckSize = 32 * 1024;

// true when `data` holds a NUL byte or more than one control character in ten, counting
// every byte below 0x20 except tab, LF, form feed and CR, and DEL.
bool LooksBinary(const unsigned char* data, std::size_t size);

// The same for the first kBinaryCheckSize bytes of the regular file open as `fd`, read from its
// start without moving its offset; false when they cannot be read (the conversion will then
// report the failure).
bool FileLooksBinary(int fd);

}  // namespace pismovar::cli
