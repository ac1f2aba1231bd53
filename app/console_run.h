// The program where no display can be opened, as in a terminal over SSH: a command line
// with switches still converts its file, with the messages on standard error.
#pragma once

#include "app/command_line.h"

struct xcb_connection_t;

namespace pismovar {

// Whether Qt can open a window: an X11 or Wayland display answers, or Qt was told to use a
// platform that needs none (offscreen). The probe keeps its X11 connection open while it
// lives: an X server may refuse a connection that follows a just-closed one of the same
// program, so Qt connects while the probe's connection still stands.
class DisplayProbe {
 public:
  DisplayProbe();
  ~DisplayProbe();
  DisplayProbe(const DisplayProbe&) = delete;
  DisplayProbe& operator=(const DisplayProbe&) = delete;

  bool Available() const { return m_bAvailable; }

 private:
  xcb_connection_t* m_connection = nullptr;
  bool m_bAvailable = false;
};

// Whether the command line is answered on the terminal whatever the display: --help and
// --version.
bool NeedsNoWindow(const CommandLine& line);

// Prints what was wrong with a bad command line, then the usage, on standard error.
void PrintBadUsage(const CommandLine& line);

// Runs the command line without windows: prints the usage or the version, or converts the
// named files. Exit status 0 when every file was converted, 1 when one was not, 2 when the
// command line is bad or asks for something that needs a display.
int RunWithoutDisplay(const CommandLine& line);

}  // namespace pismovar
