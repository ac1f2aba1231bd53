// The help window that F1 and "Nápověda" open: the command line's usage and the way to the
// about box. Modal; built afresh each time.
#pragma once

#include <QDialog>
#include <QString>

class CHelpDlg : public QDialog {
 public:
  // `usage` is the usage message in the user's language.
  explicit CHelpDlg(const QString& usage, QWidget* parent = nullptr);
};
