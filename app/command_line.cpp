#include "app/command_line.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "engine/code_page.h"

namespace pismovar {
namespace {

int DigitAt(const std::string& text, std::size_t pos) {
  return pos < text.size() && text[pos] >= '0' && text[pos] <= '9' ? text[pos] - '0' : 0;
}

bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// Where the first switch starts: a "/" that begins a word of at most three characters. A
// longer word is a path ("/home/ja/dopis.txt"), never a switch.
std::size_t FindSwitch(const std::string& text) {
  for (std::size_t slash = text.find('/'); slash != std::string::npos;
       slash = text.find('/', slash + 1)) {
    if (slash > 0 && !IsBlank(text[slash - 1])) continue;
    const auto end = std::find_if(text.begin() + static_cast<std::ptrdiff_t>(slash), text.end(),
                                  IsBlank);
    if (end - (text.begin() + static_cast<std::ptrdiff_t>(slash)) <= 3) return slash;
  }
  return std::string::npos;
}

// Takes the first switch out of `text`, with the text in front of it: true and the two
// digits when there is one.
bool TakeSwitch(std::string& text, int& first, int& second) {
  const std::size_t slash = FindSwitch(text);
  if (slash == std::string::npos) return false;
  first = DigitAt(text, slash + 1);
  second = DigitAt(text, slash + 2);
  text = slash + 3 < text.size() ? text.substr(slash + 3) : std::string{};
  text.erase(text.begin(), std::find_if_not(text.begin(), text.end(), IsBlank));
  return true;
}

// Whether a word of `text` begins with `prefix`.
bool HasWordStarting(const std::string& text, std::string_view prefix) {
  for (std::size_t at = text.find(prefix); at != std::string::npos;
       at = text.find(prefix, at + 1)) {
    if (at == 0 || IsBlank(text[at - 1])) return true;
  }
  return false;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

bool CommandLine::InRange() const {
  return IsValidCodePage(nCodeIn) && IsValidLineEnd(nLineEndIn) && IsValidCodePage(nCodeOut) &&
         IsValidLineEnd(nLineEndOut);
}

std::string CommandTail(int argc, const char* const* argv) {
  std::string tail;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) tail += ' ';
    tail += argv[i];
  }
  return tail;
}

CommandLine ParseCommandTail(std::string tail) {
  CommandLine line;
  if (HasWordStarting(tail, "/?") || HasWordStarting(tail, "/help")) {
    line.bHelp = true;
    return line;
  }
  if (TakeSwitch(tail, line.nCodeIn, line.nLineEndIn)) line.bAutoRun = true;
  if (TakeSwitch(tail, line.nCodeOut, line.nLineEndOut)) line.bAutoRun = true;
  std::erase(tail, '"');
  line.bClipboard = EqualsIgnoringCase(tail, "Clipboard");
  line.strName = std::move(tail);
  return line;
}

}  // namespace pismovar
