// The about box: its version line, its live links, and the ways it closes.
#include "about/about_dlg.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTranslator>
#include <functional>

#include "about/static_link.h"
#include "res/about_template.h"
#include "ui/dialog_layout.h"
#include "res/string_table.h"

using CloseAction = std::function<void(CAboutDlg&)>;
Q_DECLARE_METATYPE(CloseAction)

class AboutDlgTest : public QObject {
  Q_OBJECT

 private slots:
  void versionLineIsStringInBold();
  void addressesAreWholeLinksInThePalettesColour();
  void textsFitTheirLabelsInEveryLanguage_data();
  void textsFitTheirLabelsInEveryLanguage();
  void programCarriesItsVersion();
  void closes_data();
  void closes();
};

void AboutDlgTest::versionLineIsStringInBold() {
  CAboutDlg dlg;
  auto* version = pismovar::DialogItem<QLabel>(dlg, pismovar::IDC_VERSION);
  QVERIFY(version);
  QCOMPARE(version->text(), QString::fromUtf8(pismovar::LoadString(pismovar::IDS_VERSION)));
  QCOMPARE(version->text(), QStringLiteral("Pismovar verze 3.5.0"));
  QVERIFY(version->font().bold());
  QVERIFY(dlg.isModal());
}

void AboutDlgTest::addressesAreWholeLinksInThePalettesColour() {
  // A dark theme's links are light.
  const QPalette original = QApplication::palette();
  QPalette dark = original;
  dark.setColor(QPalette::Window, QColor(0x30, 0x30, 0x30));
  dark.setColor(QPalette::Link, QColor(0x8a, 0xb4, 0xf8));
  QApplication::setPalette(dark);
  CAboutDlg dlg;
  QApplication::setPalette(original);
  QVERIFY(CAboutDlg::LicenceFile().endsWith(QStringLiteral("/share/pismovar/COPYING")));
  for (int id : {pismovar::IDC_WEB_LINK, pismovar::IDC_MAIL_LINK, pismovar::IDC_LICENCE_LINK}) {
    auto* label = pismovar::DialogItem<QLabel>(dlg, id);
    QVERIFY(label);
    QVERIFY(label->font().underline());
    QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0x8a, 0xb4, 0xf8));
    QVERIFY2(label->width() >= label->sizeHint().width(), "the whole address shows");
  }
}

void AboutDlgTest::textsFitTheirLabelsInEveryLanguage_data() {
  QTest::addColumn<QString>("language");
  for (const char* language : {"cs", "en", "sk"}) QTest::newRow(language) << language;
}

// Each text stays on the lines its label has, and no label runs into another or out of the
// box; ctest runs this at scale 1 and 2.
void AboutDlgTest::textsFitTheirLabelsInEveryLanguage() {
  QFETCH(QString, language);
  QTranslator translator;
  QVERIFY(translator.load(
      QStringLiteral("pismovar_") + language,
      QCoreApplication::applicationDirPath() + QStringLiteral("/" PISMOVAR_TRANSLATIONS_DIR)));
  QCoreApplication::installTranslator(&translator);
  CAboutDlg dlg;
  QCoreApplication::removeTranslator(&translator);
  if (language != QLatin1String("cs")) {
    QVERIFY(dlg.windowTitle() != QStringLiteral("O programu Pismovar"));
  }
  QList<QLabel*> texts;
  for (QLabel* label : dlg.findChildren<QLabel*>()) {
    if (label->text().isEmpty()) continue;
    texts << label;
    const QString what = language + QStringLiteral(": ") + label->text();
    QVERIFY2(dlg.rect().contains(label->geometry()), qPrintable(what));
    const int lines = static_cast<int>(label->text().count(QLatin1Char('\n'))) + 1;
    const int needed =
        label->wordWrap() ? label->heightForWidth(label->width()) : label->sizeHint().height();
    QVERIFY2(needed <= label->fontMetrics().lineSpacing() * lines + 2, qPrintable(what));
    QVERIFY2(label->sizeHint().width() <= label->width() || label->wordWrap(), qPrintable(what));
  }
  for (QLabel* a : texts) {
    for (QLabel* b : texts) {
      // The space a text takes: its lines, from the label's top left.
      auto taken = [](QLabel* label) {
        return QRect(label->pos(), label->sizeHint().boundedTo(label->size()));
      };
      QVERIFY2(a == b || !taken(a).intersects(taken(b)),
               qPrintable(language + QStringLiteral(": ") + a->text() + QStringLiteral(" / ") +
                          b->text()));
    }
  }
}

void AboutDlgTest::programCarriesItsVersion() {
  QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral("3.5.0"));
  QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("cz.pismovar.pismovar"));
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
