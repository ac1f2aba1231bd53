#include "about/about_dlg.h"

#include <QCoreApplication>
#include <QDir>
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "res/about_template.h"
#include "ui/dialog_layout.h"
#include "ui/program_resources.h"
#include "ui/translated_text.h"

namespace {

// The label style a link sees: the alignment a text control was laid out with.
std::uint32_t StaticStyle(const pismovar::ControlTemplate& item) {
  if (item.flags & pismovar::kCentred) return CStaticLink::kCentredText;
  if (item.flags & pismovar::kRight) return CStaticLink::kRightText;
  return CStaticLink::kLeftText;
}

const pismovar::ControlTemplate& AboutItem(int id) {
  for (const pismovar::ControlTemplate& item : pismovar::kAboutDialogTemplate.controls) {
    if (item.id == id) return item;
  }
  Q_UNREACHABLE();
}

// A picture control takes the size of its picture, at the place the layout gave it.
void ShowPicture(QLabel* label, const QPixmap& picture) {
  label->setPixmap(picture);
  label->resize(picture.deviceIndependentSize().toSize());
}

// The about box's texts were fitted to a narrow sans serif; a face with those proportions
// keeps every line of the layout on one line. The size stays the desktop's.
QFont AboutFont(QFont font) {
  font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                    QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica"),
                    QStringLiteral("Arial")});
  return font;
}

// An address is only of use whole, and a click beside it opens nothing: a link label is as
// wide as its text, growing to the right into the free part of its line where it must.
void ShowWholeAddress(QLabel* label) {
  label->setWordWrap(false);
  label->resize(label->sizeHint().width(), label->height());
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  using namespace pismovar;
  setFont(AboutFont(font()));
  BuildDialog(*this, kAboutDialogTemplate);
  setModal(true);

  ShowPicture(DialogItem<QLabel>(*this, IDC_ICON), ProgramIcon().pixmap(32, 32));
  ShowPicture(DialogItem<QLabel>(*this, IDC_LOGO), LogoBitmap());

  // Replaced before the box is ever shown, so the layout's placeholder never appears.
  auto* version = DialogItem<QLabel>(*this, IDC_VERSION);
  QFont bold = version->font();
  bold.setWeight(QFont::Bold);
  version->setFont(bold);
  m_strVersion = LoadText(IDS_VERSION);
  version->setText(m_strVersion);

  // Empty targets: each link opens its own text, the e-mail address through "mailto:".
  m_wndMailLink.SetLink("");
  m_wndMailLink.Attach(DialogItem<QLabel>(*this, IDC_MAIL_LINK),
                       StaticStyle(AboutItem(IDC_MAIL_LINK)));
  m_wndWebLink.SetLink("");
  m_wndWebLink.Attach(DialogItem<QLabel>(*this, IDC_WEB_LINK),
                      StaticStyle(AboutItem(IDC_WEB_LINK)));

  ShowWholeAddress(DialogItem<QLabel>(*this, IDC_MAIL_LINK));
  ShowWholeAddress(DialogItem<QLabel>(*this, IDC_WEB_LINK));

  // The licence's name opens its text, which came with the program.
  m_wndLicenceLink.SetLink(LicenceFile().toUtf8().constData());
  m_wndLicenceLink.Attach(DialogItem<QLabel>(*this, IDC_LICENCE_LINK),
                          StaticStyle(AboutItem(IDC_LICENCE_LINK)));
  ShowWholeAddress(DialogItem<QLabel>(*this, IDC_LICENCE_LINK));

  connect(DialogItem<QPushButton>(*this, IDC_OK), &QPushButton::clicked, this, &QDialog::accept);
}

QString CAboutDlg::LicenceFile() {
  return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                         QStringLiteral("/" PISMOVAR_LICENCE_FILE));
}
