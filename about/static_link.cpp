#include "about/static_link.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QUrl>

#include "ui/program_resources.h"

namespace {

// Left, centred and right-aligned plain text; any further bit in the low style byte
// (no prefix, for one) marks a label that keeps its own colours and font.
constexpr std::uint32_t kLowStyleByte = 0xFF;

}  // namespace

CStaticLink::CursorSource CStaticLink::s_cursorSource = CStaticLink::DefaultCursorSource();
std::optional<QCursor> CStaticLink::s_hCursorLink;
bool CStaticLink::s_bCursorFallbackTried = false;

CStaticLink::CStaticLink(const char* text, Desktop desktop)
    : m_strLink(QString::fromUtf8(text ? text : "")), m_desktop(std::move(desktop)) {
  s_hCursorLink = s_cursorSource.loadLink();
}

QColor CStaticLink::UnvisitedColour() { return QApplication::palette().color(QPalette::Link); }
QColor CStaticLink::VisitedColour() { return QApplication::palette().color(QPalette::LinkVisited); }

QColor CStaticLink::TextColor() const {
  return m_crText == QPalette::LinkVisited ? VisitedColour() : UnvisitedColour();
}

CStaticLink::Desktop CStaticLink::DefaultDesktop() {
  return {
      [](const QString& target) { return QDesktopServices::openUrl(QUrl::fromUserInput(target)); },
      [] { QApplication::beep(); }};
}

CStaticLink::CursorSource CStaticLink::DefaultCursorSource() {
  return {&pismovar::LinkCursor,
          []() -> std::optional<QCursor> { return QCursor(Qt::PointingHandCursor); }};
}

void CStaticLink::SetCursorSource(CursorSource source) { s_cursorSource = std::move(source); }

void CStaticLink::SetLink(const char* text) {
  if (text) m_strLink = QString::fromUtf8(text);
}

void CStaticLink::Attach(QLabel* label, std::uint32_t style) {
  m_label = label;
  m_bDrawnAsLink = (style & kLowStyleByte) <= kRightText;
  if (m_bDrawnAsLink) {
    QFont underlined = label->font();
    underlined.setUnderline(true);
    label->setFont(underlined);
    label->setAutoFillBackground(false);  // the dialog's background shows through
    ApplyColours();
  }
  label->installEventFilter(this);
}

void CStaticLink::ApplyColours() {
  QPalette palette = m_label->palette();
  palette.setColor(QPalette::WindowText, TextColor());
  m_label->setPalette(palette);
}

bool CStaticLink::eventFilter(QObject* watched, QEvent* event) {
  if (watched != m_label) return false;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) return false;
      OnLButtonDown();
      return true;
    case QEvent::Enter:
      OnSetCursor();
      return false;
    default:
      return false;
  }
}

void CStaticLink::OnLButtonDown() {
  if (m_strLink.isEmpty()) {
    m_strLink = m_label->text();
    if (m_strLink.isEmpty()) return;
    // Only a target taken from the label is recognised as an e-mail address.
    if (m_strLink.contains(u'@') && !m_strLink.contains(u"mailto:"))
      m_strLink = QStringLiteral("mailto:") + m_strLink;
  }
  if (!m_desktop.open(m_strLink)) {
    m_desktop.beep();
    return;
  }
  m_crText = QPalette::LinkVisited;
  if (m_bDrawnAsLink) ApplyColours();
  m_label->update();
}

void CStaticLink::OnSetCursor() {
  if (!s_hCursorLink && !s_bCursorFallbackTried) {
    s_hCursorLink = s_cursorSource.loadFallback();
    s_bCursorFallbackTried = true;
  }
  // Without any cursor the label keeps whatever cursor it had.
  if (s_hCursorLink) m_label->setCursor(*s_hCursorLink);
}
