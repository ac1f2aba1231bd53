// The main dialog's logic on the offscreen platform: data exchange, enabling rules, the
// lists a browse or a drop builds, the ends of a run, cancel, progress and what is held off
// while a run is under way.
#include "app/converter_dlg.h"

#include <unistd.h>

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QUrl>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

#include "about/about_dlg.h"
#include "app/clipboard_bridge.h"
#include "app/progress_dlg.h"
#include "res/dialog_ids.h"
#include "res/string_ids.h"
#include "ui/dialog_layout.h"

using namespace pismovar;

namespace {

// Reads as slow as a busy disk after a file's first, or every read, when asked.
class SlowDisk : public pismovar::SystemCalls {
 public:
  bool slowReads = false;
  bool slowFirstReads = false;
  std::atomic<int> inSlowRead{0};  // how many reads wait now

  ssize_t Read(int fd, void* buffer, std::size_t size) override {
    if ((slowReads && ::lseek(fd, 0, SEEK_CUR) > 0) || slowFirstReads) WaitForTheDisk();
    return SystemCalls::Read(fd, buffer, size);
  }
  ssize_t ReadAt(int fd, void* buffer, std::size_t size, std::uint64_t offset) override {
    if ((slowReads && offset > 0) || slowFirstReads) WaitForTheDisk();
    return SystemCalls::ReadAt(fd, buffer, size, offset);
  }

 private:
  void WaitForTheDisk() {
    ++inSlowRead;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    --inSlowRead;
  }
};

// The dialog with its conversations answered by the test.
class TestDlg : public CConverterDlg {
 public:
  TestDlg() {
    Worker().SetSystemCalls(&disk);
    Worker().SetStep([this] {
      if (onPump) QMetaObject::invokeMethod(this, onPump, Qt::BlockingQueuedConnection);
    });
  }

  QStringList messages;
  QStringList questions;
  bool answerYes = true;
  QStringList openAnswer;
  QString saveAnswer;
  int openAsked = 0;
  QString askedFolder;  // where the last file dialog started
  bool clipboardText = true;
  // Runs on the dialog's thread once per chunk, while the run's worker waits.
  std::function<void()> onPump;
  SlowDisk disk;
  bool ClipboardHasText() override { return clipboardText && CConverterDlg::ClipboardHasText(); }
  using CConverterDlg::reject;

 protected:
  void MessageBox(QMessageBox::Icon, const QString& text) override { messages << text; }
  bool AskYesNo(const QString& text) override {
    questions << text;
    return answerYes;
  }
  QStringList AskOpenFileNames(const QStringList&, const QString& folder) override {
    ++openAsked;
    askedFolder = folder;
    return openAnswer;
  }
  QString AskSaveFileName(const QStringList&, const QString& folder) override {
    askedFolder = folder;
    return saveAnswer;
  }
};

bool Enabled(const TestDlg& dlg, int id) { return DialogItem(dlg, id)->isEnabled(); }

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(bytes);
}

// Latin-2 "č" with DOS line ends, as Windows 1250 with Unix line ends.
const QByteArray kLatin2Text("a\x9f\r\nb\x9f\r\n");
const QByteArray kWindowsText("a\xe8\nb\xe8\n");

// A text of several chunks, so a cancel between chunks leaves most of it unread.
QByteArray LongLatin2Text() { return kLatin2Text.repeated(100000); }

// Sends a drag of `urls` and its drop to `target`; whether the drop was accepted.
bool Drop(QWidget* target, const QList<QUrl>& urls) {
  QMimeData data;
  data.setUrls(urls);
  const QPoint at = target->rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &drop);
  return drop.isAccepted();
}

// Clicks the radio buttons as the user would.
void Choose(TestDlg& dlg, int codeIn, int lineEndIn, int codeOut, int lineEndOut) {
  RadioGroup(dlg, IDC_CODE_IN)->button(codeIn)->click();
  RadioGroup(dlg, IDC_LINE_END_IN)->button(lineEndIn)->click();
  RadioGroup(dlg, IDC_CODE_OUT)->button(codeOut)->click();
  RadioGroup(dlg, IDC_LINE_END_OUT)->button(lineEndOut)->click();
}

void ChooseLatin2ToWindowsUnix(TestDlg& dlg) { Choose(dlg, 2, 0, 0, 2); }

}  // namespace

class ConverterDlgTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir m_dir;
  // The user's configuration folder of the whole test, never the real one.
  QTemporaryDir m_config;
  QString Path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }
  static QSettings Settings() {
    return {QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("pismovar"),
            QStringLiteral("pismovar")};
  }

 private slots:
  void initTestCase() {
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
  }

  void init() {
    QVERIFY(m_dir.isValid());
    QDir::setCurrent(m_dir.path());
    // Each test starts as on a first run of the program.
    QSettings settings = Settings();
    QVERIFY(settings.fileName().startsWith(m_config.path()));
    settings.clear();
  }

  void outputChoicesWidthAndFolderAreRememberedForTheNextStart() {
    WriteFile(Path("a.txt"), "x");
    int layoutWidth = 0;
    int layoutEditWidth = 0;
    {
      TestDlg dlg;
      dlg.OnInitDialog();
      dlg.show();
      layoutWidth = dlg.width();
      layoutEditWidth = DialogItem(dlg, IDC_OUTPUT)->width();
      dlg.openAnswer = {Path("a.txt")};
      dlg.OnBrowseInput();
      QCOMPARE(dlg.askedFolder, QString());
      RadioGroup(dlg, IDC_CODE_OUT)->button(7)->click();
      RadioGroup(dlg, IDC_LINE_END_OUT)->button(2)->click();
      // Wider, the names grow with the window; taller, it stays as it was.
      const int height = dlg.height();
      dlg.resize(layoutWidth + 200, height + 100);
      QCOMPARE(dlg.height(), height);
      QTRY_COMPARE(DialogItem(dlg, IDC_OUTPUT)->width(), layoutEditWidth + 200);
      dlg.close();
    }
    TestDlg dlg;
    dlg.OnInitDialog();
    dlg.show();
    QCOMPARE(dlg.m_nCodeOut, 7);
    QCOMPARE(dlg.m_nLineEndOut, 2);
    QCOMPARE(RadioIndex(*RadioGroup(dlg, IDC_CODE_OUT)), 7);
    QCOMPARE(dlg.width(), layoutWidth + 200);
    QTRY_COMPARE(DialogItem(dlg, IDC_OUTPUT)->width(), layoutEditWidth + 200);
    dlg.OnBrowseOutput();
    QCOMPARE(dlg.askedFolder, m_dir.path());

    // A run started by switches leaves the remembered choices as they were.
    TestDlg autoRun;
    autoRun.m_bAutoRun = true;
    RadioGroup(autoRun, IDC_CODE_OUT)->button(1)->click();
    autoRun.reject();
    QCOMPARE(Settings().value(QStringLiteral("output/codePage")).toInt(), 7);
  }

  void exchangeCopiesEveryFieldBothWays() {
    TestDlg dlg;
    // Every code page and line end of the engine's list has its radio button, in its order.
    for (int id : {IDC_CODE_IN, IDC_CODE_OUT}) {
      QCOMPARE(RadioGroup(dlg, id)->buttons().size(), qsizetype(pismovar::kCodePages.size()));
      QCOMPARE(dlg.Caption(id, pismovar::kCodeUtf8), QStringLiteral("UTF-8"));
    }
    for (int id : {IDC_LINE_END_IN, IDC_LINE_END_OUT}) {
      QCOMPARE(RadioGroup(dlg, id)->buttons().size(), qsizetype(pismovar::kLineEnds.size()));
      for (const pismovar::NamedValue& lineEnd : pismovar::kLineEnds) {
        QCOMPARE(dlg.Caption(id, lineEnd.value), QString::fromUtf8(lineEnd.caption.data()));
      }
    }
    dlg.m_nCodeIn = 5;
    dlg.m_nCodeOut = 6;
    dlg.m_nLineEndIn = 1;
    dlg.m_nLineEndOut = 2;
    dlg.m_strInput = "vstup.txt";
    dlg.m_strOutput = "výstup.txt";
    dlg.m_bClipboardIn = true;
    dlg.m_bClipboardOut = false;
    dlg.UpdateData(false);
    dlg.m_nCodeIn = dlg.m_nCodeOut = dlg.m_nLineEndIn = dlg.m_nLineEndOut = 0;
    dlg.m_strInput.clear();
    dlg.m_strOutput.clear();
    dlg.m_bClipboardIn = false;
    dlg.UpdateData(true);
    QCOMPARE(dlg.m_nCodeIn, 5);
    QCOMPARE(dlg.m_nCodeOut, 6);
    QCOMPARE(dlg.m_nLineEndIn, 1);
    QCOMPARE(dlg.m_nLineEndOut, 2);
    QCOMPARE(dlg.m_strInput, std::string("vstup.txt"));
    QCOMPARE(dlg.m_strOutput, std::string("výstup.txt"));
    QVERIFY(dlg.m_bClipboardIn);
    QVERIFY(!dlg.m_bClipboardOut);
  }

  void valueWithoutButtonReadsBackAsNoSelection() {
    TestDlg dlg;
    dlg.m_nLineEndOut = 9;
    dlg.UpdateData(false);
    dlg.UpdateData(true);
    QCOMPARE(dlg.m_nLineEndOut, -1);
  }

  void writingTheControlsFiresNoHandler() {
    TestDlg dlg;
    dlg.OnInitDialog();
    QVERIFY(!Enabled(dlg, IDC_CONVERT));
    dlg.m_strInput = " \"a\" \"b\"";
    dlg.m_strOutput = std::string("x");
    dlg.UpdateData(false);
    QVERIFY(!Enabled(dlg, IDC_CONVERT));
    QCOMPARE(dlg.m_nFileCount, 1);
  }

  void convertButtonFollowsNamesAndClipboardBoxes_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::addColumn<bool>("clipboardIn");
    QTest::addColumn<bool>("clipboardOut");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("nothing") << ""
                             << "" << false << false << false;
    QTest::newRow("input only") << "a.txt"
                                << "" << false << false << false;
    QTest::newRow("both names") << "a.txt"
                                << "b.txt" << false << false << true;
    QTest::newRow("both boxes") << ""
                                << "" << true << true << true;
    QTest::newRow("clipboard in, no output") << ""
                                             << "" << true << false << false;
    QTest::newRow("name to clipboard") << "a.txt"
                                       << "" << false << true << true;
  }
  void convertButtonFollowsNamesAndClipboardBoxes() {
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(bool, clipboardIn);
    QFETCH(bool, clipboardOut);
    QFETCH(bool, enabled);
    TestDlg dlg;
    dlg.clipboardText = false;
    dlg.OnInitDialog();
    DialogItem<QLineEdit>(dlg, IDC_INPUT)->setText(input);
    DialogItem<QLineEdit>(dlg, IDC_OUTPUT)->setText(output);
    if (clipboardIn) QTest::mouseClick(DialogItem(dlg, IDC_CLIPBOARD_IN), Qt::LeftButton);
    if (clipboardOut) QTest::mouseClick(DialogItem(dlg, IDC_CLIPBOARD_OUT), Qt::LeftButton);
    QCOMPARE(Enabled(dlg, IDC_CONVERT), enabled);
    QCOMPARE(Enabled(dlg, IDC_INPUT), !clipboardIn);
    QCOMPARE(Enabled(dlg, IDC_BROWSE_INPUT), !clipboardIn);
    QCOMPARE(Enabled(dlg, IDC_OUTPUT), !clipboardOut);
    QCOMPARE(Enabled(dlg, IDC_BROWSE_OUTPUT), !clipboardOut);
    QVERIFY(dlg.messages.isEmpty());
  }

  void browsingSeveralFilesBuildsAQuotedListAndDetectsTheFirst() {
    WriteFile(Path("a.txt"), "\xe8\xe8\n\n");  // Windows 1250 "č", Unix line ends
    WriteFile(Path("b.txt"), "x");
    WriteFile(Path("c.txt"), "y");
    TestDlg dlg;
    dlg.OnInitDialog();
    dlg.m_nCodeIn = 6;
    dlg.UpdateData(false);
    dlg.openAnswer = {Path("a.txt"), Path("b.txt"), Path("c.txt")};
    dlg.OnBrowseInput();
    const std::string dir = QFile::encodeName(m_dir.path()).toStdString();
    const std::string list = " \"" + dir + "/a.txt\" \"" + dir + "/b.txt\" \"" + dir + "/c.txt\"";
    QCOMPARE(dlg.m_strInput, list);
    QCOMPARE(dlg.m_strOutput, list);
    QCOMPARE(dlg.m_nFileCount, 3);
    QVERIFY(!Enabled(dlg, IDC_OUTPUT));
    QVERIFY(!Enabled(dlg, IDC_BROWSE_OUTPUT));
    QVERIFY(Enabled(dlg, IDC_CONVERT));
    QCOMPARE(dlg.m_nCodeIn, 0);
    QCOMPARE(dlg.m_nLineEndIn, 2);
    QVERIFY(dlg.messages.isEmpty());

    // Typing a plain name over the list makes it one file again.
    DialogItem<QLineEdit>(dlg, IDC_INPUT)->setText(Path("b.txt"));
    QCOMPARE(dlg.m_nFileCount, 1);
  }

  void browsingOneFileConvertsInPlaceByDefault() {
    WriteFile(Path("a.txt"), "x");
    TestDlg dlg;
    dlg.OnInitDialog();
    QTest::mouseClick(DialogItem(dlg, IDC_CLIPBOARD_OUT), Qt::LeftButton);
    dlg.openAnswer = {Path("a.txt")};
    dlg.OnBrowseInput();
    QCOMPARE(QString::fromStdString(dlg.m_strInput), Path("a.txt"));
    QCOMPARE(dlg.m_strOutput, dlg.m_strInput);
    QCOMPARE(dlg.m_nFileCount, 1);
    // One file enables the output name even with the clipboard-output box ticked.
    QVERIFY(Enabled(dlg, IDC_OUTPUT));
    QVERIFY(dlg.m_bClipboardOut);
  }

  void cancelledBrowseChangesNothing() {
    TestDlg dlg;
    dlg.OnInitDialog();
    dlg.m_strInput = "keep.txt";
    dlg.UpdateData(false);
    dlg.OnBrowseInput();
    QCOMPARE(dlg.openAsked, 1);
    QCOMPARE(dlg.m_strInput, std::string("keep.txt"));
    QVERIFY(dlg.messages.isEmpty());
  }

  void droppingGivesABarePathOrAList() {
    WriteFile(Path("a.txt"), "x");
    WriteFile(Path("b.txt"), "y");
    TestDlg dlg;
    dlg.OnInitDialog();
    dlg.OnDropFiles({Path("a.txt")});
    QCOMPARE(QString::fromStdString(dlg.m_strInput), Path("a.txt"));
    QCOMPARE(dlg.m_nFileCount, 1);
    QVERIFY(Enabled(dlg, IDC_OUTPUT));
    dlg.OnDropFiles({Path("a.txt"), Path("b.txt")});
    QCOMPARE(QString::fromStdString(dlg.m_strInput),
             QStringLiteral(" \"%1\" \"%2\"").arg(Path("a.txt"), Path("b.txt")));
    QCOMPARE(dlg.m_nFileCount, 2);
    QVERIFY(!Enabled(dlg, IDC_OUTPUT));
    QVERIFY(!Enabled(dlg, IDC_BROWSE_OUTPUT));
  }

  void singleFileAutoRunConvertsInPlaceAndQuitsWithSuccess() {
    WriteFile(Path("a.txt"), kLatin2Text);
    TestDlg dlg;
    dlg.m_bAutoRun = true;
    dlg.OnDropFiles({Path("a.txt")});
    ChooseLatin2ToWindowsUnix(dlg);
    dlg.OnConvert();
    QCOMPARE(ReadAll(Path("a.txt")), kWindowsText);
    QVERIFY(!dlg.ProgressDlg()->isVisible());
    QVERIFY(!dlg.ProgressDlg()->m_bRunning);
    QVERIFY(dlg.messages.isEmpty());
    QCOMPARE(dlg.ExitCode(), 0);
  }

  void sameFileUnderAnotherNameConvertsInPlace() {
    QDir(m_dir.path()).mkdir(QStringLiteral("data"));
    WriteFile(Path("data/dopis.txt"), kLatin2Text);
    TestDlg dlg;
    dlg.OnInitDialog();
    dlg.OnDropFiles({Path("data/dopis.txt")});
    dlg.m_strOutput = QFile::encodeName(Path("data/../data/dopis.txt")).toStdString();
    dlg.UpdateData(false);
    ChooseLatin2ToWindowsUnix(dlg);
    dlg.OnConvert();
    QVERIFY2(dlg.messages.isEmpty(), qPrintable(dlg.messages.join(QLatin1Char('|'))));
    QCOMPARE(ReadAll(Path("data/dopis.txt")), kWindowsText);
  }

  void listRunGoesOnPastAFileThatCannotBeOpenedAndReenablesConvert() {
    WriteFile(Path("a.txt"), kLatin2Text);
    WriteFile(Path("c.txt"), kLatin2Text);
    TestDlg dlg;
    dlg.OnInitDialog();
    // A file under a second name (a hard link) waits until the first has taken its place.
    WriteFile(Path("d.txt"), "x\r\n");
    QCOMPARE(::link(qPrintable(Path("d.txt")), qPrintable(Path("e.txt"))), 0);
    dlg.OnDropFiles(
        {Path("a.txt"), Path("missing.txt"), Path("c.txt"), Path("d.txt"), Path("e.txt")});
    dlg.messages.clear();
    ChooseLatin2ToWindowsUnix(dlg);
    int listBarMaximum = -1;
    QString firstText;
    bool writingShown = false;  // the file bar moves without an end while the batch goes to disk
    dlg.onPump = [&] {
      listBarMaximum = dlg.ProgressDlg()->ListBar()->maximum();
      if (firstText.isEmpty()) firstText = dlg.ProgressDlg()->Text()->text();
      writingShown = writingShown || dlg.ProgressDlg()->FileBar()->maximum() == 0;
    };
    dlg.OnConvert();
    QVERIFY2(firstText.startsWith(QStringLiteral("Převádím soubor ")) &&
                 firstText.endsWith(QStringLiteral("a.txt (1 z 5)")),
             qPrintable(firstText));
    QVERIFY(writingShown);
    // The message names the file and the system's reason below the table's sentence.
    QCOMPARE(dlg.messages,
             QStringList{QStringLiteral("Vstupní soubor není možné otevřít!\nSoubor: %1\nDůvod: %2")
                             .arg(Path("missing.txt"), QString::fromLocal8Bit(strerror(ENOENT)))});
    QCOMPARE(ReadAll(Path("a.txt")), kWindowsText);
    QCOMPARE(ReadAll(Path("c.txt")), kWindowsText);
    QCOMPARE(ReadAll(Path("e.txt")), QByteArray("x\n"));
    QCOMPARE(listBarMaximum, 5);
    QCOMPARE(dlg.m_nFilesDone, 5);
    QVERIFY(Enabled(dlg, IDC_CONVERT));
  }

  void substitutionsAreToldOnceAfterTheRun() {
    // Latin-2 box drawing has no place in Windows 1250; the clipboard's arrow none at all.
    WriteFile(Path("a.txt"), "\xC4\xC4\r\n");
    WriteFile(Path("b.txt"), kLatin2Text);
    TestDlg dlg;
    dlg.OnInitDialog();
    dlg.OnDropFiles({Path("a.txt"), Path("b.txt")});
    dlg.messages.clear();
    ChooseLatin2ToWindowsUnix(dlg);
    // In place, the question comes while the files are as they were; "Ne" keeps them so.
    dlg.answerYes = false;
    dlg.OnConvert();
    QCOMPARE(ReadAll(Path("a.txt")), QByteArray("\xC4\xC4\r\n"));
    QCOMPARE(ReadAll(Path("b.txt")), kLatin2Text);
    QCOMPARE(dlg.StatusText(), QStringLiteral("Převedeno souborů: 0 z 2"));
    dlg.answerYes = true;
    dlg.OnConvert();
    QCOMPARE(ReadAll(Path("a.txt")), QByteArray("--\n"));
    QCOMPARE(ReadAll(Path("b.txt")), kWindowsText);
    const QString question =
        QStringLiteral(
            "Počet znaků, pro které výstupní kódování nemá místo: 2\n"
            "Budou nahrazeny podobnými znaky nebo otazníkem v souborech:\n") +
        Path("a.txt") +
        QStringLiteral("\n\nPřevést soubory přesto? Ne ponechá všechny tyto soubory, jak byly.");
    QCOMPARE(dlg.questions, (QStringList{question, question}));
    QVERIFY(dlg.messages.isEmpty());

    QGuiApplication::clipboard()->setText(QStringLiteral("a→b"));
    TestDlg clipboardDlg;
    clipboardDlg.m_bClipboardIn = clipboardDlg.m_bClipboardOut = true;
    clipboardDlg.OnInitDialog();
    clipboardDlg.OnConvert();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("a?b"));
    QCOMPARE(clipboardDlg.messages.size(), 1);
    QVERIFY(clipboardDlg.messages[0].contains(QStringLiteral("nemá místo: 1\n")));
  }

  void cancelInAListStopsThereAndKeepsConvertEnabled() {
    WriteFile(Path("a.txt"), kLatin2Text);
    WriteFile(Path("b.txt"), LongLatin2Text());
    WriteFile(Path("c.txt"), kLatin2Text);
    WriteFile(Path("Clipboard.tmp"), "user's own");
    TestDlg dlg;
    dlg.m_bAutoRun = true;
    dlg.OnDropFiles({Path("a.txt"), Path("b.txt"), Path("c.txt")});
    ChooseLatin2ToWindowsUnix(dlg);
    dlg.onPump = [&] {
      if (dlg.m_nFilesDone == 1) dlg.ProgressDlg()->findChild<QPushButton*>()->click();
    };
    dlg.OnConvert();
    QCOMPARE(dlg.messages,
             QStringList{QStringLiteral("Konverze přerušena uživatelem po stlačení tlačítka "
                                        "'Zrušit'!\nSoubor: %1")
                             .arg(Path("b.txt"))});
    // The files of the unfinished batch stay as they were, the first as well.
    QCOMPARE(ReadAll(Path("a.txt")), kLatin2Text);
    QCOMPARE(ReadAll(Path("b.txt")), LongLatin2Text());
    QCOMPARE(ReadAll(Path("c.txt")), kLatin2Text);
    QCOMPARE(ReadAll(Path("Clipboard.tmp")), QByteArray("user's own"));
    QVERIFY(Enabled(dlg, IDC_CONVERT));
    QVERIFY(!dlg.ProgressDlg()->isVisible());
    QCOMPARE(dlg.ExitCode(), 1);
  }

  void cancelOfASingleFileEndsNormallyAndAutoRunQuits() {
    WriteFile(Path("b.txt"), LongLatin2Text());
    TestDlg dlg;
    dlg.m_bAutoRun = true;
    dlg.m_strInput = dlg.m_strOutput = "b.txt";
    dlg.m_nCodeIn = 2;
    dlg.m_nLineEndOut = 2;
    dlg.OnInitDialog();
    dlg.onPump = [&] { dlg.OnCancelRequest(); };
    dlg.OnConvert();
    QCOMPARE(dlg.messages.size(), 1);
    QCOMPARE(ReadAll(Path("b.txt")), LongLatin2Text());
    QCOMPARE(dlg.ExitCode(), 1);
  }

  void closingTheRunsWindowsCancelsIt_data() {
    QTest::addColumn<int>("how");  // 0 Esc, 1 the progress window's close box, 2 "Konec"
    QTest::addColumn<QString>("message");
    const QString zrusit = QStringLiteral(
        "Konverze přerušena uživatelem po stlačení tlačítka 'Zrušit'!\nSoubor: a.txt");
    QTest::newRow("Esc on the progress window") << 0 << zrusit;
    QTest::newRow("its close box") << 1 << zrusit;
    QTest::newRow("Konec") << 2
                           << QStringLiteral(
                                  "Konverze přerušena, protože se program zavírá.\nSoubor: a.txt");
  }
  void closingTheRunsWindowsCancelsIt() {
    QFETCH(int, how);
    QFETCH(QString, message);
    WriteFile(Path("a.txt"), LongLatin2Text());
    TestDlg dlg;
    dlg.m_strInput = dlg.m_strOutput = "a.txt";
    dlg.OnInitDialog();
    dlg.show();
    ChooseLatin2ToWindowsUnix(dlg);
    bool progressShownAtEnd = true;
    dlg.onPump = [&] {
      if (how == 0) QTest::keyClick(dlg.ProgressDlg(), Qt::Key_Escape);
      if (how == 1) dlg.ProgressDlg()->close();
      if (how == 2) DialogItem<QPushButton>(dlg, IDC_EXIT)->click();
      dlg.onPump = [&] { progressShownAtEnd = dlg.ProgressDlg()->isVisible(); };
    };
    dlg.OnConvert();
    QCOMPARE(ReadAll(Path("a.txt")), LongLatin2Text());
    QCOMPARE(dlg.messages, QStringList{message});
    // The window stays until the run has stopped, and the dialog then takes commands again.
    QVERIFY(progressShownAtEnd);
    QVERIFY(!dlg.ProgressDlg()->isVisible());
    QCOMPARE(dlg.isVisible(), how != 2);
    QVERIFY(Enabled(dlg, IDC_CONVERT));
  }

  void aTypedNameTakesItsOutputAlongAndASecondRunChangesNothing() {
    WriteFile(Path("a.txt"), kLatin2Text);
    WriteFile(Path("b.txt"), kWindowsText);
    TestDlg dlg;
    dlg.OnInitDialog();
    dlg.OnDropFiles({Path("a.txt")});
    auto* input = DialogItem<QLineEdit>(dlg, IDC_INPUT);
    input->setText(Path("b.txt"));
    Q_EMIT input->editingFinished();
    QCOMPARE(DialogItem<QLineEdit>(dlg, IDC_OUTPUT)->text(), Path("b.txt"));
    QCOMPARE(dlg.m_nCodeIn, 0);
    QCOMPARE(dlg.m_nLineEndIn, 2);
    RadioGroup(dlg, IDC_CODE_OUT)->button(2)->click();
    RadioGroup(dlg, IDC_LINE_END_OUT)->button(0)->click();
    dlg.OnConvert();
    QCOMPARE(ReadAll(Path("a.txt")), kLatin2Text);
    QCOMPARE(ReadAll(Path("b.txt")), kLatin2Text);
    // The input choices now say what the file is, and the status line what the run did.
    QCOMPARE(dlg.m_nCodeIn, 2);
    QCOMPARE(dlg.m_nLineEndIn, 0);
    QCOMPARE(dlg.StatusText(), QStringLiteral("Převedeno souborů: 1 z 1"));
    dlg.OnConvert();
    QCOMPARE(ReadAll(Path("b.txt")), kLatin2Text);
    QVERIFY(dlg.messages.isEmpty());
  }

  void theStatusLineSaysHowSureTheGuessIs_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("repair");  // the answer to the offer of a repair
    QTest::addColumn<QString>("status");
    QTest::addColumn<QByteArray>("after");
    // "Příliš" in UTF-8, read as Windows 1250 and saved as UTF-8 again.
    const QByteArray damaged("P\xc4\xb9\xe2\x84\xa2\xc4\x82\xc2\xadli\xc4\xb9\xcb\x87\n");
    QTest::newRow("sure") << kWindowsText << true
                          << QStringLiteral("Rozpoznáno: Windows 1250, Unix/Linux (jistota 99 %)")
                          << kWindowsText;
    QTest::newRow("unsure") << kLatin2Text << true
                            << QStringLiteral(
                                   "Nejistý odhad: Kamenických, DOS/Windows (nebo "
                                   "Latin-2). Ověřte kódování.")
                            << kLatin2Text;
    QTest::newRow("damaged, left") << damaged << false
                                   << QStringLiteral(
                                          "Text vypadá jako UTF-8 přečtené jako Windows 1250 a "
                                          "znovu uložené; opraví ho pismovar-cli --repair.")
                                   << damaged;
    QTest::newRow("damaged, repaired")
        << damaged << true
        << QStringLiteral("Opraveno: UTF-8 přečtené jako Windows 1250, písmen: 3.")
        << QByteArray("P\xc5\x99\xc3\xadli\xc5\xa1\n");
    // On the clipboard, the damaged bytes are the text's Windows 1250 form.
    QTest::newRow("damaged clipboard, repaired")
        << damaged << true
        << QStringLiteral("Opraveno: UTF-8 přečtené jako Windows 1250, písmen: 3.")
        << QByteArray("P\xc5\x99\xc3\xadli\xc5\xa1\n");
  }
  void theStatusLineSaysHowSureTheGuessIs() {
    QFETCH(QByteArray, text);
    QFETCH(bool, repair);
    QFETCH(QString, status);
    QFETCH(QByteArray, after);
    const bool clipboard = QString(QTest::currentDataTag()).contains(QStringLiteral("clipboard"));
    TestDlg dlg;
    dlg.answerYes = repair;
    if (clipboard) {
      QGuiApplication::clipboard()->setText(BytesToClipboardText(text));
      dlg.m_bClipboardIn = true;
      dlg.OnInitDialog();
    } else {
      WriteFile(Path("a.txt"), text);
      dlg.OnInitDialog();
      dlg.OnDropFiles({Path("a.txt")});
    }
    QCOMPARE(dlg.StatusText(), status);
    if (clipboard) {
      QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromUtf8(after));
    } else {
      QCOMPARE(ReadAll(Path("a.txt")), after);
    }
    QVERIFY(dlg.messages.isEmpty());
  }

  void aDetectedListConvertsEachFileFromItsOwnCodePage_data() {
    QTest::addColumn<bool>("userChose");  // the user clicked Kamenický for the whole list
    QTest::addColumn<QByteArray>("windowsFileAfter");
    QTest::newRow("detected") << false
                              << QByteArray(
                                     "\xc4\x8d"
                                     "e\xc5\xa1t\xc3\xadna \xc5\x99"
                                     "e\xc5\xa1\xc3\xad\r\n");
    // The Windows 1250 file read as Kamenický, as the command-line tool reads it with -f kam.
    QTest::newRow("chosen") << true
                            << QByteArray(
                                   "\xce\xa6"
                                   "e\xc3\x9ct\xcf\x86na \xc2\xb0"
                                   "e\xc3\x9c\xcf\x86\r\n");
  }
  void aDetectedListConvertsEachFileFromItsOwnCodePage() {
    QFETCH(bool, userChose);
    QFETCH(QByteArray, windowsFileAfter);
    WriteFile(Path("k.txt"),
              "\x87"
              "e\xa8t\xa1na \xa9"
              "e\xa8\xa1\r\n");  // Kamenický
    WriteFile(Path("w.txt"),
              "\xe8"
              "e\x9at\xedna \xf8"
              "e\x9a\xed\r\n");  // Windows 1250
    TestDlg dlg;
    dlg.OnInitDialog();
    dlg.OnDropFiles({Path("k.txt"), Path("w.txt")});
    QCOMPARE(dlg.m_nCodeIn, 1);
    if (userChose) RadioGroup(dlg, IDC_CODE_IN)->button(1)->click();
    RadioGroup(dlg, IDC_CODE_OUT)->button(7)->click();
    dlg.OnConvert();
    QCOMPARE(ReadAll(Path("k.txt")), QByteArray("\xc4\x8d"
                                                "e\xc5\xa1t\xc3\xadna \xc5\x99"
                                                "e\xc5\xa1\xc3\xad\r\n"));
    QCOMPARE(ReadAll(Path("w.txt")), windowsFileAfter);
    QCOMPARE(dlg.messages,
             userChose
                 ? QStringList()
                 : QStringList{QStringLiteral("Tyto soubory nebyly v kódování Kamenických a byly "
                                              "převedeny z kódování, které v nich program "
                                              "rozpoznal:\n%1 (Windows 1250)")
                                   .arg(Path("w.txt"))});
  }

  void clipboardInputWithoutTextSaysSoAndAutoRunFails() {
    TestDlg dlg;
    dlg.clipboardText = false;
    dlg.m_bAutoRun = true;
    dlg.m_bClipboardIn = dlg.m_bClipboardOut = true;
    dlg.OnInitDialog();
    dlg.OnConvert();
    QCOMPARE(dlg.messages, QStringList{QStringLiteral("Schránka neobsahuje žádný text.")});
    QVERIFY(Enabled(dlg, IDC_CONVERT));
    QVERIFY(!dlg.ProgressDlg()->isVisible());
    QCOMPARE(dlg.ExitCode(), 1);
  }

  void clipboardRunConvertsTheClipboardAndLeavesUserFilesAlone() {
    WriteFile(Path("Clipboard.tmp"), "mine");
    WriteFile(Path("Temp.tmp"), "mine too");
    QGuiApplication::clipboard()->setText(QStringLiteral("řádek\r\nčára\r\n"));
    TestDlg dlg;
    dlg.m_bClipboardIn = dlg.m_bClipboardOut = true;
    dlg.m_nLineEndOut = 2;
    dlg.OnInitDialog();
    dlg.OnConvert();
    QVERIFY(dlg.messages.isEmpty());
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("řádek\nčára\n"));
    QCOMPARE(ReadAll(Path("Clipboard.tmp")), QByteArray("mine"));
    QCOMPARE(ReadAll(Path("Temp.tmp")), QByteArray("mine too"));
    QVERIFY(!QFile::exists(QString::fromStdString(dlg.ClipboardFileName())));
  }

  void clipboardKeepsItsCharactersWhenASideIsUtf8_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("codeIn");
    QTest::addColumn<int>("codeOut");
    QTest::addColumn<QString>("after");
    QTest::newRow("UTF-8 both ways")
        << QStringLiteral("жč\r\n") << 7 << 7 << QStringLiteral("жč\n");
    QTest::newRow("Windows 1250 to UTF-8")
        << QStringLiteral("čř\r\n") << 0 << 7 << QStringLiteral("čř\n");
    QTest::newRow("UTF-8 to Latin-2")
        << QStringLiteral("ž\r\n") << 7 << 2 << QStringLiteral("\u00a7\n");
    // Detected (-1): UTF-8 shown as Windows 1250 is read as the UTF-8 detection finds, and a
    // text with characters Windows 1250 lacks as UTF-8.
    QTest::newRow("UTF-8 shown as Windows 1250")
        << QStringLiteral("PĹ™Ă­liĹˇ\r\n") << -1 << 0 << QStringLiteral("Příliš\n");
    QTest::newRow("characters Windows 1250 lacks")
        << QStringLiteral("Příliš ★\r\n") << -1 << 7 << QStringLiteral("Příliš ★\n");
  }
  void clipboardKeepsItsCharactersWhenASideIsUtf8() {
    QFETCH(QString, before);
    QFETCH(int, codeIn);
    QFETCH(int, codeOut);
    QFETCH(QString, after);
    QGuiApplication::clipboard()->setText(before);
    TestDlg dlg;
    dlg.m_bClipboardIn = dlg.m_bClipboardOut = true;
    dlg.m_nCodeIn = codeIn;
    dlg.m_nCodeOut = codeOut;
    dlg.m_nLineEndOut = 2;
    dlg.OnInitDialog();
    dlg.UpdateData(true);
    if (codeIn >= 0) dlg.m_nCodeIn = codeIn;
    dlg.UpdateData(false);
    dlg.OnConvert();
    QCOMPARE(QGuiApplication::clipboard()->text(), after);
  }

  void progressWindowStandsBesideTheDialog() {
    TestDlg dlg;
    dlg.move(200, 100);
    dlg.show();
    dlg.ProgressDlg()->Create();
    QCOMPARE(dlg.ProgressDlg()->pos(), dlg.frameGeometry().topLeft() + QPoint(17, 130));
  }

  void nothingStartsInsideARunAndCloseWaitsForItsEnd() {
    WriteFile(Path("a.txt"), LongLatin2Text());
    WriteFile(Path("other.txt"), "x");
    TestDlg dlg;
    dlg.OnInitDialog();
    dlg.OnDropFiles({Path("a.txt")});
    ChooseLatin2ToWindowsUnix(dlg);
    dlg.show();
    int pumps = 0;
    bool visibleDuringRun = false;
    dlg.onPump = [&] {
      if (++pumps != 1) return;
      dlg.OnBrowseInput();
      dlg.OnDropFiles({Path("other.txt")});
      dlg.OnFullDetect();
      dlg.OnConvert();
      QTest::mouseClick(DialogItem(dlg, IDC_CLIPBOARD_IN), Qt::LeftButton);
      dlg.reject();
      visibleDuringRun = dlg.isVisible();
    };
    dlg.OnConvert();
    QCOMPARE(dlg.openAsked, 0);
    QCOMPARE(QString::fromStdString(dlg.m_strInput), Path("a.txt"));
    QVERIFY(!dlg.m_bClipboardIn);
    QVERIFY(visibleDuringRun);
    QVERIFY(!dlg.isVisible());
    // The close acted as "Zrušit": the input is intact.
    QCOMPARE(ReadAll(Path("a.txt")), LongLatin2Text());
    QCOMPARE(dlg.messages.size(), 1);
  }

  void dropsAreRefusedDuringFullDetection() {
    WriteFile(Path("a.txt"), LongLatin2Text());
    TestDlg dlg;
    dlg.OnInitDialog();
    dlg.OnDropFiles({Path("a.txt")});
    dlg.m_nLineEndIn = 2;
    dlg.UpdateData(false);
    bool detectText = false;
    dlg.onPump = [&] {
      detectText = dlg.ProgressDlg()->Text()->text().startsWith(QStringLiteral("Detekuji"));
      dlg.OnDropFiles({Path("b.txt")});
    };
    dlg.OnFullDetect();
    QVERIFY(detectText);
    QCOMPARE(QString::fromStdString(dlg.m_strInput), Path("a.txt"));
    QCOMPARE(dlg.m_nLineEndIn, 0);
    QVERIFY(!dlg.ProgressDlg()->isVisible());
  }

  void dropsTakeLocalFilesOnlyAnywhereOnTheDialog() {
    WriteFile(Path("a.txt"), "x");
    TestDlg dlg;
    dlg.OnInitDialog();
    auto* input = DialogItem<QLineEdit>(dlg, IDC_INPUT);
    auto* output = DialogItem<QLineEdit>(dlg, IDC_OUTPUT);
    const QUrl link(QStringLiteral("https://example.org/a.txt"));
    for (QWidget* target : {static_cast<QWidget*>(&dlg), static_cast<QWidget*>(input),
                            static_cast<QWidget*>(output)}) {
      QVERIFY(!Drop(target, {link}));
      QVERIFY(!Drop(target, {QUrl::fromLocalFile(Path("a.txt")), link}));
      QCOMPARE(input->text(), QString());
    }
    QVERIFY(Drop(output, {QUrl::fromLocalFile(Path("a.txt"))}));
    QCOMPARE(input->text(), Path("a.txt"));
    QCOMPARE(output->text(), Path("a.txt"));
    QVERIFY(Enabled(dlg, IDC_CONVERT));
  }

  void utf8ConvertsBothWaysAndIsDetected_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<int>("codeIn");
    QTest::addColumn<int>("codeOut");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<QString>("warning");  // after the run, as the command-line tool warns
    QTest::newRow("Kamenický to UTF-8")
        << QByteArray("\x87\xa0r\n") << 1 << 7 << QByteArray("\xc4\x8d\xc3\xa1r\n") << QString();
    QTest::newRow("UTF-8 to 852") << QByteArray("\xc4\x8d\xc3\xa1r\n") << 7 << 2
                                  << QByteArray("\x9f\xa0r\n") << QString();
    QTest::newRow("malformed UTF-8 to 852")
        << QByteArray(
               "\xc4\x8d"
               "a\xff"
               "b\n")
        << 7 << 2
        << QByteArray(
               "\x9f"
               "a?b\n")
        << QStringLiteral("Neplatných sekvencí UTF-8: 1, první na pozici 3\nSoubor: ");
  }
  void utf8ConvertsBothWaysAndIsDetected() {
    QFETCH(QByteArray, before);
    QFETCH(int, codeIn);
    QFETCH(int, codeOut);
    QFETCH(QByteArray, after);
    QFETCH(QString, warning);
    WriteFile(Path("a.txt"), before);
    TestDlg dlg;
    dlg.OnInitDialog();
    dlg.OnDropFiles({Path("a.txt")});
    if (codeIn == 7 && warning.isEmpty()) QCOMPARE(dlg.m_nCodeIn, 7);
    dlg.m_nCodeIn = codeIn;
    dlg.m_nCodeOut = codeOut;
    dlg.m_nLineEndIn = dlg.m_nLineEndOut = 2;
    dlg.UpdateData(false);
    dlg.OnConvert();
    QCOMPARE(ReadAll(Path("a.txt")), after);
    QVERIFY(dlg.messages.isEmpty());
    QCOMPARE(dlg.questions.size(), warning.isEmpty() ? 0 : 1);
    if (!warning.isEmpty()) QVERIFY(dlg.questions[0].startsWith(warning + Path("a.txt")));
  }

  void cancelOnceTheTextIsOnDiskKeepsTheInput() {
    WriteFile(Path("a.txt"), kLatin2Text);
    TestDlg dlg;
    dlg.OnInitDialog();
    dlg.OnDropFiles({Path("a.txt")});
    ChooseLatin2ToWindowsUnix(dlg);
    // The last pump comes once the text is on disk.
    int pumps = 0;
    dlg.onPump = [&] {
      if (++pumps == 2) dlg.OnCancelRequest();
    };
    const QStringList filesBefore = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
    dlg.OnConvert();
    QCOMPARE(ReadAll(Path("a.txt")), kLatin2Text);
    QCOMPARE(dlg.messages.size(), 1);
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), filesBefore);
  }

  void windowAnswersWhileTheDetectionWaitsForTheDisk() {
    WriteFile(Path("a.txt"), kLatin2Text);
    TestDlg dlg;
    dlg.OnInitDialog();
    dlg.disk.slowFirstReads = true;
    bool answeredDuringRead = false;
    QTimer::singleShot(50, &dlg, [&] {
      answeredDuringRead = dlg.disk.inSlowRead > 0 && !Enabled(dlg, IDC_BROWSE_INPUT);
    });
    dlg.OnDropFiles({Path("a.txt")});
    QVERIFY(answeredDuringRead);
    QVERIFY(Enabled(dlg, IDC_BROWSE_INPUT));
    QCOMPARE(dlg.m_nLineEndIn, 0);
  }

  void windowAnswersWhileTheRunWaitsForTheDisk() {
    WriteFile(Path("a.txt"), LongLatin2Text());
    TestDlg dlg;
    dlg.OnInitDialog();
    dlg.OnDropFiles({Path("a.txt")});
    ChooseLatin2ToWindowsUnix(dlg);
    dlg.disk.slowReads = true;
    bool answeredDuringRead = false;
    int pumps = 0;
    dlg.onPump = [&] {
      if (pumps++ != 0) return;
      QTimer::singleShot(50, &dlg, [&] {
        answeredDuringRead = dlg.disk.inSlowRead > 0;
        dlg.ProgressDlg()->findChild<QPushButton*>()->click();
      });
    };
    dlg.OnConvert();
    QVERIFY(answeredDuringRead);
    QCOMPARE(ReadAll(Path("a.txt")), LongLatin2Text());
    QCOMPARE(dlg.messages.size(), 1);
  }

  void tabVisitsEveryStopOnceWithEachRadioGroupAtItsChoice() {
    TestDlg dlg;
    dlg.m_nCodeIn = 3;
    dlg.m_nLineEndOut = 2;
    // A name that leads nowhere: leaving the field finds no guess to change the choices.
    dlg.m_strInput = dlg.m_strOutput = "nowhere.txt";
    dlg.OnInitDialog();
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    auto radio = [&](int firstId, int index) { return RadioGroup(dlg, firstId)->button(index); };
    const QList<QWidget*> expected{
        DialogItem(dlg, IDC_INPUT),         DialogItem(dlg, IDC_BROWSE_INPUT),
        DialogItem(dlg, IDC_CLIPBOARD_IN),  radio(IDC_CODE_IN, 3),
        radio(IDC_LINE_END_IN, 0),          DialogItem(dlg, IDC_FULL_DETECT),
        DialogItem(dlg, IDC_OUTPUT),        DialogItem(dlg, IDC_BROWSE_OUTPUT),
        DialogItem(dlg, IDC_CLIPBOARD_OUT), radio(IDC_CODE_OUT, 0),
        radio(IDC_LINE_END_OUT, 2),         DialogItem(dlg, IDC_CONVERT),
        DialogItem(dlg, IDC_HELP),          DialogItem(dlg, IDC_EXIT),
        DialogItem(dlg, IDC_INPUT)};
    DialogItem(dlg, IDC_INPUT)->setFocus(Qt::TabFocusReason);
    for (int i = 1; i < expected.size(); ++i) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), expected[i]);
    }
    for (QWidget* control : dlg.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (control->focusPolicy() != Qt::NoFocus) QVERIFY(!control->accessibleName().isEmpty());
    }
    QCOMPARE(DialogItem(dlg, IDC_BROWSE_OUTPUT)->accessibleName(),
             QStringLiteral("Vybrat výstupní soubor"));
  }

  void arrowKeysMoveRoundARadioGroupAndSelect_data() {
    QTest::addColumn<int>("firstId");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("to");
    QTest::newRow("down") << int(IDC_CODE_OUT) << 0 << int(Qt::Key_Down) << 1;
    QTest::newRow("right") << int(IDC_LINE_END_IN) << 1 << int(Qt::Key_Right) << 2;
    QTest::newRow("up wraps to UTF-8") << int(IDC_CODE_IN) << 0 << int(Qt::Key_Up) << 7;
    QTest::newRow("down wraps") << int(IDC_LINE_END_OUT) << 2 << int(Qt::Key_Down) << 0;
  }
  void arrowKeysMoveRoundARadioGroupAndSelect() {
    QFETCH(int, firstId);
    QFETCH(int, from);
    QFETCH(int, key);
    QFETCH(int, to);
    TestDlg dlg;
    dlg.OnInitDialog();
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QButtonGroup* group = RadioGroup(dlg, firstId);
    SetRadioIndex(*group, from);
    group->button(from)->setFocus();
    QTest::keyClick(group->button(from), Qt::Key(key));
    QCOMPARE(RadioIndex(*group), to);
    QCOMPARE(QApplication::focusWidget(), group->button(to));
    QTest::keyClick(group->button(to), Qt::Key_Tab);
    QVERIFY(
        !group->buttons().contains(qobject_cast<QAbstractButton*>(QApplication::focusWidget())));
  }

  void mnemonicsEnterAndEscReachTheirControls() {
    WriteFile(Path("a.txt"), kLatin2Text);
    TestDlg dlg;
    dlg.OnInitDialog();
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QTest::keyClick(&dlg, Qt::Key_V, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), DialogItem(dlg, IDC_INPUT));
    QTest::keyClick(&dlg, Qt::Key_S, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), DialogItem(dlg, IDC_OUTPUT));
    // Enter in a name field presses "Proveď konverzi" once it is enabled.
    dlg.OnDropFiles({Path("a.txt")});
    ChooseLatin2ToWindowsUnix(dlg);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(ReadAll(Path("a.txt")), kWindowsText);
    QVERIFY(dlg.isVisible());
    // After the run the keyboard is back where it was.
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QTRY_COMPARE(QApplication::focusWidget(), DialogItem(dlg, IDC_OUTPUT));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!dlg.isVisible());
  }

  void f1OpensTheUsageWithTheWayToTheAboutBox() {
    TestDlg dlg;
    dlg.OnInitDialog();
    dlg.show();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    QString usage;
    bool aboutOpened = false;
    QTimer::singleShot(0, &dlg, [&] {
      QWidget* help = QApplication::activeModalWidget();
      QVERIFY(help && help != &dlg);
      usage = help->findChild<QTextEdit*>()->toPlainText();
      QTimer::singleShot(0, &dlg, [&] {
        QWidget* about = QApplication::activeModalWidget();
        aboutOpened = dynamic_cast<CAboutDlg*>(about) != nullptr;
        if (about) about->close();
      });
      emit help->findChild<QLabel*>()->linkActivated(QStringLiteral("about:"));
      help->close();
    });
    QTest::keyClick(&dlg, Qt::Key_F1);
    QVERIFY(usage.startsWith(QStringLiteral("Parametry programu Pismovar:")));
    QVERIFY(aboutOpened);
    QVERIFY(dlg.messages.isEmpty());
  }

  void enterNeverClosesTheDialog() {
    TestDlg dlg;
    dlg.OnInitDialog();
    dlg.show();
    QTest::keyClick(&dlg, Qt::Key_Return);
    QVERIFY(dlg.isVisible());
  }
};

QTEST_MAIN(ConverterDlgTest)
#include "converter_dlg_test.moc"
