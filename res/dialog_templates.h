// The dialog layouts of the desktop program.
#pragma once

#include "res/dialog_template.h"

namespace pismovar {

extern const DialogTemplate kConverterDialogTemplate;  // 102, the main dialog
extern const DialogTemplate kProgressDialogTemplate;   // 131, the progress window

}  // namespace pismovar
