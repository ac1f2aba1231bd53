// The program's string table: every text a user sees outside the dialog layouts.
// Texts are UTF-8, free of Qt; the desktop program translates what it loads (ui/).
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "engine/outcome.h"
#include "res/string_ids.h"

namespace pismovar {

// The text of string `id`; an empty view for an id the table does not hold.
std::string_view LoadString(int id);

// The text of string `id` with its "%s" (if any) replaced by `arg`.
std::string FormatString(int id, std::string_view arg);
// The same with each "%s" in turn replaced by the next of `args`.
std::string FormatString(int id, std::initializer_list<std::string_view> args);

// The string that tells the user about a conversion's outcome (a cancel or a failure; it
// takes the input's name); 0 when there is nothing to tell.
int OutcomeMessageId(const Outcome& outcome);

}  // namespace pismovar
