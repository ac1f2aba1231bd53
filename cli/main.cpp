// pismovar-cli: converts Czech and Slovak text between code pages and line ends, and
// guesses a text's code page and line ends, from a terminal or a script.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/cli_host.h"
#include "cli/options.h"
#include "cli/runner.h"

namespace {

constexpr int kExitUsage = 2;

void Print(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

// Output that never arrived (a full disk, a closed pipe) is a failure in every mode: the
// last buffered bytes and the close can fail too.
int CloseStdout(int status) {
  // errno is not cleared first: a write that failed earlier left its reason there.
  const bool failed = std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
  const int error = errno;
  if (std::fclose(stdout) != 0 || failed) {
    std::fprintf(stderr, "pismovar-cli: write error on standard output (%s)\n",
                 std::strerror(failed ? error : errno));
    return 1;
  }
  return status;
}

}  // namespace

int main(int argc, char* argv[]) {
  using namespace pismovar::cli;
  const ParseResult parsed = ParseCommandLine(argc, argv);
  if (!parsed.error.empty()) {
    std::fprintf(stderr, "pismovar-cli: %s\nTry 'pismovar-cli --help' for more information.\n",
                 parsed.error.c_str());
    return kExitUsage;
  }
  const Options& options = parsed.options;
  if (options.help || options.version || options.list) {
    if (options.help) Print(HelpText());
    if (options.version) Print(VersionText());
    if (options.list) Print(ListText());
    return CloseStdout(0);
  }
  InstallCancelHandlers();
  return CloseStdout(Runner(options).Run());
}
