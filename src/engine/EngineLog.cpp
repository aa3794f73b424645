#include "EngineLog.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdarg>
#include <string>

#include "Crypt.h"

void EngineLog::open(const char* path) {
  std::lock_guard<std::mutex> lock(mutex_);
  file_.store(std::fopen(path, "w"));
}

void EngineLog::close() {
  std::lock_guard<std::mutex> lock(mutex_);
  FILE* file = file_.exchange(nullptr);
  if (file != nullptr) std::fclose(file);
}

void EngineLog::write(const char* message) {
  if (message == nullptr) return;
  std::lock_guard<std::mutex> lock(mutex_);
  FILE* file = file_.load();
  if (file == nullptr) return;
  QString text = QDateTime::currentDateTime().toString(Qt::TextDate) + QLatin1Char(' ') +
                 QString::fromUtf8(message);
  if (encrypted_.load() != 0) {
    Crypt crypt;
    text = crypt.encrypt(text);
  }
  const QByteArray bytes = text.toUtf8();
  std::fprintf(file, "%s\n", bytes.constData());
}

void EngineLog::printf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int n = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  // Measured first, so no line is ever cut short.
  std::string text(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
  if (n > 0) std::vsnprintf(&text[0], text.size() + 1, format, again);
  va_end(again);
  write(text.c_str());
}
