#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <mutex>
#include <utility>
#include <vector>

#include "keyboardAct.h"

// The settings file "velmo.dat" and where it lives. It knows the file's lines, not what the
// numbers mean: the engine's settings hand it their tables to write and take what it read.
// Safe from any thread.
class SettingsFile {
 public:
  // What a read found: the numbers by line (user parameters first, then administrator ones), the
  // keyboard actions and whether the file says which ones there are, and its count of lines.
  struct Contents {
    std::vector<std::pair<int, float>> numbers;
    QList<keyboardAct::Entry> actions;
    bool saysActions = false;
    int lineCount = 0;
  };
  enum class ReadOutcome { Missing, Unreadable, Read };

  // Folder of the file; empty means the default (the application directory, or the user's
  // configuration folder when that is not writable).
  void setSettingsDir(const QString& dir);
  // The program's folder; empty means QCoreApplication's (tests point it elsewhere).
  void setApplicationDir(const QString& dir);
  // Folder of the file for an application folder: that folder when it is writable, else the
  // user's configuration folder.
  static QString defaultSettingsDir(const QString& appDir);
  // Once read or saved, that file (a save that could not go to the program's folder goes to the
  // user's configuration folder, and stays there).
  QString path() const;

  // The numbers (one line each), then the actions; 0 when saved, -1 when not.
  int write(const std::vector<float>& numbers, const QList<keyboardAct::Entry>& actions);
  // numberLines: how many lines at the start are numbers.
  ReadOutcome read(int numberLines, Contents* contents);

 private:
  QString applicationDir() const;
  // With no file at path: a "velmo.dat" in the program's folder (which is then read-only) is
  // copied there as the user's starting point. Returns the file to read.
  QString adoptApplicationFile(const QString& path);
  // The file at path, or the one in the user's configuration folder when both exist and that one
  // is newer: a save that could not go beside the program went there.
  QString newestDefaultFile(const QString& path) const;
  // The user's configuration folder's file, when the default folder is not already that one.
  QString configFallback(const QString& path) const;

  mutable std::mutex mutex_;
  QString settingsDir_;
  QString settingsPath_;  // the file read or last saved; empty before either
  QString applicationDir_;
  bool keepBackupBeforeWrite_ = false;  // an unreadable file exists: save it before replacing it
};
