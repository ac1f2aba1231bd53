#include "app/clipboard_bridge.h"

#include <QtGui/qguiapplication_platform.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QClipboard>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QStringDecoder>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/posix_file.h"
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

namespace {

// Whether bytes are UTF-8 of letters beyond ASCII: the Windows 1250 form of a text that shows
// UTF-8 as Windows 1250 ("PĹ™Ă­liĹˇ").
bool IsUtf8Shown(const QByteArray& bytes) {
  if (std::all_of(bytes.begin(), bytes.end(), [](char b) { return (b & 0x80) == 0; })) {
    return false;
  }
  QStringDecoder decoder(QStringDecoder::Utf8);
  const QString text = decoder(bytes);
  return !decoder.hasError();
}

}  // namespace

int ClipboardToFile(const std::string& name, std::uint64_t* lost, ClipboardBytes form) {
  if (!ClipboardHasText()) return -1;
  QString text = Clipboard()->text();
  if (const qsizetype nul = text.indexOf(QChar(0)); nul >= 0) text.truncate(nul);
  const QString path = QFile::decodeName(name.c_str());
  QFile::remove(path);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return -1;
  std::uint64_t lostAs1250 = 0;
  QByteArray bytes = ClipboardTextToBytes(text, &lostAs1250);
  if (form == ClipboardBytes::kUtf8 && (lostAs1250 > 0 || !IsUtf8Shown(bytes))) {
    bytes = text.toUtf8();
  } else if (lost != nullptr) {
    *lost += lostAs1250;
  }
  if (file.write(bytes) != bytes.size() || !file.flush()) return -1;
  return 1;
}

std::unique_ptr<QMimeData> FileToClipboard(const std::string& name, ClipboardBytes form) {
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
  data->setText(form == ClipboardBytes::kUtf8 ? QString::fromUtf8(bytes)
                                              : BytesToClipboardText(bytes));
  return data;
}

namespace {

// The text goes to the background owner in a sealed memory file on its standard input: a
// private place that no other program can name, change or swap for another file.
constexpr unsigned kSeals = F_SEAL_SEAL | F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE;

UniqueFd SealedText(const QByteArray& text) {
  UniqueFd fd(::memfd_create("pismovar-clipboard", MFD_CLOEXEC | MFD_ALLOW_SEALING));
  if (!fd.Valid() || !WriteAll(fd.Get(), text.constData(), static_cast<std::size_t>(text.size())) ||
      ::lseek(fd.Get(), 0, SEEK_SET) != 0 || ::fcntl(fd.Get(), F_ADD_SEALS, kSeals) != 0) {
    return {};
  }
  return fd;
}

// Starts this program again as the background owner, in a session of its own.
bool StartOwner(int textFd) {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  posix_spawn_file_actions_adddup2(&actions, textFd, STDIN_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  const QByteArray program = QFile::encodeName(QCoreApplication::applicationFilePath());
  const QByteArray variable = QByteArray(kServeClipboardVariable) + "=1";
  std::vector<char*> environment{const_cast<char*>(variable.constData())};
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (!QByteArray(*entry).startsWith(QByteArray(kServeClipboardVariable) + "=")) {
      environment.push_back(*entry);
    }
  }
  environment.push_back(nullptr);
  char* argv[] = {const_cast<char*>(program.constData()), nullptr};
  pid_t pid = 0;
  const bool started = ::posix_spawn(&pid, program.constData(), &actions, &attributes, argv,
                                     environment.data()) == 0;
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return started;
}

}  // namespace

void KeepClipboardAfterExit() {
  QClipboard* clipboard = Clipboard();
  if (!clipboard->ownsClipboard() || ClipboardManagerRunning()) return;
  const UniqueFd text = SealedText(clipboard->text().toUtf8());
  if (!text.Valid() || !StartOwner(text.Get())) return;
  // The selection dies with its owner: stay until the background owner has taken it.
  const QDeadlineTimer deadline(kHandOverMilliseconds);
  while (clipboard->ownsClipboard() && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
}

int ServeClipboard(int argc, char** argv) {
  // Only the sealed memory file that KeepClipboardAfterExit made is taken: anything else on
  // standard input (a terminal, a pipe, a file of someone's choosing) is refused.
  const int seals = ::fcntl(STDIN_FILENO, F_GET_SEALS);
  if (seals < 0 || (static_cast<unsigned>(seals) & kSeals) != kSeals) return 2;
  QByteArray bytes;
  std::vector<char> buffer(kPieceSize);
  for (ssize_t got; (got = ReadFull(STDIN_FILENO, buffer.data(), buffer.size())) > 0;) {
    bytes.append(buffer.data(), got);
    if (static_cast<std::size_t>(got) < buffer.size()) break;
  }
  ::close(STDIN_FILENO);
  QGuiApplication app(argc, argv);
  QClipboard* clipboard = QGuiApplication::clipboard();
  QObject::connect(clipboard, &QClipboard::dataChanged, &app, [clipboard] {
    if (!clipboard->ownsClipboard()) QCoreApplication::quit();
  });
  clipboard->setText(QString::fromUtf8(bytes));
  return app.exec();
}

}  // namespace pismovar
