#include "cli/i18n.h"

#include <clocale>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace pismovar::cli {
namespace {

// The catalogues relative to the program: the build tree lays them out as an installation does.
std::filesystem::path CataloguesBesideProgram() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  const std::filesystem::path dir = program.parent_path() / PISMOVAR_LOCALEDIR_FROM_BINDIR;
  return std::filesystem::is_directory(dir, error) ? dir.lexically_normal()
                                                   : std::filesystem::path{};
}

// Whether the UTF-8 sequence at `text[i]` is whole and printable; its length in `length`.
bool PrintableUtf8(std::string_view text, std::size_t i, std::size_t& length) {
  const auto lead = static_cast<unsigned char>(text[i]);
  if (lead < 0x80) {
    length = 1;
    return lead >= 0x20 && lead != 0x7F;
  }
  length = lead >= 0xF0 && lead <= 0xF4  ? 4
           : lead >= 0xE0                ? 3
           : lead >= 0xC2 && lead < 0xE0 ? 2
                                         : 0;
  if (length == 0 || i + length > text.size()) return false;
  char32_t code = lead & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return false;
    code = (code << 6) | (next & 0x3F);
  }
  const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
  const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  const bool c1Control = code >= 0x80 && code <= 0x9F;
  return !overlong && !surrogate && !c1Control && code <= 0x10FFFF;
}

}  // namespace

void SetUpTranslations() {
  std::setlocale(LC_ALL, "");
  const std::filesystem::path beside = CataloguesBesideProgram();
  ::bindtextdomain(kTextDomain, beside.empty() ? PISMOVAR_LOCALEDIR : beside.c_str());
  ::textdomain(kTextDomain);
}

std::string Substitute(std::string_view text, std::initializer_list<std::string_view> args) {
  std::string result;
  auto arg = args.begin();
  for (std::size_t pos = 0;;) {
    const std::size_t mark = text.find("%s", pos);
    if (mark == std::string_view::npos || arg == args.end()) {
      result.append(text.substr(pos));
      return result;
    }
    result.append(text.substr(pos, mark - pos)).append(*arg++);
    pos = mark + 2;
  }
}

std::string QuoteName(std::string_view name) {
  if (name.empty()) return "''";  // an empty name would leave nothing to read before the colon
  bool plain = true;
  for (std::size_t i = 0, length = 0; plain && i < name.size(); i += length) {
    plain = PrintableUtf8(name, i, length);
  }
  if (plain) return std::string(name);
  std::string quoted = "$'";
  for (std::size_t i = 0, length = 0; i < name.size(); i += length) {
    if (PrintableUtf8(name, i, length)) {
      if (name[i] == '\'' || name[i] == '\\') quoted += '\\';
      quoted.append(name.substr(i, length));
      continue;
    }
    length = 1;
    const auto byte = static_cast<unsigned char>(name[i]);
    switch (byte) {
      case '\n':
        quoted += "\\n";
        break;
      case '\t':
        quoted += "\\t";
        break;
      case '\r':
        quoted += "\\r";
        break;
      default: {
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\x%02X", byte);
        quoted += escape;
      }
    }
  }
  return quoted + "'";
}

}  // namespace pismovar::cli
