// Identifiers of the program's string table. The engine names messages by these
// numbers; the layer that owns the user interface turns them into text.
#pragma once

namespace pismovar {

enum StringId : int {
  IDS_ABOUTBOX = 101,  // the about box's menu entry
  IDS_INPUT_OPEN_FAILED = 102,
  IDS_OUTPUT_OPEN_FAILED = 103,
  IDS_DETECTING = 104,         // full detection's progress text
  IDS_DETECT_CANCELLED = 105,  // part of the table, shown by no path
  IDS_RENAME_FAILED = 106,     // takes the input's name
  IDS_CONVERT_CANCELLED = 107,
  IDS_INPUT_FILTER = 108,
  IDS_OUTPUT_FILTER = 109,
  IDS_VERSION = 110,
  IDS_USAGE = 111,               // takes the program's name three times
  IDS_IO_FAILED = 112,           // a read or write failed after both files were open
  IDS_NOT_CONVERTIBLE = 113,     // a strict conversion through UTF-8 lost characters
  IDS_CHARS_REPLACED = 114,      // takes the count
  IDS_MALFORMED_UTF8 = 115,      // takes the count and the offset of the first
  IDS_CHARS_NO_PLACE = 116,      // takes the count and the files, one a line
  IDS_CHARS_NO_PLACE_ASK = 117,  // the same before an in-place run replaces the files
  IDS_REPLACE_ANYWAY = 118,      // the question after it
  IDS_CONVERT_CLOSED = 119,      // a run cancelled because the program is closing
  IDS_FILES_CONVERTED = 120,     // the status line after a run: files converted, of how many
  IDS_OWN_CODE_PAGE = 121,       // takes the shown code page and the files, one a line
};

}  // namespace pismovar
