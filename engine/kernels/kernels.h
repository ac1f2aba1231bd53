// The engine's hot loops: the byte map, the detection tally with or without UTF-8 validation,
// the count of UTF-8 sequences, and UTF-8 encoding, decoding and repair, each with the line-end
// rewrite where it writes text. Every loop is built for each instruction set of the processor
// family and the best one the processor runs is chosen once (see targets.h); every form gives
// the same bytes as the scalar reference in reference.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/char_table.h"
#include "engine/detect_counts.h"
#include "engine/line_end_rewrite.h"
#include "engine/utf8_tables.h"

namespace pismovar::kernels {

// How far a loop may write beyond the text it converts.
inline constexpr std::size_t kWriteSlack = 64;

// Each loop's signature is written once, here: the loop itself (below), its scalar
// reference (reference.h) and every compiled form are declared from it.

// Converts `size` bytes of `in` into `out` through `map`, rewriting line ends when `rewrite`
// is given; returns the output's length and adds to `substitutions` how many input bytes
// have a flag of 1 in `substituted` (every flag is 0 or 1; bytes below 0x80 must be 0).
// `out` needs room for twice the input and kWriteSlack bytes more.
using ConvertLoop = std::size_t(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                                const ByteMap& map, const ByteFlags& substituted,
                                const Rewrite* rewrite, std::uint64_t& substitutions);

// Adds the detection letters, CR and LF bytes of `size` bytes to `counts`.
using TallyLoop = void(const std::uint8_t* in, std::size_t size, const CodePageMask& mask,
                       DetectCounts& counts);
// The same, and in the same pass whether the bytes are valid UTF-8 throughout (a cut-off
// sequence at the end is not); when they are, adds to `multibyte` how many of their sequences
// are longer than one byte. With a mask without letters it counts little more than the check.
using TallyUtf8Loop = bool(const std::uint8_t* in, std::size_t size, const CodePageMask& mask,
                           DetectCounts& counts, std::uint64_t& multibyte);
// Adds to `multibyte` the valid sequences of `size` bytes that are longer than one byte, and to
// `malformed` the malformed ones, as steps::DecodeOne parts them (a sequence cut off by the end
// is one).
using CountUtf8Loop = void(const std::uint8_t* in, std::size_t size, std::uint64_t& multibyte,
                           std::uint64_t& malformed);

// The UTF-8 loops convert `size` bytes of `in` into `out`, rewriting line ends when `rewrite`
// is given, add what was lost to `losses` and return the output's length. `offset` is the
// input offset of in[0], for the first malformed sequence. A sequence cut off by the end of
// `in` counts as malformed: the caller holds back an incomplete end (utf8::IncompleteEnd)
// until the next chunk. `out` needs room for three bytes per input byte (two for a UTF-8
// input) and kWriteSlack more.

// 8-bit code page to UTF-8.
using EncodeUtf8Loop = std::size_t(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                                   const ToUtf8Table& table, const Rewrite* rewrite,
                                   Utf8Losses& losses);
// UTF-8 to an 8-bit code page: a character without a byte becomes "?", and so does a
// malformed sequence.
using DecodeUtf8Loop = std::size_t(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                                   const FromUnicodeTable& table, const Rewrite* rewrite,
                                   std::uint64_t offset, Utf8Losses& losses);
// UTF-8 to UTF-8: valid sequences unchanged, each malformed one replaced by U+FFFD.
using RepairUtf8Loop = std::size_t(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                                   const Rewrite* rewrite, std::uint64_t offset,
                                   Utf8Losses& losses);

// The index of the compiled form chosen for this processor in a loop's table of forms (see
// targets.h); 0 until the first call has chosen.
std::size_t ChosenForm();

// A loop that calls the chosen compiled form of itself from `forms`, the table the loop's
// source exports.
template <class Loop>
class Dispatched;
template <class Result, class... Args>
class Dispatched<Result(Args...)> {
 public:
  using Form = Result (*)(Args...);
  constexpr explicit Dispatched(const Form* forms) : m_forms(forms) {}
  Result operator()(Args... args) const {
    return m_forms[ChosenForm()](static_cast<Args>(args)...);
  }

 private:
  const Form* m_forms;
};

extern const Dispatched<ConvertLoop> Convert;
extern const Dispatched<TallyLoop> Tally;
extern const Dispatched<TallyUtf8Loop> TallyUtf8;
extern const Dispatched<CountUtf8Loop> CountUtf8;
extern const Dispatched<EncodeUtf8Loop> EncodeUtf8;
extern const Dispatched<DecodeUtf8Loop> DecodeUtf8;
extern const Dispatched<RepairUtf8Loop> RepairUtf8;

}  // namespace pismovar::kernels
