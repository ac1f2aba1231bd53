#include "engine/code_page.h"

// Marks a caption for the command-line tool's catalogues (po/), which translate it where the
// tool shows it.
#define N_(text) text

namespace pismovar {

const std::array<NamedValue, kTextEncodingCount> kCodePages{{
    {kCodeWin1250, "Windows 1250", {"win", "cp1250", "windows-1250", "ms-ee"}},
    {kCodeKamenicky, N_("Kamenický"), {"kam", "kamenicky", "keybcs2", "kamenickych"}},
    {kCodeLatin2, "Latin-2", {"lat", "cp852", "ibm852", "852", "cspcp852", "pc2"}},
    {kCodeIsoLatin2,
     "ISO Latin-2",
     {"iso", "iso-8859-2", "iso_8859-2:1987", "8859_2", "iso-ir-101", "csisolatin2", "il2",
      "ibm912", "cp912"}},
    {kCodeMacintosh, "Macintosh", {"mac", "mac-centraleurope", "macce", "cp1282"}},
    {kCodeKoi8cs, "KOI8-ČS", {"koi8cs", "koi8-cs"}},
    {kCodeAscii,
     "ASCII",
     {"asc", "ascii", "us-ascii", "ansi_x3.4-1968", "ansi_x3.4-1986", "iso646-us",
      "iso_646.irv:1991", "iso-ir-6", "us", "ibm367", "cp367", "csascii"}},
    {kCodeUtf8, "UTF-8", {"utf8", "utf-8", "iso-10646/utf-8", "csutf8"}},
}};

const std::array<NamedValue, kLineEndCount> kLineEnds{{
    {kLineEndDos, "DOS/Windows", {"dos", "crlf"}},
    {kLineEndMac, "Macintosh", {"mac", "cr"}},
    {kLineEndUnix, "Unix/Linux", {"unix", "lf"}},
}};

std::string_view LineEndSequence(LineEnd lineEnd) {
  switch (lineEnd) {
    case kLineEndDos:
      return "\r\n";
    case kLineEndMac:
      return "\r";
    case kLineEndUnix:
      return "\n";
    default:
      return {};
  }
}

}  // namespace pismovar
