// The about box: the program's name and version, what it does, its icon and logo, and
// live links to the project's web and e-mail addresses. Modal; built afresh each time.
#pragma once

#include <QDialog>
#include <QString>

#include "about/static_link.h"

class QLabel;

class CAboutDlg : public QDialog {
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);

 private:
  CStaticLink m_wndWebLink;
  CStaticLink m_wndMailLink;
  QString m_strVersion;
};
