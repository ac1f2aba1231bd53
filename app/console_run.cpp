#include "app/console_run.h"

#include <xcb/xcb.h>

#include <QString>
#include <clocale>
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/loss_report.h"
#include "app/outcome_text.h"
#include "engine/converter.h"
#include "res/string_table.h"
#include "ui/translated_text.h"

namespace pismovar {
namespace {

constexpr const char* kContext = "ConsoleRun";
constexpr const char* kNoDisplay = QT_TRANSLATE_NOOP(
    "ConsoleRun",
    "Není k dispozici žádný displej (X11 ani Wayland). Bez oken program převede jen soubor "
    "zadaný s přepínači, například: pismovar /41 /00 \"email.txt\"");
constexpr const char* kNoClipboard =
    QT_TRANSLATE_NOOP("ConsoleRun", "Bez displeje není schránka dostupná.");

void PrintError(const QString& text) { std::cerr << "pismovar: " << text.toStdString() << '\n'; }

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

}  // namespace

DisplayProbe::DisplayProbe() {
  const std::string_view platform = IsSet("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "";
  if ((!platform.empty() && !platform.starts_with("xcb") && !platform.starts_with("wayland")) ||
      IsSet("WAYLAND_DISPLAY")) {
    m_bAvailable = true;
    return;
  }
  if (!IsSet("DISPLAY")) return;
  m_connection = xcb_connect(nullptr, nullptr);
  m_bAvailable = xcb_connection_has_error(m_connection) == 0;
}

DisplayProbe::~DisplayProbe() {
  if (m_connection) xcb_disconnect(m_connection);
}

bool NeedsNoWindow(const CommandLine& line) {
  return line.action == CommandAction::kPrintUsage || line.action == CommandAction::kPrintVersion;
}

void PrintBadUsage(const CommandLine& line) {
  std::cerr << line.strProgram << ": " << BadUsageText(line).toStdString() << '\n';
}

int RunWithoutDisplay(const CommandLine& line) {
  // The system's reasons in the user's language, as with windows.
  std::setlocale(LC_ALL, "");
  switch (line.action) {
    case CommandAction::kPrintUsage:
    case CommandAction::kUsageDialog:
      std::cout << UsageText(line.strProgram).toStdString() << '\n';
      return kExitSuccess;
    case CommandAction::kPrintVersion:
      std::cout << LoadText(IDS_VERSION).toStdString() << '\n';
      return kExitSuccess;
    case CommandAction::kBadUsage:
      PrintBadUsage(line);
      return kExitBadUsage;
    case CommandAction::kDialog:
      break;
  }
  if (!line.bAutoRun) {
    PrintError(TranslatedText(kContext, kNoDisplay));
    return kExitBadUsage;
  }
  if (line.bClipboard) {
    PrintError(TranslatedText(kContext, kNoClipboard));
    return kExitBadUsage;
  }
  Converter converter;
  Choices choices;
  choices.codeIn = line.nCodeIn;
  choices.codeOut = line.nCodeOut;
  choices.lineEndIn = line.nLineEndIn;
  choices.lineEndOut = line.nLineEndOut;
  // No name at all is reported as a file that cannot be opened, as with windows.
  const std::vector<std::string> names =
      line.names.empty() ? std::vector<std::string>{""} : line.names;
  bool allConverted = true;
  LossReport losses;
  for (const std::string& name : names) {
    const Outcome outcome = converter.ConvertFile(choices, name, name);
    if (outcome.result != Outcome::kDone) allConverted = false;
    // The outcome's message goes to standard error, on one line.
    const QStringList lines = OutcomeLines(outcome, name);
    if (!lines.isEmpty()) PrintError(lines.join(QLatin1Char(' ')));
    losses.Add(name, outcome.losses);
  }
  if (!losses.Empty()) PrintError(losses.Message());
  return allConverted ? kExitSuccess : kExitFailed;
}

}  // namespace pismovar
