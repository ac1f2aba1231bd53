// The scalar form of every hot loop: plain C++, one byte or sequence at a time. It runs where
// no wider form is built, and every wider form is tested against it.
#pragma once

#include "engine/kernels/kernels.h"

namespace pismovar::kernels::reference {

std::size_t Convert(const std::uint8_t* in, std::size_t size, std::uint8_t* out, const ByteMap& map,
                    const ByteFlags& substituted, const Rewrite* rewrite,
                    std::uint64_t& substitutions);
void Tally(const std::uint8_t* in, std::size_t size, const CodePageMask& mask,
           DetectCounts& counts);
std::size_t EncodeUtf8(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                       const ToUtf8Table& table, const Rewrite* rewrite, Utf8Losses& losses);
std::size_t DecodeUtf8(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                       const FromUnicodeTable& table, const Rewrite* rewrite, std::uint64_t offset,
                       Utf8Losses& losses);
std::size_t RepairUtf8(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                       const Rewrite* rewrite, std::uint64_t offset, Utf8Losses& losses);
bool IsValidUtf8(const std::uint8_t* in, std::size_t size, std::uint64_t& multibyte);

}  // namespace pismovar::kernels::reference
