// Pismovar, the desktop program.
#include <QCoreApplication>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/clipboard_bridge.h"
#include "app/command_line.h"
#include "app/console_run.h"
#include "app/converter_app.h"
#include "app/translations.h"

namespace {

// No windows, but the usage, the version and the messages still speak the user's language.
int RunWithoutWindows(int argc, char** argv, const pismovar::CommandLine& line) {
  QCoreApplication app(argc, argv);
  pismovar::InstallTranslations(app);
  return pismovar::RunWithoutDisplay(line);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace pismovar;
  if (std::getenv(kServeClipboardVariable)) return ServeClipboard(argc, argv);
  const CommandLine line = ParseCommandLine(std::vector<std::string>(argv, argv + argc));
  if (NeedsNoWindow(line)) return RunWithoutWindows(argc, argv, line);
  const DisplayProbe display;
  if (!display.Available()) return RunWithoutWindows(argc, argv, line);
  CConverterApp app(argc, argv);
  return app.InitInstance(line);
}
