// The program speaks the user's language: its own texts and Qt's (standard buttons, file
// dialogs) follow LANGUAGE, LC_ALL, LC_MESSAGES and LANG.
#pragma once

class QCoreApplication;

namespace pismovar {

// Installs the translators for the system locale into `app`, which owns them. Czech needs
// none: it is the language the texts are written in, and a locale without a translation keeps
// it too.
void InstallTranslations(QCoreApplication& app);

}  // namespace pismovar
