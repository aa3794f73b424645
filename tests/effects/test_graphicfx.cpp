#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMetaObject>
#include <QPointer>

#include "GraphicFX.h"

namespace {

// Pixels close to the banner's green, and their bounding box.
struct Green {
  int count = 0;
  QRect box;
};

Green greenIn(GraphicFX* g) {
  const QImage img = g->grab().toImage().convertToFormat(QImage::Format_RGB32);
  Green r;
  for (int y = 0; y < img.height(); ++y) {
    for (int x = 0; x < img.width(); ++x) {
      const QColor c(img.pixel(x, y));
      if (qAbs(c.red() - 158) < 40 && qAbs(c.green() - 187) < 40 && c.blue() < 110 &&
          c.green() > c.blue() + 80) {
        ++r.count;
        r.box |= QRect(x, y, 1, 1);
      }
    }
  }
  return r;
}

}  // namespace

TEST(GraphicFX, GeometryAndTextPlacementPerSide) {
  GraphicFX g;
  EXPECT_FALSE(g.isVisible());
  EXPECT_TRUE(g.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(g.windowFlags() & Qt::WindowStaysOnTopHint);

  g.drawEffect(LeftSide, 1920, 1080, true);
  EXPECT_TRUE(g.isVisible());
  EXPECT_EQ(g.geometry(), QRect(50, 100, 50, 880));
  EXPECT_EQ(g.sideTextPosition(), QPoint(390, -25));
  EXPECT_EQ(g.sideText(g.side()), "LEFT SIDE");

  g.drawEffect(RightSide, 1920, 1080, false);
  EXPECT_EQ(g.geometry(), QRect(1820, 100, 50, 880));
  EXPECT_EQ(g.sideTextPosition(), QPoint(390, -25));

  g.drawEffect(BottomSide, 1920, 1080, true);
  EXPECT_EQ(g.geometry(), QRect(50, 930, 1820, 50));
  EXPECT_EQ(g.sideTextPosition(), QPoint(860, 25));
  EXPECT_EQ(g.notePosition(), QPoint(685, 45));

  g.drawEffect(TopSide, 1920, 1080, true);
  EXPECT_EQ(g.geometry(), QRect(50, 100, 1820, 50));
  EXPECT_EQ(g.sideTextPosition(), QPoint(860, 25));
  EXPECT_EQ(g.notePosition(), QPoint(685, 45));
  EXPECT_EQ(g.sideText(g.side()), "TOP SIDE");

  // Leaving hides it; a later side shows it again.
  g.drawEffect(NoSide, 1920, 1080, true);
  EXPECT_FALSE(g.isVisible());
  g.drawEffect(RightSide, 1280, 1024, false);
  EXPECT_TRUE(g.isVisible());
  EXPECT_EQ(g.geometry(), QRect(1180, 100, 50, 824));
  EXPECT_EQ(g.sideTextPosition(), QPoint(362, -25));
}

TEST(GraphicFX, SidesOutsideTheRangeAreIgnored) {
  GraphicFX g;
  g.drawEffect(TopSide, 1920, 1080, true);
  for (int bad : {5, 17, -1}) {
    g.drawEffect(static_cast<screenBorder>(bad), 800, 600, false);
    EXPECT_TRUE(g.isVisible());
    EXPECT_EQ(g.side(), int(TopSide));
    EXPECT_EQ(g.geometry(), QRect(50, 100, 1820, 50));
  }
  EXPECT_GT(greenIn(&g).count, 0);  // still paints its own side
}

TEST(GraphicFX, PaintsSideTextNoteAndRotation) {
  GraphicFX g;
  g.drawEffect(TopSide, 1920, 1080, false);
  const Green plain = greenIn(&g);
  ASSERT_GT(plain.count, 50);
  // Text starts at x = 860 along the banner.
  EXPECT_GE(plain.box.left(), 850);
  EXPECT_LT(plain.box.right(), 1100);

  g.drawEffect(TopSide, 1920, 1080, true);
  const Green withNote = greenIn(&g);
  EXPECT_GT(withNote.count, plain.count + 100);
  EXPECT_LT(withNote.box.left(), 700);  // the note starts at x = 685

  // Bottom side draws the note too; left and right never do and run downward.
  g.drawEffect(LeftSide, 1920, 1080, true);
  const Green left = greenIn(&g);
  ASSERT_GT(left.count, 50);
  EXPECT_GT(left.box.height(), 2 * left.box.width());
  EXPECT_GE(left.box.top(), 380);
  g.drawEffect(LeftSide, 1920, 1080, false);
  EXPECT_EQ(greenIn(&g).count, left.count);
}

TEST(GraphicFX, OnOffSwitchesPainting) {
  GraphicFX g;
  g.drawEffect(BottomSide, 1920, 1080, true);
  ASSERT_GT(greenIn(&g).count, 0);
  QMetaObject::invokeMethod(&g, "onOff");
  EXPECT_FALSE(g.isDrawing());
  EXPECT_EQ(greenIn(&g).count, 0);
  QMetaObject::invokeMethod(&g, "onOff");
  EXPECT_TRUE(g.isDrawing());
  EXPECT_GT(greenIn(&g).count, 0);
}

TEST(GraphicFX, ClosingDeletesIt) {
  QPointer<GraphicFX> g = new GraphicFX;
  g->drawEffect(TopSide, 1920, 1080, false);
  g->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(g.isNull());
}

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
