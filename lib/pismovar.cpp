// The C interface of libpismovar: a thin layer over the engine's transcoder and detection.
#include "lib/pismovar.h"

#include <cerrno>
#include <cstdint>
#include <new>
#include <optional>
#include <span>

#include "engine/detect.h"
#include "engine/transcoder.h"

struct pismovar_converter {
  pismovar::Transcoder transcoder;
};

namespace {

constexpr unsigned kKnownFlags = PISMOVAR_LETTERS_ONLY | PISMOVAR_WRITE_BOM;
constexpr int kLeaveLineEnds = -1;

std::uint64_t Lost(const pismovar::Utf8Losses& losses) {
  return losses.replaced + losses.malformed;
}

}  // namespace

extern "C" {

pismovar_t* pismovar_open(int code_in, int code_out, int eol_in, int eol_out, unsigned flags) {
  pismovar::Choices choices;
  choices.codeIn = code_in;
  choices.codeOut = code_out;
  choices.lettersOnly = (flags & PISMOVAR_LETTERS_ONLY) != 0;
  choices.writeBom = (flags & PISMOVAR_WRITE_BOM) != 0;
  if (eol_out == kLeaveLineEnds) {
    // Equal line ends are left as they are; a line end given for the input alone is checked.
    choices.lineEndIn = choices.lineEndOut =
        eol_in == kLeaveLineEnds ? pismovar::kLineEndDos : eol_in;
  } else if (eol_in == kLeaveLineEnds) {
    choices.lineEndOut = eol_out;
    choices.allLineEnds = true;
  } else {
    choices.lineEndIn = eol_in;
    choices.lineEndOut = eol_out;
  }
  std::optional<pismovar::Transcoder> transcoder = pismovar::Transcoder::Make(choices);
  if (!transcoder || (flags & ~kKnownFlags) != 0) {
    errno = EINVAL;
    return nullptr;
  }
  try {
    return new pismovar_converter{std::move(*transcoder)};
  } catch (const std::bad_alloc&) {
    errno = ENOMEM;
    return nullptr;
  }
}

size_t pismovar_convert(pismovar_t* cv, const char** in, size_t* inleft, char** out,
                        size_t* outleft) {
  const bool flush = in == nullptr || *in == nullptr;
  const std::span<const std::uint8_t> input =
      flush ? std::span<const std::uint8_t>{}
            : std::span(reinterpret_cast<const std::uint8_t*>(*in), *inleft);
  const std::span<std::uint8_t> output(reinterpret_cast<std::uint8_t*>(*out), *outleft);
  const std::uint64_t before = Lost(cv->transcoder.Losses());
  pismovar::Transcoder::Step step;
  try {
    step = cv->transcoder.Convert(input, output, flush);
  } catch (const std::bad_alloc&) {
    errno = ENOMEM;
    return static_cast<size_t>(-1);
  }
  if (!flush) {
    *in += step.read;
    *inleft -= step.read;
  }
  *out += step.written;
  *outleft -= step.written;
  if (step.outputFull) {
    errno = E2BIG;
    return static_cast<size_t>(-1);
  }
  return static_cast<size_t>(Lost(cv->transcoder.Losses()) - before);
}

unsigned long long pismovar_losses(const pismovar_t* cv) { return Lost(cv->transcoder.Losses()); }

void pismovar_close(pismovar_t* cv) { delete cv; }

int pismovar_detect(const char* buf, size_t len, pismovar_guess_t* guess) {
  if (guess == nullptr || (buf == nullptr && len != 0)) {
    errno = EINVAL;
    return -1;
  }
  try {
    const pismovar::Guess found =
        pismovar::DetectText(reinterpret_cast<const std::uint8_t*>(buf), len, true, true);
    guess->code_page = found.codePage;
    guess->line_end = found.lineEnd;
    guess->confidence = found.ConfidencePercent();
  } catch (const std::bad_alloc&) {
    errno = ENOMEM;
    return -1;
  }
  return 0;
}

const char* pismovar_version(void) { return PISMOVAR_VERSION; }

}  // extern "C"
