// pismovar-cli: converts Czech and Slovak text between code pages and line ends, and
// guesses a text's code page and line ends, from a terminal or a script.
#include <cstdio>
#include <string>

#include "cli/cli_host.h"
#include "cli/options.h"
#include "cli/runner.h"

namespace {

constexpr int kExitUsage = 2;

void Print(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

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
    return 0;
  }
  InstallCancelHandlers();
  return Runner(options).Run();
}
