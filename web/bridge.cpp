// What the JavaScript module needs beyond libpismovar's C interface: repair, the check for
// files that look binary, and errno, which a module without a C library of its own cannot
// read.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "cli/binary_check.h"
#include "engine/code_page.h"
#include "engine/detect.h"
#include "engine/repair.h"

namespace {

struct RepairOutcome {
  pismovar::RepairResult result;
};

}  // namespace

extern "C" {

int pismovar_web_errno(void) { return errno; }

// 1 when the start of a file (as much of it as the caller gives) looks binary, as the
// command-line tool asks before converting one in place.
int pismovar_web_looks_binary(const unsigned char* data, std::size_t size) {
  return pismovar::cli::LooksBinary(data, size) ? 1 : 0;
}

// The guess for `size` bytes, the whole text or (`whole` 0) the start of a longer one: code
// page, line end, confidence and, where the text looks damaged by a wrong reading, the code
// page it was read as and the one it was (-1 and -1 where it does not). 0 with `guess[0..4]`
// filled.
int pismovar_web_detect(const unsigned char* data, std::size_t size, int whole, int* guess) {
  const pismovar::Guess found = pismovar::DetectText(data, size, whole != 0, true);
  guess[0] = found.codePage;
  guess[1] = found.lineEnd;
  guess[2] = found.ConfidencePercent();
  guess[3] = found.damage ? found.damage->wrong : -1;
  guess[4] = found.damage ? found.damage->right : -1;
  return 0;
}

// Repairs `size` bytes in `encoding` (a code page 0..5 or 7 for UTF-8); the answer lives until
// pismovar_web_repair_free. NULL for an encoding repair does not take.
RepairOutcome* pismovar_web_repair(const char* data, std::size_t size, int encoding) {
  if (!(encoding >= pismovar::kCodeWin1250 && encoding <= pismovar::kCodeKoi8cs) &&
      encoding != pismovar::kCodeUtf8) {
    errno = EINVAL;
    return nullptr;
  }
  return new RepairOutcome{pismovar::RepairText(std::string_view(data, size), encoding)};
}

const char* pismovar_web_repair_text(const RepairOutcome* outcome) {
  return outcome->result.text.data();
}
std::size_t pismovar_web_repair_size(const RepairOutcome* outcome) {
  return outcome->result.text.size();
}
int pismovar_web_repair_passes(const RepairOutcome* outcome) { return outcome->result.passes; }
int pismovar_web_repair_wrong(const RepairOutcome* outcome) {
  return outcome->result.misreading.wrong;
}
int pismovar_web_repair_right(const RepairOutcome* outcome) {
  return outcome->result.misreading.right;
}
double pismovar_web_repair_characters(const RepairOutcome* outcome) {
  return static_cast<double>(outcome->result.characters);
}
void pismovar_web_repair_free(RepairOutcome* outcome) { delete outcome; }

}  // extern "C"
