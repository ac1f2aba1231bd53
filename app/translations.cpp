#include "app/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <array>
#include <clocale>
#include <cstdlib>

namespace pismovar {
namespace {

constexpr std::array<std::string_view, 3> kSpoken{"cs", "sk", "en"};
constexpr std::string_view kFallback = "en";

// The language part of a locale name: "cs" of "cs_CZ.UTF-8".
std::string_view LanguageOf(std::string_view locale) {
  return locale.substr(0, locale.find_first_of("_.@-"));
}

// Qt's own texts that Debian's Qt translations lack in Czech or Slovak: the standard buttons
// of file dialogs and message boxes, and the type column of a file dialog. The program's own
// translations carry them; Qt looks there when its own have none.
[[maybe_unused]] constexpr const char* kQtTexts[] = {
    QT_TRANSLATE_NOOP("QPlatformTheme", "OK"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "Save"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "Save All"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "Open"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "&Yes"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "Yes to &All"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "&No"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "N&o to All"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "Abort"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "Retry"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "Ignore"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "Close"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "Cancel"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "Discard"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "Help"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "Apply"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "Reset"),
    QT_TRANSLATE_NOOP("QPlatformTheme", "Restore Defaults"),
    QT_TRANSLATE_NOOP("QAbstractFileIconProvider", "Drive"),
};
struct QtTextWithComment {
  const char* source;
  const char* comment;
};
[[maybe_unused]] constexpr QtTextWithComment kQtFolder =
    QT_TRANSLATE_NOOP3("QAbstractFileIconProvider", "Folder", "All other platforms");

// Loads `name`_`language`.qm from `directory`.
void Install(QCoreApplication& app, const QString& language, const QString& name,
             const QString& directory) {
  auto* translator = new QTranslator(&app);
  if (translator->load(name + QLatin1Char('_') + language, directory)) {
    QCoreApplication::installTranslator(translator);
  } else {
    delete translator;
  }
}

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QString ProgramLanguage(std::string_view languageList, std::string_view messagesLocale) {
  if (messagesLocale.empty() || messagesLocale == "C" || messagesLocale == "POSIX") {
    return Text(kFallback);
  }
  std::string_view list = languageList.empty() ? messagesLocale : languageList;
  while (!list.empty()) {
    const std::size_t end = list.find(':');
    const std::string_view language = LanguageOf(list.substr(0, end));
    for (std::string_view spoken : kSpoken) {
      if (language == spoken) return Text(spoken);
    }
    list = end == std::string_view::npos ? std::string_view{} : list.substr(end + 1);
  }
  return Text(kFallback);
}

void InstallTranslations(QCoreApplication& app) {
  // The application object has set the locale from the environment; a locale that is not
  // installed is "C" here, as for every other program.
  const char* languageList = std::getenv("LANGUAGE");
  const char* messagesLocale = std::setlocale(LC_MESSAGES, nullptr);
  const QString language =
      ProgramLanguage(languageList ? languageList : "", messagesLocale ? messagesLocale : "");
  QLocale::setDefault(QLocale(language));
  // The program's own files lie beside the program, the same way in the build tree, in an
  // installed system and in an unpacked package. Qt's are searched first, so its own
  // translations win over the ones the program carries for it.
  Install(app, language, QStringLiteral("pismovar"),
          QCoreApplication::applicationDirPath() + QStringLiteral("/" PISMOVAR_TRANSLATIONS_DIR));
  Install(app, language, QStringLiteral("qtbase"),
          QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

}  // namespace pismovar
