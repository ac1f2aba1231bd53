// The about box's layout and the controls its code addresses.
#pragma once

#include "res/dialog_template.h"

namespace pismovar {

enum AboutId : int {
  IDD_ABOUTBOX = 100,
  IDC_OK = 1,
  IDC_WEB_LINK = 1013,
  IDC_MAIL_LINK = 1014,
  IDC_LICENCE_LINK = 1015,  // the licence's name, a link to its text
  IDC_VERSION = 1029,
  IDC_ICON = 1100,  // the two pictures, so the about box can fill them in
  IDC_LOGO = 1101,
};

extern const DialogTemplate kAboutDialogTemplate;

}  // namespace pismovar
