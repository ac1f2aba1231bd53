#include "ui/dialog_layout.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDialog>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <algorithm>
#include <vector>

#include "ui/translated_text.h"

namespace pismovar {
namespace {

constexpr const char* kItemIdProperty = "dialogItemId";
constexpr const char* kFirstIdProperty = "radioGroupFirstId";

// Every letter once: its mean advance is the "average character width" dialog units use.
constexpr const char* kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

int MulDiv(int value, int numerator, int denominator) {
  const long long product = static_cast<long long>(value) * numerator;
  return static_cast<int>((product + (product >= 0 ? denominator / 2 : -denominator / 2)) /
                          denominator);
}

// A group box's mnemonic moves the focus to the next control that Tab reaches, as a label's
// mnemonic does; the frame itself contains nothing that could take it.
class MnemonicForwarder : public QObject {
 public:
  MnemonicForwarder(QObject* parent, QWidget* target) : QObject(parent), m_pTarget(target) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Shortcut && m_pTarget->isEnabled()) {
      // A radio group is reached at its choice, as Tab reaches it.
      QWidget* target = m_pTarget;
      if (auto* radio = qobject_cast<QRadioButton*>(m_pTarget); radio && radio->group()) {
        if (QAbstractButton* chosen = radio->group()->checkedButton()) target = chosen;
      }
      target->setFocus(Qt::ShortcutFocusReason);
      return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QWidget* m_pTarget;
};

// Keeps a radio group one Tab stop, as the dialog manager the layouts come from does: only
// the selected button (the first while none is) is reached by Tab, and the arrow keys move
// round the group, selecting as they go.
class RadioGroupKeys : public QObject {
 public:
  explicit RadioGroupKeys(QButtonGroup* group) : QObject(group), m_pGroup(group) {
    connect(group, &QButtonGroup::buttonToggled, this, &RadioGroupKeys::UpdateTabStop);
  }

  void UpdateTabStop() {
    const QList<QAbstractButton*> buttons = m_pGroup->buttons();
    QAbstractButton* stop = m_pGroup->checkedButton();
    if (!stop && !buttons.isEmpty()) stop = buttons.first();
    for (QAbstractButton* button : buttons) {
      button->setFocusPolicy(button == stop ? Qt::StrongFocus : Qt::ClickFocus);
    }
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & ~Qt::KeypadModifier) return false;
    int step = 0;
    if (key->key() == Qt::Key_Down || key->key() == Qt::Key_Right) step = 1;
    if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Left) step = -1;
    if (step == 0) return false;
    const QList<QAbstractButton*> buttons = m_pGroup->buttons();
    const auto count = buttons.size();
    qsizetype at = buttons.indexOf(static_cast<QAbstractButton*>(watched));
    for (qsizetype tried = 1; tried < count; ++tried) {
      at = (at + step + count) % count;
      QAbstractButton* next = buttons[at];
      if (!next->isEnabled() || next->isHidden()) continue;
      next->setFocus(step > 0 ? Qt::TabFocusReason : Qt::BacktabFocusReason);
      next->click();
      break;
    }
    return true;
  }

 private:
  QButtonGroup* m_pGroup;
};

// Lets the controls of a dialog that grows wider follow its width: each stretching control
// grows by what the dialog grew, each control on the right moves by as much.
class WidthFollower : public QObject {
 public:
  WidthFollower(QDialog& dialog, int layoutWidth) : QObject(&dialog), m_nLayoutWidth(layoutWidth) {
    dialog.installEventFilter(this);
  }
  void Add(QWidget* control, unsigned flags) {
    if (flags & (kStretchX | kFollowRight))
      m_controls.push_back({control, control->geometry(), flags});
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Resize) {
      const int grown = static_cast<QWidget*>(watched)->width() - m_nLayoutWidth;
      for (const Placed& placed : m_controls) {
        QRect geometry = placed.geometry;
        if (placed.flags & kStretchX) geometry.setWidth(geometry.width() + grown);
        if (placed.flags & kFollowRight) geometry.translate(grown, 0);
        placed.control->setGeometry(geometry);
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  struct Placed {
    QWidget* control;
    QRect geometry;  // as laid out for the layout's own width
    unsigned flags;
  };
  int m_nLayoutWidth;
  std::vector<Placed> m_controls;
};

// A frame whose caption sits on its top line, interrupting it, so the line runs half a text
// height below the rectangle's top: the controls the layout places inside keep clear of it.
class FrameBox : public QGroupBox {
 public:
  using QGroupBox::QGroupBox;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QFontMetrics metrics(font());
    // An etched line: dark, with a light one below and to the right of it.
    const QRect line = rect().adjusted(0, metrics.height() / 2, -2, -2);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(line.translated(1, 1));
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(line);

    const int inset = metrics.averageCharWidth();
    const QString caption = title();
    QRect captionRect =
        style()->itemTextRect(metrics, QRect(inset, 0, width() - 2 * inset, metrics.height()),
                              Qt::AlignLeft | Qt::TextShowMnemonic, isEnabled(), caption);
    captionRect.adjust(-2, 0, 2, 0);
    painter.fillRect(captionRect, palette().window());
    style()->drawItemText(&painter, captionRect.adjusted(2, 0, -2, 0),
                          Qt::AlignLeft | Qt::TextShowMnemonic, palette(), isEnabled(), caption,
                          QPalette::WindowText);
  }
};

// The control of `item`, showing `text`, the item's text in the user's language.
QWidget* MakeControl(const ControlTemplate& item, const QString& text, QWidget* parent) {
  switch (item.kind) {
    case ControlKind::kEdit: {
      auto* edit = new QLineEdit(text, parent);
      edit->setFrame((item.flags & kBorder) != 0);
      return edit;
    }
    case ControlKind::kPushButton:
    case ControlKind::kDefPushButton: {
      auto* button = new QPushButton(text, parent);
      button->setAutoDefault(true);
      button->setDefault(item.kind == ControlKind::kDefPushButton);
      return button;
    }
    case ControlKind::kCheckBox:
      return new QCheckBox(text, parent);
    case ControlKind::kRadioButton:
      return new QRadioButton(text, parent);
    case ControlKind::kGroupBox:
      return new FrameBox(text, parent);
    case ControlKind::kStatic:
    case ControlKind::kPicture: {
      auto* label = new QLabel(text, parent);
      label->setTextFormat(Qt::PlainText);
      label->setWordWrap((item.flags & kNoWordWrap) == 0);
      Qt::Alignment horizontal = Qt::AlignLeft;
      if (item.flags & kCentred) horizontal = Qt::AlignHCenter;
      if (item.flags & kRight) horizontal = Qt::AlignRight;
      label->setAlignment(horizontal | Qt::AlignTop);
      if (item.flags & kBorder) label->setFrameStyle(QFrame::Box | QFrame::Plain);
      return label;
    }
    case ControlKind::kProgressBar: {
      auto* bar = new QProgressBar(parent);
      bar->setRange(0, 100);
      bar->setValue(0);
      bar->setTextVisible(false);
      return bar;
    }
  }
  return new QWidget(parent);
}

bool TakesFocus(ControlKind kind) {
  switch (kind) {
    case ControlKind::kGroupBox:
    case ControlKind::kStatic:
    case ControlKind::kPicture:
    case ControlKind::kProgressBar:
      return false;
    default:
      return true;
  }
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  m_nBaseWidth = (metrics.horizontalAdvance(QString::fromLatin1(kAlphabet)) / 26 + 1) / 2;
  m_nBaseHeight = metrics.height();
}

int DialogUnits::ToPixelsX(int units) const { return MulDiv(units, m_nBaseWidth, 4); }
int DialogUnits::ToPixelsY(int units) const { return MulDiv(units, m_nBaseHeight, 8); }

QRect DialogUnits::ToPixels(const DialogRect& rect) const {
  return QRect(ToPixelsX(rect.x), ToPixelsY(rect.y), ToPixelsX(rect.cx), ToPixelsY(rect.cy));
}

void BuildDialog(QDialog& dialog, const DialogTemplate& tpl) {
  const DialogUnits units(dialog.font());

  Qt::WindowFlags flags = (tpl.style & kTaskBar) ? Qt::Window : Qt::Dialog;
  flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
  if (tpl.style & kSystemMenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  dialog.setWindowFlags(flags);
  dialog.setWindowTitle(TranslatedText(kDialogContext, tpl.caption));
  const QSize layoutSize(units.ToPixelsX(tpl.rect.cx), units.ToPixelsY(tpl.rect.cy));
  WidthFollower* follower = nullptr;
  if (tpl.style & kWiderX) {
    dialog.setMinimumSize(layoutSize);
    dialog.setMaximumSize(QWIDGETSIZE_MAX, layoutSize.height());
    dialog.resize(layoutSize);
    follower = new WidthFollower(dialog, layoutSize.width());
  } else {
    dialog.setFixedSize(layoutSize);
  }

  std::vector<QWidget*> made;
  made.reserve(tpl.controls.size());
  QButtonGroup* radioGroup = nullptr;
  RadioGroupKeys* radioKeys = nullptr;
  for (const ControlTemplate& item : tpl.controls) {
    const QString text = TranslatedText(kDialogContext, item.text);
    QWidget* control = MakeControl(item, text, &dialog);
    QRect geometry = units.ToPixels(item.rect);
    // The desktop's check marks take more room than the template allowed for; a box's text
    // is never cut for that, the box grows to the right instead.
    if (item.kind == ControlKind::kCheckBox || item.kind == ControlKind::kRadioButton) {
      geometry.setWidth(std::max(geometry.width(), control->sizeHint().width()));
    }
    // Likewise a wrapping label grows downwards rather than lose its last words.
    if (auto* label = qobject_cast<QLabel*>(control); label && label->wordWrap()) {
      geometry.setHeight(std::max(geometry.height(), label->heightForWidth(geometry.width())));
    }
    control->setGeometry(geometry);
    if (follower) follower->Add(control, item.flags);
    control->setProperty(kItemIdProperty, item.id);
    // A screen reader names a control by its text; a dialog renames those whose text says
    // too little ("...").
    control->setAccessibleName(QString(text).remove(QLatin1Char('&')));
    if (item.flags & kTabStop) {
      control->setFocusPolicy(Qt::StrongFocus);
    } else {
      control->setFocusPolicy(TakesFocus(item.kind) ? Qt::ClickFocus : Qt::NoFocus);
    }

    if (item.flags & kGroup) {
      radioGroup = nullptr;
      radioKeys = nullptr;
    }
    if (auto* radio = qobject_cast<QRadioButton*>(control)) {
      if (!radioGroup) {
        radioGroup = new QButtonGroup(&dialog);
        radioGroup->setExclusive(true);
        radioGroup->setProperty(kFirstIdProperty, item.id);
        if (item.flags & kTabStop) radioKeys = new RadioGroupKeys(radioGroup);
      }
      radioGroup->addButton(radio, static_cast<int>(radioGroup->buttons().size()));
      if (radioKeys) {
        radio->installEventFilter(radioKeys);
        radioKeys->UpdateTabStop();
      }
    }
    made.push_back(control);
  }

  // Frames go behind everything so they never catch a click meant for a control they surround.
  for (QWidget* control : made) {
    if (qobject_cast<QGroupBox*>(control)) {
      control->lower();
      control->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
  }

  // Tab order is template order (Tab passes over the controls that are no tab stops); a
  // label's or frame's mnemonic leads to the next tab stop.
  QWidget* previous = nullptr;
  for (std::size_t i = 0; i < made.size(); ++i) {
    const ControlTemplate& item = tpl.controls[i];
    if (TakesFocus(item.kind)) {
      if (previous) QWidget::setTabOrder(previous, made[i]);
      previous = made[i];
    }
    if (item.text.find('&') == std::string_view::npos || TakesFocus(item.kind)) continue;
    QWidget* next = nullptr;
    for (std::size_t j = i + 1; j < made.size() && !next; ++j) {
      if (tpl.controls[j].flags & kTabStop) next = made[j];
    }
    if (!next) continue;
    if (auto* label = qobject_cast<QLabel*>(made[i])) {
      label->setBuddy(next);
    } else {
      made[i]->installEventFilter(new MnemonicForwarder(made[i], next));
    }
  }
}

QWidget* DialogItem(const QWidget& dialog, int id) {
  if (id == kNoId) return nullptr;
  for (QWidget* child : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (child->property(kItemIdProperty).toInt() == id &&
        child->property(kItemIdProperty).isValid()) {
      return child;
    }
  }
  return nullptr;
}

QButtonGroup* RadioGroup(const QWidget& dialog, int firstId) {
  for (QButtonGroup* group : dialog.findChildren<QButtonGroup*>(Qt::FindDirectChildrenOnly)) {
    if (group->property(kFirstIdProperty).toInt() == firstId) return group;
  }
  return nullptr;
}

int RadioIndex(const QButtonGroup& group) { return group.checkedId(); }

void SetRadioIndex(QButtonGroup& group, int index) {
  if (QAbstractButton* button = group.button(index)) {
    button->setChecked(true);
    return;
  }
  // An exclusive group refuses to clear its last checked button.
  group.setExclusive(false);
  for (QAbstractButton* button : group.buttons()) button->setChecked(false);
  group.setExclusive(true);
}

void EnableDialogItem(const QWidget& dialog, int id, bool enable) {
  if (QWidget* control = DialogItem(dialog, id)) control->setEnabled(enable);
}

}  // namespace pismovar
