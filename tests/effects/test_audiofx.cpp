#include <gtest/gtest.h>

#include <QFileInfo>
#include <QGuiApplication>
#include <QStringList>
#include <QUrl>

#include "AudioFX.h"
#include "ResourceDir.h"

TEST(ResourceDir, FindsTheGeneratedResources) {
  const QString dir = velmoResourceDir();
  ASSERT_FALSE(dir.isEmpty());
  EXPECT_TRUE(QFileInfo(dir + "/pointer.png").isFile());
}

QStringList gMessages;
void capture(QtMsgType, const QMessageLogContext&, const QString& text) { gMessages << text; }

TEST(AudioFX, WithoutASoundServerItSaysSoOnceAndPassesOtherMessagesOn) {
  // main() points the sound backend at a server that is not there.
  gMessages.clear();
  const QtMessageHandler before = qInstallMessageHandler(capture);
  {
    AudioFX fx;
    fx.playEffect(FxButtonPressed);
  }
  qWarning("after");
  qInstallMessageHandler(before);
  EXPECT_EQ(gMessages.filter("pa_context_connect").size(), 0) << gMessages.join('\n').toStdString();
  EXPECT_EQ(gMessages.filter("Sounds are off: no sound server").size(), 1) << gMessages.join('\n').toStdString();
  EXPECT_EQ(gMessages.filter("after").size(), 1);
}

TEST(AudioFX, EverySoundHasItsFileAndVolume) {
  AudioFX fx;
  const float volumes[] = {0.3f, 0.3f, 0.75f, 0.75f, 0.5f, 0.1f, 0.0f, 0.3f, 0.3f};
  const char* files[] = {"/button_pressed.wav", "/button_released.wav", "/key_pressed.wav",
                         "/key_released.wav", "/fist_detected.wav", "/screen_border_reached.wav",
                         nullptr, "/wheel_forward.wav", "/wheel_downward.wav"};
  for (int code = 0; code <= 8; ++code) {
    const QSoundEffect* e = fx.effect(code);
    if (code == FxBorderLeft) {
      EXPECT_EQ(e, nullptr);
      continue;
    }
    ASSERT_NE(e, nullptr) << code;
    const QString path = e->source().toLocalFile();
    EXPECT_EQ(path, velmoResourceDir() + files[code]);
    EXPECT_TRUE(QFileInfo(path).isFile()) << path.toStdString();
    EXPECT_FLOAT_EQ(float(e->volume()), volumes[code]) << code;
    EXPECT_FALSE(e->isPlaying());
  }
  EXPECT_EQ(fx.effect(9), nullptr);
  EXPECT_EQ(fx.effect(-1), nullptr);
}

TEST(AudioFX, BorderLeftStopsOnlyTheBorderSound) {
  AudioFX fx;
  fx.playEffect(FxBorderLeft);  // nothing playing: nothing happens
  EXPECT_FALSE(fx.effect(FxBorderReached)->isPlaying());
  fx.playEffect(FxBorderReached);
  fx.playEffect(FxKeyPressed);
  EXPECT_TRUE(fx.effect(FxBorderReached)->isPlaying());
  EXPECT_TRUE(fx.effect(FxKeyPressed)->isPlaying());
  fx.playEffect(FxBorderLeft);
  EXPECT_FALSE(fx.effect(FxBorderReached)->isPlaying());
  EXPECT_TRUE(fx.effect(FxKeyPressed)->isPlaying());
  // Unknown codes play nothing.
  fx.playEffect(static_cast<audioEffects>(9));
  fx.playEffect(static_cast<audioEffects>(-3));
  for (int code : {0, 1, 3, 4, 5, 7, 8}) EXPECT_FALSE(fx.effect(code)->isPlaying()) << code;
}

int main(int argc, char** argv) {
  qputenv("PULSE_SERVER", "unix:/nonexistent/velmo-test-no-sound-server");
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
