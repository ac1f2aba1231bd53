// The about box: the program's name and version, what it does, its licence, its icon and
// logo, and live links to the licence's text and the project's web and e-mail addresses.
// Modal; built afresh each time.
#pragma once

#include <QDialog>
#include <QString>

#include "about/static_link.h"

class QLabel;

class CAboutDlg : public QDialog {
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);

  // Where the licence's text lies: the installed copy beside the program's other files.
  static QString LicenceFile();

 private:
  CStaticLink m_wndWebLink;
  CStaticLink m_wndMailLink;
  CStaticLink m_wndLicenceLink;
  QString m_strVersion;
};
