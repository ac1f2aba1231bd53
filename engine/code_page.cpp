#include "engine/code_page.h"

namespace pismovar {

std::string_view LineEndSequence(LineEnd lineEnd) {
  switch (lineEnd) {
    case kLineEndDos:
      return "\r\n";
    case kLineEndMac:
      return "\r";
    case kLineEndUnix:
      return "\n";
    default:
      return {};
  }
}

}  // namespace pismovar
