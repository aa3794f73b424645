#pragma once

#include <atomic>
#include <mutex>

#include "ParameterNames.h"
#include "WorkingSettings.h"
#include "keyboardAct.h"

// The engine's settings: the two numbered float tables, the typed working settings decoded from
// them, and the keyboard actions. The GUI thread edits them while the tracking thread reads them
// every frame, so the tables and settings sit behind one lock; the recogniser takes a copy of the
// working settings per frame. Values other objects keep a pointer to (network mode, effect
// switches) are mirrored in atomics.
class ParameterTable {
 public:
  ParameterTable();
  ParameterTable(const ParameterTable&) = delete;
  ParameterTable& operator=(const ParameterTable&) = delete;

  void InitParameters();
  void EncodeParameters();
  void DecodeParameters(int withAdmin);

  // Outside the table a read gives 0 and a write is ignored.
  float GetUserParam(int index) const;
  void SetUserParam(float value, int index);
  float GetAdminParam(int index) const;
  void SetAdminParam(float value, int index);

  int IsAdmin() const;

  // The settings file "velmo.dat" (implemented in SettingsFile.cpp).
  int WriteParameters();
  int ReadParameters();
  // Folder of the settings file; empty means the default (the application directory, or the
  // user's configuration folder when that is not writable).
  void setSettingsDir(const QString& dir);
  // Where the settings live: once read or saved, that file (a save that could not go to the
  // program's folder goes to the user's configuration folder, and stays there).
  QString settingsFilePath() const;
  keyboardAct* GetKeyboardActions();
  const keyboardAct* GetKeyboardActions() const;

  // A consistent copy of the working settings.
  WorkingSettings settings() const;
  int encryptLog() const;

  // Live values read through pointers by the engine's sink on every operation.
  const std::atomic<int>* networkModePtr() const { return &networkMode_; }
  const std::atomic<bool>* audioFxPtr() const { return &audioFx_; }
  const std::atomic<bool>* audioFxBorderPtr() const { return &audioFxBorder_; }
  const std::atomic<bool>* graphicFxPtr() const { return &graphicFx_; }

 protected:
  // For engine code that changes one working setting together with its table entry.
  void setHandMotionScaleFactorBoth(float value);
  // Administrator mode (the administrator lines of the settings file); nothing in the program
  // turns it on, tests do.
  void setAdminMode(int on);
  // Folder of the settings file for an application folder: that folder when it is writable, else
  // the user's configuration folder.
  static QString defaultSettingsDir(const QString& appDir);
  // The program's folder; empty means QCoreApplication's (tests point it elsewhere).
  void setApplicationDir(const QString& dir);
  // Changes a working setting directly (runtime operations that bypass the tables).
  template <typename F>
  void updateSettings(F&& change) {
    std::lock_guard<std::mutex> lock(mutex_);
    change(settings_);
    publishLocked();
  }

 private:
  void encodeLocked();
  QString applicationDir() const;
  // With no file at path: a "velmo.dat" in the program's folder (which is then read-only) is
  // copied there as the user's starting point. Returns the file to read.
  QString adoptApplicationFile(const QString& path);
  // The file at path, or the one in the user's configuration folder when both exist and that one
  // is newer: a save that could not go beside the program went there.
  QString newestDefaultFile(const QString& path) const;
  // The user's configuration folder's file, when the default folder is not already that one.
  QString configFallback(const QString& path) const;
  void publishLocked();

  mutable std::mutex mutex_;
  float userTable_[UserParamCount] = {};
  float adminTable_[AdminParamCount] = {};
  WorkingSettings settings_;
  int adminMode_ = 0;
  QString settingsDir_;
  QString settingsPath_;  // the file read or last saved; empty before either
  QString applicationDir_;
  bool keepBackupBeforeWrite_ = false;  // an unreadable file exists: save it before replacing it
  int encryptLog_ = 0;
  keyboardAct keyboardActions_;

  std::atomic<int> networkMode_{0};
  std::atomic<bool> audioFx_{true};
  std::atomic<bool> audioFxBorder_{false};
  std::atomic<bool> graphicFx_{true};
};
