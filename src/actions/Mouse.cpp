#include "Mouse.h"

#include <QDateTime>
#include <QString>
#include <algorithm>
#include <cmath>

#include "AudioFX.h"
#include "Crypt.h"
#include "MultiMonitor.h"
#include "OsxMousePointer.h"
#include "Desktop.h"

namespace {

// X buttons: 1 left, 2 middle, 3 right; 0 for anything else.
int xButtonOf(actionType button) {
  switch (button) {
    case LeftButton: return 1;
    case MiddleButton: return 2;
    case RightButton: return 3;
    default: return 0;
  }
}

const char* buttonName(int xButton) {
  switch (xButton) {
    case 1: return "LEFT";
    case 2: return "MIDDLE";
    default: return "RIGHT";
  }
}

// Float to whole pixels without overflow: truncated toward zero, NaN as 0.
long long toPixels(double v) {
  if (std::isnan(v)) return 0;
  return static_cast<long long>(std::clamp(v, -1.0e9, 1.0e9));
}

}  // namespace

Mouse::Mouse(Desktop& desktop, int doubleClickTime, float wheelScaleFactor, FILE* log,
             int encryptLog, int relative, int alternativePointer, QObject* parent, int audioFx,
             int onlyPrimaryDisplay)
    : QObject(parent),
      desktop_(desktop),
      doubleClickTime_(doubleClickTime),
      wheelScaleFactor_(wheelScaleFactor),
      logFile_(log),
      encryptLog_(encryptLog),
      relative_(relative),
      alternativePointer_(alternativePointer),
      audioFx_(audioFx),
      onlyPrimaryDisplay_(onlyPrimaryDisplay != 0),
      monitor_(new MultiMonitor(desktop)) {
  // The bounding box, whatever the only-primary switch says, until the first size query.
  width_ = monitor_->GetWidth();
  height_ = monitor_->GetHeight();
  monitor_->pointerSpaceOrigin(false, &originX_, &originY_);
}

Mouse::~Mouse() {
  releaseAllButtons();
  // Never leave the desktop without a cursor.
  desktop_.setCursorHidden(false);
  delete monitor_;
}

int Mouse::getWidthOfScreen() { return refreshPointerSpace().width(); }

int Mouse::getHeightOfScreen() { return refreshPointerSpace().height(); }

QRect Mouse::pointerSpace() {
  refreshPointerSpace();
  std::lock_guard<std::mutex> lock(mutex_);
  return QRect(originX_, originY_, width_, height_);
}

QSize Mouse::refreshPointerSpace() {
  std::lock_guard<std::mutex> monitorLock(monitorMutex_);
  bool primary;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    primary = onlyPrimaryDisplay_;
  }
  monitor_->EnumMonitor();
  const QSize size = primary ? QSize(monitor_->primaryWidth(), monitor_->primaryHeight())
                             : QSize(monitor_->GetWidth(), monitor_->GetHeight());
  std::lock_guard<std::mutex> lock(mutex_);
  width_ = size.width();
  height_ = size.height();
  monitor_->pointerSpaceOrigin(primary, &originX_, &originY_);
  return size;
}

double Mouse::getTimeDiff(timeval* t1, timeval* t2) {
  return ((t2->tv_sec + t2->tv_usec / 1000000.0) - (t1->tv_sec + t1->tv_usec / 1000000.0)) * 1000.0;
}

void Mouse::getLoc(int* x, int* y) {
  int rx = 0, ry = 0;
  const bool ok = desktop_.queryPointer(&rx, &ry);
  std::lock_guard<std::mutex> lock(mutex_);
  if (ok) {
    // Pointer-space coordinates, the frame that move() takes.
    lastX_ = double(rx - originX_);
    lastY_ = double(ry - originY_);
  }
  *x = int(lastX_);
  *y = int(lastY_);
}

int Mouse::isRelative() {
  std::lock_guard<std::mutex> lock(mutex_);
  return relative_;
}

int Mouse::isAlternativeMousePointer() {
  std::lock_guard<std::mutex> lock(mutex_);
  return alternativePointer_;
}

int Mouse::getDoubleClickTime() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return doubleClickTime_;
}

float Mouse::getWheelScaleFactor() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return wheelScaleFactor_;
}

bool Mouse::isOnlyPrimaryDisplay() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return onlyPrimaryDisplay_;
}

std::int32_t Mouse::wheelAccumulator() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return wheelAccumulator_;
}

void Mouse::setParam(int doubleClickTime, float wheelScaleFactor, int relative,
                     int alternativePointer, int onlyPrimaryDisplay) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    doubleClickTime_ = doubleClickTime;
    wheelScaleFactor_ = wheelScaleFactor;
    relative_ = relative;
    alternativePointer_ = alternativePointer;
    onlyPrimaryDisplay_ = onlyPrimaryDisplay != 0;
  }
  if (OsxMousePointer* p = pointer_.load()) {
    if (alternativePointer != 0) {
      p->show();
    } else {
      p->hide();
    }
  }
}

void Mouse::HidePointer(bool hide) {
  // One root window spans every display on X11, so one request covers them all.
  desktop_.setCursorHidden(hide);
}

void Mouse::SetMousePointer(OsxMousePointer* pointer) {
  pointer_.store(pointer);
  if (!pointer) return;
  int X, Y;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    X = originX_ + width_ / 2;
    Y = originY_ + height_ / 2;
  }
  pointer->moveToRoot(X, Y);
}

void Mouse::DeleteMousePointer() {
  if (OsxMousePointer* p = pointer_.load()) p->hide();
}

void Mouse::resetWheel() {
  std::lock_guard<std::mutex> lock(mutex_);
  wheelAccumulator_ = 0;
}

void Mouse::Log(const char* text) {
  std::lock_guard<std::mutex> lock(logMutex_);
  if (!logFile_) return;
  QString line = QDateTime::currentDateTime().toString(Qt::TextDate) + " " + QString::fromUtf8(text);
  if (encryptLog_) {
    Crypt crypt;
    line = crypt.encrypt(line);
  }
  fprintf(logFile_, "%s\n", line.toUtf8().constData());
}

void Mouse::clampToSpace(long long* x, long long* y) const {
  // Called with mutex_ held. Without a known size only the backend's own limits apply.
  if (width_ > 0) *x = std::clamp(*x, 0LL, (long long)width_ - 1);
  if (height_ > 0) *y = std::clamp(*y, 0LL, (long long)height_ - 1);
}

void Mouse::move(float x, float y, int alternativePointer, int relative, int) {
  OsxMousePointer* window = alternativePointer ? pointer_.load() : nullptr;
  long long px = toPixels(x), py = toPixels(y);
  if (relative) {
    if (px == 0 && py == 0) return;  // nowhere to go: no round trip to ask where the pointer is
    // Relative: the current position plus the delta.
    int cx = 0, cy = 0;
    if (window) {
      window->lastRootPosition(&cx, &cy);
    } else if (!desktop_.queryPointer(&cx, &cy)) {
      return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    px += cx - originX_;
    py += cy - originY_;
  }
  long long rootX, rootY;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    clampToSpace(&px, &py);
    rootX = px + originX_;
    rootY = py + originY_;
  }
  if (window) {
    window->moveToRoot(int(rootX), int(rootY));
  } else {
    desktop_.moveTo(rootX, rootY);
  }
}

void Mouse::pressButton(int xButton, bool press) {
  if (xButton == 0) return;
  {
    std::lock_guard<std::mutex> lock(buttonMutex_);
    desktop_.button(xButton, press);
    if (press) {
      heldButtons_ |= 1u << xButton;
    } else {
      heldButtons_ &= ~(1u << xButton);
    }
  }
  if (logFile_) {
    Log(QString("%1 BUTTON %2").arg(buttonName(xButton), press ? "PRESSED" : "RELEASED")
            .toUtf8()
            .constData());
  }
  const int fx = press ? FxButtonPressed : FxButtonReleased;
  desktop_.afterWrite([this, fx] { emit playEffect(fx); });
}

void Mouse::releaseAllButtons() {
  std::lock_guard<std::mutex> lock(buttonMutex_);
  for (int b = 1; b <= 3; ++b)
    if (heldButtons_ & (1u << b)) desktop_.button(b, false);
  heldButtons_ = 0;
}

unsigned Mouse::heldButtons() const {
  std::lock_guard<std::mutex> lock(buttonMutex_);
  return heldButtons_;
}

void Mouse::buttonPress(actionType button) { pressButton(xButtonOf(button), true); }

int Mouse::buttonRelease(actionType button) {
  pressButton(xButtonOf(button), false);
  return 0;
}

void Mouse::rightPress() { pressButton(3, true); }

void Mouse::rightRelease() { pressButton(3, false); }

void Mouse::wheelMove(float delta, int forward) {
  // delta is the circle's progress in turns since it started turning the wheel; the accumulator
  // holds the notches already sent for this circle, so each call sends only the new ones.
  int notches = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const double turns = double(delta) * double(wheelScaleFactor_) * double(kNotchesPerTurn);
    const double target = std::isfinite(turns) ? std::clamp(turns, 0.0, 1.0e6) : 0.0;
    notches = std::clamp(int(std::floor(target)) - int(wheelAccumulator_), 0, kMaxNotchesPerCall);
    wheelAccumulator_ += notches;
  }
  if (notches == 0) return;
  for (int i = 0; i < notches; ++i) desktop_.wheelNotch(forward != 0);
  const int fx = forward ? FxWheelForward : FxWheelDownward;
  desktop_.afterWrite([this, fx] { emit playEffect(fx); });
}
