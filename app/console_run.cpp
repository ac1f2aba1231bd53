#include "app/console_run.h"

#include <xcb/xcb.h>

#include <QString>
#include <cstdlib>
#include <iostream>
#include <string_view>

#include "engine/converter.h"
#include "engine/engine_host.h"
#include "res/string_table.h"
#include "res/translated_text.h"

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

// There is nothing to pump or show while the file is converted.
class ConsoleHost : public EngineHost {
 public:
  void UpdateData(bool) override {}
};

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

int RunWithoutDisplay(const CommandLine& line) {
  if (line.bHelp) {
    std::cout << LoadText(IDS_USAGE).toStdString() << '\n';
    return 0;
  }
  if (!line.InRange()) {
    std::cerr << LoadText(IDS_USAGE).toStdString() << '\n';
    return 2;
  }
  if (!line.bAutoRun) {
    PrintError(TranslatedText(kContext, kNoDisplay));
    return 2;
  }
  if (line.bClipboard) {
    PrintError(TranslatedText(kContext, kNoClipboard));
    return 2;
  }
  ConsoleHost host;
  Converter converter(host);
  converter.m_nCodeIn = line.nCodeIn;
  converter.m_nLineEndIn = line.nLineEndIn;
  converter.m_nCodeOut = line.nCodeOut;
  converter.m_nLineEndOut = line.nLineEndOut;
  converter.m_strInput = line.strName;
  // The outcome's message goes to standard error.
  if (const int id = OutcomeMessageId(converter.ConvertFile(line.strName, line.strName))) {
    PrintError(FormatText(id, {QString::fromStdString(line.strName)}));
  }
  return 1;
}

}  // namespace pismovar
