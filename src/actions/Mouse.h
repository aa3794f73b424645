#pragma once

#include <QObject>
#include <QRect>
#include <QSize>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <sys/time.h>

#include "ActionTypes.h"

class Desktop;
class MultiMonitor;
class OsxMousePointer;

// The local pointer device: pointer space, pointer location, cursor hiding, the alternative pointer
// window, and the posting of moves, buttons and wheel steps on the desktop it is given.
class Mouse : public QObject {
  Q_OBJECT

 public:
  Mouse(Desktop& desktop, int doubleClickTime, float wheelScaleFactor, FILE* log, int encryptLog,
        int relative, int alternativePointer, QObject* parent, int audioFx, int onlyPrimaryDisplay);
  ~Mouse() override;

  int getWidthOfScreen();
  int getHeightOfScreen();
  // The pointer space in root pixels: its size as the two above, its origin where it lies on the
  // desktop (the main display's corner with only-primary-display on).
  QRect pointerSpace();
  double getTimeDiff(timeval* t1, timeval* t2);
  void getLoc(int* x, int* y);
  int isRelative();
  int isAlternativeMousePointer();
  void setParam(int doubleClickTime, float wheelScaleFactor, int relative, int alternativePointer,
                int onlyPrimaryDisplay);
  void HidePointer(bool hide);
  void SetMousePointer(OsxMousePointer* pointer);
  void DeleteMousePointer();
  void resetWheel();
  void Log(const char* text);

  void move(float x, float y, int alternativePointer, int relative, int);
  void buttonPress(actionType button);
  int buttonRelease(actionType button);
  void rightPress();
  void rightRelease();
  void wheelMove(float delta, int forward);
  // Lets go of every button this object holds down, without effects or notifications (tracking
  // gone, pause, quit). Safe from any thread.
  void releaseAllButtons();
  // X buttons (1 left, 2 middle, 3 right) held down by this object, one bit each (1 << button).
  unsigned heldButtons() const;

  // Wheel notches per turn of the forefinger circle at a wheel scale factor of 1.0.
  static constexpr float kNotchesPerTurn = 10.0f;
  // At most this many notches go out in one call; the rest follow on later calls.
  static constexpr int kMaxNotchesPerCall = 20;

  // Readers for the tray window and tests.
  int getDoubleClickTime() const;
  float getWheelScaleFactor() const;
  bool isOnlyPrimaryDisplay() const;
  int getAudioFx() const { return audioFx_; }
  std::int32_t wheelAccumulator() const;
  OsxMousePointer* mousePointer() const { return pointer_.load(); }

 signals:
  void playEffect(int value);

 private:
  // Re-reads the displays: the pointer space's size and origin follow the current layout.
  QSize refreshPointerSpace();
  void refreshOrigin();
  void clampToSpace(long long* x, long long* y) const;
  void pressButton(int xButton, bool press);

  Desktop& desktop_;
  mutable std::mutex mutex_;  // the fields below
  int doubleClickTime_;
  float wheelScaleFactor_;
  FILE* const logFile_;
  const int encryptLog_;
  int relative_;
  int alternativePointer_;
  const int audioFx_;
  bool onlyPrimaryDisplay_;
  int width_ = 0;
  int height_ = 0;
  int originX_ = 0;  // root coordinates of the pointer space's top-left corner
  int originY_ = 0;
  std::int32_t wheelAccumulator_ = 0;  // notches posted for the current circle
  double lastX_ = 0.0;
  double lastY_ = 0.0;

  std::mutex logMutex_;
  mutable std::mutex buttonMutex_;  // a button's post and its bit change together
  unsigned heldButtons_ = 0;
  std::mutex monitorMutex_;  // the display object is not for two threads at once
  MultiMonitor* monitor_;
  std::atomic<OsxMousePointer*> pointer_{nullptr};
};
