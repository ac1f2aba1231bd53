#include "app/clipboard_bridge.h"

#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <QClipboard>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QProcess>
#include <QStringDecoder>
#include <QTemporaryFile>
#include <cstdlib>
#include <cstring>

#include "engine/unicode_tables.h"

namespace pismovar {
namespace {

// ICU's Windows 1250 gives each of the 256 bytes its own character (the five bytes the code
// page leaves unassigned become the C1 controls of the same number); the way back reads the
// same 256 characters backwards.
constexpr const char* kClipboardCodePage = "windows-1250";
constexpr qint64 kPieceSize = 102400;
// How long the program waits at its end for its background owner to take the clipboard.
constexpr int kHandOverMilliseconds = 5000;

QClipboard* Clipboard() { return QGuiApplication::clipboard(); }

// On X11 a clipboard manager owns the CLIPBOARD_MANAGER selection; Qt hands it the
// clipboard's content by itself when the program ends.
bool ClipboardManagerRunning() {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (!x11 || !x11->connection()) return false;
  xcb_connection_t* connection = x11->connection();
  constexpr const char* kManager = "CLIPBOARD_MANAGER";
  xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
      connection,
      xcb_intern_atom(connection, 1, static_cast<std::uint16_t>(std::strlen(kManager)), kManager),
      nullptr);
  if (!atom) return false;
  const xcb_atom_t selection = atom->atom;
  std::free(atom);
  if (selection == XCB_ATOM_NONE) return false;
  xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
      connection, xcb_get_selection_owner(connection, selection), nullptr);
  const bool running = owner && owner->owner != XCB_WINDOW_NONE;
  std::free(owner);
  return running;
}

}  // namespace

QString BytesToClipboardText(const QByteArray& bytes) {
  QStringDecoder decoder(kClipboardCodePage);
  return decoder.decode(bytes);
}

QByteArray ClipboardTextToBytes(const QString& text, std::uint64_t* lost) {
  static const QHash<char32_t, char> kByteOf = [] {
    QByteArray all(256, '\0');
    for (int b = 0; b < 256; ++b) all[b] = static_cast<char>(b);
    const QString characters = BytesToClipboardText(all);
    QHash<char32_t, char> byteOf;
    for (int b = 0; b < 256; ++b) byteOf.insert(characters.at(b).unicode(), all[b]);
    return byteOf;
  }();
  QByteArray bytes;
  bytes.reserve(text.size());
  std::uint64_t missing = 0;
  for (const char32_t c : text.toUcs4()) {
    const auto it = kByteOf.constFind(c);
    missing += it == kByteOf.cend();
    bytes.append(it != kByteOf.cend() ? *it : static_cast<char>(kLostByte));
  }
  if (lost) *lost += missing;
  return bytes;
}

bool ClipboardHasText() {
  const QMimeData* data = Clipboard()->mimeData();
  return data && data->hasText();
}

int ClipboardToFile(const std::string& name, std::uint64_t* lost) {
  if (!ClipboardHasText()) return -1;
  QString text = Clipboard()->text();
  if (const qsizetype nul = text.indexOf(QChar(0)); nul >= 0) text.truncate(nul);
  const QString path = QFile::decodeName(name.c_str());
  QFile::remove(path);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return -1;
  const QByteArray bytes = ClipboardTextToBytes(text, lost);
  if (file.write(bytes) != bytes.size() || !file.flush()) return -1;
  return 1;
}

std::unique_ptr<QMimeData> FileToClipboard(const std::string& name) {
  QFile file(QFile::decodeName(name.c_str()));
  if (!file.open(QIODevice::ReadOnly)) return nullptr;
  QByteArray bytes;
  QByteArray piece;
  do {
    piece = file.read(kPieceSize);
    const qsizetype nul = piece.indexOf('\0');
    bytes += nul >= 0 ? piece.left(nul) : piece;
  } while (piece.size() == kPieceSize);
  auto data = std::make_unique<QMimeData>();
  data->setText(BytesToClipboardText(bytes));
  return data;
}

void KeepClipboardAfterExit() {
  QClipboard* clipboard = Clipboard();
  if (!clipboard->ownsClipboard() || ClipboardManagerRunning()) return;

  QTemporaryFile textFile;
  textFile.setAutoRemove(false);
  if (!textFile.open()) return;
  textFile.write(clipboard->text().toUtf8());
  textFile.close();

  QProcess owner;
  owner.setProgram(QCoreApplication::applicationFilePath());
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QString::fromLatin1(kServeClipboardVariable), textFile.fileName());
  owner.setProcessEnvironment(environment);
  owner.setStandardInputFile(QProcess::nullDevice());
  owner.setStandardOutputFile(QProcess::nullDevice());
  owner.setStandardErrorFile(QProcess::nullDevice());
  if (!owner.startDetached()) {
    QFile::remove(textFile.fileName());
    return;
  }
  // The selection dies with its owner: stay until the background owner has taken it.
  const QDeadlineTimer deadline(kHandOverMilliseconds);
  while (clipboard->ownsClipboard() && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
}

int ServeClipboard(int argc, char** argv, const QString& textFile) {
  QGuiApplication app(argc, argv);
  QFile file(textFile);
  if (!file.open(QIODevice::ReadOnly)) return 1;
  const QString text = QString::fromUtf8(file.readAll());
  file.remove();
  QClipboard* clipboard = QGuiApplication::clipboard();
  QObject::connect(clipboard, &QClipboard::dataChanged, &app, [clipboard] {
    if (!clipboard->ownsClipboard()) QCoreApplication::quit();
  });
  clipboard->setText(text);
  return app.exec();
}

}  // namespace pismovar
