// The about box: its version line, its live links, and the ways it closes.
#include "about/about_dlg.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <functional>

#include "about/static_link.h"
#include "res/about_template.h"
#include "res/dialog_layout.h"
#include "res/string_table.h"

using CloseAction = std::function<void(CAboutDlg&)>;
Q_DECLARE_METATYPE(CloseAction)

class AboutDlgTest : public QObject {
  Q_OBJECT

 private slots:
  void versionLineIsStringInBoldCentred();
  void addressesAreWholeLinks();
  void programCarriesItsVersion();
  void closes_data();
  void closes();
};

void AboutDlgTest::versionLineIsStringInBoldCentred() {
  CAboutDlg dlg;
  auto* version = pismovar::DialogItem<QLabel>(dlg, pismovar::IDC_VERSION);
  QVERIFY(version);
  QCOMPARE(version->text(), QString::fromUtf8(pismovar::LoadString(pismovar::IDS_VERSION)));
  QCOMPARE(version->text(), QStringLiteral("Pismovar verze 3.5.0"));
  QVERIFY(version->font().bold());
  QVERIFY(version->alignment() & Qt::AlignHCenter);
  QVERIFY(dlg.isModal());
}

void AboutDlgTest::addressesAreWholeLinks() {
  CAboutDlg dlg;
  for (int id : {pismovar::IDC_WEB_LINK, pismovar::IDC_MAIL_LINK}) {
    auto* label = pismovar::DialogItem<QLabel>(dlg, id);
    QVERIFY(label);
    QVERIFY(label->font().underline());
    QCOMPARE(label->palette().color(QPalette::WindowText), CStaticLink::UnvisitedColour());
    QVERIFY2(label->width() >= label->sizeHint().width(), "the whole address shows");
  }
}

void AboutDlgTest::programCarriesItsVersion() {
  QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral("3.5.0"));
  QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("cz.pismovar.Pismovar"));
}

void AboutDlgTest::closes_data() {
  QTest::addColumn<CloseAction>("close");
  QTest::addColumn<int>("result");
  QTest::newRow("OK") << CloseAction([](CAboutDlg& dlg) {
    QTest::mouseClick(pismovar::DialogItem<QPushButton>(dlg, pismovar::IDC_OK), Qt::LeftButton);
  }) << int(QDialog::Accepted);
  QTest::newRow("Enter") << CloseAction([](CAboutDlg& dlg) {
    QTest::keyClick(&dlg, Qt::Key_Return);
  }) << int(QDialog::Accepted);
  QTest::newRow("Esc") << CloseAction([](CAboutDlg& dlg) { QTest::keyClick(&dlg, Qt::Key_Escape); })
                       << int(QDialog::Rejected);
  QTest::newRow("close box") << CloseAction([](CAboutDlg& dlg) { dlg.close(); })
                             << int(QDialog::Rejected);
}

void AboutDlgTest::closes() {
  QFETCH(CloseAction, close);
  QFETCH(int, result);
  CAboutDlg dlg;
  dlg.setResult(-1);
  dlg.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dlg));
  close(dlg);
  QVERIFY(!dlg.isVisible());
  QCOMPARE(dlg.result(), result);
}

QTEST_MAIN(AboutDlgTest)
#include "about_dlg_test.moc"
