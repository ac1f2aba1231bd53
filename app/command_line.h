// The program's command line: up to two classic switches /ab (input code page and line end)
// and /cd (output), then file names or "Clipboard"; "/?" or "/help" asks for the usage
// message in a window, -h/--help and -V/--version print the usage or the version.
#pragma once

#include <QString>
#include <string>
#include <string_view>
#include <vector>

namespace pismovar {

// The exit statuses of the program.
inline constexpr int kExitSuccess = 0;   // every file was converted, or nothing was asked
inline constexpr int kExitFailed = 1;    // an auto-run left a file or the clipboard unconverted
inline constexpr int kExitBadUsage = 2;  // the command line could not be followed

// What the command line asks for.
enum class CommandAction {
  kDialog,        // the dialog with the settings; with a switch it converts at once and quits
  kUsageDialog,   // "/?": the usage message, then an untouched dialog
  kPrintUsage,    // -h, --help: the usage on standard output, and no window
  kPrintVersion,  // -V, --version: the version on standard output, and no window
  kBadUsage,      // an unknown switch, a third switch or a value no radio button shows
};

struct CommandLine {
  CommandAction action = CommandAction::kDialog;
  std::string strProgram;  // the name the program was started by, without its folder
  bool bAutoRun = false;   // a switch was given: convert at once and quit
  int nCodeIn = 0;
  int nLineEndIn = 0;
  int nCodeOut = 0;
  int nLineEndOut = 0;
  bool bClipboard = false;  // the one name is "Clipboard" in any letter case
  std::vector<std::string> names;
  std::string strBadSwitch;  // with kBadUsage: the argument that could not be followed
};

// Reads the arguments, the program's own name first. A classic switch is a word of a "/"
// and one or two digits (a missing second digit counts as 0); any other word of a "/" and up
// to two characters is a bad switch, a longer one (an absolute path) a name. A word starting
// with "-" is an option; after "--" every word is a name. Switches and names may stand in any
// order; double quotes are removed from names.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The name the program was started by (argv[0]) without its folder; "pismovar" when empty.
std::string ProgramName(const std::string& started);

// The usage message in the user's language, naming the program as `program`.
QString UsageText(std::string_view program);

// What was wrong with a bad command line, naming the argument, then a blank line and the
// usage message.
QString BadUsageText(const CommandLine& line);

}  // namespace pismovar
