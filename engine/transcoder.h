// Conversion of text in memory, piece by piece: the choices as a value, and a transcoder that
// converts whatever pieces it is given (the shape of iconv(3)), holding back a CR that may
// begin a CR LF pair and the beginning of a UTF-8 sequence until the piece that completes them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "engine/byte_map.h"
#include "engine/code_page.h"
#include "engine/kernels/kernels.h"
#include "engine/utf8.h"

namespace pismovar {

// What a conversion is to do.
struct Choices {
  CodePage codeIn = kCodeWin1250;  // a code page or kCodeUtf8
  CodePage codeOut = kCodeWin1250;
  LineEnd lineEndIn = kLineEndDos;
  LineEnd lineEndOut = kLineEndDos;
  // Every line end (CR LF, lone CR, lone LF) becomes lineEndOut, whatever lineEndIn says.
  bool allLineEnds = false;
  // Between two 8-bit code pages only the letters of the character table are converted, and
  // every other byte passes unchanged and uncounted.
  bool lettersOnly = false;
  // UTF-8 output starts with a byte-order mark.
  bool writeBom = false;

  bool operator==(const Choices&) const = default;
};

class Transcoder {
 public:
  // The most output bytes one input byte can give: a byte without a character becomes
  // U+FFFD (three bytes in UTF-8); a one-byte line end rewritten to CR LF gives two.
  static constexpr std::size_t kMaxExpansion = 3;
  // The most bytes a piece may end in that wait for the next: a CR, or the beginning of a
  // UTF-8 sequence.
  static constexpr std::size_t kMaxHeldBytes = kMaxIncompleteSequence;
  // Room ConvertChunk needs for `size` input bytes.
  static constexpr std::size_t OutputRoom(std::size_t size) {
    return kMaxExpansion * size + kUtf8BomSize + kernels::kWriteSlack;
  }

  // A transcoder for `choices`; nothing when a code page or line end is out of range.
  static std::optional<Transcoder> Make(const Choices& choices);

  const Choices& GetChoices() const { return m_choices; }

  // Converts `size` bytes of `in` (a whole chunk: nothing is held back) into `out`, which
  // needs OutputRoom(size); `offset` is the input offset of in[0], for the first malformed
  // sequence. A UTF-8 byte-order mark at offset 0 is dropped, and with `bom` the output starts
  // with one. Adds what was lost to `losses`; returns the output's length. Bytes below 0x80,
  // NUL included, pass unchanged apart from line ends. Never allocates.
  std::size_t ConvertChunk(const std::uint8_t* in, std::size_t size, std::uint64_t offset, bool bom,
                           std::uint8_t* out, Utf8Losses& losses) const;
  // How many bytes at the end of `size` bytes that are not the text's end wait for the next
  // piece.
  std::size_t HeldBack(const std::uint8_t* in, std::size_t size) const;

  // What a call of Convert did.
  struct Step {
    std::size_t read = 0;     // input bytes taken (converted or held for the next call)
    std::size_t written = 0;  // output bytes written
    bool outputFull = false;  // converted text waits for room in the output
  };
  // Converts as much of `in` as `out` takes, holding back what the next piece may complete;
  // with `last` the text ends with `in` and nothing is held. Text converted beyond the room of
  // `out` waits for the next call, which writes it first. Converts straight into `out` where
  // the text surely fits; a work area holds what is held back or does not fit.
  Step Convert(std::span<const std::uint8_t> in, std::span<std::uint8_t> out, bool last);
  // What the conversions since the transcoder was made lost.
  const Utf8Losses& Losses() const { return m_losses; }

 private:
  enum class Route { kByteMap, kToUtf8, kFromUtf8, kUtf8ToUtf8 };

  explicit Transcoder(const Choices& choices);
  kernels::Rewrite LineEndRewrite() const;
  // Writes what waits in m_pending into `out` from `written` on; false while some still waits.
  bool DeliverPending(std::span<std::uint8_t> out, std::size_t& written);

  Choices m_choices;
  Route m_route = Route::kByteMap;
  ByteMap m_byteMap{};
  ByteFlags m_substituted{};
  ToUtf8Table m_toUtf8;
  FromUnicodeTable m_fromUnicode;

  // The state of Convert: the input bytes held back, the converted text that did not fit,
  // how much of the input has been converted, and whether the byte-order mark is written.
  std::vector<std::uint8_t> m_held;
  std::vector<std::uint8_t> m_pending;
  std::size_t m_pendingFrom = 0;
  std::vector<std::uint8_t> m_work;
  std::uint64_t m_offset = 0;
  bool m_bomWritten = false;
  Utf8Losses m_losses;
};

}  // namespace pismovar
