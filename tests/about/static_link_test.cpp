// What a click on a link opens, when it beeps, and how the link is drawn.
#include "about/static_link.h"

#include <QEnterEvent>
#include <QLabel>
#include <QTest>
#include <memory>
#include <optional>

namespace {

// Records what the link asked the desktop to do, and answers opens with `openSucceeds`.
struct FakeDesktop {
  QStringList opened;
  int beeps = 0;
  bool openSucceeds = true;

  CStaticLink::Desktop Make() {
    return {[this](const QString& target) {
              opened << target;
              return openSucceeds;
            },
            [this] { ++beeps; }};
  }
};

void Click(QLabel& label) { QTest::mouseClick(&label, Qt::LeftButton); }

void Hover(QLabel& label) {
  QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
  QApplication::sendEvent(&label, &enter);
}

}  // namespace

class StaticLinkTest : public QObject {
  Q_OBJECT

 private slots:
  void clickOpensResolvedTarget_data();
  void clickOpensResolvedTarget();
  void firstClickFixesTargetAndVisitedColourStays();
  void rightClickOpensNothing();
  void onlyPlainAlignedTextIsDrawnAsLink_data();
  void onlyPlainAlignedTextIsDrawnAsLink();
};

void StaticLinkTest::clickOpensResolvedTarget_data() {
  QTest::addColumn<QByteArray>("given");  // a null array gives a null target
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("openSucceeds");
  QTest::addColumn<QStringList>("opened");
  QTest::addColumn<int>("beeps");
  QTest::addColumn<QColor>("colour");

  const QColor blue = CStaticLink::UnvisitedColour();
  const QColor red = CStaticLink::VisitedColour();
  QTest::newRow("web address opened as written") << QByteArray() << "pismovar.example.org" << true
                                                 << QStringList{"pismovar.example.org"} << 0 << red;
  QTest::newRow("e-mail address gets mailto:")
      << QByteArray() << "pismovar@example.org" << true
      << QStringList{"mailto:pismovar@example.org"} << 0 << red;
  QTest::newRow("mailto: anywhere is not added again")
      << QByteArray() << "psát: mailto:a@b.cz" << true << QStringList{"psát: mailto:a@b.cz"} << 0
      << red;
  QTest::newRow("capital MAILTO: is another text")
      << QByteArray() << "MAILTO:a@b.cz" << true << QStringList{"mailto:MAILTO:a@b.cz"} << 0 << red;
  QTest::newRow("given target with @ used unchanged")
      << QByteArray("a@b.cz") << "jiný text" << true << QStringList{"a@b.cz"} << 0 << red;
  QTest::newRow("empty given target reads the text")
      << QByteArray("") << "a@b.cz" << true << QStringList{"mailto:a@b.cz"} << 0 << red;
  QTest::newRow("failed open beeps and stays unvisited")
      << QByteArray() << "pismovar.example.org" << false << QStringList{"pismovar.example.org"} << 1
      << blue;
  QTest::newRow("no target and no text does nothing")
      << QByteArray() << "" << true << QStringList{} << 0 << blue;
}

void StaticLinkTest::clickOpensResolvedTarget() {
  QFETCH(QByteArray, given);
  QFETCH(QString, text);
  QFETCH(bool, openSucceeds);
  QFETCH(QStringList, opened);
  QFETCH(int, beeps);
  QFETCH(QColor, colour);

  FakeDesktop desktop;
  desktop.openSucceeds = openSucceeds;
  QLabel label(text);
  CStaticLink link(given.isNull() ? nullptr : given.constData(), desktop.Make());
  link.Attach(&label, CStaticLink::kLeftText);
  Click(label);

  QCOMPARE(desktop.opened, opened);
  QCOMPARE(desktop.beeps, beeps);
  QCOMPARE(link.TextColor(), colour);
  QCOMPARE(label.palette().color(QPalette::WindowText), colour);
}

void StaticLinkTest::firstClickFixesTargetAndVisitedColourStays() {
  FakeDesktop desktop;
  QLabel label("pismovar@example.org");
  CStaticLink link(nullptr, desktop.Make());
  link.Attach(&label, CStaticLink::kLeftText);

  Click(label);
  label.setText("jinam.example.org");
  desktop.openSucceeds = false;
  Click(label);

  QCOMPARE(desktop.opened,
           (QStringList{"mailto:pismovar@example.org", "mailto:pismovar@example.org"}));
  QCOMPARE(desktop.beeps, 1);
  QCOMPARE(link.TextColor(), CStaticLink::VisitedColour());
}

void StaticLinkTest::rightClickOpensNothing() {
  FakeDesktop desktop;
  QLabel label("pismovar.example.org");
  CStaticLink link(nullptr, desktop.Make());
  link.Attach(&label, CStaticLink::kLeftText);
  QTest::mouseClick(&label, Qt::RightButton);
  QVERIFY(desktop.opened.isEmpty());
  QVERIFY(link.Link().isEmpty());
}

void StaticLinkTest::onlyPlainAlignedTextIsDrawnAsLink_data() {
  QTest::addColumn<uint>("style");
  QTest::addColumn<bool>("drawnAsLink");
  QTest::newRow("left") << 0u << true;
  QTest::newRow("centred") << 1u << true;
  QTest::newRow("right") << 2u << true;
  QTest::newRow("simple text, 3") << 3u << false;
  QTest::newRow("left, no prefix") << 0x80u << false;
  QTest::newRow("centred, no prefix") << 0x81u << false;
  QTest::newRow("bits above the low byte ignored") << 0x10000101u << true;
}

void StaticLinkTest::onlyPlainAlignedTextIsDrawnAsLink() {
  QFETCH(uint, style);
  QFETCH(bool, drawnAsLink);

  FakeDesktop desktop;
  QLabel label("pismovar.example.org");
  QPalette own = label.palette();
  own.setColor(QPalette::WindowText, Qt::darkGreen);
  label.setPalette(own);
  CStaticLink link(nullptr, desktop.Make());
  link.Attach(&label, style);

  QCOMPARE(label.font().underline(), drawnAsLink);
  QCOMPARE(label.palette().color(QPalette::WindowText),
           drawnAsLink ? CStaticLink::UnvisitedColour() : QColor(Qt::darkGreen));

  // Every link, drawn as one or not, shows the hand and opens its target.
  Hover(label);
  QCOMPARE(label.cursor().shape(), Qt::BitmapCursor);
  QCOMPARE(label.cursor().hotSpot(), QPoint(6, 0));
  Click(label);
  QCOMPARE(desktop.opened, QStringList{"pismovar.example.org"});
  QCOMPARE(label.palette().color(QPalette::WindowText),
           drawnAsLink ? CStaticLink::VisitedColour() : QColor(Qt::darkGreen));
}

QTEST_MAIN(StaticLinkTest)
#include "static_link_test.moc"
