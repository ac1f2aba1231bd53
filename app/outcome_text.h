// The words the desktop program gives a conversion's or a detection's outcome: the string
// table's sentence, then the file it concerns and the reason, the system's own where a call
// failed.
#pragma once

#include <QStringList>
#include <string_view>

#include "engine/outcome.h"

namespace pismovar {

// The lines of the message about `outcome` of a run on `input`; empty when there is nothing
// to tell (a success, or a clipboard without text).
QStringList OutcomeLines(const Outcome& outcome, std::string_view input);

}  // namespace pismovar
