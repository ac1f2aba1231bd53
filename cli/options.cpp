#include "cli/options.h"

#include <getopt.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "cli/i18n.h"
#include "engine/code_page.h"
#include "engine/kernels/kernels.h"
#include "engine/kernels/targets.h"
#include "engine/utf8.h"

namespace pismovar::cli {
namespace {

// Glibc's names of ISO 8859-2, also the caption of code page 852 when spelled otherwise.
constexpr std::array<std::string_view, 2> kAmbiguousNames{"latin2", "l2"};

// Letter case, diacritics and ASCII punctuation do not count in a name: "ISO_8859-2" is
// "iso88592", "koi8-čs" is "koi8cs". The letters lose their diacritics as in the ASCII code page.
std::string Normalize(std::string_view text) {
  static const FromUnicodeTable kAscii(kCodeAscii);
  std::vector<std::uint8_t> ascii(text.size() + kernels::kWriteSlack);
  Utf8Losses losses;
  ascii.resize(kernels::DecodeUtf8(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(),
                                   ascii.data(), kAscii, nullptr, 0, losses));
  std::string normal;
  for (const std::uint8_t byte : ascii) {
    // By hand: the user's locale must not decide what a letter is.
    if (byte >= 'A' && byte <= 'Z') {
      normal += static_cast<char>(byte - 'A' + 'a');
    } else if ((byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9')) {
      normal += static_cast<char>(byte);
    }
  }
  return normal;
}

template <std::size_t N>
std::optional<int> ParseNamed(std::string_view text, const std::array<NamedValue, N>& table) {
  if (text.size() == 1 && text[0] >= '0' && text[0] < static_cast<char>('0' + N)) {
    return text[0] - '0';
  }
  const std::string normal = Normalize(text);
  if (normal.empty()) return std::nullopt;
  for (const NamedValue& entry : table) {
    if (Normalize(entry.caption) == normal) return entry.value;
    for (std::string_view name : entry.names) {
      if (Normalize(name) == normal) return entry.value;
    }
  }
  return std::nullopt;
}

enum LongOnly : int { kEolIn = 256, kEolOut, kQuick, kForce, kStrict, kBom, kLettersOnly, kRepair };

constexpr char kShortOptions[] = ":f:t:io:rFSdvqlhV";
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
    {"verbose", no_argument, nullptr, 'v'},
    {"force", no_argument, nullptr, kForce},
    {"strict", no_argument, nullptr, kStrict},
    {"bom", no_argument, nullptr, kBom},
    {"letters-only", no_argument, nullptr, kLettersOnly},
    {"repair", no_argument, nullptr, kRepair},
    {"quiet", no_argument, nullptr, 'q'},
    {"list", no_argument, nullptr, 'l'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {nullptr, 0, nullptr, 0},
};

// Whether getopt's `optopt` after an error stands for a long option: 0 for one it did not
// recognise, or the value of one given a value it takes none of. An unknown short letter is
// neither.
bool LongOptionFailed() {
  if (optopt == 0) return true;
  for (const option* o = kLongOptions; o->name != nullptr; ++o) {
    if (o->val == optopt) return true;
  }
  return false;
}

// The reason getopt stopped, naming the option as the user typed it: "--quick=1" is the long
// option --quick given a value, "-x" an unknown letter. `element` is the argument getopt
// has just passed over, which holds a long option but perhaps not a short letter's cluster.
std::string OptionError(int c, std::string_view element) {
  const bool isLong = c == ':' ? element.starts_with("--") : LongOptionFailed();
  if (!isLong) {
    const std::string letter = std::string("-") + static_cast<char>(optopt);
    return Substitute(c == ':' ? _("option '%s' needs a value") : _("unknown option '%s'"),
                      {letter});
  }
  const std::string_view name = element.substr(0, element.find('='));
  if (c == ':') return Substitute(_("option '%s' needs a value"), {name});
  int matches = 0;
  bool exact = false;
  for (const option* o = kLongOptions; o->name != nullptr; ++o) {
    const std::string_view candidate = o->name;
    if (candidate.starts_with(name.substr(2))) ++matches;
    if (candidate == name.substr(2)) exact = true;
  }
  if (exact || matches == 1) return Substitute(_("option '%s' takes no value"), {name});
  if (matches > 1) return Substitute(_("option '%s' is ambiguous"), {name});
  return Substitute(_("unknown option '%s'"), {name});
}

// The options that contradict each other or lack a partner; empty when all is well.
std::string CheckCombination(const Options& o) {
  if (o.help || o.version || o.list) return {};
  if (o.repair) {
    if (o.detect || o.codeOut != kAuto || o.lineEndIn != kAuto || o.lineEndOut != kAuto ||
        o.strict || o.bom || o.lettersOnly) {
      return _(
          "--repair keeps the code page and line ends: it takes no --detect, --to, "
          "--eol-in, --eol-out, --strict, --bom or --letters-only");
    }
    if (o.inPlace) return _("--repair writes to standard output or to --output");
  } else if (o.detect) {
    if (o.codeIn != kAuto || o.codeOut != kAuto || o.lineEndIn != kAuto || o.lineEndOut != kAuto) {
      return _("--detect converts nothing: it takes no --from, --to, --eol-in or --eol-out");
    }
    if (o.inPlace || o.output) {
      return _("--detect writes no file: it takes no --in-place or --output");
    }
    if (o.strict || o.bom || o.lettersOnly) {
      return _("--detect converts nothing: it takes no --strict, --bom or --letters-only");
    }
  } else if (o.verbose) {
    return _("--verbose works only with --detect");
  } else if (o.codeOut == kAuto && o.lineEndOut == kAuto) {
    return _("nothing to do: say --to=CP, --eol-out=LE or --detect");
  } else if (o.bom && o.codeOut != kCodeUtf8) {
    return _("--bom needs UTF-8 output (--to=utf8)");
  } else if (o.lettersOnly && (o.codeIn == kCodeUtf8 || o.codeOut == kCodeUtf8)) {
    return _("--letters-only works between 8-bit code pages only");
  }
  if (o.output && o.output->empty()) return _("--output needs a file name");
  if (o.inPlace && o.output) return _("--in-place and --output exclude each other");
  if (o.output && o.inputs.size() > 1) return _("--output takes one input only");
  if (o.recursive && !o.inPlace) return _("--recursive works only with --in-place");
  if (o.inPlace && o.inputs.empty()) return _("--in-place needs at least one FILE");
  if (o.inPlace && std::find(o.inputs.begin(), o.inputs.end(), "-") != o.inputs.end()) {
    return _("--in-place cannot convert standard input");
  }
  return {};
}

// Characters, not bytes: the captions hold letters with diacritics.
std::size_t Width(std::string_view text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// One line per value: its number, its caption and its names, the names lined up in one column.
constexpr std::size_t kCaptionWidth = 14;

template <std::size_t N>
void AppendNames(std::string& text, const std::array<NamedValue, N>& table) {
  for (const NamedValue& entry : table) {
    const std::string_view caption = _(entry.caption.data());
    text += "  " + std::to_string(entry.value) + "  " + std::string(caption) +
            std::string(kCaptionWidth - std::min(kCaptionWidth, Width(caption)), ' ');
    std::string_view separator;
    for (std::string_view name : entry.names) {
      text.append(separator).append(name);
      separator = ", ";
    }
    text += "\n";
  }
}

}  // namespace

std::optional<int> ParseCodePage(std::string_view text, std::string& error) {
  const std::string normal = Normalize(text);
  const bool ambiguous =
      std::find(kAmbiguousNames.begin(), kAmbiguousNames.end(), normal) != kAmbiguousNames.end();
  if (ambiguous && text != CodePageCaption(kCodeLatin2)) {
    error = Substitute(_("'%s' is ambiguous: say 'lat' for code page 852 or 'iso' for ISO 8859-2"),
                       {text});
    return std::nullopt;
  }
  const std::optional<int> value = ParseNamed(text, kCodePages);
  if (!value) error = Substitute(_("unknown code page '%s' (see --list)"), {text});
  return value;
}

std::optional<int> ParseLineEnd(std::string_view text, std::string& error) {
  const std::optional<int> value = ParseNamed(text, kLineEnds);
  if (!value) error = Substitute(_("unknown line end '%s' (see --list)"), {text});
  return value;
}

std::string_view CodePageCaption(int codePage) {
  return IsValidTextEncoding(codePage) ? _(kCodePages[codePage].caption.data())
                                       : std::string_view{};
}

std::string_view LineEndCaption(int lineEnd) {
  return IsValidLineEnd(lineEnd) ? kLineEnds[lineEnd].caption : std::string_view{};
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
      case 'v':
        o.verbose = true;
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
      case kRepair:
        o.repair = true;
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
      default:
        error = OptionError(c, optind > 0 && optind <= argc ? argv[optind - 1] : "");
        return result;
    }
  }
  o.inputs.assign(argv + optind, argv + argc);
  error = CheckCombination(o);
  return result;
}

std::string HelpText() {
  std::string text = _(R"(Usage: pismovar-cli [OPTION]... [FILE]...
Convert Czech and Slovak plain text between 8-bit code pages, UTF-8 and line
ends, or guess the code page and line ends of a text.

With no FILE, or when FILE is -, read standard input and write standard output.
With files and neither --in-place nor --output, the converted texts are written
to standard output one after another.
)");
  text += "\n";
  text += _(R"(  -f, --from=CP      input code page; default: detected from the whole input
  -t, --to=CP        output code page; without it only the line ends change
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
  -v, --verbose      with --detect: add how sure each guess is and the likeliest
                       code page that would read the text otherwise
      --force        with --in-place: also convert files that look binary and
                       files whose code page cannot be told for sure
      --strict       fail an input when any character had to be replaced (an
                       input converted in place is then left untouched, and
                       so is an existing output file; a new one is not made)
      --bom          start UTF-8 output with a byte-order mark
      --letters-only between 8-bit code pages convert only the letters with
                       diacritics and pass every other byte unchanged and
                       uncounted
      --repair       undo a wrong reading: text read in the wrong code page
                       and saved again (UTF-8 read as Windows 1250, once or
                       twice over, and the like) is written back as it was,
                       in its own code page; the words it damaged are
                       repaired and the rest is left as it is
  -q, --quiet        no progress line and no warnings
  -l, --list         list the code pages and line ends with their numbers,
                       captions and names
  -h, --help         display this help and exit
  -V, --version      output version information and exit
)");
  text += "\n";
  text += _(R"(CP is a number 0..7, a name or a caption as --list shows them; letter case,
diacritics and punctuation do not matter (ISO_8859-2 is iso-8859-2):
  0 win (cp1250)                      4 mac (mac-centraleurope)
  1 kam (kamenicky, keybcs2)          5 koi8cs
  2 lat (cp852, ibm852)               6 asc (ascii): letters lose diacritics
  3 iso (iso-8859-2)                  7 utf8
"latin2" is refused as ambiguous: say lat for code page 852, iso for ISO 8859-2.
LE is a number 0..2, a name or a caption: 0 dos (crlf), 1 mac (cr), 2 unix (lf).
)");
  text += "\n";
  text += _(R"(Detection counts the letters of each code page and reads the start of the text
in every code page and as UTF-8 (valid, or with at most one malformed sequence
in 100 valid multibyte ones) against a model of Czech and Slovak: where the
count is not decisive, the reading most like those languages wins. A text with
bytes of 0x80 or above is never taken for ASCII. A byte-order mark at the start
of UTF-8 input is dropped. An in-place conversion without --from leaves a file
whose code page cannot be told for sure as it is (--force converts it).
)");
  text += "\n";
  text += _(R"(Every character arrives as itself where the output has it. A character the
output lacks becomes a plain form where one is obvious (the letter without
its diacritics, " for quotation marks, - for dashes, a space for a no-break
space, + - | for box drawing) and "?" otherwise; ASCII output stays 7-bit.
The five bytes Windows 1250 leaves undefined are the C1 controls of their
numbers; a byte another code page leaves undefined stays as it is between
8-bit code pages and becomes U+FFFD in UTF-8; malformed UTF-8 becomes U+FFFD
or "?". Each input's count of replaced characters, and of malformed sequences
with the offset of the first, is reported on standard error.
)");
  text += "\n";
  text += _(R"(With --in-place, files that look binary (a NUL byte, or many control
characters, in the first 32 KiB) are skipped with a warning; FIFOs, devices
and sockets are refused without being opened. An in-place conversion fails,
leaving the file as it is, when the owner or group could not be kept (only
root may give a file to another user), when another program changes, moves
or replaces the file meanwhile, and when another run is converting the same
file. The new text is written to an unnamed file beside the input, which takes
a hidden name .pismovar-XXXXXX only for the moment of replacing the input, so
even a killed run leaves nothing behind.
Output is written as the input arrives, also from a pipe that stays open. A
detected code page is guessed from the first 5120 bytes (--quick), or from the
whole of a named file and the first 4 MiB of standard input.
A progress line appears on standard error when it is a terminal and the work
takes more than about a second. Ctrl+C (or SIGTERM, SIGHUP) stops after the
current chunk, leaves an input being converted in place untouched, removes the
files the run created, and ends the program by the signal.
)");
  text += "\n";
  text += _(R"(Exit status: 0 when every input succeeded, 1 when any input failed (each
failure is reported as pismovar-cli: NAME: reason), 2 for bad usage.
)");
  text += "\n";
  text += _(R"(Examples:
  pismovar-cli -f kam -t win --eol-out unix dopis.txt > dopis-win.txt
  pismovar-cli -t iso -i *.txt
  pismovar-cli -f lat -t win -r -i texty/
  pismovar-cli -f kam -t utf8 -i *.txt
  tail -f zaznam.log | pismovar-cli -f kam -t utf8
  pismovar-cli --detect dopis.txt
  pismovar-cli --repair poskozeny.txt > opraveny.txt
)");
  return text;
}

std::string VersionText() {
  const std::string_view form = kernels::ActiveTarget();
  return "pismovar-cli " PISMOVAR_VERSION "\n" +
         Substitute(_("Copyright (C) 2026 the Pismovar project.\n"
                      "License GPLv3+: GNU GPL version 3 or later "
                      "<https://gnu.org/licenses/gpl.html>.\n"
                      "This is free software: you are free to change and redistribute it.\n"
                      "There is NO WARRANTY, to the extent permitted by law.\n"
                      "The hot loops run their %s form (PISMOVAR_SIMD names another).\n"),
                    {form});
}

std::string ListText() {
  std::string text = _("Code pages (--from, --to):\n");
  AppendNames(text, kCodePages);
  text += _("Line ends (--eol-in, --eol-out):\n");
  AppendNames(text, kLineEnds);
  return text;
}

}  // namespace pismovar::cli
