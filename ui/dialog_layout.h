// Lays out a DialogTemplate (dialog_template.h) as Qt widgets, in dialog units of the
// desktop's UI font.
#pragma once

#include <QButtonGroup>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QWidget>

#include "res/dialog_template.h"

class QDialog;

namespace pismovar {

// Converts dialog units to pixels for a font: x by a quarter of the average character width,
// y by an eighth of the font's height.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);
  int ToPixelsX(int units) const;
  int ToPixelsY(int units) const;
  QRect ToPixels(const DialogRect& rect) const;

 private:
  int m_nBaseWidth;
  int m_nBaseHeight;
};

// Creates the template's controls as children of `dialog`, in template order (= tab order),
// sets the caption, window style and client size (fixed, or for kWiderX free to grow wider,
// with the controls following as their flags say), and makes one exclusive QButtonGroup
// per run of radio buttons. Call once, from the dialog's constructor.
void BuildDialog(QDialog& dialog, const DialogTemplate& tpl);

// The control with template id `id`, or nullptr.
QWidget* DialogItem(const QWidget& dialog, int id);
template <class Widget>
Widget* DialogItem(const QWidget& dialog, int id) {
  return qobject_cast<Widget*>(DialogItem(dialog, id));
}

// The radio group that starts with button `firstId`; buttons' ids in the group are their
// indexes 0, 1, ... in template order.
QButtonGroup* RadioGroup(const QWidget& dialog, int firstId);

// The selected index of a radio group, -1 when none is selected.
int RadioIndex(const QButtonGroup& group);
// Selects button `index`; any index outside the group clears the whole group.
void SetRadioIndex(QButtonGroup& group, int index);

// Enables or disables the control with id `id`.
void EnableDialogItem(const QWidget& dialog, int id, bool enable);

}  // namespace pismovar
