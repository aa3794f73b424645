// Any bytes as "velmo.dat": read at start-up, saved, read back. The settings in use stay in their
// ranges, and once saved they read back the same and save to the same bytes.
#include "FuzzCheck.h"
#include "EngineSettings.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <cstddef>
#include <cstdint>

#include <unistd.h>

namespace {

QByteArray readAll(const QString& path) {
  QFile f(path);
  check(f.open(QIODevice::ReadOnly));
  return f.readAll();
}

void checkRanges(const EngineSettings& t) {
  const WorkingSettings s = t.settings();
  for (int i = 0; i < UserParamCount; ++i) check(std::isfinite(t.GetUserParam(i)));
  check(s.controllerPos >= 0 && s.controllerPos <= 2);
  check(s.networkMode >= 0 && s.networkMode <= 2);
  check(s.destinationPort >= 1 && s.destinationPort <= 65535);
  for (int k = 0; k < 4; ++k) {
    check(s.pinchAction[k] >= 0 && s.pinchAction[k] <= 4);
    check(s.destinationIp[k] >= 0 && s.destinationIp[k] <= 255);
    check(std::isfinite(s.clickPressP[k]) && std::isfinite(s.clickReleaseP[k]));
  }
  check(std::isfinite(s.handMotionScaleFactor) && std::isfinite(s.wheelScaleFactor));
  const keyboardAct* k = t.GetKeyboardActions();
  check(k->names().size() == k->count() && k->keys().size() == k->count() && k->osKey().size() == k->count());
}

// A start as the engine makes it: defaults, then the file.
void start(EngineSettings& t, const QString& dir) {
  t.GetKeyboardActions()->clear();
  t.InitParameters();
  t.setSettingsDir(dir);
  t.ReadParameters();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // On tmpfs when there is one we may write to (every save is synced to disk), else the usual place.
  static QTemporaryDir tmp((access("/dev/shm", W_OK) == 0 ? QStringLiteral("/dev/shm") : QDir::tempPath()) +
                           QStringLiteral("/velmo-fuzz-XXXXXX"));
  check(tmp.isValid());
  const QString dir = tmp.path() + "/s";
  QDir(dir).removeRecursively();
  check(QDir().mkpath(dir));
  const QString path = dir + "/velmo.dat";
  {
    QFile f(path);
    check(f.open(QIODevice::WriteOnly));
    check(f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) == static_cast<qint64>(size));
  }

  EngineSettings first;
  start(first, dir);
  checkRanges(first);
  check(first.WriteParameters() == 0);
  const QByteArray saved = readAll(path);

  // The first save normalises (six decimals, one-line names); from then on nothing changes.
  EngineSettings second;
  start(second, dir);
  checkRanges(second);
  check(second.WriteParameters() == 0);
  check(readAll(path) == saved);
  EngineSettings third;
  start(third, dir);
  for (int i = 0; i < UserParamCount; ++i) check(third.GetUserParam(i) == second.GetUserParam(i));
  const QList<keyboardAct::Entry> x = second.GetKeyboardActions()->entries();
  const QList<keyboardAct::Entry> y = third.GetKeyboardActions()->entries();
  check(x.size() == y.size());
  for (int i = 0; i < x.size(); ++i)
    check(x[i].name == y[i].name && x[i].keys == y[i].keys && x[i].osKey == y[i].osKey);
  return 0;
}
