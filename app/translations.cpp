#include "app/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace pismovar {
namespace {

// Loads `name`_<language>.qm from `directory` for the locale's first language that has one.
void Install(QCoreApplication& app, const QLocale& locale, const QString& name,
             const QString& directory) {
  auto* translator = new QTranslator(&app);
  if (translator->load(locale, name, QStringLiteral("_"), directory)) {
    QCoreApplication::installTranslator(translator);
  } else {
    delete translator;
  }
}

}  // namespace

void InstallTranslations(QCoreApplication& app) {
  const QLocale locale;
  // The program's own files lie beside the program, the same way in the build tree, in an
  // installed system and in an unpacked package.
  Install(app, locale, QStringLiteral("pismovar"),
          QCoreApplication::applicationDirPath() + QStringLiteral("/" PISMOVAR_TRANSLATIONS_DIR));
  Install(app, locale, QStringLiteral("qtbase"),
          QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

}  // namespace pismovar
