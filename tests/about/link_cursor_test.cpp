// The class-wide link cursor: reloaded at every construction, the fallback tried at most
// once per process and only while no cursor is loaded. Runs in a process of its own, since
// the fallback's "once" lasts as long as the process.
#include <QEnterEvent>
#include <QLabel>
#include <QTest>
#include <memory>
#include <optional>
#include <vector>

#include "about/static_link.h"

namespace {

// Stand-ins for our cursor and the platform's, told apart by their shapes.
constexpr Qt::CursorShape kOwnShape = Qt::CrossCursor;
constexpr Qt::CursorShape kFallbackShape = Qt::PointingHandCursor;
constexpr Qt::CursorShape kLabelShape = Qt::IBeamCursor;  // what the label had before

struct Step {
  const char* what;
  bool ownCursorLoads;       // whether cursor 133 can be read at this construction
  bool fallbackLoads;        // whether the platform's cursor can be had
  Qt::CursorShape expected;  // the label's cursor once the mouse is over it
  int fallbackTries;         // fallback loads so far in the process
};

}  // namespace

class LinkCursorTest : public QObject {
  Q_OBJECT

 private slots:
  void fallbackTriedAtMostOnce();
};

void LinkCursorTest::fallbackTriedAtMostOnce() {
  const std::vector<Step> steps{
      {"own cursor: used, no fallback", true, true, kOwnShape, 0},
      {"own cursor missing: the fallback is loaded", false, true, kFallbackShape, 1},
      {"missing again: the construction cleared it, the fallback is not retried", false, true,
       kLabelShape, 1},
      {"own cursor back: reloaded by the construction", true, true, kOwnShape, 1},
      {"missing once more: fallback still not tried", false, true, kLabelShape, 1},
  };

  bool ownLoads = false;
  bool fallbackLoads = false;
  int ownLoadsTried = 0;
  int fallbackTries = 0;
  CStaticLink::SetCursorSource(
      {[&]() -> std::optional<QCursor> {
         ++ownLoadsTried;
         return ownLoads ? std::optional<QCursor>(QCursor(kOwnShape)) : std::nullopt;
       },
       [&]() -> std::optional<QCursor> {
         ++fallbackTries;
         return fallbackLoads ? std::optional<QCursor>(QCursor(kFallbackShape)) : std::nullopt;
       }});

  int constructions = 0;
  for (const Step& step : steps) {
    ownLoads = step.ownCursorLoads;
    fallbackLoads = step.fallbackLoads;
    QLabel label("pismovar.example.org");
    label.setCursor(kLabelShape);
    CStaticLink link;
    ++constructions;
    link.Attach(&label, CStaticLink::kLeftText);
    for (int hover = 0; hover < 2; ++hover) {
      QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
      QApplication::sendEvent(&label, &enter);
    }
    QVERIFY2(label.cursor().shape() == step.expected, step.what);
    QVERIFY2(fallbackTries == step.fallbackTries, step.what);
    QVERIFY2(ownLoadsTried == constructions, step.what);
  }
}

QTEST_MAIN(LinkCursorTest)
#include "link_cursor_test.moc"
