// Identifiers of the dialog layouts and of the controls that code addresses.
#pragma once

namespace pismovar {

enum DialogId : int {
  IDD_CONVERTER_DIALOG = 102,
  IDD_PROGRESS = 131,
};

enum ControlId : int {
  // Main dialog.
  IDC_CONVERT = 1000,
  IDC_INPUT = 1001,
  IDC_OUTPUT = 1002,
  IDC_CODE_IN = 1003,      // first of the input code-page radio group
  IDC_LINE_END_IN = 1008,  // first of the input line-end radio group
  IDC_FULL_DETECT = 1011,
  IDC_BROWSE_INPUT = 1012,
  IDC_CODE_OUT = 1013,      // first of the output code-page radio group
  IDC_LINE_END_OUT = 1018,  // first of the output line-end radio group
  IDC_BROWSE_OUTPUT = 1022,
  IDC_EXIT = 1023,
  IDC_CLIPBOARD_OUT = 1031,
  IDC_CLIPBOARD_IN = 1032,
  IDC_STATUS = 1035,  // the status line: what the last run did
  IDC_HELP = 1036,    // opens the help window, as F1 does
  // Progress window.
  IDC_PROGRESS_CANCEL = 1026,
  IDC_PROGRESS_FILE = 1027,
  IDC_PROGRESS_TEXT = 1028,
  IDC_PROGRESS_LIST = 1029,
};

}  // namespace pismovar
