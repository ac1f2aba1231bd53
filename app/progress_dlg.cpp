#include "app/progress_dlg.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>

#include "app/converter_dlg.h"
#include "res/dialog_ids.h"
#include "res/dialog_layout.h"
#include "res/dialog_templates.h"

using namespace pismovar;

namespace {
constexpr QPoint kOffsetFromOwner{17, 130};
}

CProgressDlg::CProgressDlg(CConverterDlg* owner) : QDialog(owner), m_pOwner(owner) {}

void CProgressDlg::Create() {
  for (QObject* child : children()) delete child;
  BuildDialog(*this, kProgressDialogTemplate);
  connect(DialogItem<QPushButton>(*this, IDC_PROGRESS_CANCEL), &QPushButton::clicked, this,
          &CProgressDlg::OnCancelButton);
  OnInitDialog();
}

void CProgressDlg::DestroyWindow() { hide(); }

void CProgressDlg::OnInitDialog() { move(m_pOwner->frameGeometry().topLeft() + kOffsetFromOwner); }

void CProgressDlg::OnCancelButton() {
  QMetaObject::invokeMethod(m_pOwner, &CConverterDlg::OnCancelRequest, Qt::QueuedConnection);
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
