#include "app/progress_dlg.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>

#include "app/converter_dlg.h"
#include "res/dialog_ids.h"
#include "ui/dialog_layout.h"
#include "res/dialog_templates.h"

using namespace pismovar;

namespace {
constexpr QPoint kOffsetFromOwner{17, 130};
}

CProgressDlg::CProgressDlg(CConverterDlg* owner) : QDialog(owner), m_pOwner(owner) {}

void CProgressDlg::Create() {
  for (QObject* child : children()) delete child;
  BuildDialog(*this, kProgressDialogTemplate);
  FileBar()->setTextVisible(true);
  ListBar()->setTextVisible(true);
  ListBar()->setFormat(QStringLiteral("%v / %m"));
  // A long path shows its end, where the file's name is.
  Text()->setWordWrap(false);
  Text()->setTextFormat(Qt::PlainText);
  connect(DialogItem<QPushButton>(*this, IDC_PROGRESS_CANCEL), &QPushButton::clicked, this,
          &CProgressDlg::OnCancelButton);
  OnInitDialog();
}

void CProgressDlg::DestroyWindow() { hide(); }

void CProgressDlg::OnInitDialog() { move(m_pOwner->frameGeometry().topLeft() + kOffsetFromOwner); }

void CProgressDlg::OnCancelButton() {
  QMetaObject::invokeMethod(m_pOwner, &CConverterDlg::OnCancelRequest, Qt::QueuedConnection);
}

void CProgressDlg::ShowListBar(bool show) {
  QProgressBar* list = ListBar();
  if (list->isVisibleTo(this) == show) return;
  list->setVisible(show);
  // Everything below the list bar moves up or down by the bar and its gap.
  const int step = list->geometry().top() - FileBar()->geometry().top();
  auto* cancel = DialogItem(*this, IDC_PROGRESS_CANCEL);
  cancel->move(cancel->x(), cancel->y() + (show ? step : -step));
  setFixedHeight(height() + (show ? step : -step));
}

void CProgressDlg::ShowFile(const QString& name, int number, int count) {
  // The name goes in last, once its room is known.
  const QString slot = QStringLiteral("\x01");
  const QString text =
      count > 1 ? QCoreApplication::translate("CProgressDlg", "Převádím soubor %1 (%2 z %3)")
                      .arg(slot, QString::number(number), QString::number(count))
                : QCoreApplication::translate("CProgressDlg", "Převádím soubor %1").arg(slot);
  // A long path gives up its middle, so that the start and the file's name stay readable.
  QLabel* label = Text();
  const int room =
      label->width() - label->fontMetrics().horizontalAdvance(QString(text).remove(slot));
  label->setText(
      QString(text).replace(slot, label->fontMetrics().elidedText(name, Qt::ElideMiddle, room)));
  FileBar()->setRange(0, 100);
}

void CProgressDlg::ShowWritingToDisk() {
  Text()->setText(QCoreApplication::translate("CProgressDlg", "Ukládám převedený text na disk..."));
  FileBar()->setRange(0, 0);
}

void CProgressDlg::reject() { OnCancelButton(); }

void CProgressDlg::closeEvent(QCloseEvent* event) {
  event->ignore();
  OnCancelButton();
}

QProgressBar* CProgressDlg::FileBar() const {
  return DialogItem<QProgressBar>(*this, IDC_PROGRESS_FILE);
}

QProgressBar* CProgressDlg::ListBar() const {
  return DialogItem<QProgressBar>(*this, IDC_PROGRESS_LIST);
}

QLabel* CProgressDlg::Text() const { return DialogItem<QLabel>(*this, IDC_PROGRESS_TEXT); }
