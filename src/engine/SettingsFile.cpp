// The settings file "velmo.dat": one Base64 line per user parameter ("%f" text), the
// administrator parameters in administrator mode, then one line per keyboard action
// (name TAB 0|1 TAB keys). The file holds the user's settings, so nothing here may lose them:
// writes are atomic, a file that cannot be read whole is kept as a backup before it is first
// replaced, a damaged line keeps its value.
#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>
#include <QTextCodec>
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "SettingsFile.h"
#include "base64.h"

namespace {

const char kFileName[] = "velmo.dat";

// Numbers are C-locale text whatever the user's locale: a decimal comma would turn 0.35 into 0
// for every other reader of the file.
locale_t cLocale() {
  static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return loc;
}

std::string formatNumber(float value) {
  const locale_t previous = uselocale(cLocale());
  const double d = value;
  const int n = std::snprintf(nullptr, 0, "%f", d);
  std::string text(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
  if (n > 0) std::snprintf(&text[0], text.size() + 1, "%f", d);
  uselocale(previous);
  return text;
}

// Only a whole, finite number that fits a float is taken; a cut-off or garbled line must not
// replace a good value.
bool parseNumber(const std::string& text, float* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  const double d = strtod_l(text.c_str(), &end, cLocale());
  if (end == text.c_str() || end != text.c_str() + text.size()) return false;
  if (!std::isfinite(d) || std::fabs(d) > FLT_MAX) return false;
  *value = static_cast<float>(d);
  return true;
}

void appendLine(QByteArray* content, const QByteArray& text) {
  const std::string line =
      base64_encode(reinterpret_cast<const unsigned char*>(text.constData()),
                    static_cast<unsigned int>(text.size()));
  content->append(line.data(), static_cast<int>(line.size()));
  content->append('\n');
}

// A TAB would split the entry into the wrong fields and a line break would end the line.
QString oneField(QString text) {
  for (QChar& c : text) {
    const ushort u = c.unicode();
    if (u == '\t' || u == '\n' || u == '\r' || u == '\v' || u == '\f' || u == 0x85 || u == 0x2028 ||
        u == 0x2029)
      c = QLatin1Char(' ');
  }
  return text;
}

// We write UTF-8; older files carry Latin-1 bytes, which are rarely valid UTF-8.
QString textFromFile(const std::string& bytes) {
  QTextCodec* utf8 = QTextCodec::codecForName("UTF-8");
  if (utf8 != nullptr) {
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    const QString text = utf8->toUnicode(bytes.data(), static_cast<int>(bytes.size()), &state);
    if (state.invalidChars == 0 && state.remainingChars == 0) return text;
  }
  return QString::fromLatin1(bytes.data(), static_cast<int>(bytes.size()));
}

keyboardAct::Entry actionFromText(const QString& text) {
  const QStringList fields = text.split(QLatin1Char('\t'), Qt::KeepEmptyParts);
  keyboardAct::Entry e;
  e.name = fields.value(0);
  bool ok = false;
  e.osKey = fields.value(1).toInt(&ok) == 1 && ok;
  e.keys = fields.value(2);
  return e;
}

// "velmo.dat.bak", or a numbered name when an earlier backup is already there.
QString freeBackupName(const QString& path) {
  const QString base = path + QStringLiteral(".bak");
  QString name = base;
  for (int k = 1; QFileInfo(name).exists() || QFileInfo(name).isSymLink(); ++k)
    name = base + QLatin1Char('.') + QString::number(k);
  return name;
}

bool present(const QFileInfo& info) { return info.exists() || info.isSymLink(); }

const char* kindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return "not a regular file";
}

enum class ReadResult { Read, Unreadable, NotAFile };

// The whole file. Opened without blocking and checked before reading: a FIFO named velmo.dat
// would otherwise hold start-up for good.
ReadResult readSettingsFile(const QString& path, QByteArray* data) {
  const QByteArray name = QFile::encodeName(path);
  const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat st {};
  // A socket cannot even be opened.
  const bool known = fd >= 0 ? ::fstat(fd, &st) == 0 : ::stat(name.constData(), &st) == 0;
  if (known && !S_ISREG(st.st_mode)) {
    qWarning().noquote() << QStringLiteral("velmo.dat: %1 is %2, not a settings file; not read")
                                .arg(path, QLatin1String(kindOf(st.st_mode)));
    if (fd >= 0) ::close(fd);
    return ReadResult::NotAFile;
  }
  if (fd < 0) return ReadResult::Unreadable;
  ReadResult result = ReadResult::Read;
  if (!known) {
    result = ReadResult::Unreadable;
  } else {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    char buf[8192];
    for (;;) {
      const ssize_t n = ::read(fd, buf, sizeof buf);
      if (n == 0) break;
      if (n < 0) {
        if (errno == EINTR) continue;
        result = ReadResult::Unreadable;
        break;
      }
      data->append(buf, static_cast<int>(n));
    }
  }
  ::close(fd);
  return result;
}

// Atomic: the old file stays whole until the new one is complete. error says why it failed.
bool saveFile(const QString& path, const QByteArray& content, QString* error) {
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
    *error = QStringLiteral("its folder cannot be made");
    return false;
  }
  // The explicit flush matters: commit() does not notice a buffered write that failed on close.
  QSaveFile file(path);
  const bool written = file.open(QIODevice::WriteOnly) &&
                       file.write(content) == static_cast<qint64>(content.size()) && file.flush() &&
                       file.commit();
  if (!written) {
    *error = file.errorString();
    file.cancelWriting();
  }
  return written;
}

}  // namespace

void SettingsFile::setSettingsDir(const QString& dir) {
  std::lock_guard<std::mutex> lock(mutex_);
  settingsDir_ = dir;
  settingsPath_.clear();
}

QString SettingsFile::defaultSettingsDir(const QString& appDir) {
  const QString dir = QDir(appDir).path();
  const QFileInfo info(dir);
  if (info.isDir() && info.isWritable()) return dir;
  // Installed system-wide: the user's configuration folder.
  const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  if (config.isEmpty()) return dir;
  return QDir(config).filePath(QStringLiteral("velmo-mouse"));
}

void SettingsFile::setApplicationDir(const QString& dir) {
  std::lock_guard<std::mutex> lock(mutex_);
  applicationDir_ = dir;
}

QString SettingsFile::applicationDir() const {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!applicationDir_.isEmpty()) return applicationDir_;
  }
  return QCoreApplication::instance() != nullptr ? QCoreApplication::applicationDirPath()
                                                 : QDir::currentPath();
}

QString SettingsFile::path() const {
  QString dir;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!settingsPath_.isEmpty()) return settingsPath_;
    dir = settingsDir_;
  }
  if (dir.isEmpty()) dir = defaultSettingsDir(applicationDir());
  return QDir(dir).filePath(QLatin1String(kFileName));
}

QString SettingsFile::adoptApplicationFile(const QString& path) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!settingsDir_.isEmpty()) return path;
  }
  const QString appFile = QDir(QDir(applicationDir()).path()).filePath(QLatin1String(kFileName));
  if (appFile == path || !QFileInfo(appFile).isFile()) return path;
  // A file shipped or left beside a program the user may not write to: it is where the user's own
  // settings start from, not something to ignore.
  if (QDir().mkpath(QFileInfo(path).absolutePath()) && QFile::copy(appFile, path)) {
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    qWarning().noquote() << QStringLiteral("velmo.dat: %1 is read-only; the settings it holds now live in %2")
                                .arg(appFile, path);
    return path;
  }
  qWarning().noquote() << QStringLiteral("velmo.dat: could not copy %1 to %2; reading it in place")
                              .arg(appFile, path);
  return appFile;
}

QString SettingsFile::configFallback(const QString& path) const {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!settingsDir_.isEmpty()) return QString();
  }
  const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  if (config.isEmpty()) return QString();
  const QString fallback = QDir(config).filePath(QStringLiteral("velmo-mouse/") + QLatin1String(kFileName));
  return QFileInfo(fallback).absoluteFilePath() == QFileInfo(path).absoluteFilePath() ? QString()
                                                                                      : fallback;
}

QString SettingsFile::newestDefaultFile(const QString& path) const {
  const QString fallback = configFallback(path);
  if (fallback.isEmpty()) return path;
  const QFileInfo own(path), other(fallback);
  if (!own.isFile() || !other.isFile() || own.lastModified() >= other.lastModified()) return path;
  qWarning().noquote() << QStringLiteral("velmo.dat: reading %1, which is newer than %2").arg(fallback, path);
  return fallback;
}

int SettingsFile::write(const std::vector<float>& numbers,
                        const QList<keyboardAct::Entry>& actions) {
  bool keepBackup = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    keepBackup = keepBackupBeforeWrite_;
  }

  QByteArray content;
  for (float v : numbers) appendLine(&content, QByteArray::fromStdString(formatNumber(v)));
  for (const keyboardAct::Entry& e : actions) {
    const QString text = oneField(e.name) + QLatin1Char('\t') +
                         QLatin1Char(e.osKey ? '1' : '0') + QLatin1Char('\t') + oneField(e.keys);
    appendLine(&content, text.toUtf8());
  }

  const QString path = this->path();
  const QFileInfo info(path);

  // A file we could not read may still be the user's only copy: move it aside, never over it.
  QString backup;
  QString error;
  bool written = false;
  if (keepBackup && present(info)) {
    backup = freeBackupName(path);
    if (!QDir().rename(path, backup)) {
      backup.clear();
      error = QStringLiteral("the file there could not be moved aside");
    }
  }
  if (error.isEmpty()) {
    written = saveFile(path, content, &error);
    if (!written && !backup.isEmpty()) QDir().rename(backup, path);
  }

  QString savedTo = path;
  if (!written) {
    // Not where they were read: the user's configuration folder then, which is read from now on
    // (at the next start too, being the newer file), so nothing saved is lost or shadowed.
    const QString fallback = configFallback(path);
    QString fallbackError;
    if (!fallback.isEmpty() && saveFile(fallback, content, &fallbackError)) {
      qWarning().noquote() << QStringLiteral("velmo.dat: could not save the settings to %1 (%2); saved them to %3, read from now on")
                                  .arg(path, error, fallback);
      savedTo = fallback;
    } else {
      qWarning().noquote() << QStringLiteral("velmo.dat: could not save the settings to %1 (%2)%3; the file there keeps the earlier settings")
                                  .arg(path, error,
                                       fallback.isEmpty() ? QString()
                                                          : QStringLiteral(" nor to %1 (%2)").arg(fallback, fallbackError));
      return -1;
    }
  }
  std::lock_guard<std::mutex> lock(mutex_);
  settingsPath_ = savedTo;
  if (savedTo == path) keepBackupBeforeWrite_ = false;
  return 0;
}

SettingsFile::ReadOutcome SettingsFile::read(int numberLines, Contents* contents) {
  QString path = newestDefaultFile(this->path());
  if (!present(QFileInfo(path))) path = adoptApplicationFile(path);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    settingsPath_ = path;
  }
  if (!present(QFileInfo(path))) return ReadOutcome::Missing;

  QByteArray data;
  if (readSettingsFile(path, &data) != ReadResult::Read) {
    // The defaults apply in memory; the file stays as it is until a write moves it aside.
    std::lock_guard<std::mutex> lock(mutex_);
    keepBackupBeforeWrite_ = true;
    return ReadOutcome::Unreadable;
  }

  std::vector<std::pair<int, float>>& numbers = contents->numbers;
  QList<keyboardAct::Entry>& actions = contents->actions;
  int lineCount = 0;
  bool whole = true;  // every line read as written
  for (int start = 0; start < data.size();) {
    int end = data.indexOf('\n', start);
    if (end < 0) end = data.size();
    const std::string line(data.constData() + start, static_cast<std::size_t>(end - start));
    start = end + 1;
    const int i = lineCount++;

    std::string bytes;
    const bool complete = base64_decode_line(line, &bytes);
    if (!complete) whole = false;
    if (i < numberLines) {
      float v = 0.0f;
      if (complete && parseNumber(bytes, &v))
        numbers.emplace_back(i, v);
      else
        whole = false;
    } else {
      // A damaged action line still takes its place, so the pinches' action indices stay right.
      actions.append(actionFromText(textFromFile(bytes)));
    }
  }

  // A file that ends before its keyboard actions does not say there are none: the ones held (the
  // defaults at start-up) stay. Nor does one in which no parameter line is usable: that is not
  // a settings file at all, and its other lines are not actions.
  contents->saysActions = lineCount >= numberLines && !numbers.empty();
  contents->lineCount = lineCount;
  if (lineCount < numberLines) whole = false;
  // Whatever the file held beyond what was read is the user's: kept aside at the next write.
  std::lock_guard<std::mutex> lock(mutex_);
  keepBackupBeforeWrite_ = !whole && !data.isEmpty();
  return ReadOutcome::Read;
}
