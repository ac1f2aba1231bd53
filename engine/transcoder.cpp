#include "engine/transcoder.h"

#include <algorithm>
#include <cstring>

namespace pismovar {
namespace {

// How much input one round of Convert takes: its converted text stays in the cache.
constexpr std::size_t kPieceSize = 64u << 10;

}  // namespace

std::optional<Transcoder> Transcoder::Make(const Choices& choices) {
  if (!IsValidTextEncoding(choices.codeIn) || !IsValidTextEncoding(choices.codeOut) ||
      !IsValidLineEnd(choices.lineEndIn) || !IsValidLineEnd(choices.lineEndOut)) {
    return std::nullopt;
  }
  return Transcoder(choices);
}

Transcoder::Transcoder(const Choices& choices) : m_choices(choices) {
  const bool fromUtf8 = choices.codeIn == kCodeUtf8;
  const bool toUtf8 = choices.codeOut == kCodeUtf8;
  if (fromUtf8 && toUtf8) {
    m_route = Route::kUtf8ToUtf8;
  } else if (fromUtf8) {
    m_route = Route::kFromUtf8;
    m_fromUnicode = FromUnicodeTable(choices.codeOut);
  } else if (toUtf8) {
    m_route = Route::kToUtf8;
    m_toUtf8 = BuildToUtf8Table(choices.codeIn);
  } else if (choices.lettersOnly) {
    m_byteMap = BuildByteMap(choices.codeIn, choices.codeOut);
  } else {
    const CompleteMap map = BuildCompleteMap(choices.codeIn, choices.codeOut);
    m_byteMap = map.bytes;
    m_substituted = map.substituted;
  }
}

kernels::Rewrite Transcoder::LineEndRewrite() const {
  const std::string_view in = LineEndSequence(m_choices.lineEndIn);
  const std::string_view out = LineEndSequence(m_choices.lineEndOut);
  kernels::Rewrite rewrite;
  rewrite.first = static_cast<std::uint8_t>(in[0]);
  rewrite.pair = in.size() == 2;
  rewrite.second = static_cast<std::uint8_t>(rewrite.pair ? in[1] : 0);
  rewrite.out = out.data();
  rewrite.outSize = out.size();
  rewrite.anyLineEnd = m_choices.allLineEnds;
  return rewrite;
}

std::size_t Transcoder::ConvertChunk(const std::uint8_t* in, std::size_t size, std::uint64_t offset,
                                     bool bom, std::uint8_t* out, Utf8Losses& losses) const {
  // A byte-order mark at the start of a UTF-8 text is not converted; UTF-8 output gets one
  // when asked.
  std::size_t skip = 0;
  if (offset == 0 && m_choices.codeIn == kCodeUtf8 && size >= kUtf8BomSize &&
      std::memcmp(in, kUtf8Bom, kUtf8BomSize) == 0) {
    skip = kUtf8BomSize;
  }
  std::size_t o = 0;
  if (bom) {
    std::memcpy(out, kUtf8Bom, kUtf8BomSize);
    o = kUtf8BomSize;
  }
  in += skip;
  size -= skip;
  offset += skip;
  out += o;
  // Rewriting the line ends first and mapping afterwards gives the same bytes as one pass
  // doing both: line-end bytes lie below 0x80, where the map changes nothing.
  const kernels::Rewrite rewrite = LineEndRewrite();
  const bool rewriting = m_choices.allLineEnds || m_choices.lineEndIn != m_choices.lineEndOut;
  const kernels::Rewrite* lineEnds = rewriting ? &rewrite : nullptr;
  switch (m_route) {
    case Route::kToUtf8:
      return o + kernels::EncodeUtf8(in, size, out, m_toUtf8, lineEnds, losses);
    case Route::kFromUtf8:
      return o + kernels::DecodeUtf8(in, size, out, m_fromUnicode, lineEnds, offset, losses);
    case Route::kUtf8ToUtf8:
      return o + kernels::RepairUtf8(in, size, out, lineEnds, offset, losses);
    case Route::kByteMap:
      break;
  }
  return o + kernels::Convert(in, size, out, m_byteMap, m_substituted, lineEnds, losses.replaced);
}

std::size_t Transcoder::HeldBack(const std::uint8_t* in, std::size_t size) const {
  // A CR, so that a CR LF pair split between two pieces is converted whole; the beginning of
  // a UTF-8 sequence, so that it is decoded whole.
  if (size > 0 && in[size - 1] == kernels::kCR) return 1;
  return m_choices.codeIn == kCodeUtf8 ? utf8::IncompleteEnd(in, size) : 0;
}

bool Transcoder::DeliverPending(std::span<std::uint8_t> out, std::size_t& written) {
  const std::size_t n = std::min(m_pending.size() - m_pendingFrom, out.size() - written);
  std::memcpy(out.data() + written, m_pending.data() + m_pendingFrom, n);
  written += n;
  m_pendingFrom += n;
  if (m_pendingFrom < m_pending.size()) return false;
  m_pending.clear();
  m_pendingFrom = 0;
  return true;
}

Transcoder::Step Transcoder::Convert(std::span<const std::uint8_t> in, std::span<std::uint8_t> out,
                                     bool last) {
  Step step;
  if (!DeliverPending(out, step.written)) {
    step.outputFull = true;
    return step;
  }
  const bool bom = m_choices.writeBom && m_choices.codeOut == kCodeUtf8;
  // Round by round: the bytes held back and the next part of the input are converted, and
  // what waits for the next piece is held back again. The text's end converts what is held.
  while (step.read < in.size() || (last && (!m_held.empty() || (bom && !m_bomWritten)))) {
    const std::size_t take = std::min(in.size() - step.read, kPieceSize);
    // The input is read where it lies unless bytes held back go before it.
    std::span<const std::uint8_t> piece = in.subspan(step.read, take);
    if (!m_held.empty()) {
      m_work.assign(m_held.begin(), m_held.end());
      m_work.insert(m_work.end(), piece.begin(), piece.end());
      piece = m_work;
    }
    step.read += take;
    const bool end = last && step.read == in.size();
    const std::size_t held = end ? 0 : HeldBack(piece.data(), piece.size());
    const std::size_t n = piece.size() - held;
    // The converted text goes straight to `out` where it surely fits, otherwise it waits in
    // m_pending.
    const bool fits = out.size() - step.written >= OutputRoom(n);
    if (!fits) m_pending.resize(OutputRoom(n));
    std::uint8_t* const target = fits ? out.data() + step.written : m_pending.data();
    const std::size_t converted =
        ConvertChunk(piece.data(), n, m_offset, bom && !m_bomWritten, target, m_losses);
    m_bomWritten = m_bomWritten || bom;
    m_offset += n;
    m_held.assign(piece.begin() + static_cast<std::ptrdiff_t>(n), piece.end());
    if (fits) {
      step.written += converted;
      continue;
    }
    m_pending.resize(converted);
    if (!DeliverPending(out, step.written)) {
      step.outputFull = true;
      return step;
    }
  }
  return step;
}

}  // namespace pismovar
