// pismovar-cli: converts Czech and Slovak text between code pages and line ends, and
// guesses a text's code page and line ends, from a terminal or a script.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "cli/cli_host.h"
#include "cli/i18n.h"
#include "cli/options.h"
#include "cli/runner.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Writes to standard output; the reason of the first failed write, kept for the message.
void Print(const std::string& text, int& writeError) {
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() && writeError == 0) {
    writeError = errno;
  }
}

}  // namespace

int main(int argc, char* argv[]) {
  using namespace pismovar::cli;
  SetUpTranslations();
  const ParseResult parsed = ParseCommandLine(argc, argv);
  if (!parsed.error.empty()) {
    std::fputs(("pismovar-cli: " + parsed.error + "\n" +
                _("Try 'pismovar-cli --help' for more information.") + "\n")
                   .c_str(),
               stderr);
    return kExitUsage;
  }
  const Options& options = parsed.options;
  int status = 0;
  int writeError = 0;
  if (options.help || options.version || options.list) {
    if (options.help) Print(HelpText(), writeError);
    if (options.version) Print(VersionText(), writeError);
    if (options.list) Print(ListText(), writeError);
  } else {
    InstallCancelHandlers();
    try {
      status = Runner(options).Run();
    } catch (const std::bad_alloc&) {
      // Every file and temporary file is owned by an object, so nothing is left half done.
      std::fputs("pismovar-cli: ", stderr);
      std::fputs(_("not enough memory"), stderr);
      std::fputs("\n", stderr);
      status = kExitFailure;
    }
  }
  // Output that never reached its file is a failure, whatever was asked.
  if (!CloseStandardOutput(writeError)) status = kExitFailure;
  // A run stopped by a signal ends by that signal, so that a calling shell stops too.
  DieBySignalIfAny();
  return status;
}
