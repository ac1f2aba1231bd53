#include "ui/program_resources.h"

#include <QGuiApplication>
#include <QString>
#include <array>

// Registers resources.qrc; a static library's resources are not registered by themselves.
static void RegisterProgramResources() {
  static const bool registered = [] {
    Q_INIT_RESOURCE(resources);
    return true;
  }();
  Q_UNUSED(registered);
}

namespace pismovar {
namespace {

constexpr int kCursorHotX = 6;
constexpr int kCursorHotY = 0;

// The program's name and version as the desktop sees them; the desktop file name ties the
// program's windows to its desktop entry and icon.
void SetProgramIdentity() {
  QCoreApplication::setApplicationName(QStringLiteral("Pismovar"));
  QCoreApplication::setApplicationVersion(QStringLiteral(PISMOVAR_VERSION));
  QCoreApplication::setOrganizationDomain(QStringLiteral("pismovar.example.org"));
  QGuiApplication::setDesktopFileName(QStringLiteral(PISMOVAR_APP_ID));
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(SetProgramIdentity)

QIcon ProgramIcon() {
  RegisterProgramResources();
  static constexpr std::array kSizes{16, 32, 48, 64, 128, 256};
  QIcon icon;
  for (int size : kSizes) icon.addFile(QStringLiteral(":/res/icon128-%1.png").arg(size));
  return icon;
}

QPixmap LogoBitmap() {
  RegisterProgramResources();
  return QPixmap(QStringLiteral(":/res/logo132.png"));
}

std::optional<QCursor> LinkCursor() {
  RegisterProgramResources();
  const QPixmap hand(QStringLiteral(":/res/cursor133.png"));
  if (hand.isNull()) return std::nullopt;
  return QCursor(hand, kCursorHotX, kCursorHotY);
}

}  // namespace pismovar
