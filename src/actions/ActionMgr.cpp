#include "ActionMgr.h"

#include <QDebug>
#include <QThread>

#include "Desktop.h"
#include "Keyboard.h"
#include "Mouse.h"
#include "ScreenEdgeDetector.h"
#include "WndEvent.h"

namespace {

// Sound codes carried by fistDetected and screenBorderReached.
constexpr int kFistSound = 4;
constexpr int kBorderReachedSound = 5;
constexpr int kBorderLeftSound = 6;

bool load(const std::atomic<bool>* p) { return p && p->load(); }

}  // namespace

ActionMgr::ActionMgr(Desktop& desktop, actionMgrData data, QObject* /*parent*/)
    : QObject(nullptr),
      desktop_(desktop),
      modeRef_(data.networkModeRef),
      mouse_(nullptr),
      keyboard_(nullptr),
      setEffectSwitches_(std::move(data.setEffectSwitches)),
      heldInputReleased_(std::move(data.heldInputReleased)) {
  mouse_ = new Mouse(desktop, static_cast<int>(data.doubleClickTime),
                     static_cast<float>(data.wheelScaleFactor),
                     data.logEnabled != 0 ? data.logFile : nullptr, data.encryptLog, data.relative,
                     data.alternativePointer, nullptr, load(data.audioFx) ? 1 : 0,
                     data.onlyPrimaryDisplay ? 1 : 0);
  keyboard_ = new Keyboard(desktop, data.releaseKeyTimer, true);
}

EngineSink::Factory ActionMgr::factory(Desktop& desktop, QTimer* releaseKeyTimer,
                                      std::function<void(ActionMgr*)> made) {
  return [&desktop, releaseKeyTimer, made](const EngineSink::Setup& setup) {
    actionMgrData data(setup);
    data.releaseKeyTimer = releaseKeyTimer;
    auto mgr = std::make_unique<ActionMgr>(desktop, data, QThread::currentThread());
    if (made) made(mgr.get());
    return std::unique_ptr<EngineSink>(std::move(mgr));
  };
}

// The Mouse gets no Qt parent: this manager owns and deletes it, and a parent that went first
// would delete it behind the manager's back.
ActionMgr::~ActionMgr() {
  // The engine is going too (or has gone): only the devices are let go here.
  heldInputReleased_ = nullptr;
  releaseHeldInput();
  delete mouse_;
  delete keyboard_;
}

int ActionMgr::mode() const { return modeRef_ ? modeRef_->load() : Standalone; }

void ActionMgr::beginFrame() { desktop_.beginWrite(); }

void ActionMgr::endFrame() { desktop_.endWrite(); }

void ActionMgr::pointerSpace(int* width, int* height) {
  const QRect space = mouse_->pointerSpace();
  *width = space.width();
  *height = space.height();
}

void ActionMgr::screenSize(int* width, int* height) {
  *width = mouse_->getWidthOfScreen();
  *height = mouse_->getHeightOfScreen();
}

bool ActionMgr::isBorderActive() const {
  std::lock_guard<std::mutex> lock(edgeMutex_);
  return borderActive_;
}

void ActionMgr::MousePointerMove(int x, int y, int alternativePointer, int relative) {
  // A frame that races a switch to source mode (or a mode that is none) moves nothing here.
  if (!isLocal(mode())) return;
  mouse_->move(static_cast<float>(x), static_cast<float>(y), alternativePointer, relative, 0);
  if (relative == 0) detectScreenEdge(x, y);
}

void ActionMgr::detectScreenEdge(int x, int y) {
  const ScreenEdgeDetector::Sides sides =
      ScreenEdgeDetector::sidesAt(x, y, mouse_->getWidthOfScreen(), mouse_->getHeightOfScreen());
  GenerateScreenBorderReached(sides.side1, sides.side2, held_.load() != 0, autoHeight_.load());
}

void ActionMgr::GenerateAction(actionType type, int press, int suppress, int notify,
                               const QString& keys, const QString& name, bool osKey) {
  if (isLocal(mode())) actuateAction(type, press, suppress, notify, keys, name, osKey);
}

void ActionMgr::matchHeldInput(bool left, bool right, bool middle, bool keyboard) {
  if (mode() != Destination) return;
  const bool sourceHolds[] = {false, left, right, middle, keyboard};
  for (actionType type : {LeftButton, RightButton, MiddleButton, KeyboardShortcut}) {
    if (sourceHolds[type] || !(held_.load() & (1u << type))) continue;
    qDebug().noquote() << "RELEASING WHAT THE SOURCE NO LONGER HOLDS:" << int(type);
    QString keys, name;
    bool osKey = false;
    if (type == KeyboardShortcut) {
      std::lock_guard<std::mutex> lock(shortcutMutex_);
      keys = heldKeys_;
      name = heldName_;
      osKey = heldOsKey_;
    }
    actuateAction(type, 0, 0, 0, keys, name, osKey);
  }
}

void ActionMgr::actuateAction(actionType type, int press, int suppress, int notify,
                              const QString& keys, const QString& name, bool osKey) {
  if (type < LeftButton || type > KeyboardShortcut) return;
  if (suppress == 0) {
    switch (type) {
      case LeftButton:
      case MiddleButton:
        if (press) {
          mouse_->buttonPress(type);
        } else {
          mouse_->buttonRelease(type);
        }
        break;
      case RightButton:
        if (press) {
          mouse_->rightPress();
        } else {
          mouse_->rightRelease();
        }
        break;
      case KeyboardShortcut:
        if (press) {
          std::lock_guard<std::mutex> lock(shortcutMutex_);
          heldKeys_ = keys;
          heldName_ = name;
          heldOsKey_ = osKey;
        }
        keyboard_->shortcut(press ? Keyboard::KeyPress : Keyboard::KeyRelease, keys, osKey, name,
                            false);
        break;
    }
    const unsigned bit = 1u << type;
    if (press) {
      held_.fetch_or(bit);
    } else {
      held_.fetch_and(~bit);
    }
  }
  if (notify == 0) return;
  unsigned int event = 0;
  switch (type) {
    case LeftButton:
      event = press ? WndLeftPressed : WndLeftReleased;
      break;
    case RightButton:
      if (press) event = WndRightClicked;
      break;
    case MiddleButton:
      event = press ? WndMiddlePressed : WndMiddleReleased;
      break;
    case KeyboardShortcut:
      event = press ? WndShortcutPressed : WndShortcutReleased;
      break;
  }
  if (event) notifyWnd(event);
}

void ActionMgr::notifyWnd(unsigned int event) {
  desktop_.afterWrite([this, event] { emit SendWndEvent(event); });
}

void ActionMgr::releaseHeldInput() {
  mouse_->releaseAllButtons();
  keyboard_->releaseAll();
  held_.store(0);
  // The engine forgets its pinches with this.
  if (heldInputReleased_) heldInputReleased_();
}

void ActionMgr::ResetMouseWheel() {
  if (isLocal(mode())) mouse_->resetWheel();
}

void ActionMgr::MouseWheelMove(float delta, int forward, int notify, float progress) {
  if (!isLocal(mode())) return;
  mouse_->wheelMove(delta, forward);
  // One notification per turn: the window is [1.0, 1.1), the lower bound in float and the upper
  // in double, so a progress of exactly 1.1f (just above 1.1) is outside. NaN fails both.
  if (progress >= 1.0f && notify != 0 && static_cast<double>(progress) < 1.1)
    notifyWnd(forward != 0 ? WndWheelForward : WndWheelDownward);
}

void ActionMgr::HideMousePointer(bool hide) {
  mouse_->HidePointer(hide);
}

void ActionMgr::SetMousePointer(AlternativePointer* pointer) {
  mPointer_.store(pointer);
  if (mode() != Source) mouse_->SetMousePointer(pointer);
}

void ActionMgr::SetMousePointer() {
  AlternativePointer* pointer = mPointer_.load();
  if (pointer) {
    mouse_->SetMousePointer(pointer);
  } else {
    qDebug().noquote() << "mPointer is NULL";
  }
}

void ActionMgr::DeleteMousePointer() {
  mouse_->DeleteMousePointer();
}

void ActionMgr::setParam(int doubleClickTime, float wheelScaleFactor, int relative,
                         int alternativePointer, int onlyPrimaryDisplay) {
  mouse_->setParam(doubleClickTime, wheelScaleFactor, relative, alternativePointer,
                   onlyPrimaryDisplay);
}

void ActionMgr::GenerateFistDetected(bool fist) {
  // A destination sounds every fist its source reports: the source has judged the closing.
  if (mode() == Destination) {
    emit fistDetected(kFistSound);
    return;
  }
  if (!fist) {
    fistActive_.store(false);
    return;
  }
  if (!fistActive_.exchange(true)) emit fistDetected(kFistSound);
}

void ActionMgr::GenerateScreenBorderReached(screenBorder side1, screenBorder side2, bool hold,
                                            bool autoHeight) {
  const bool reached = side1 != NoSide || side2 != NoSide;
  // The decision and its signals stay under one lock so that enter and leave are seen in order
  // when two threads report at once.
  std::lock_guard<std::mutex> lock(edgeMutex_);
  if (reached && !borderActive_ && !hold) {
    borderActive_ = true;
    emit screenBorderReached(kBorderReachedSound);
    if (side1 != NoSide) emit screenBorderSideReached(side1, autoHeight ? 1 : 0);
    if (side2 != NoSide) emit screenBorderSideReached(side2, autoHeight ? 1 : 0);
  } else if (!reached && borderActive_) {
    emit screenBorderReached(kBorderLeftSound);
    emit screenBorderSideReached(NoSide, autoHeight ? 1 : 0);
    borderActive_ = false;
  }
}

void ActionMgr::sendAudioGraphicParam(bool audioFx, bool audioFxBorder, bool graphicFx) {
  if (setEffectSwitches_) setEffectSwitches_(audioFx, audioFxBorder, graphicFx);
}
