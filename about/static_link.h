// A plain text label turned into a web or e-mail link: underlined in the palette's link
// colour (its visited-link colour once opened), a hand cursor over it, and a left click that hands
// the target to the desktop's "open" action.
#pragma once

#include <QColor>
#include <QCursor>
#include <QObject>
#include <QPalette>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

class QLabel;

class CStaticLink : public QObject {
 public:
  // The desktop operations a link needs; tests replace them to watch what a click does.
  struct Desktop {
    std::function<bool(const QString& target)> open;  // true when the target was opened
    std::function<void()> beep;
  };

  // Where the class-wide link cursor comes from: our own hand cursor, and the platform's
  // pointing hand as the fallback. Either may give nothing.
  struct CursorSource {
    std::function<std::optional<QCursor>()> loadLink;
    std::function<std::optional<QCursor>()> loadFallback;
  };

  // Low style bytes of the plain text labels that are drawn as links.
  static constexpr std::uint32_t kLeftText = 0;
  static constexpr std::uint32_t kCentredText = 1;
  static constexpr std::uint32_t kRightText = 2;

  // The desktop's link colours, which light and dark themes choose to suit their background.
  static QColor UnvisitedColour();
  static QColor VisitedColour();

  // `text` is the target; null or empty lets the first click take the label's text.
  // Every construction reloads the class-wide link cursor.
  explicit CStaticLink(const char* text = nullptr, Desktop desktop = DefaultDesktop());

  // Makes `label` a link. `style` is the label's template style: only plain left, centred
  // and right-aligned text (low style byte 0, 1 or 2) is drawn in the link colours.
  void Attach(QLabel* label, std::uint32_t style);

  // Replaces the target; a null text leaves it unchanged.
  void SetLink(const char* text);
  const QString& Link() const { return m_strLink; }
  QColor TextColor() const;

  static Desktop DefaultDesktop();
  static CursorSource DefaultCursorSource();
  // Replaces where the cursor comes from; takes effect at the next construction.
  static void SetCursorSource(CursorSource source);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OnLButtonDown();
  void OnSetCursor();
  void ApplyColours();

  QLabel* m_label = nullptr;
  bool m_bDrawnAsLink = false;
  QString m_strLink;
  QPalette::ColorRole m_crText = QPalette::Link;
  Desktop m_desktop;

  static CursorSource s_cursorSource;
  static std::optional<QCursor> s_hCursorLink;
  static bool s_bCursorFallbackTried;
};
