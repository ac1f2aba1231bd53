// The tool's messages in the user's language: English in the sources, translated through
// gettext from the catalogues under po/.
#pragma once

#include <libintl.h>

#include <initializer_list>
#include <string>
#include <string_view>

// A message in the user's language.
#define _(text) ::gettext(text)
// A text that is translated where it is shown, not where it stands (in a table).
#define N_(text) text

namespace pismovar::cli {

// The tool's text domain.
inline constexpr char kTextDomain[] = "pismovar-cli";

// Sets the locale from the environment and binds the text domain to its catalogues: those
// beside the program (the build tree, a relocated installation) or else those installed.
void SetUpTranslations();

// `text` with each "%s" in turn replaced by the next of `args`.
std::string Substitute(std::string_view text, std::initializer_list<std::string_view> args);

// A file name as a message shows it: as it is when it holds only printable characters,
// otherwise in single quotes with control characters written as escapes ($'a\nb' style
// of the shell), so that a name can neither split a line nor send commands to the terminal.
std::string QuoteName(std::string_view name);

}  // namespace pismovar::cli
