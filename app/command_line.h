// The program's command line: up to two switches /ab (input code page and line end) and /cd
// (output), then a file name or "Clipboard"; "/?" or "/help" asks for the usage message.
#pragma once

#include <string>

namespace pismovar {

struct CommandLine {
  bool bHelp = false;     // the usage message is shown and nothing else takes effect
  bool bAutoRun = false;  // a switch was given: convert at once and quit
  int nCodeIn = 0;
  int nLineEndIn = 0;
  int nCodeOut = 0;
  int nLineEndOut = 0;
  bool bClipboard = false;  // the name is "Clipboard" in any letter case
  std::string strName;

  // false when a switch names a code page above 6 or a line end above 2.
  bool InRange() const;
};

// The arguments after the program's name, joined by single blanks: the tail the command
// line is read from.
std::string CommandTail(int argc, const char* const* argv);

// Reads a command tail. A switch is a word of a "/" and up to two characters (a non-digit
// counts as 0); the text in front of the first switch is dropped; the rest, without its
// double quotes, is the name. A longer word starting with "/" is part of the name, so an
// absolute path is never mistaken for a switch. A word starting with "/?" or "/help" asks
// for the usage message; a path that merely holds "/help" does not.
CommandLine ParseCommandTail(std::string tail);

}  // namespace pismovar
