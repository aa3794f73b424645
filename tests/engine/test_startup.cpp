// The engine's start-up and teardown through a real controller: the objects it creates and
// removes, a second start after an exit, the settings file and the diagnostic log.
#include <QCoreApplication>
#include <QDateTime>
#include <QThread>

#include <cryptopp/aes.h>
#include <cryptopp/filters.h>
#include <cryptopp/hex.h>
#include <cryptopp/modes.h>

#include "EngineSettings.h"
#include "test_startup_harness.h"

namespace {

QStringList linesOf(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  QStringList lines = QString::fromUtf8(f.readAll()).split('\n');
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();  // after the final newline
  return lines;
}

// The message of a log line, after checking that the line starts with a date and time in Qt's
// text form and a blank. An empty line stays empty.
QString messageOf(const QString& line) {
  if (line.isEmpty()) return line;
  // The text date has four blanks ("Thu Feb 8 10:00:00 2024"); the message follows the fifth.
  int blank = -1;
  for (int k = 0; k < 5; ++k) {
    blank = line.indexOf(' ', blank + 1);
    if (blank < 0) return QStringLiteral("<no date>") + line;
  }
  const QDateTime when = QDateTime::fromString(line.left(blank), Qt::TextDate);
  if (!when.isValid()) return QStringLiteral("<bad date>") + line;
  return line.mid(blank + 1);
}

// The log cipher's inverse, for the test: AES-128-CBC, the program's key, a zero vector.
std::string decrypt(const std::string& hex) {
  const unsigned char key[] = {'3', 'C', '7', 'D', '1', '9', 'B', '0',
                               'E', '4', 'A', '2', 'F', '6', '5', '8'};
  unsigned char iv[16] = {};
  std::string plain;
  CryptoPP::CBC_Mode<CryptoPP::AES>::Decryption cipher;
  cipher.SetKeyWithIV(key, sizeof key, iv, sizeof iv);
  CryptoPP::StringSource source(
      hex, true,
      new CryptoPP::HexDecoder(
          new CryptoPP::StreamTransformationFilter(cipher, new CryptoPP::StringSink(plain))));
  return plain;
}

using EngineStartup = EngineFixture;

TEST_F(EngineStartup, StartMakesTheSinkOnTheTrackingThreadAndExitRemovesEverything) {
  EXPECT_EQ(listener.sink(), nullptr);
  EXPECT_EQ(engine().getBox(), nullptr);
  EXPECT_FALSE(QFile::exists(settingsPath()));
  const int sinksBefore = rig::RecordingSink::live.load();

  start();
  rig::RecordingSink* sink = listener.sink();
  ASSERT_NE(sink, nullptr);
  EXPECT_EQ(listener.sinksMade.load(), 1);
  // Made in onInit on the controller's thread, where the frames will use it.
  EXPECT_NE(listener.sinkThread.load(), nullptr);
  EXPECT_NE(listener.sinkThread.load(), QThread::currentThread());
  // With the engine's live switches.
  EXPECT_EQ(sink->setup.networkModeRef, engine().parameters().networkModePtr());
  EXPECT_EQ(sink->setup.audioFx, engine().parameters().audioFxPtr());
  EXPECT_EQ(sink->setup.audioFxBorder, engine().parameters().audioFxBorderPtr());
  EXPECT_EQ(sink->setup.graphicFx, engine().parameters().graphicFxPtr());
  EXPECT_NE(engine().getBox(), nullptr);
  // A missing settings file is written with the defaults: 43 numbers and 3 keyboard actions.
  EXPECT_EQ(linesOf(settingsPath()).size(), 46);
  EXPECT_EQ(listener.engine().GetKeyboardActions()->count(), 3);
  EXPECT_EQ(listener.engine().IsConnected(), 1);
  EXPECT_EQ(controller.policyFlags(), 1);  // background frames only, from the connect
  EXPECT_EQ(engine().isLog(), 0);

  stop();
  EXPECT_EQ(rig::RecordingSink::live.load(), sinksBefore);
  EXPECT_EQ(listener.sink(), nullptr);
  EXPECT_EQ(engine().getBox(), nullptr);
  EXPECT_TRUE(QFile::exists(settingsPath()));
  EXPECT_FALSE(QFile::exists(logPath()));
}

TEST_F(EngineStartup, ASecondStartAfterAnExitReadsTheFileAgainAndWorks) {
  start();
  setUser(DoubleClickTime, 700);
  listener.engine().GetKeyboardActions()->append("MY KEY", "Ctrl+K", false);
  ASSERT_EQ(listener.engine().WriteParameters(), 0);
  // Changes after the write live in memory only.
  setUser(DoubleClickTime, 300);
  listener.engine().GetKeyboardActions()->append("NOT SAVED", "F2", false);
  stop();

  start();
  EXPECT_EQ(listener.engine().getDoubleClickTime(), 700);
  const QList<keyboardAct::Entry> actions = listener.engine().GetKeyboardActions()->entries();
  ASSERT_EQ(actions.size(), 4);  // the file's, not the defaults again on top
  EXPECT_EQ(actions[0].name, "ESC KEY");
  EXPECT_EQ(actions[3].name, "MY KEY");
  EXPECT_EQ(listener.engine().IsConnected(), 1);

  // The fresh sink takes the frames' decisions.
  EXPECT_EQ(listener.sinksMade.load(), 2);
  becomeSource();
  for (int k = 0; k < 10; ++k) pushOpen(-40.0f + 8.0f * k);
  EXPECT_GE(starting(collect(), "MOUSEMOVE ").size(), 5u);
}

TEST_F(EngineStartup, TheSinkFollowsAModeChangeWithoutBeingRebuilt) {
  start();
  rig::RecordingSink* sink = listener.sink();
  becomeSource();
  EXPECT_EQ(sink->setup.networkModeRef->load(), kSource);
  pushOpen(10.0f);
  EXPECT_EQ(starting(collect(), "MOUSEMOVE ").size(), 1u);

  listener.setNetworkMode(kStandalone);
  EXPECT_EQ(sink->setup.networkModeRef->load(), kStandalone);
  for (int k = 0; k < 5; ++k) pushOpen(10.0f + 5.0f * k);
  EXPECT_EQ(starting(collect(), "MOUSEMOVE ").size(), 5u);
  listener.setNetworkMode(kSource);
  pushOpen(-10.0f);
  EXPECT_EQ(starting(collect(), "MOUSEMOVE ").size(), 1u);
  EXPECT_EQ(listener.sink(), sink);
  EXPECT_EQ(listener.sinksMade.load(), 1);
}

TEST_F(EngineStartup, WithTheLogOffNoLogFileIsMade) {
  start();
  for (int k = 0; k < 5; ++k) pushOpen(5.0f * k);
  driver.unplugDevice();
  driver.sync();
  EXPECT_EQ(engine().isLog(), 0);
  stop();
  EXPECT_FALSE(QFile::exists(logPath()));
}

// The sink is handed the open log, for its pointer device's lines (enciphered as the engine's are).
void checkTheSinksLog(ProbeListener& listener, int encrypted) {
  rig::RecordingSink* sink = listener.sink();
  ASSERT_NE(sink, nullptr);
  EXPECT_EQ(sink->setup.logEnabled, 1);
  EXPECT_EQ(sink->setup.encryptLog, encrypted);
  ASSERT_NE(sink->setup.logFile, nullptr);
}

TEST_F(EngineStartup, TheLogHoldsOneDatedLinePerMessageAndTheSinkHasIt) {
  {
    QFile old(logPath());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("an older run\n");
  }
  engine().setBuiltInLogSwitches(1, 0);
  start();
  EXPECT_EQ(engine().isLog(), 1);
  checkTheSinksLog(listener, 0);
  // A line of the pointer device's, as it writes them: it lands between the engine's.
  const QByteArray line =
      (QDateTime::currentDateTime().toString(Qt::TextDate) + " LEFT BUTTON PRESSED\n").toUtf8();
  std::fputs(line.constData(), listener.sink()->setup.logFile);
  stop();

  QStringList messages;
  for (const QString& line : linesOf(logPath())) messages << messageOf(line);
  // A message that ends in a newline is followed by an empty line.
  EXPECT_EQ(messages, QStringList({"Initialized. Version 1.5 08/02/2017", "",
                                   "Connected Version 1.5 08/02/2017", "", "LEFT BUTTON PRESSED",
                                   "Exited", ""}));
}

TEST_F(EngineStartup, EncryptedLogLinesDecryptToTheDatedMessages) {
  engine().setBuiltInLogSwitches(1, 1);
  start();
  checkTheSinksLog(listener, 1);
  stop();

  QStringList messages;
  for (const QString& line : linesOf(logPath())) {
    ASSERT_FALSE(line.isEmpty());
    ASSERT_EQ(line, line.toUpper());
    ASSERT_EQ(line.size() % 32, 0) << line.toStdString();  // whole AES blocks in hex
    QString plain = QString::fromStdString(decrypt(line.toStdString()));
    // The newline of a message stays inside the cipher text.
    if (plain.endsWith('\n')) plain.chop(1);
    messages << messageOf(plain);
  }
  EXPECT_EQ(messages, QStringList({"Initialized. Version 1.5 08/02/2017",
                                   "Connected Version 1.5 08/02/2017", "Exited"}));
}

TEST_F(EngineStartup, ALogThatCannotBeOpenedTurnsLoggingOff) {
  // A folder in the log file's place: not even root can open it for writing.
  ASSERT_TRUE(QDir(work.path()).mkdir("fingerData.dat"));
  engine().setBuiltInLogSwitches(1, 0);
  start();
  EXPECT_EQ(engine().isLog(), 0);
  // Nor does the sink get one.
  ASSERT_NE(listener.sink(), nullptr);
  EXPECT_EQ(listener.sink()->setup.logFile, nullptr);
  for (int k = 0; k < 5; ++k) pushOpen(5.0f * k);
  driver.unplugDevice();
  driver.sync();
  listener.onDisconnect(controller);  // the tray window's call, on this thread
  stop();
  EXPECT_TRUE(QDir(logPath()).isEmpty());
}

TEST_F(EngineStartup, TheGuiThreadLogsAndAsksWhileFramesRun) {
  engine().setBuiltInLogSwitches(1, 0);
  start();
  int disconnects = 0;
  for (int k = 0; k < 300; ++k) {
    // Delivered on the controller's thread while this thread goes on.
    clock += 11111;
    driver.pushHand(handWithCurl(0, 0, 0, 0, 0, palmAt(-60.0f + 0.4f * k, 200.0f)), clock);
    float x, y;
    listener.engine().GetNormalizedHandPos(&x, &y);
    EXPECT_GE(listener.engine().getWidthOfScreen(), 0);
    if (k % 7 == 0) listener.setMouseParam(true);
    if (k % 11 == 0) listener.engine().AutoScalePointerFactor(1920, 900 + k);
    if (k % 30 == 0) {
      listener.onDisconnect(controller);  // the tray window's call
      ++disconnects;
    }
  }
  driver.sync();
  stop();
  // Lines from both threads, none torn: each disconnect is a dated line of its own. (The
  // recogniser's pinch texts carry line breaks of their own, so not every line is dated.)
  int seen = 0;
  int recogniser = 0;
  for (const QString& line : linesOf(logPath())) {
    if (line.contains("Disconnected")) {
      EXPECT_EQ(messageOf(line), "Disconnected") << line.toStdString();
      ++seen;
    }
    if (messageOf(line).startsWith("GESTURE ")) ++recogniser;
  }
  EXPECT_EQ(seen, disconnects);
  EXPECT_GT(recogniser, 0);
}

TEST_F(EngineStartup, TheSettingsFileIsReadBeforeTheSinkIsMade) {
  // A file written by an earlier run with its own pointer settings.
  {
    struct Table : EngineSettings {
    } earlier;
    earlier.setSettingsDir(listener.settingsDir());
    earlier.InitParameters();
    earlier.SetUserParam(1.0f, CursorMovement);
    earlier.SetUserParam(650.0f, DoubleClickTime);
    earlier.SetUserParam(0.5f, WheelScaleFactor);
    earlier.SetUserParam(2.0f, ControllerPos);
    ASSERT_EQ(earlier.WriteParameters(), 0);
  }
  start();
  // Head mounted: background frames, images and the head-mounted optimisation.
  EXPECT_EQ(controller.policyFlags(), 7);
  EXPECT_EQ(listener.engine().isRelative(), 1);
  rig::RecordingSink* sink = listener.sink();
  ASSERT_NE(sink, nullptr);
  EXPECT_EQ(sink->setup.doubleClickTime, 650.0);
  EXPECT_EQ(sink->setup.wheelScaleFactor, 0.5);
  EXPECT_EQ(sink->setup.relative, 1);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
