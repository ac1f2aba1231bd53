// The command line of pismovar-cli: what the user asked for, checked and in numbers.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pismovar::cli {

// Stands for "detect it" or "not given" in the code-page and line-end choices.
inline constexpr int kAuto = -1;

struct Options {
  int codeIn = kAuto;
  int codeOut = kAuto;
  int lineEndIn = kAuto;
  int lineEndOut = kAuto;
  bool inPlace = false;
  std::optional<std::string> output;
  bool recursive = false;
  bool followSymlinks = false;  // an in-place input that is a symbolic link: convert its file
  bool detect = false;
  bool quick = false;
  bool verbose = false;  // --detect also says how sure it is and what came next
  bool repair = false;   // undo a wrong reading instead of converting
  bool force = false;
  bool strict = false;       // any replaced character or malformed UTF-8 fails the input
  bool lettersOnly = false;  // between 8-bit code pages only the letters are converted
  bool bom = false;          // UTF-8 output starts with a byte-order mark
  bool quiet = false;
  bool list = false;
  bool help = false;
  bool version = false;
  std::vector<std::string> inputs;  // "-" is standard input; empty means standard input
};

// The parsed options, or the reason they make no sense together (a usage error).
struct ParseResult {
  Options options;
  std::string error;
};

ParseResult ParseCommandLine(int argc, char* argv[]);

// A code page given as 0..7, as one of its names or as its caption (letter case and
// punctuation ignored), 7 being UTF-8; nothing for anything else. Sets `error` to the reason.
std::optional<int> ParseCodePage(std::string_view text, std::string& error);

// A line end given as 0..2, dos/crlf, mac/cr, unix/lf or its caption (the same way).
std::optional<int> ParseLineEnd(std::string_view text, std::string& error);

// The caption --detect prints for a code page (0..7) or a line end (0..2); empty for others.
std::string_view CodePageCaption(int codePage);
std::string_view LineEndCaption(int lineEnd);

// The texts of --help, --version and --list.
std::string HelpText();
std::string VersionText();
std::string ListText();

}  // namespace pismovar::cli
