// The clipboard bridge moves bytes, all 256 of them, and nothing else.
#include "app/clipboard_bridge.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

using namespace pismovar;

class ClipboardBridgeTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir m_dir;
  std::string File() const {
    return QFile::encodeName(m_dir.filePath("Clipboard.tmp")).toStdString();
  }
  QByteArray ReadFile() const {
    QFile file(m_dir.filePath("Clipboard.tmp"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
  }
  void WriteFile(const QByteArray& bytes) const {
    QFile file(m_dir.filePath("Clipboard.tmp"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
  }

 private slots:
  void everyByteSurvivesARoundTrip() {
    QByteArray all;
    for (int i = 0; i < 256; ++i) all.append(static_cast<char>(i));
    const QString text = BytesToClipboardText(all);
    QCOMPARE(text.size(), qsizetype(256));
    QCOMPARE(ClipboardTextToBytes(text), all);
    QCOMPARE(text.at(0xE8), QChar(0x010D));  // č
    QCOMPARE(text.at(0x8A), QChar(0x0160));  // Š
  }

  void clipboardTextBecomesTheFileBytes_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("plain") << QStringLiteral("abc") << QByteArray("abc");
    QTest::newRow("CR LF and accents") << QStringLiteral("č\r\nŽ") << QByteArray("\xe8\r\n\x8e");
    QTest::newRow("ends at NUL") << QString::fromUtf16(u"ab\0cd", 5) << QByteArray("ab");
    QTest::newRow("no place in Windows 1250") << QStringLiteral("a→😀b") << QByteArray("a??b");
  }
  void clipboardTextBecomesTheFileBytes() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QGuiApplication::clipboard()->setText(text);
    QVERIFY(ClipboardHasText());
    QCOMPARE(ClipboardToFile(File()), 1);
    QCOMPARE(ReadFile(), bytes);
  }

  void noTextLeavesTheFileAlone() {
    WriteFile("old");
    QGuiApplication::clipboard()->clear();
    QVERIFY(!ClipboardHasText());
    QCOMPARE(ClipboardToFile(File()), -1);
    QCOMPARE(ReadFile(), QByteArray("old"));
  }

  void fileBecomesClipboardTextPieceByPiece_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("NUL ends its piece")
        << QByteArray("0123456789\0abcdefghi", 20) << QByteArray("0123456789");
    const QByteArray full(102400, 'x');
    QTest::newRow("exactly one piece") << full << full;
    QTest::newRow("NUL in the first of two pieces")
        << QByteArray("a\0", 2) + QByteArray(102398, 'x') + QByteArray("yz") << QByteArray("ayz");
  }
  void fileBecomesClipboardTextPieceByPiece() {
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, bytes);
    WriteFile(file);
    const std::unique_ptr<QMimeData> data = FileToClipboard(File());
    QVERIFY(data);
    QCOMPARE(ClipboardTextToBytes(data->text()), bytes);
  }

  void missingFileGivesNoData() {
    QVERIFY(!FileToClipboard(QFile::encodeName(m_dir.filePath("none")).toStdString()));
  }
};

QTEST_MAIN(ClipboardBridgeTest)
#include "clipboard_bridge_test.moc"
