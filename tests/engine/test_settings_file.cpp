#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <thread>

#include "../support/CommaLocale.h"
#include "EngineSettings.h"

namespace {

struct Table : EngineSettings {
  using EngineSettings::defaultSettingsDir;
  using EngineSettings::setAdminMode;
  using EngineSettings::setApplicationDir;
};

// The "%f" texts of the default user parameters, written out by hand.
const char* const kDefaultTexts[UserParamCount] = {
    "0.000000",  "1.250000", "1000.000000", "0.000000", "0.300000", "0.000000",    "300.000000",
    "0.350000",  "0.250000", "0.300000",    "0.300000", "0.850000", "0.850000",    "1.000000",
    "1.000000",  "0.000000", "0.000000",    "1.000000", "1.000000", "0.000000",    "0.000000",
    "1.000000",  "2.000000", "3.000000",    "4.000000", "1.000000", "0.500000",    "0.000000",
    "0.000000",  "0.000000", "0.000000",    "0.000000", "0.000000", "0.000000",    "0.000000",
    "0.000000",  "14155.000000", "1.000000", "0.000000", "1.000000", "0.000000",   "0.000000",
    "0.000000"};

QByteArray fileOf(const QList<QByteArray>& texts) {
  QByteArray out;
  for (const QByteArray& t : texts) out += t.toBase64() + '\n';
  return out;
}

QList<QByteArray> defaultTexts() {
  QList<QByteArray> texts;
  for (const char* t : kDefaultTexts) texts << t;
  return texts;
}

QByteArray readBytes(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return QByteArray("<unreadable>");
  return f.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  ASSERT_EQ(f.write(bytes), bytes.size());
}

QList<QByteArray> decodedLines(const QByteArray& file) {
  QList<QByteArray> out;
  for (const QByteArray& line : file.split('\n'))
    if (!line.isEmpty()) out << QByteArray::fromBase64(line);
  return out;
}

// Runs fn in a child process, as an unprivileged user when we are root (so that permissions
// bind), and returns its exit status.
int inChild(const std::function<int()>& fn, bool dropRoot) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (dropRoot && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(90);
    _exit(fn());
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

// What the code under test logs, in a child process.
QStringList gLog;
void collectLog(QtMsgType, const QMessageLogContext&, const QString& text) { gLog << text; }

struct SettingsFileTest : ::testing::Test {
  QTemporaryDir tmp;
  Table t;
  QString path;
  void SetUp() override {
    ASSERT_TRUE(tmp.isValid());
    t.InitParameters();
    t.EncodeParameters();
    t.setSettingsDir(tmp.path());
    path = tmp.path() + "/velmo.dat";
  }
  // Working settings that differ from every default, as a user's would.
  void makePriorValues(Table* table) {
    table->SetUserParam(2, ControllerPos);
    table->SetUserParam(9000, DestinationPort);
    table->SetUserParam(0.45f, ThumbForePressSensitivity);
    table->SetUserParam(1.5f, HandMotionScaleFactor);
    table->SetUserParam(0.0f, EnableGraphicFx);
    table->SetUserParam(7, CursorPosOffset);
    table->DecodeParameters(0);
  }
  QStringList entriesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System);
  }
};

}  // namespace

TEST_F(SettingsFileTest, MissingFileIsWrittenAsTheGoldenDefaultFile) {
  ASSERT_FALSE(QFileInfo::exists(path));
  EXPECT_EQ(t.ReadParameters(), 1);
  QList<QByteArray> texts = defaultTexts();
  texts << "ESC KEY\t0\tEsc" << "APP SWITCHER\t0\tAlt+Tab" << "FN+F9 KEY\t1\tF9";
  const QByteArray golden = fileOf(texts);
  const QByteArray file = readBytes(path);
  EXPECT_EQ(file, golden);
  const QList<QByteArray> lines = file.split('\n');
  ASSERT_EQ(lines.size(), 47);  // 46 lines, each ended by "\n"
  EXPECT_EQ(lines[ThumbForePressSensitivity], "MC4zNTAwMDA=");
  EXPECT_EQ(lines[DestinationPort], "MTQxNTUuMDAwMDAw");
  EXPECT_EQ(lines[43], "RVNDIEtFWQkwCUVzYw==");
  EXPECT_EQ(lines[46], "");
  EXPECT_EQ(t.GetKeyboardActions()->count(), 3);

  // Written again, and read back: the same bytes, nothing else in the folder.
  EXPECT_EQ(t.WriteParameters(), 0);
  EXPECT_EQ(readBytes(path), golden);
  EXPECT_EQ(t.ReadParameters(), 0);
  EXPECT_EQ(t.GetKeyboardActions()->count(), 3);
  EXPECT_EQ(entriesIn(tmp.path()), QStringList{"velmo.dat"});
}

TEST_F(SettingsFileTest, EveryParameterRoundTrips) {
  Table src;
  src.InitParameters();
  src.setSettingsDir(tmp.path());
  src.setAdminMode(1);
  // In-range, distinct values exact at six decimals.
  const float user[UserParamCount] = {
      1, 0.75f, 450, 1, 0.125f, 1, 120, 0.4f, 0.2f, 0.15f, 0.55f, 0.9f, 0.95f, 1.25f, 1.5f,
      1, 1, 0, 0, 1, 1, 4, 3, 2, 1, 0, 0.65f, 2, 1, 3, 4, 1, 192, 168, 10, 254, 5000, 0,
      1, 0, 1, 1, -12};
  for (int i = 0; i < UserParamCount; ++i) src.SetUserParam(user[i], i);
  for (int i = 0; i < AdminParamCount; ++i) src.SetAdminParam(static_cast<float>(i + 1), i);
  src.SetAdminParam(1, EnableLog);
  src.SetAdminParam(75.5f, OptimalFrameRateTh);
  src.SetAdminParam(0.125f, DeltaTimeHandMovementTh);
  src.SetAdminParam(-3.5f, CircleGestureStart);
  src.SetAdminParam(287.25f, ThumbPinkyMaxDistance);
  ASSERT_EQ(src.WriteParameters(), 0);
  ASSERT_EQ(decodedLines(readBytes(path)).size(), UserParamCount + AdminParamCount + 3);

  Table dst;
  dst.InitParameters();
  dst.setSettingsDir(tmp.path());
  dst.setAdminMode(1);
  ASSERT_EQ(dst.ReadParameters(), 0);
  for (int i = 0; i < UserParamCount; ++i) EXPECT_EQ(dst.GetUserParam(i), user[i]) << "user " << i;
  for (int i = 0; i < AdminParamCount; ++i)
    EXPECT_EQ(dst.GetAdminParam(i), src.GetAdminParam(i)) << "admin " << i;
  // The working settings follow: re-encoding gives the same tables.
  dst.EncodeParameters();
  for (int i = 0; i < UserParamCount; ++i) EXPECT_EQ(dst.GetUserParam(i), user[i]) << "user " << i;
  for (int i = 0; i < AdminParamCount; ++i)
    EXPECT_EQ(dst.GetAdminParam(i), src.GetAdminParam(i)) << "admin " << i;
  EXPECT_EQ(dst.settings().destinationPort, 5000);
  EXPECT_EQ(dst.settings().cursorPosOffset, -12);
  EXPECT_EQ(dst.settings().enableLog, 1);

  // Without administrator mode the file has no administrator lines.
  src.setAdminMode(0);
  ASSERT_EQ(src.WriteParameters(), 0);
  EXPECT_EQ(decodedLines(readBytes(path)).size(), UserParamCount + 3);
}

TEST_F(SettingsFileTest, KeyboardActionsWithOddNamesRoundTrip) {
  keyboardAct* k = t.GetKeyboardActions();
  k->clear();
  k->append("TAB\tIN NAME", "Ctrl+Tab", true);
  k->append("TWO\nLINES\r\nHERE", "Alt+F4", false);
  k->append(QString::fromUtf8("GR\xC3\x9C\xC3\x9F""E \xE2\x9C\x8B \xE6\x97\xA5\xE6\x9C\xAC"), "Meta+Space", true);
  k->append("", "", false);
  k->append(QString(9000, QChar('N')), "Ctrl+Shift+K", true);
  ASSERT_EQ(t.WriteParameters(), 0);

  const QList<QByteArray> lines = decodedLines(readBytes(path));
  ASSERT_EQ(lines.size(), UserParamCount + 5);
  EXPECT_EQ(lines[43], "TAB IN NAME\t1\tCtrl+Tab");
  EXPECT_EQ(lines[44], "TWO LINES  HERE\t0\tAlt+F4");
  EXPECT_EQ(lines[45], "GR\xC3\x9C\xC3\x9F""E \xE2\x9C\x8B \xE6\x97\xA5\xE6\x9C\xAC\t1\tMeta+Space");
  EXPECT_EQ(lines[46], "\t0\t");

  Table back;
  back.InitParameters();
  back.setSettingsDir(tmp.path());
  ASSERT_EQ(back.ReadParameters(), 0);
  const QList<keyboardAct::Entry> e = back.GetKeyboardActions()->entries();
  ASSERT_EQ(e.size(), 5);
  EXPECT_EQ(e[0].name, "TAB IN NAME");
  EXPECT_TRUE(e[0].osKey);
  EXPECT_EQ(e[0].keys, "Ctrl+Tab");
  EXPECT_EQ(e[1].name, "TWO LINES  HERE");
  EXPECT_EQ(e[1].keys, "Alt+F4");
  EXPECT_EQ(e[2].name, QString::fromUtf8("GR\xC3\x9C\xC3\x9F""E \xE2\x9C\x8B \xE6\x97\xA5\xE6\x9C\xAC"));
  EXPECT_TRUE(e[2].osKey);
  EXPECT_EQ(e[3].name, "");
  EXPECT_EQ(e[3].keys, "");
  EXPECT_EQ(e[4].name, QString(9000, QChar('N')));  // read whole, not in 4095-byte chunks
  EXPECT_EQ(e[4].keys, "Ctrl+Shift+K");
}

TEST_F(SettingsFileTest, Latin1NamesOfOlderFilesAreRead) {
  QList<QByteArray> texts = defaultTexts();
  texts << "CAF\xC9 \xA7\t1\tF9" << "PLAIN\t0\tEsc" << "CUT UTF-8 \xC3\t0\tF1";
  writeBytes(path, fileOf(texts));
  ASSERT_EQ(t.ReadParameters(), 0);
  const QList<keyboardAct::Entry> e = t.GetKeyboardActions()->entries();
  ASSERT_EQ(e.size(), 3);
  EXPECT_EQ(e[0].name, QString::fromUtf8("CAF\xC3\x89 \xC2\xA7"));
  EXPECT_TRUE(e[0].osKey);
  EXPECT_EQ(e[0].keys, "F9");
  EXPECT_EQ(e[1].name, "PLAIN");
  EXPECT_EQ(e[2].name, QString::fromUtf8("CUT UTF-8 \xC3\x83"));
  // Written back as UTF-8.
  ASSERT_EQ(t.WriteParameters(), 0);
  EXPECT_EQ(decodedLines(readBytes(path))[43], "CAF\xC3\x89 \xC2\xA7\t1\tF9");
}

TEST_F(SettingsFileTest, ShortFilesKeepWhatTheyLack) {
  makePriorValues(&t);
  const WorkingSettings prior = t.settings();

  // Only the 43 parameter lines: parameters load, no keyboard action remains.
  QList<QByteArray> texts = defaultTexts();
  texts[DoubleClickTime] = "250.000000";
  writeBytes(path, fileOf(texts));
  ASSERT_EQ(t.ReadParameters(), 0);
  EXPECT_EQ(t.settings().doubleClickTime, 250);
  EXPECT_EQ(t.settings().destinationPort, 14155);
  EXPECT_EQ(t.GetKeyboardActions()->count(), 0);

  // 20 lines: entries 0-19 from the file, 20-42 keep their prior values.
  Table u;
  u.InitParameters();
  u.setSettingsDir(tmp.path());
  makePriorValues(&u);
  const float adminBefore = u.settings().outlierStdDevTh;
  writeBytes(path, fileOf(defaultTexts().mid(0, 20)));
  ASSERT_EQ(u.ReadParameters(), 0);
  EXPECT_EQ(u.settings().controllerPos, 0);                   // entry 0, from the file
  EXPECT_EQ(u.settings().handMotionScaleFactor, 1.25f);       // entry 1
  EXPECT_EQ(u.settings().clickPressP[0], 0.35f);              // entry 7
  EXPECT_EQ(u.settings().destinationPort, prior.destinationPort);  // entry 36, kept
  EXPECT_EQ(u.settings().enableGraphicFx, false);             // entry 39, kept
  EXPECT_EQ(u.settings().cursorPosOffset, 7);                 // entry 42, kept
  EXPECT_EQ(u.GetUserParam(DestinationPort), 9000.0f);
  EXPECT_EQ(u.settings().outlierStdDevTh, adminBefore);
  // It ends before any keyboard action: the default actions stay.
  EXPECT_EQ(u.GetKeyboardActions()->count(), 3);

  // An empty file: every value stays, the default actions too.
  Table w;
  w.InitParameters();
  w.setSettingsDir(tmp.path());
  makePriorValues(&w);
  writeBytes(path, QByteArray());
  ASSERT_EQ(w.ReadParameters(), 0);
  EXPECT_EQ(w.settings().destinationPort, 9000);
  EXPECT_EQ(w.settings().clickPressP[0], 0.45f);
  EXPECT_EQ(w.GetKeyboardActions()->count(), 3);
}

TEST_F(SettingsFileTest, FileNotReadWholeIsBackedUpOnceAndDefaultsKept) {
  QByteArray noise;
  std::srand(7);
  for (int k = 0; k < 6000; ++k) noise += static_cast<char>(std::rand() & 0xff);
  QList<QByteArray> oneBad = defaultTexts();
  oneBad[DestinationPort] = "14155.0x";
  QList<QByteArray> good = defaultTexts();
  good[DestinationPort] = "4242.000000";
  good << "MINE\t0\tF7";
  const QByteArray noBase64 = QByteArray(50, '\n').replace('\n', "%%\n");
  struct Case {
    const char* name;
    QByteArray file;
    bool backup;
    int port;     // destination port after the read (prior 9000)
    int actions;  // keyboard actions after the read (3 defaults held before)
  };
  const Case cases[] = {
      {"random bytes", noise, true, 9000, 3},
      {"no Base64 at all", noBase64, true, 9000, 3},
      {"20 of 43 lines", fileOf(defaultTexts().mid(0, 20)), true, 9000, 3},
      {"one damaged number", fileOf(oneBad), true, 9000, 0},
      {"a whole file", fileOf(good), false, 4242, 1},
      {"empty", QByteArray(), false, 9000, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir dir;
    Table u;
    u.InitParameters();
    u.setSettingsDir(dir.path());
    makePriorValues(&u);
    const QString file = dir.path() + "/velmo.dat";
    writeBytes(file, c.file);
    ASSERT_EQ(u.ReadParameters(), 0);
    EXPECT_EQ(u.settings().destinationPort, c.port);
    EXPECT_EQ(u.GetKeyboardActions()->count(), c.actions);
    ASSERT_EQ(u.WriteParameters(), 0);
    ASSERT_EQ(u.WriteParameters(), 0);
    EXPECT_EQ(QFileInfo::exists(file + ".bak"), c.backup);
    if (c.backup) {
      EXPECT_EQ(readBytes(file + ".bak"), c.file);
    }
    EXPECT_FALSE(QFileInfo::exists(file + ".bak.1"));
    // What replaced it reads back whole, with what was held.
    Table back;
    back.setSettingsDir(dir.path());
    ASSERT_EQ(back.ReadParameters(), 0);
    EXPECT_EQ(back.settings().destinationPort, c.port);
    EXPECT_EQ(back.GetKeyboardActions()->count(), c.actions);
    ASSERT_EQ(back.WriteParameters(), 0);
    EXPECT_FALSE(QFileInfo::exists(file + (c.backup ? ".bak.1" : ".bak")));
  }
}

TEST_F(SettingsFileTest, FileInAReadOnlyProgramFolderStartsTheUsersOwn) {
  // As an unprivileged user: the program's folder is not writable, the configuration folder is.
  ASSERT_EQ(chmod(tmp.path().toLocal8Bit().constData(), 0755), 0);
  const QString app = tmp.path() + "/bin";
  const QString config = tmp.path() + "/config";
  ASSERT_TRUE(QDir().mkpath(app));
  ASSERT_TRUE(QDir().mkpath(config));
  QList<QByteArray> texts = defaultTexts();
  texts[DestinationPort] = "9100.000000";
  texts << "SHIPPED\t0\tF8";
  const QByteArray shipped = fileOf(texts);
  writeBytes(app + "/velmo.dat", shipped);
  ASSERT_EQ(chmod(app.toLocal8Bit().constData(), 0555), 0);
  ASSERT_EQ(chmod(config.toLocal8Bit().constData(), 0777), 0);
  const QString own = config + "/velmo-mouse/velmo.dat";
  EXPECT_EQ(inChild(
                [&] {
                  qputenv("XDG_CONFIG_HOME", config.toLocal8Bit());
                  Table u;
                  u.setApplicationDir(app);
                  u.InitParameters();
                  if (u.settingsFilePath() != own) return 1;
                  if (u.ReadParameters() != 0) return 2;
                  if (u.settings().destinationPort != 9100) return 3;
                  if (u.GetKeyboardActions()->count() != 1) return 4;
                  u.SetUserParam(9200, DestinationPort);
                  return u.WriteParameters() == 0 ? 0 : 5;
                },
                true),
            0);
  EXPECT_EQ(readBytes(app + "/velmo.dat"), shipped);
  EXPECT_EQ(decodedLines(readBytes(own))[DestinationPort], "9200.000000");
  EXPECT_EQ(decodedLines(readBytes(own)).value(43), "SHIPPED\t0\tF8");
  ASSERT_EQ(chmod(app.toLocal8Bit().constData(), 0755), 0);
}

TEST_F(SettingsFileTest, ASaveThatCannotGoWhereTheSettingsWereReadIsTheOneReadNextTime) {
  const QString app = tmp.path() + "/bin";
  const QString config = tmp.path() + "/config";
  ASSERT_TRUE(QDir().mkpath(app));
  ASSERT_TRUE(QDir().mkpath(config));
  // The unprivileged child owns both folders, so it can take its own write permission away.
  if (geteuid() == 0) {
    ASSERT_EQ(chmod(tmp.path().toLocal8Bit().constData(), 0755), 0);
    for (const QString& d : {app, config}) ASSERT_EQ(chown(d.toLocal8Bit().constData(), 65534, 65534), 0);
  }
  EXPECT_EQ(inChild(
                [&] {
                  qInstallMessageHandler(collectLog);
                  qputenv("XDG_CONFIG_HOME", config.toLocal8Bit());
                  auto start = [&](Table* u) {
                    u->setApplicationDir(app);
                    u->InitParameters();
                    return u->ReadParameters();
                  };
                  Table first;
                  if (start(&first) != 1 || first.settingsFilePath() != app + "/velmo.dat") return 1;
                  // The program's folder turns read-only during the session.
                  if (chmod(app.toLocal8Bit().constData(), 0555) != 0) return 2;
                  first.SetUserParam(9200, DestinationPort);
                  if (first.WriteParameters() != 0) return 3;
                  if (gLog.filter("could not save the settings to " + app).size() != 1) return 4;
                  first.SetUserParam(9300, DestinationPort);
                  if (first.WriteParameters() != 0) return 5;  // where it went the first time
                  if (chmod(app.toLocal8Bit().constData(), 0755) != 0) return 6;
                  // The next start, the folder writable again, reads the newest settings.
                  Table next;
                  if (start(&next) != 0 || next.settings().destinationPort != 9300) return 7;
                  next.SetUserParam(9400, DestinationPort);
                  if (next.WriteParameters() != 0) return 8;
                  Table third;
                  return start(&third) == 0 && third.settings().destinationPort == 9400 ? 0 : 9;
                },
                true),
            0);
  EXPECT_EQ(decodedLines(readBytes(app + "/velmo.dat"))[DestinationPort], "14155.000000");
  EXPECT_EQ(decodedLines(readBytes(config + "/velmo-mouse/velmo.dat"))[DestinationPort], "9400.000000");
}

TEST_F(SettingsFileTest, AVelmoDatThatIsNoRegularFileIsRefusedWithOneLine) {
  struct Case {
    const char* kind;
    std::function<bool()> make;
  };
  const QByteArray file = path.toLocal8Bit();
  const Case cases[] = {
      {"a FIFO", [&] { return mkfifo(file.constData(), 0600) == 0; }},
      {"a socket",
       [&] {
         sockaddr_un addr{};
         addr.sun_family = AF_UNIX;
         std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", file.constData());
         const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
         return fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
       }},
      {"a device", [&] { return symlink("/dev/null", file.constData()) == 0; }},
      {"a folder", [&] { return QDir().mkpath(path); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    ASSERT_TRUE(c.make());
    EXPECT_EQ(inChild(
                  [&] {
                    alarm(20);  // a read that blocks fails the case
                    qInstallMessageHandler(collectLog);
                    makePriorValues(&t);
                    if (t.ReadParameters() != 1 || t.settings().destinationPort != 9000) return 1;
                    if (gLog.size() != 1 || !gLog[0].contains(QLatin1String(c.kind))) return 2;
                    return t.WriteParameters() == 0 ? 0 : 3;
                  },
                  false),
              0);
    // Kept aside, as any file that was not read.
    EXPECT_TRUE(QFileInfo(path).isFile());
    EXPECT_EQ(decodedLines(readBytes(path))[DestinationPort], "9000.000000");
    EXPECT_EQ(entriesIn(tmp.path()), (QStringList{"velmo.dat", "velmo.dat.bak"}));
    QDir(path + ".bak").removeRecursively();
    QFile::remove(path + ".bak");
    QFile::remove(path);
  }
}

TEST_F(SettingsFileTest, KeyboardActionFlagsAndShortLines) {
  QList<QByteArray> texts = defaultTexts();
  texts << "TWO\t2\tF1" << "EMPTY\t\tF2" << "ONE\t1\tF3" << "NAME ONLY" << "NO KEYS\t1" << ""
        << "EXTRA\t1\tF4\tmore";
  writeBytes(path, fileOf(texts));
  ASSERT_EQ(t.ReadParameters(), 0);
  const keyboardAct* k = t.GetKeyboardActions();
  ASSERT_EQ(k->count(), 7);
  EXPECT_EQ(k->names().size(), 7);
  EXPECT_EQ(k->keys().size(), 7);
  EXPECT_EQ(k->osKey().size(), 7);
  const QList<bool> flags = k->osKey();
  EXPECT_EQ(flags, (QList<bool>{false, false, true, false, true, false, true}));
  EXPECT_EQ(k->at(0).keys, "F1");
  EXPECT_EQ(k->at(1).keys, "F2");
  EXPECT_EQ(k->at(3).name, "NAME ONLY");
  EXPECT_EQ(k->at(3).keys, "");
  EXPECT_EQ(k->at(4).name, "NO KEYS");
  EXPECT_EQ(k->at(4).keys, "");
  EXPECT_EQ(k->at(5).name, "");
  EXPECT_EQ(k->at(6).keys, "F4");
}

TEST_F(SettingsFileTest, DamagedNumberLinesKeepThePriorValue) {
  makePriorValues(&t);
  QList<QByteArray> lines;
  for (const QByteArray& text : defaultTexts()) lines << text.toBase64();
  lines[DestinationPort] = "MTQxNT";  // "14155.000000" cut after six characters ("1415")
  lines[ControllerPos] = QByteArray("0,000000").toBase64();  // a decimal-comma writer
  lines[ThumbForePressSensitivity] = QByteArray("0.9xyz").toBase64();
  lines[HandMotionScaleFactor] = QByteArray("nan").toBase64();
  lines[EnableGraphicFx] = QByteArray("inf").toBase64();
  lines[CursorPosOffset] = QByteArray("1e39").toBase64();  // beyond float
  lines[DoubleClickTime] = "";
  lines[WheelScaleFactor] = QByteArray("0.5").toBase64() + " stray";
  lines[MoveAfterClickTime] = QByteArray("450.000000").toBase64() + "\r";  // CR LF line end
  lines[FistSensitivity] = QByteArray("0.6" + QByteArray(6000, '0')).toBase64();  // one long line
  QByteArray file;
  for (const QByteArray& l : lines) file += l + '\n';
  file += QByteArray("ESC KEY\t0\tEsc").toBase64() + '\n';
  writeBytes(path, file);

  ASSERT_EQ(t.ReadParameters(), 0);
  const WorkingSettings s = t.settings();
  EXPECT_EQ(s.destinationPort, 9000);
  EXPECT_EQ(s.controllerPos, 2);
  EXPECT_EQ(s.clickPressP[0], 0.45f);
  EXPECT_EQ(s.handMotionScaleFactor, 1.5f);
  EXPECT_EQ(s.enableGraphicFx, false);
  EXPECT_EQ(s.cursorPosOffset, 7);
  EXPECT_EQ(s.doubleClickTime, 1000);
  EXPECT_EQ(s.wheelScaleFactor, 0.5f);  // a whole group, then other text: read up to the blank
  EXPECT_EQ(s.moveAfterClickTime, 450);
  EXPECT_EQ(s.fistSensitivity, 0.6f);
  EXPECT_EQ(t.GetUserParam(DestinationPort), 9000.0f);
  EXPECT_EQ(t.GetUserParam(HandMotionScaleFactor), 1.5f);
  // The long line was one line: the action after it is still the first action.
  ASSERT_EQ(t.GetKeyboardActions()->count(), 1);
  EXPECT_EQ(t.GetKeyboardActions()->at(0).name, "ESC KEY");
}

TEST_F(SettingsFileTest, FailedWritesLeaveTheOldFileAlone) {
  ASSERT_EQ(t.WriteParameters(), 0);
  const QByteArray old = readBytes(path);
  t.SetUserParam(3000, DestinationPort);
  for (int k = 0; k < 20; ++k) t.GetKeyboardActions()->append(QString(40, QChar('K')), "F5", false);

  // A folder we may not write to. The file itself is writable, so only an atomic write fails.
  ASSERT_EQ(chmod(tmp.path().toLocal8Bit().constData(), 0555), 0);
  ASSERT_EQ(chmod(path.toLocal8Bit().constData(), 0666), 0);
  const QString parent = QFileInfo(tmp.path()).absolutePath();
  struct stat parentStat {};
  ASSERT_EQ(stat(parent.toLocal8Bit().constData(), &parentStat), 0);
  ASSERT_TRUE(parentStat.st_mode & S_IXOTH) << "the unprivileged child must reach " << parent.toStdString();
  EXPECT_EQ(inChild([this] { return t.WriteParameters() == -1 ? 0 : 1; }, true), 0);
  EXPECT_EQ(readBytes(path), old);
  EXPECT_EQ(entriesIn(tmp.path()), QStringList{"velmo.dat"});
  ASSERT_EQ(chmod(tmp.path().toLocal8Bit().constData(), 0700), 0);

  // A write that fails part way (the disk fills up): the temporary file goes, the old one stays.
  EXPECT_EQ(inChild(
                [this] {
                  std::signal(SIGXFSZ, SIG_IGN);
                  const struct rlimit limit = {300, 300};
                  if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
                  return t.WriteParameters() == -1 ? 0 : 1;
                },
                false),
            0);
  EXPECT_EQ(readBytes(path), old);
  EXPECT_EQ(entriesIn(tmp.path()), QStringList{"velmo.dat"});

  // A folder that cannot be made.
  Table other;
  other.setSettingsDir(path + "/sub");
  EXPECT_EQ(other.WriteParameters(), -1);
  EXPECT_EQ(readBytes(path), old);

  // And the write itself still works once the folder allows it.
  EXPECT_EQ(t.WriteParameters(), 0);
  EXPECT_NE(readBytes(path), old);
}

TEST_F(SettingsFileTest, UnreadableFileIsKeptAndBackedUpBeforeTheNextWrite) {
  // A folder where the file should be cannot be read as the file, not even by root.
  ASSERT_TRUE(QDir().mkpath(path));
  writeBytes(path + "/inside", "the user's data");
  makePriorValues(&t);
  t.GetKeyboardActions()->append("MINE", "F7", false);

  EXPECT_EQ(t.ReadParameters(), 1);
  EXPECT_TRUE(QFileInfo(path).isDir());
  EXPECT_EQ(entriesIn(tmp.path()), QStringList{"velmo.dat"});
  // Nothing was read: the values in memory stay, the keyboard lists too.
  EXPECT_EQ(t.settings().destinationPort, 9000);
  EXPECT_EQ(t.GetKeyboardActions()->count(), 4);

  ASSERT_EQ(t.WriteParameters(), 0);
  EXPECT_TRUE(QFileInfo(path).isFile());
  EXPECT_EQ(readBytes(path + ".bak/inside"), "the user's data");
  EXPECT_EQ(decodedLines(readBytes(path))[DestinationPort], "9000.000000");
  // Backed up once only.
  ASSERT_EQ(t.WriteParameters(), 0);
  EXPECT_EQ(entriesIn(tmp.path()), (QStringList{"velmo.dat", "velmo.dat.bak"}));

  // An earlier backup is never replaced by a later one.
  ASSERT_TRUE(QFile::remove(path));
  ASSERT_TRUE(QDir().mkpath(path));
  EXPECT_EQ(t.ReadParameters(), 1);
  ASSERT_EQ(t.WriteParameters(), 0);
  EXPECT_EQ(readBytes(path + ".bak/inside"), "the user's data");
  EXPECT_TRUE(QFileInfo(path + ".bak.1").isDir());
  EXPECT_TRUE(QFileInfo(path).isFile());
}

TEST_F(SettingsFileTest, FileWithoutReadPermissionIsKept) {
  // The same through permissions, in a child that is not root.
  ASSERT_EQ(chmod(tmp.path().toLocal8Bit().constData(), 0777), 0);
  const QByteArray original = fileOf(QList<QByteArray>{"5.000000"});
  writeBytes(path, original);
  ASSERT_EQ(chmod(path.toLocal8Bit().constData(), 0), 0);
  EXPECT_EQ(inChild(
                [this] {
                  if (t.ReadParameters() != 1) return 1;
                  if (t.settings().controllerPos != 0) return 2;
                  if (QFileInfo::exists(path + ".bak")) return 3;
                  return t.WriteParameters() == 0 ? 0 : 4;
                },
                true),
            0);
  // The backup keeps the file as it was, permissions included; given back its read permission
  // it holds the user's bytes (read as the program would, by any user).
  ASSERT_TRUE(QFileInfo::exists(path + ".bak"));
  ASSERT_EQ(chmod((path + ".bak").toLocal8Bit().constData(), 0600), 0);
  EXPECT_EQ(readBytes(path + ".bak"), original);
  EXPECT_EQ(decodedLines(readBytes(path)).size(), UserParamCount + 3);
}

TEST_F(SettingsFileTest, DecimalCommaLocaleDoesNotChangeNumbers) {
  ASSERT_TRUE(activateCommaLocale());
  t.SetUserParam(0.35f, ThumbRingPressSensitivity);
  t.SetUserParam(1.25f, HandMotionScaleFactor);
  const int written = t.WriteParameters();
  Table back;
  back.setSettingsDir(tmp.path());
  const int read = back.ReadParameters();
  const WorkingSettings s = back.settings();
  restoreCLocale();
  ASSERT_EQ(written, 0);
  ASSERT_EQ(read, 0);
  const QList<QByteArray> lines = decodedLines(readBytes(path));
  EXPECT_EQ(lines[ThumbRingPressSensitivity], "0.350000");
  EXPECT_EQ(lines[HandMotionScaleFactor], "1.250000");
  EXPECT_EQ(s.clickPressP[2], 0.35f);
  EXPECT_EQ(s.handMotionScaleFactor, 1.25f);
  EXPECT_EQ(back.GetUserParam(ThumbRingPressSensitivity), 0.35f);
}

TEST(SettingsPath, ApplicationFolderElseTheUsersConfigFolder) {
  QTemporaryDir config;
  ASSERT_TRUE(config.isValid());
  qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
  EXPECT_EQ(Table::defaultSettingsDir(config.path()), config.path());
  EXPECT_EQ(Table::defaultSettingsDir("/nonexistent/velmo/bin"), config.path() + "/velmo-mouse");

  int argc = 1;
  char name[] = "test_settings_file";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  Table t;
  EXPECT_EQ(t.settingsFilePath(), QCoreApplication::applicationDirPath() + "/velmo.dat");
  t.setSettingsDir(config.path() + "/a/b");
  EXPECT_EQ(t.settingsFilePath(), config.path() + "/a/b/velmo.dat");
  // The folder is made when needed.
  t.InitParameters();
  EXPECT_EQ(t.ReadParameters(), 1);
  EXPECT_TRUE(QFileInfo(config.path() + "/a/b/velmo.dat").isFile());
  t.setSettingsDir(QString());
  EXPECT_EQ(t.settingsFilePath(), QCoreApplication::applicationDirPath() + "/velmo.dat");
  qunsetenv("XDG_CONFIG_HOME");
}

TEST_F(SettingsFileTest, ReadsAndWritesWhileTheTrackingThreadReads) {
  std::atomic<bool> stop{false};
  std::thread reader([&] {
    while (!stop.load()) {
      const WorkingSettings s = t.settings();
      (void)t.GetUserParam(s.destinationPort % UserParamCount);
      (void)t.GetKeyboardActions()->at(0);
    }
  });
  for (int k = 0; k < 20; ++k) {
    t.SetUserParam(static_cast<float>(1000 + k), DestinationPort);
    t.DecodeParameters(0);
    ASSERT_EQ(t.WriteParameters(), 0);
    ASSERT_EQ(t.ReadParameters(), 0);
  }
  stop.store(true);
  reader.join();
  EXPECT_EQ(t.settings().destinationPort, 1019);
}
