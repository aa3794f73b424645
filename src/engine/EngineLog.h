#pragma once

#include <atomic>
#include <cstdio>
#include <mutex>

// The diagnostic log "./fingerData.dat": one line per message, the local date and time in Qt's
// text form, a blank and the message, optionally replaced by its cipher text. The GUI thread logs
// disconnects while the tracking thread logs frames, so lines are written one at a time.
class EngineLog {
 public:
  // A file that could not be opened leaves the log closed.
  void open(const char* path);
  void close();
  bool isOpen() const { return file_.load() != nullptr; }
  FILE* file() const { return file_.load(); }
  void setEncrypted(bool on) { encrypted_.store(on ? 1 : 0); }
  int encrypted() const { return encrypted_.load(); }

  void write(const char* message);
  // The whole formatted text as one message.
  void printf(const char* format, ...) __attribute__((format(printf, 2, 3)));

 private:
  std::mutex mutex_;  // one line at a time, and not while the file closes
  std::atomic<FILE*> file_{nullptr};
  std::atomic<int> encrypted_{0};
};
