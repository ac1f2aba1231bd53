// Pismovar, the desktop program.
#include <QCoreApplication>
#include <cstdlib>

#include "app/clipboard_bridge.h"
#include "app/command_line.h"
#include "app/console_run.h"
#include "app/converter_app.h"
#include "app/translations.h"

int main(int argc, char** argv) {
  using namespace pismovar;
  if (std::getenv(kServeClipboardVariable)) return ServeClipboard(argc, argv);
  const CommandLine line = ParseCommandTail(CommandTail(argc, argv));
  const DisplayProbe display;
  if (!display.Available()) {
    // No windows, but the messages still speak the user's language.
    QCoreApplication app(argc, argv);
    InstallTranslations(app);
    return RunWithoutDisplay(line);
  }
  CConverterApp app(argc, argv);
  return app.InitInstance(line);
}
