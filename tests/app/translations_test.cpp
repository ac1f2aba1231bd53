// The program under each language it speaks, chosen the way a user chooses it: ctest starts
// this test once per LANGUAGE, and the translators come from the files the build made.
#include "app/translations.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QSet>
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
      const char* cancel;   // Qt's too, but missing from Debian's Slovak translation
      const char* folder;   // missing from Debian's Czech and Slovak translations
    };
    static constexpr Row kRows[] = {
        {"cs", "Konverze češtiny", "Hledat v:", "Zrušit", "Složka"},
        {"en", "Czech Conversion", "Look in:", "Cancel", "Folder"},
        {"sk", "Konverzia češtiny", "Hľadať v:", "Zrušiť", "Priečinok"},
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
    auto* buttons = files.findChild<QDialogButtonBox*>();
    QVERIFY(buttons);
    QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), QString::fromUtf8(row->cancel));
    QCOMPARE(QFileIconProvider().type(QFileInfo(QDir::tempPath())), QString::fromUtf8(row->folder));

    // Every button, check box and frame (the frames lead to the name fields and the radio
    // groups) has a mnemonic of its own in each language.
    QSet<QKeySequence> mnemonics;
    QStringList texts;
    for (QWidget* control : dlg.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      QString text;
      if (qobject_cast<QPushButton*>(control) || qobject_cast<QCheckBox*>(control)) {
        text = static_cast<QAbstractButton*>(control)->text();
      } else if (auto* frame = qobject_cast<QGroupBox*>(control)) {
        text = frame->title();
      } else {
        continue;
      }
      const QKeySequence mnemonic = QKeySequence::mnemonic(text);
      QVERIFY2(!mnemonic.isEmpty(), qPrintable(text));
      QVERIFY2(!mnemonics.contains(mnemonic),
               qPrintable(text + QStringLiteral(" / ") + texts.join(u',')));
      mnemonics << mnemonic;
      texts << text;
    }
    QCOMPARE(mnemonics.size(), 14);
  }
};

QTEST_MAIN(TranslationsTest)
#include "translations_test.moc"
