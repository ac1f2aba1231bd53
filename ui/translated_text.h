// The program's texts in the user's language. The string table and the dialog layouts are
// written in Czech; the translators that the desktop program installs at start-up turn them
// into English or Slovak, and leave them Czech where no translation is loaded.
#pragma once

#include <QString>
#include <initializer_list>
#include <string_view>

#include "res/string_ids.h"

namespace pismovar {

// The contexts the texts are filed under in the translation files.
inline constexpr const char* kStringTableContext = "StringTable";
inline constexpr const char* kDialogContext = "Dialog";

// `text` (UTF-8, the Czech source) translated within `context`; empty text stays empty.
QString TranslatedText(const char* context, std::string_view text);

// String `id` of the string table, translated.
QString LoadText(int id);

// The same with each "%s" in turn replaced by the next of `args`.
QString FormatText(int id, std::initializer_list<QString> args);

}  // namespace pismovar
