// The program speaks the user's language: its own texts and Qt's (standard buttons, file
// dialogs) in Czech or Slovak where the locale asks for them, in English otherwise, by the
// same rules as the command-line tool's messages.
#pragma once

#include <QString>
#include <string_view>

class QCoreApplication;

namespace pismovar {

// The language the program speaks, "cs", "sk" or "en", as gettext chooses a catalogue:
// `languageList` is LANGUAGE (languages separated by ":"), `messagesLocale` the locale in
// force for messages. LANGUAGE counts unless the locale is the plain "C" or "POSIX"; the
// first of its languages that the program speaks wins, and without LANGUAGE the locale's own
// language. Any other language gets English.
QString ProgramLanguage(std::string_view languageList, std::string_view messagesLocale);

// Installs the translators for the language chosen from the environment into `app`, which
// owns them, and makes that language the default locale, so that Qt's own texts follow too.
// Czech needs no translation of the program's texts, which are written in it.
void InstallTranslations(QCoreApplication& app);

}  // namespace pismovar
