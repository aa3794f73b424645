// The diagnostic log: one line per message, the local date and time in Qt's text form, a blank
// and the message, optionally replaced by its cipher text.
#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "Crypt.h"
#include "VelmoGestures.h"

int VelmoGestures::isLog() const {
  // A log that could not be opened counts as off: every caller may then skip its formatting.
  return logFile_.load() != nullptr && settings().enableLog != 0 ? 1 : 0;
}

void VelmoGestures::Log(const char* message) {
  if (message == nullptr) return;
  // The GUI thread logs disconnects while the tracking thread logs frames.
  std::lock_guard<std::mutex> lock(logMutex_);
  FILE* file = logFile_.load();
  if (file == nullptr) return;
  QString text = QDateTime::currentDateTime().toString(Qt::TextDate) + QLatin1Char(' ') +
                 QString::fromUtf8(message);
  if (logEncrypted_.load() != 0) {
    Crypt crypt;
    text = crypt.encrypt(text);
  }
  const QByteArray bytes = text.toUtf8();
  std::fprintf(file, "%s\n", bytes.constData());
}

void VelmoGestures::closeLogFile() {
  std::lock_guard<std::mutex> lock(logMutex_);
  FILE* file = logFile_.exchange(nullptr);
  if (file != nullptr) std::fclose(file);
}

void VelmoGestures::setBuiltInLogSwitches(int enableLog, int encryptLog) {
  builtInEnableLog_.store(enableLog != 0 ? 1 : 0);
  builtInEncryptLog_.store(encryptLog != 0 ? 1 : 0);
}
