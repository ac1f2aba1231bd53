// The program where no display can be opened, as in a terminal over SSH: a command line
// with switches still converts its file, with the messages on standard error.
#pragma once

#include "app/command_line.h"

namespace pismovar {

// true when Qt can open a window: an X11 or Wayland display answers, or Qt was told to use
// a platform that needs none (offscreen).
bool DisplayAvailable();

// Runs the command line without windows. Exit status 1 after a conversion, as with windows;
// 2 when the command line asks for something that needs a display, or is out of range;
// 0 after the usage message asked for with "/?".
int RunWithoutDisplay(const CommandLine& line);

}  // namespace pismovar
