#include "app/help_dlg.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>
#include <algorithm>

#include "about/about_dlg.h"
#include "ui/program_resources.h"
#include "res/string_table.h"
#include "ui/translated_text.h"

namespace {

// The target of the link to the about box, which the window opens itself.
constexpr const char* kAboutLink = "about:";

// The usage's columns line up in a fixed-width face, its long lines wrap at a width of
// kColumns characters, and the view is as tall as the text, so that nothing of it needs
// scrolling; it stays selectable for copying.
constexpr int kColumns = 84;
constexpr int kTabColumns = 16;

QTextEdit* UsageView(const QString& usage, QWidget* parent) {
  auto* view = new QTextEdit(parent);
  view->setReadOnly(true);
  view->setTabChangesFocus(true);
  view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  view->setPlainText(usage);
  const QFontMetrics metrics(view->font());
  view->setTabStopDistance(metrics.horizontalAdvance(QLatin1Char(' ')) * kTabColumns);
  // The view lays its text out for its own width only once shown; a copy of the text laid
  // out for the wanted width gives the height.
  QTextDocument measure;
  measure.setDefaultFont(view->font());
  measure.setDefaultTextOption(view->document()->defaultTextOption());
  measure.setDocumentMargin(view->document()->documentMargin());
  measure.setPlainText(usage);
  measure.setTextWidth(metrics.horizontalAdvance(QLatin1Char(' ')) * kColumns +
                       2 * measure.documentMargin());
  const int frame = 2 * view->frameWidth() + 2;
  view->setMinimumSize(static_cast<int>(measure.textWidth()) + frame,
                       static_cast<int>(measure.size().height()) + frame);
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
  const QString caption = pismovar::LoadText(pismovar::IDS_ABOUTBOX).remove(QLatin1Char('&'));
  about->setText(QStringLiteral("<a href=\"%1\">%2</a>")
                     .arg(QLatin1String(kAboutLink), caption.toHtmlEscaped()));
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
