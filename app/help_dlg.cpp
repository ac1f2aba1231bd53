#include "app/help_dlg.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <algorithm>

#include "about/about_dlg.h"
#include "res/program_resources.h"
#include "res/string_table.h"
#include "res/translated_text.h"

namespace {


// The usage's columns line up in a fixed-width face; the view is as large as the text, so
// that nothing of it needs scrolling, and stays selectable for copying.
QPlainTextEdit* UsageView(const QString& usage, QWidget* parent) {
  auto* view = new QPlainTextEdit(usage, parent);
  view->setReadOnly(true);
  view->setTabChangesFocus(true);
  view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  view->setLineWrapMode(QPlainTextEdit::NoWrap);
  const QFontMetrics metrics(view->font());
  view->setTabStopDistance(metrics.horizontalAdvance(QLatin1Char(' ')) * 16);
  int width = 0;
  const QStringList lines = usage.split(QLatin1Char('\n'));
  for (const QString& line : lines) {
    width = std::max(width, metrics.horizontalAdvance(QString(line).replace(
                                QLatin1Char('\t'), QString(16, QLatin1Char(' ')))));
  }
  const int frame = 2 * (view->frameWidth() + static_cast<int>(view->document()->documentMargin())) + 4;
  view->setMinimumSize(std::min(width + frame, 900),
                       metrics.lineSpacing() * static_cast<int>(lines.size()) + frame);
  return view;
}

}  // namespace

CHelpDlg::CHelpDlg(const QString& usage, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QCoreApplication::translate("CHelpDlg", "Nápověda – Pismovar"));
  setWindowIcon(pismovar::ProgramIcon());
  setModal(true);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(UsageView(usage, this));

  // The way to the about box, in the desktop's link colour.
  auto* about = new QLabel(this);
  about->setTextFormat(Qt::RichText);
  about->setText(QStringLiteral("<a href=\"%1\">%2</a>")
                     .arg(QLatin1String(kAboutLink),
                          pismovar::LoadText(pismovar::IDS_ABOUTBOX)
                              .remove(QLatin1Char('&'))
                              .toHtmlEscaped()));
  about->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  connect(about, &QLabel::linkActivated, this, [this] {
    CAboutDlg box(this);
    box.exec();
  });
  layout->addWidget(about);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}
