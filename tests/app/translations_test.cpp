// The program under each language it speaks, chosen the way a user chooses it: ctest starts
// this test once per LANGUAGE, and the translators come from the files the build made.
#include "app/translations.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QTest>

#include "app/converter_dlg.h"

using namespace pismovar;

class TranslationsTest : public QObject {
  Q_OBJECT

 private slots:
  void CaptionsFollowLanguage() {
    struct Row {
      const char* language;
      const char* caption;  // the program's own text
      const char* lookIn;   // Qt's, in its file dialog
    };
    static constexpr Row kRows[] = {
        {"cs", "Konverze češtiny", "Hledat v:"},
        {"en", "Czech Conversion", "Look in:"},
        {"sk", "Konverzia češtiny", "Hľadať v:"},
    };
    const QByteArray language = qgetenv("LANGUAGE");
    const Row* row = nullptr;
    for (const Row& candidate : kRows) {
      if (language == candidate.language) row = &candidate;
    }
    QVERIFY2(row, "LANGUAGE names no language of the table");

    InstallTranslations(*qApp);
    CConverterDlg dlg;
    QCOMPARE(dlg.windowTitle(), QString::fromUtf8(row->caption));
    QFileDialog files;
    files.setOption(QFileDialog::DontUseNativeDialog);
    auto* lookIn = files.findChild<QLabel*>(QStringLiteral("lookInLabel"));
    QVERIFY(lookIn);
    QCOMPARE(lookIn->text(), QString::fromUtf8(row->lookIn));
  }
};

QTEST_MAIN(TranslationsTest)
#include "translations_test.moc"
