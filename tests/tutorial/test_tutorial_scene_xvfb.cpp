// The tutorial as the tray opens it (host window, visualiser, render timer) on the real engine,
// driven by the hand simulator over its socket: pixels of the rendered view show the joints
// following the hand and an icon dragged into a folder with a held pinch.
#include <OgreCamera.h>
#include <OgreMeshManager.h>
#include <OgreRenderWindow.h>
#include <OgreSceneManager.h>
#include <OgreSceneNode.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScreen>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTimer>

#include <cmath>
#include <functional>
#include <vector>

#include "ActionMgr.h"
#include "Leap.h"
#include "OsxHandVisualiser.h"
#include "OsxTutorialWindow.h"
#include "VelmoListener.h"
#include "X11Backend.h"

namespace {

// The display the sink posts on outlives the listener, whose engine may still hold its sink.
struct SceneDesktop {
  X11Backend desktop;
  QTimer releaseKeyTimer;
};

// As the tray makes it: the engine's sink is the action manager on this display.
class SceneListener : private SceneDesktop, public VelmoListener {
 public:
  SceneListener() {
    gestures_.parameters().setSettingsDir(settings_.path());
    setSinkFactory(ActionMgr::factory(desktop, &releaseKeyTimer));
  }

 private:
  QTemporaryDir settings_;
};

bool waitFor(const std::function<bool()>& done, int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
    if (done()) return true;
  }
  return false;
}

void pause(int ms) {
  waitFor([] { return false; }, ms);
}

// The interaction box (235 mm wide and high, centred 200 mm above the device) spreads over the
// screen with the engine's gain for the screen's height around the middle; the virtual display
// takes cursor x = 1200 nx - 600, y = 1000 ny - 80.
double gain() {
  const int height = QGuiApplication::primaryScreen()->geometry().height();
  return std::max(1.0, (height - 32) / -2128.0 + 1.6);
}
double handX(double cursorX) { return ((cursorX + 600) / 1200 - 0.5) / gain() * 235; }
double handY(double cursorY) { return ((cursorY + 80) / 1000 - 0.5) / gain() * 235 + 200; }

struct Shot {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
  struct Rgb {
    int r, g, b;
  };
  Rgb at(Ogre::Vector2 p) const {
    const int x = std::clamp(static_cast<int>(p.x), 0, width - 1);
    const int y = std::clamp(static_cast<int>(p.y), 0, height - 1);
    const unsigned char* q = &rgb[(static_cast<size_t>(y) * width + x) * 3];
    return {q[0], q[1], q[2]};
  }
};

Shot grab(Ogre::RenderWindow* window) {
  Shot s;
  s.width = static_cast<int>(window->getWidth());
  s.height = static_cast<int>(window->getHeight());
  s.rgb.resize(static_cast<size_t>(s.width) * s.height * 3);
  Ogre::PixelBox box(s.width, s.height, 1, Ogre::PF_BYTE_RGB, s.rgb.data());
  window->copyContentsToMemory(Ogre::Box(0, 0, s.width, s.height), box, Ogre::RenderTarget::FB_AUTO);
  return s;
}

// VELMO_SHOTS=DIR keeps the screenshots for a look.
void keep(const Shot& s, const char* name) {
  const QByteArray dir = qgetenv("VELMO_SHOTS");
  if (dir.isEmpty()) return;
  QImage(s.rgb.data(), s.width, s.height, s.width * 3, QImage::Format_RGB888)
      .save(QString::fromUtf8(dir) + "/" + name + ".png");
}

Ogre::Vector2 onScreen(const Ogre::Camera* camera, const Ogre::Vector3& world, const Shot& s) {
  const Ogre::Vector3 p = camera->getProjectionMatrix() * (camera->getViewMatrix() * world);
  return {(p.x * 0.5f + 0.5f) * s.width, (0.5f - p.y * 0.5f) * s.height};
}

bool blue(Shot::Rgb c) { return c.b > 150 && c.b > c.r + 90 && c.b > c.g + 50; }
bool yellow(Shot::Rgb c) { return c.r > 150 && c.g > 150 && c.b < c.r - 80; }
bool red(Shot::Rgb c) { return c.r > 150 && c.g < 90 && c.b < 90; }

::testing::AssertionResult looks(bool (*test)(Shot::Rgb), const char* what, Shot::Rgb c) {
  if (test(c)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "not " << what << ": " << c.r << "," << c.g << "," << c.b;
}

}  // namespace

TEST(TutorialScene, SimulatedHandMovesTheJointsAndDragsAnIconIntoAFolder) {
  QTemporaryDir runtime;
  const QString socket = runtime.filePath("velmo-tracking.sock");
  const double overIcon[2] = {handX(-382), handY(380)};
  const double overFolder[2] = {handX(307), handY(275)};
  const QString script = QString(
                             "wait 3s\n"
                             "hand right at %1 %2 0\n"
                             "wait 6s\n"
                             "pinch index over 0.15s\n"
                             "wait 1s\n"
                             "move to %3 %4 0 over 2s\n"
                             "wait 3s\n"
                             "spread over 0.2s\n"
                             "wait 4s\n")
                             .arg(overIcon[0])
                             .arg(overIcon[1])
                             .arg(overFolder[0])
                             .arg(overFolder[1]);
  QTemporaryFile scriptFile;
  ASSERT_TRUE(scriptFile.open());
  scriptFile.write(script.toUtf8());
  scriptFile.flush();
  QProcess sim;
  sim.setProcessChannelMode(QProcess::ForwardedChannels);
  sim.start(QStringLiteral(VELMO_HANDSIM), {"--socket", socket, scriptFile.fileName()});
  ASSERT_TRUE(sim.waitForStarted(10000));
  ASSERT_TRUE(waitFor([&] { return QFile::exists(socket); }, 10000));

  // The engine starts first, as in the tray program; the script's first wait covers the tutorial's
  // start.
  SceneListener listener;
  Leap::Controller controller(socket.toStdString());
  controller.setPolicyFlags(Leap::Controller::POLICY_BACKGROUND_FRAMES);
  controller.addListener(listener);
  TutorialEngine& engine = listener.engine();
  auto* window = new OsxTutorialWindow(nullptr);
  auto* tutorial = new OsxHandVisualiser(window, &engine);
  ASSERT_TRUE(tutorial->go());
  window->show();
  ASSERT_EQ(listener.engine().isInteractiveTutorial(), 1);
  Ogre::Camera* camera = tutorial->camera();
  Ogre::SceneManager* scene = tutorial->sceneManager();
  auto joint = [&] { return scene->getSceneNode("3")->convertLocalToWorldPosition(Ogre::Vector3::ZERO); };
  auto node = [&](const char* name) { return scene->getSceneNode(name)->_getDerivedPosition(); };

  // The hand settles over icon 0: the cursor is over it, the forefinger's first joint is blue.
  ASSERT_TRUE(waitFor(
      [&] {
        const auto* s = tutorial->sceneState();
        const Ogre::Vector3 c = s->arrows[2].pose.position;
        return s->palm.visible && listener.engine().isLeftPressed() == 0 && c.x > -400 && c.x < -364 && c.y > 360 &&
               c.y < 400;
      },
      15000))
      << tutorial->sceneState()->arrows[2].pose.position;
  pause(300);
  const Shot before = grab(tutorial->renderWindow());
  keep(before, "tutorial-before");
  const Ogre::Vector2 jointBefore = onScreen(camera, joint(), before);
  const Ogre::Vector2 folder = onScreen(camera, node("FolderMesh0"), before);
  const Ogre::Vector2 iconHome = onScreen(camera, node("IconMesh0"), before);
  EXPECT_TRUE(looks(blue, "blue", before.at(jointBefore))) << jointBefore;
  EXPECT_TRUE(looks(red, "red", before.at(folder)));
  EXPECT_TRUE(looks(yellow, "yellow", before.at(iconHome)));

  // Pinch, carry, spread: the icon is filed and the folder takes its colour.
  ASSERT_TRUE(waitFor([&] { return !tutorial->sceneState()->icons[0].present; }, 20000))
      << "cursor at " << tutorial->sceneState()->arrows[2].pose.position << ", icon at "
      << tutorial->sceneState()->icons[0].position;
  pause(300);
  const Shot after = grab(tutorial->renderWindow());
  keep(after, "tutorial-after");
  const Ogre::Vector2 jointAfter = onScreen(camera, joint(), after);
  EXPECT_GT(jointAfter.distance(jointBefore), 40.0f);
  EXPECT_TRUE(looks(blue, "blue", after.at(jointAfter)));
  EXPECT_FALSE(blue(after.at(jointBefore)));
  EXPECT_TRUE(looks(yellow, "yellow", after.at(folder)));
  EXPECT_FALSE(yellow(after.at(iconHome)));
  for (int i = 1; i < 14; ++i) EXPECT_TRUE(tutorial->sceneState()->icons[i].present);

  // Rebuilding the display many times makes nothing new in the scene.
  auto entities = [&] { return scene->getMovableObjects("Entity").size(); };
  auto meshes = [] {
    size_t n = 0;
    for (auto it = Ogre::MeshManager::getSingleton().getResourceIterator(); it.hasMoreElements(); it.moveNext()) ++n;
    return n;
  };
  const size_t entitiesBefore = entities();
  const auto meshesBefore = meshes();
  for (int i = 0; i < 200; ++i) {
    tutorial->setResetVirtualDisplay(1);
    pause(2);
  }
  pause(200);
  EXPECT_EQ(entities(), entitiesBefore);
  EXPECT_EQ(meshes(), meshesBefore);
  EXPECT_TRUE(tutorial->sceneState()->icons[0].present);
  const Shot reset = grab(tutorial->renderWindow());
  EXPECT_TRUE(looks(yellow, "yellow", reset.at(iconHome)));
  EXPECT_TRUE(looks(red, "red", reset.at(folder)));

  delete tutorial;
  delete window;
  EXPECT_EQ(listener.engine().isInteractiveTutorial(), 0);
  controller.removeListener(listener);
  sim.kill();
  sim.waitForFinished(5000);
}

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
