#pragma once

#include <atomic>
#include <mutex>

#include "ParameterNames.h"
#include "SettingsFile.h"
#include "WorkingSettings.h"
#include "keyboardAct.h"

// The engine's settings: the two numbered float tables, the typed working settings decoded from
// them, and the keyboard actions. The GUI thread edits them while the tracking thread reads them
// every frame, so the tables and settings sit behind one lock; the recogniser takes a copy of the
// working settings per frame. Values other objects keep a pointer to (network mode, effect
// switches) are mirrored in atomics.
class EngineSettings {
 public:
  EngineSettings();
  EngineSettings(const EngineSettings&) = delete;
  EngineSettings& operator=(const EngineSettings&) = delete;

  void InitParameters();
  void EncodeParameters();
  void DecodeParameters(int withAdmin);

  // Outside the table a read gives 0 and a write is ignored.
  float GetUserParam(int index) const;
  void SetUserParam(float value, int index);
  float GetAdminParam(int index) const;
  void SetAdminParam(float value, int index);

  int IsAdmin() const;

  // The settings file "velmo.dat".
  int WriteParameters();
  int ReadParameters();
  // Folder of the settings file; empty means the default (the application directory, or the
  // user's configuration folder when that is not writable).
  void setSettingsDir(const QString& dir) { file_.setSettingsDir(dir); }
  // Where the settings live: once read or saved, that file (a save that could not go to the
  // program's folder goes to the user's configuration folder, and stays there).
  QString settingsFilePath() const { return file_.path(); }
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

  // For engine code that changes one working setting together with its table entry.
  void setHandMotionScaleFactorBoth(float value);
  // Changes a working setting directly (runtime operations that bypass the tables).
  template <typename F>
  void updateSettings(F&& change) {
    std::lock_guard<std::mutex> lock(mutex_);
    change(settings_);
    publishLocked();
  }

 protected:
  // Administrator mode (the administrator lines of the settings file); nothing in the program
  // turns it on, tests do.
  void setAdminMode(int on);
  static QString defaultSettingsDir(const QString& appDir) {
    return SettingsFile::defaultSettingsDir(appDir);
  }
  void setApplicationDir(const QString& dir) { file_.setApplicationDir(dir); }

 private:
  void encodeLocked();
  void publishLocked();

  mutable std::mutex mutex_;
  float userTable_[UserParamCount] = {};
  float adminTable_[AdminParamCount] = {};
  WorkingSettings settings_;
  int adminMode_ = 0;
  int encryptLog_ = 0;
  SettingsFile file_;
  keyboardAct keyboardActions_;

  std::atomic<int> networkMode_{0};
  std::atomic<bool> audioFx_{true};
  std::atomic<bool> audioFxBorder_{false};
  std::atomic<bool> graphicFx_{true};
};
