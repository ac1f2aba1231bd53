// Dialog layouts as data: a dialog's caption, size and controls, every rectangle in dialog
// units. One horizontal unit is a quarter of the dialog font's average character width, one
// vertical unit an eighth of its height, so a layout keeps its proportions at any font size.
//
// How to use one:
//   1. Describe the dialog as a constant DialogTemplate (see dialog_templates.cpp): the
//      controls in tab order, each with its numeric id (kNoId when nothing addresses it),
//      kind, text (UTF-8), rectangle and flags. Mark a text that a translation changes with
//      QT_TRANSLATE_NOOP("Dialog", ...); BuildDialog translates every text in that context.
//   2. In the dialog's constructor call BuildDialog(*this, kMyTemplate) (dialog_layout.h);
//      it creates the child widgets, sizes the dialog and sets the tab order.
//   3. Reach a control by its id: DialogItem<QPushButton>(*this, 1000), a radio group by the
//      id of its first button: RadioGroup(*this, 1003).
#pragma once

#include <span>
#include <string_view>

namespace pismovar {

inline constexpr int kNoId = -1;

// A rectangle in dialog units: left, top, width, height.
struct DialogRect {
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
};

enum class ControlKind {
  kEdit,  // one-line text field
  kPushButton,
  kDefPushButton,  // the button that Enter presses
  kCheckBox,       // check box that toggles itself
  kRadioButton,    // radio button that selects itself within its group
  kGroupBox,       // frame with a caption; contains nothing, it is drawn behind its neighbours
  kStatic,         // text label
  kPicture,        // empty image label; its dialog fills it in
  kProgressBar,    // range 0..100 until told otherwise
};

// Control flags.
enum ControlFlag : unsigned {
  kGroup = 1u << 0,        // starts a group: ends the previous radio group
  kTabStop = 1u << 1,      // reached by Tab; on a radio group's first button, the whole group
                           // is one stop, at its selected button
  kCentred = 1u << 2,      // text centred (kStatic)
  kRight = 1u << 3,        // text right-aligned (kStatic)
  kBorder = 1u << 4,       // drawn with a border
  kNoWordWrap = 1u << 5,   // text on one line, cut at the right (kStatic)
  kStretchX = 1u << 6,     // in a dialog that grows wider, grows as much as the dialog
  kFollowRight = 1u << 7,  // in a dialog that grows wider, moves right as much as it grows
};

struct ControlTemplate {
  int id = kNoId;
  ControlKind kind = ControlKind::kStatic;
  std::string_view text;
  DialogRect rect;
  unsigned flags = 0;
};

// Window styles of a dialog.
enum DialogStyle : unsigned {
  kSystemMenu = 1u << 0,  // a close box in the title bar
  kTaskBar = 1u << 1,     // a window of its own in the task bar, not a child dialog
  kWiderX = 1u << 2,      // may grow wider than the layout (never narrower, never taller)
};

struct DialogTemplate {
  int id = 0;
  std::string_view caption;
  DialogRect rect;  // x and y are ignored: the window system or the dialog places it
  unsigned style = 0;
  std::span<const ControlTemplate> controls;
};

}  // namespace pismovar
