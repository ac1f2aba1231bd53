// Prints the engine's list of code pages and line ends as a JavaScript module, which the build
// of the page and the package writes as pkg/registry.js: their names are the engine's own.
#include <array>
#include <cstdio>
#include <string>
#include <string_view>

#include "engine/code_page.h"

namespace {

std::string Quoted(std::string_view text) {
  std::string quoted = "'";
  for (const char c : text) {
    if (c == '\'' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "'";
}

template <std::size_t N>
void Print(const char* name, const std::array<pismovar::NamedValue, N>& table) {
  std::printf("export const %s = [\n", name);
  for (const pismovar::NamedValue& entry : table) {
    std::string names;
    for (const std::string_view alias : entry.names) names += (names.empty() ? "" : ", ") + Quoted(alias);
    std::printf("  { number: %d, caption: %s, names: [%s] },\n", entry.value,
                Quoted(entry.caption).c_str(), names.c_str());
  }
  std::printf("];\n");
}

}  // namespace

int main() {
  std::printf("// Written by the build from the engine's list (engine/code_page.cpp); do not edit.\n");
  Print("codePageTable", pismovar::kCodePages);
  Print("lineEndTable", pismovar::kLineEnds);
}
