#include "cli/options.h"

#include <getopt.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <initializer_list>

#include "engine/code_page.h"
#include "res/string_table.h"

namespace pismovar::cli {
namespace {

struct NamedValue {
  int value;
  std::initializer_list<std::string_view> names;  // the first is the short name --list shows
};

const std::array<NamedValue, kTextEncodingCount> kCodePageNames{{
    {kCodeWin1250, {"win", "cp1250", "windows-1250"}},
    {kCodeKamenicky, {"kam", "kamenicky", "keybcs2"}},
    {kCodeLatin2, {"lat", "cp852", "ibm852", "pc2"}},
    {kCodeIsoLatin2, {"iso", "iso-8859-2", "il2"}},
    {kCodeMacintosh, {"mac", "maccentraleurope", "macce"}},
    {kCodeKoi8cs, {"koi8cs", "koi8-cs"}},
    {kCodeAscii, {"asc", "ascii"}},
    {kCodeUtf8, {"utf8", "utf-8"}},
}};

const std::array<NamedValue, kLineEndCount> kLineEndNames{{
    {kLineEndDos, {"dos", "crlf"}},
    {kLineEndMac, {"mac", "cr"}},
    {kLineEndUnix, {"unix", "lf"}},
}};

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

template <std::size_t N>
std::optional<int> ParseNamed(std::string_view text, const std::array<NamedValue, N>& table) {
  if (text.size() == 1 && text[0] >= '0' && text[0] < static_cast<char>('0' + N)) {
    return text[0] - '0';
  }
  const std::string lower = Lower(text);
  for (const NamedValue& entry : table) {
    if (std::find(entry.names.begin(), entry.names.end(), lower) != entry.names.end()) {
      return entry.value;
    }
  }
  return std::nullopt;
}

enum LongOnly : int { kEolIn = 256, kEolOut, kQuick, kForce, kStrict, kBom, kLettersOnly };

constexpr char kShortOptions[] = ":f:t:io:rFSdqlhV";
const option kLongOptions[] = {
    {"from", required_argument, nullptr, 'f'},
    {"to", required_argument, nullptr, 't'},
    {"eol-in", required_argument, nullptr, kEolIn},
    {"eol-out", required_argument, nullptr, kEolOut},
    {"in-place", no_argument, nullptr, 'i'},
    {"output", required_argument, nullptr, 'o'},
    {"recursive", no_argument, nullptr, 'r'},
    {"follow-symlink", no_argument, nullptr, 'F'},
    {"skip-symlink", no_argument, nullptr, 'S'},
    {"detect", no_argument, nullptr, 'd'},
    {"quick", no_argument, nullptr, kQuick},
    {"force", no_argument, nullptr, kForce},
    {"strict", no_argument, nullptr, kStrict},
    {"bom", no_argument, nullptr, kBom},
    {"letters-only", no_argument, nullptr, kLettersOnly},
    {"quiet", no_argument, nullptr, 'q'},
    {"list", no_argument, nullptr, 'l'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

// The options that contradict each other or lack a partner; empty when all is well.
std::string CheckCombination(const Options& o) {
  if (o.help || o.version || o.list) return {};
  if (o.detect) {
    if (o.codeIn != kAuto || o.codeOut != kAuto || o.lineEndIn != kAuto || o.lineEndOut != kAuto) {
      return "--detect converts nothing: it takes no --from, --to, --eol-in or --eol-out";
    }
    if (o.inPlace || o.output) return "--detect writes no file: it takes no --in-place or --output";
    if (o.strict || o.bom || o.lettersOnly) {
      return "--detect converts nothing: it takes no --strict, --bom or --letters-only";
    }
  } else if (o.codeOut == kAuto) {
    return "the output code page is missing (--to=CP, or --detect)";
  } else if (o.bom && o.codeOut != kCodeUtf8) {
    return "--bom needs UTF-8 output (--to=utf8)";
  } else if (o.lettersOnly && (o.codeIn == kCodeUtf8 || o.codeOut == kCodeUtf8)) {
    return "--letters-only works between 8-bit code pages only";
  }
  if (o.inPlace && o.output) return "--in-place and --output exclude each other";
  if (o.output && o.inputs.size() > 1) return "--output takes one input only";
  if (o.recursive && !o.inPlace) return "--recursive works only with --in-place";
  if (o.inPlace && o.inputs.empty()) return "--in-place needs at least one FILE";
  if (o.inPlace && std::find(o.inputs.begin(), o.inputs.end(), "-") != o.inputs.end()) {
    return "--in-place cannot convert standard input";
  }
  return {};
}

// One line per value: its number, its names and its caption in the desktop program, the
// captions lined up in one column.
constexpr std::size_t kNamesWidth = 30;

template <std::size_t N, typename Caption>
void AppendNames(std::string& text, const std::array<NamedValue, N>& table, Caption caption) {
  for (const NamedValue& entry : table) {
    std::string names;
    for (std::string_view name : entry.names) {
      names += (names.empty() ? "" : ", ") + std::string(name);
    }
    names.resize(std::max(names.size(), kNamesWidth), ' ');
    text += "  " + std::to_string(entry.value) + "  " + names + std::string(caption(entry.value)) +
            "\n";
  }
}

}  // namespace

std::optional<int> ParseCodePage(std::string_view text, std::string& error) {
  if (Lower(text) == "latin2" || Lower(text) == "latin-2") {
    error = std::string("'").append(text).append(
        "' is ambiguous: say 'lat' for code page 852 or 'iso' for ISO 8859-2");
    return std::nullopt;
  }
  const std::optional<int> value = ParseNamed(text, kCodePageNames);
  if (!value) error = "unknown code page '" + std::string(text) + "' (see --list)";
  return value;
}

std::optional<int> ParseLineEnd(std::string_view text, std::string& error) {
  const std::optional<int> value = ParseNamed(text, kLineEndNames);
  if (!value) error = "unknown line end '" + std::string(text) + "' (see --list)";
  return value;
}

ParseResult ParseCommandLine(int argc, char* argv[]) {
  ParseResult result;
  Options& o = result.options;
  std::string& error = result.error;
  auto store = [](std::optional<int> value, int& field) {
    if (value) field = *value;
    return value.has_value();
  };
  opterr = 0;  // the messages are ours
  optind = 0;  // a fresh scan, also when called more than once
  for (int c; (c = getopt_long(argc, argv, kShortOptions, kLongOptions, nullptr)) != -1;) {
    switch (c) {
      case 'f':
        if (!store(ParseCodePage(optarg, error), o.codeIn)) return result;
        break;
      case 't':
        if (!store(ParseCodePage(optarg, error), o.codeOut)) return result;
        break;
      case kEolIn:
        if (!store(ParseLineEnd(optarg, error), o.lineEndIn)) return result;
        break;
      case kEolOut:
        if (!store(ParseLineEnd(optarg, error), o.lineEndOut)) return result;
        break;
      case 'i':
        o.inPlace = true;
        break;
      case 'o':
        o.output = optarg;
        break;
      case 'r':
        o.recursive = true;
        break;
      case 'F':
        o.followSymlinks = true;
        break;
      case 'S':
        o.followSymlinks = false;
        break;
      case 'd':
        o.detect = true;
        break;
      case kQuick:
        o.quick = true;
        break;
      case kForce:
        o.force = true;
        break;
      case kStrict:
        o.strict = true;
        break;
      case kBom:
        o.bom = true;
        break;
      case kLettersOnly:
        o.lettersOnly = true;
        break;
      case 'q':
        o.quiet = true;
        break;
      case 'l':
        o.list = true;
        break;
      case 'h':
        o.help = true;
        break;
      case 'V':
        o.version = true;
        break;
      case ':':
        error = std::string("option '") + argv[optind - 1] + "' needs a value";
        return result;
      default:
        error = optopt != 0 ? std::string("unknown option '-") + static_cast<char>(optopt) + "'"
                            : std::string("unknown option '") + argv[optind - 1] + "'";
        return result;
    }
  }
  o.inputs.assign(argv + optind, argv + argc);
  error = CheckCombination(o);
  return result;
}

std::string HelpText() {
  return R"(Usage: pismovar-cli [OPTION]... [FILE]...
Convert Czech and Slovak plain text between 8-bit code pages, UTF-8 and line
ends, or guess the code page and line ends of a text.

With no FILE, or when FILE is -, read standard input and write standard output.
With files and neither --in-place nor --output, the converted texts are written
to standard output one after another.

  -f, --from=CP      input code page; default: detected from the whole input
  -t, --to=CP        output code page; required unless --detect
      --eol-in=LE    input line ends; only this sequence is rewritten
      --eol-out=LE   output line ends; without --eol-in every line end (CR LF,
                       a lone CR, a lone LF) becomes LE; default: line ends
                       are left exactly as they are
  -i, --in-place     convert each FILE into itself; the file is replaced only
                       once all of it is converted and on disk, and keeps its
                       owner, group, permissions, ACLs and extended attributes
  -o, --output=FILE  write to FILE (one input only); naming the input itself,
                       under any name, converts it in place
  -r, --recursive    with --in-place: every regular file under each directory
                       argument (symbolic links are not followed)
  -F, --follow-symlink  with --in-place: convert the file a symbolic link
                       leads to, and keep the link
  -S, --skip-symlink    with --in-place: skip symbolic links with a warning
                       (the default)
  -d, --detect       print each input's code page and line ends as
                       NAME: CODEPAGE, LINEEND and convert nothing
      --quick        with --detect or a detected code page: look at the first
                       5120 bytes only
      --force        with --in-place: also convert files that look binary
      --strict       fail an input when any character had to be replaced (an
                       input converted in place is then left untouched, an
                       output file is removed)
      --bom          start UTF-8 output with a byte-order mark
      --letters-only between 8-bit code pages convert only the letters with
                       diacritics and pass every other byte unchanged and
                       uncounted
  -q, --quiet        no progress line and no warnings
  -l, --list         list the code pages and line ends with their numbers and
                       names
  -h, --help         display this help and exit
  -V, --version      output version information and exit

CP is a number 0..7 or a name (letter case does not matter):
  0 win (cp1250, windows-1250)        4 mac (maccentraleurope, macce)
  1 kam (kamenicky, keybcs2)          5 koi8cs (koi8-cs)
  2 lat (cp852, ibm852, pc2)          6 asc (ascii): letters lose diacritics
  3 iso (iso-8859-2, il2)             7 utf8 (utf-8)
"latin2" is refused as ambiguous: say lat for code page 852, iso for ISO 8859-2.

Detection recognises UTF-8 first: text holding characters beyond ASCII that
is valid UTF-8, or nearly so (at most one malformed sequence in 100 valid
multibyte ones). A byte-order mark at the start of UTF-8 input is dropped.
Every character arrives as itself where the output has it. A character the
output lacks becomes a plain form where one is obvious (the letter without
its diacritics, " for quotation marks, - for dashes, a space for a no-break
space, + - | for box drawing) and "?" otherwise; ASCII output stays 7-bit.
A byte its code page leaves undefined stays as it is between 8-bit code
pages and becomes U+FFFD in UTF-8; malformed UTF-8 becomes U+FFFD or "?".
Each input's count of replaced characters, and of malformed sequences with
the offset of the first, is reported on standard error.

LE is a number 0..2 or a name: 0 dos (crlf), 1 mac (cr), 2 unix (lf).

With --in-place, files that look binary (a NUL byte, or many control
characters, in the first 32 KiB) are skipped with a warning; FIFOs, devices
and sockets are refused without being opened. An in-place conversion fails,
leaving the file as it is, when the owner or group could not be kept (only
root may give a file to another user), when another program changes, moves
or replaces the file meanwhile, and when another run is converting the same
file. The new text is written to an unnamed file beside the input, which takes
a hidden name .pismovar-XXXXXX only for the moment of replacing the input, so
even a killed run leaves nothing behind.
A progress line appears on standard error when it is a terminal and the work
takes more than about a second. Ctrl+C stops after the current chunk and
leaves an input being converted in place untouched; a second Ctrl+C stops at
once.

Exit status: 0 when every input succeeded, 1 when any input failed (each
failure is reported as pismovar-cli: NAME: reason), 2 for bad usage.

Examples:
  pismovar-cli -f kam -t win --eol-out unix dopis.txt > dopis-win.txt
  pismovar-cli -t iso -i *.txt
  pismovar-cli -f lat -t win -r -i texty/
  pismovar-cli -f kam -t utf8 -i *.txt
  pismovar-cli --detect dopis.txt
)";
}

std::string VersionText() { return "pismovar-cli " PISMOVAR_VERSION "\n"; }

std::string ListText() {
  std::string text = "Code pages (--from, --to):\n";
  AppendNames(text, kCodePageNames, CodePageCaption);
  text += "Line ends (--eol-in, --eol-out):\n";
  AppendNames(text, kLineEndNames, LineEndCaption);
  return text;
}

}  // namespace pismovar::cli
