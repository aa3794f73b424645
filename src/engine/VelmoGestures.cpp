#include "VelmoGestures.h"

#include <QString>

#include "PointerMath.h"
#include "VelmoBox.h"

using pointer_math::truncToInt;

namespace {

const char kLogFileName[] = "./fingerData.dat";
const char kVersion[] = "1.5";
const char kVersionDate[] = "08/02/2017";

bool inRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

void spaceOf(EngineSink* sink, int* width, int* height) {
  *width = *height = 0;
  if (sink != nullptr) sink->pointerSpace(width, height);
}

}  // namespace

// The sink, the box and the log are created by startParameters and go in the listener's onExit,
// not here.
VelmoGestures::VelmoGestures() = default;

VelmoGestures::~VelmoGestures() = default;

void VelmoGestures::setEngineObjects(EngineSink* sink, VelmoBox* box) {
  std::lock_guard<std::mutex> frame(frameMutex_);
  sink_.store(sink);
  box_ = box;
}

void VelmoGestures::setMonotonicClock(MonotonicClock clock) { pointer_.setClock(std::move(clock)); }

void VelmoGestures::ResetRecogniser() {
  cfg_ = settings_.settings();
  connected_.store(0);
  started_ = 0;
  paused_.store(0);
  twoHandsPaused_.store(0);
  maxFrameRate_ = -1.0f;
  currentFrameRate_ = -1.0f;
  optimalFrameRate_.store(cfg_.optimalFrameRateTh);
  pointerHistoryLength_ = 0;
  distanceHistoryLength_ = 0;
  handSide_ = -1;
  pointer_.reset();
  fist_.store(0);
  wheelState_.store(0);
  interactiveTutorial_.store(0);
  sideSeen_[0] = sideSeen_[1] = 0;
  pinch_.reset();
}

int VelmoGestures::movementWindow() const {
  const float w = cfg_.deltaTimeHandMovementTh * optimalFrameRate_.load();
  return static_cast<int>(w);
}

void VelmoGestures::updateFrameRate(float fps) {
  float optimal = optimalFrameRate_.load();
  if (fps > maxFrameRate_) {
    maxFrameRate_ = fps;
    optimal = static_cast<float>(static_cast<double>(fps) * 0.9);
    if (optimal > 150.0f) optimal = 150.0f;
    optimalFrameRate_.store(optimal);
  }
  currentFrameRate_ = fps;
  const float pointerLength = cfg_.pointerHistoryTime * optimal;
  const float distanceLength = static_cast<float>(cfg_.distanceHistoryTime) * optimal;
  pointerHistoryLength_ = static_cast<int>(pointerLength);
  distanceHistoryLength_ = static_cast<int>(distanceLength);
}

void VelmoGestures::DetectGestures(handTrackingData hand) {
  std::lock_guard<std::mutex> frame(frameMutex_);
  cfg_ = settings_.settings();

  // 1. Pauses.
  if (hand.handsCount > 0)
    twoHandsPaused_.store(hand.handsCount == 2 && cfg_.pause2Hands != 0 ? 1 : 0);
  if (paused_.load() != 0 || twoHandsPaused_.load() != 0) return;

  // 2. Frame rate and the history lengths that follow from it.
  updateFrameRate(hand.fps);

  // 3. The first frame counts as a connection.
  if (started_ == 0) {
    connected_.store(1);
    started_ = 1;
  }

  // 4.
  if (hand.handsCount < 1) return;

  // 5.
  handSide_ = hand.isRight != 0 ? 1 : 0;
  const int fingersTot = hand.extendedCount > 5 ? 5 : hand.extendedCount;

  // 6. End of the freeze after a press.
  pointer_.updateFreeze();

  // 7. Pointer space: this machine's, or in source mode the destination's.
  EngineSink* const sink = sink_.load();
  int width = -1;
  int height = -1;
  if (sink != nullptr) sink->pointerSpace(&width, &height);

  // 8. Gain from the screen height.
  if (cfg_.autoHandMotionScaleFactor != 0) {
    const float scale = autoPointerScaleFactor(width, height);
    settings_.setHandMotionScaleFactorBoth(scale);
    cfg_.handMotionScaleFactor = scale;
  }

  // 9. Fist: signal, and re-capture of the box.
  fist_.store(hand.fist);
  if (sink != nullptr) {
    sink->GenerateFistDetected(hand.fist != 0);
    // The edge banner notes the controller's automatic interaction height.
    sink->setAutoHeight(hand.interactionBoxAuto);
  }
  if (box_ != nullptr) box_->SetInteractionBox(hand.interactionBox, hand.fist != 0);

  // 10-11. Position, output and history.
  float x = 0.0f;
  float y = 0.0f;
  pointer_.map(hand, box_, handSide_, width, height, &x, &y);
  pointer_.store(x, y, pointerHistoryLength_);

  // 12. Pointer move.
  const int held = pinch_.pressed(LeftButton) == 1 || pinch_.pressed(RightButton) == 1 ||
                   pinch_.pressed(MiddleButton) == 1;
  if ((fingersTot >= cfg_.minFingersNumber || held) && wheelState_.load() == 0 &&
      pointer_.isMovingAllowed() == 1 && hand.translationProbability > cfg_.translationProbabilityTh &&
      interactiveTutorial_.load() == 0 && sink != nullptr) {
    float outX = 0.0f;
    float outY = 0.0f;
    getPointerState(&outX, &outY, nullptr, nullptr);
    sink->MousePointerMove(truncToInt(outX), truncToInt(outY), cfg_.alternativeMouseCursor,
                           cfg_.cursorMovement == 1 ? 1 : 0);
  }
  if (fist_.load() != 0) pointer_.forgetPrevious();

  // 13. Movement of the hand and of each finger over the movement window.
  pointer_.measure(movementWindow());

  // 14. A hand side's first frame.
  if (sideSeen_[handSide_] == 0) {
    InitDistance(handSide_, hand.boneLengths, fingersTot);
    InitAdaptiveTh(handSide_);
    sideSeen_[handSide_] = 1;
  }

  // 15. Thresholds, palm-to-tip samples, guard fingers.
  const float handMovement = pointer_.handMovement();
  for (int f = 0; f < 4; ++f)
    ComputeFingerDistance(static_cast<opposableFingers>(f), hand.thumbTipDistance[f], fingersTot,
                          handMovement, hand.boneLengths, pinch_.history(f));
  pointer_.pushPalmTips(hand.palmTipDistance);
  pinch_.noteFrame(hand);
  popCheckClickQueues();

  // 16. Pinch checks, one free finger at a time.
  const int fist = fist_.load();
  for (int f = 0; f < 4; ++f) {
    if (isGestureFree(f, fist) == 0) continue;
    const auto finger = static_cast<opposableFingers>(f);
    if (f == RingFinger && cfg_.controllerPos == 2)
      ClickVR(finger, hand.boneLengths, fingersTot, handMovement, pinch_.currentDistance(f),
              currentFrameRate_, pinch_.history(f), hand.circlePosture);
    else
      Click(finger, hand.boneLengths, fingersTot, handMovement, pinch_.currentDistance(f),
            currentFrameRate_, pinch_.history(f), hand.circlePosture);
  }
}

PinchMachine::Frame VelmoGestures::pinchFrame() const {
  PinchMachine::Frame frame;
  frame.sink = sink_.load();
  frame.keys = settings_.GetKeyboardActions();
  frame.suppress = interactiveTutorial_.load();
  frame.side = handSide_;
  frame.palmTips = &pointer_.palmTipHistory(0);
  return frame;
}

void VelmoGestures::InitDistance(int side, BoneLengths boneLengths, int fingers) {
  pinch_.initDistance(side, boneLengths, fingers);
}

void VelmoGestures::InitAdaptiveTh(int side) { pinch_.initAdaptiveTh(side); }

void VelmoGestures::ComputeFingerDistance(opposableFingers f, float distance, int fingers,
                                          float handMovement, BoneLengths boneLengths,
                                          std::deque<float>& history) {
  pinch_.computeFingerDistance(f, distance, fingers, handMovement, boneLengths, history, handSide_,
                               distanceHistoryLength_);
}

int VelmoGestures::Click(opposableFingers f, BoneLengths boneLengths, int fingers,
                         float handMovement, float Dist, float fps, std::deque<float>& history,
                         int postureFlag) {
  const int result = pinch_.check(f, f, boneLengths, fingers, handMovement, Dist, fps, history,
                                  postureFlag, pinchFrame());
  // The pointer stands still for a while after a press, so the press lands where it was aimed.
  if (result == 1) pointer_.freeze();
  return result;
}

// Head mounted, the thumb-ring pinch performs the thumb-middle pinch's action in the middle
// pinch's slot, so the middle finger's own opening releases it.
int VelmoGestures::ClickVR(opposableFingers f, BoneLengths boneLengths, int fingers,
                           float handMovement, float Dist, float fps, std::deque<float>& history,
                           int postureFlag) {
  if (f < 1) return -1;
  const int result = pinch_.check(f - 1, f, boneLengths, fingers, handMovement, Dist, fps,
                                  history, postureFlag, pinchFrame());
  if (result == 1) pointer_.freeze();
  return result;
}

void VelmoGestures::Pause(int paused) {
  paused_.store(paused);
  if (paused != 0) releaseHeldActions();
}

void VelmoGestures::releaseHeldActions() {
  EngineSink* sink = nullptr;
  {
    std::lock_guard<std::mutex> frame(frameMutex_);
    sink = sink_.load();
    pinch_.releaseAll(sink, settings_.GetKeyboardActions(), interactiveTutorial_.load());
  }
  if (sink != nullptr) sink->releaseHeldInput();
}

void VelmoGestures::resetPinchState() {
  std::lock_guard<std::mutex> frame(frameMutex_);
  pinch_.forget();
}

void VelmoGestures::ResetMouseWheel() {
  if (EngineSink* sink = sink_.load()) sink->ResetMouseWheel();
}

void VelmoGestures::MouseWheelMove(float delta, int direction, int notify, float progress) {
  if (EngineSink* sink = sink_.load()) sink->MouseWheelMove(delta, direction, notify, progress);
}

// What the tray window and the tutorial ask of the engine and tell it (GUI thread).

int VelmoGestures::isGestureEnabled(int g) const {
  return whichActionIsEnabled(g) != 0 ? 1 : 0;
}

int VelmoGestures::whichActionIsEnabled(int g) const {
  if (!inRange(g, ThumbFore, ThumbPinky)) return 0;
  return settings_.settings().pinchAction[g];
}

int VelmoGestures::isGestureCircleEnabled(int c) const {
  return whichWheelActionIsEnabled(c) != 0 ? 1 : 0;
}

int VelmoGestures::whichWheelActionIsEnabled(int c) const {
  if (!inRange(c, CircleClockwise, CircleCounterClockwise)) return 0;
  return settings_.settings().circleAction[c];
}

int VelmoGestures::isRelative() const { return settings_.settings().cursorMovement; }

int VelmoGestures::GetControllerPos() const { return settings_.settings().controllerPos; }

int VelmoGestures::getDoubleClickTime() const { return settings_.settings().doubleClickTime; }

int VelmoGestures::IsSendingStats() const { return settings_.settings().sendStats; }

int VelmoGestures::IsAlternativeMousePointer() const { return settings_.settings().alternativeMouseCursor; }

bool VelmoGestures::isAudioFxEnabled() const { return settings_.audioFxPtr()->load(); }

bool VelmoGestures::isAudioFxBorderEnabled() const { return settings_.audioFxBorderPtr()->load(); }

bool VelmoGestures::isGraphicFxEnabled() const { return settings_.graphicFxPtr()->load(); }

int VelmoGestures::getWidthOfScreen() const {
  int w, h;
  spaceOf(sink_.load(), &w, &h);
  return w;
}

int VelmoGestures::getHeightOfScreen() const {
  int w, h;
  spaceOf(sink_.load(), &w, &h);
  return h;
}

void VelmoGestures::GetNormalizedHandPos(float* x, float* y) const {
  int w, h;
  spaceOf(sink_.load(), &w, &h);
  pointer_.normalized(w, h, isRelative() != 0, x, y);
}

float VelmoGestures::autoPointerScaleFactor(int, int height) {
  // The quotient in single precision, the sum in double, as the gain has always been computed.
  const float part = static_cast<float>(height - 32) / -2128.0f;
  double s = static_cast<double>(part) + 1.6;
  if (s < 1.0) s = 1.0;
  return static_cast<float>(s);
}

void VelmoGestures::AutoScalePointerFactor(int width, int height) {
  settings_.setHandMotionScaleFactorBoth(autoPointerScaleFactor(width, height));
}

int VelmoGestures::getNetworkMode() const { return settings_.networkModePtr()->load(); }

void VelmoGestures::setNetworkMode(int mode) {
  if (mode < 0 || mode > 2) return;
  settings_.updateSettings([mode](WorkingSettings& s) { s.networkMode = mode; });
}

void VelmoGestures::DecodeParameters(int withAdmin) { settings_.DecodeParameters(withAdmin); }

void VelmoGestures::setMouseParam() {
  EngineSink* sink = sink_.load();
  if (sink == nullptr) return;
  const WorkingSettings s = settings_.settings();
  sink->setParam(s.doubleClickTime, s.wheelScaleFactor, s.cursorMovement, s.alternativeMouseCursor,
                 s.onlyPrimaryDisplay ? 1 : 0);
}

void VelmoGestures::sendParams() {
  if (EngineSink* sink = sink_.load()) sink->announceSource();
}

void VelmoGestures::sendAudioGraphicParam() {
  if (EngineSink* sink = sink_.load())
    sink->sendAudioGraphicParam(isAudioFxEnabled(), isAudioFxBorderEnabled(), isGraphicFxEnabled());
}

// The start-up (the listener's onInit) and teardown (its onExit).

void VelmoGestures::startParameters() {
  // A start that follows another without a teardown must not leave the earlier objects behind.
  closeLogFile();
  deleteBox();
  deleteSink();

  // The defaults, and only them: a second start must not append the default keyboard actions to
  // those still held from the first.
  settings_.GetKeyboardActions()->clear();
  settings_.InitParameters();
  if (builtInEnableLog_.load() != 0) settings_.updateSettings([](WorkingSettings& s) { s.enableLog = 1; });
  log_.setEncrypted(settings_.encryptLog() != 0 || builtInEncryptLog_.load() != 0);

  // Decided before the settings file is read: only the built-in default turns the log on.
  if (settings_.settings().enableLog != 0) {
    log_.open(kLogFileName);
    if (isLog()) {
      const QByteArray line =
          QStringLiteral("Initialized. Version %1 %2\n").arg(QLatin1String(kVersion), QLatin1String(kVersionDate)).toUtf8();
      Log(line.constData());
    }
  }

  settings_.ReadParameters();
  // The running state starts from the settings just loaded (the optimal frame rate is seeded
  // from them).
  ResetRecogniser();

  const WorkingSettings s = settings_.settings();
  EngineSink::Setup d;
  d.logEnabled = s.enableLog;
  d.doubleClickTime = s.doubleClickTime;
  d.wheelScaleFactor = s.wheelScaleFactor;
  d.logFile = log_.file();
  d.encryptLog = log_.encrypted();
  d.relative = s.cursorMovement;
  d.alternativePointer = s.alternativeMouseCursor;
  d.networkModeRef = settings_.networkModePtr();
  d.audioFx = settings_.audioFxPtr();
  d.audioFxBorder = settings_.audioFxBorderPtr();
  d.graphicFx = settings_.graphicFxPtr();
  d.onlyPrimaryDisplay = s.onlyPrimaryDisplay;
  // A destination takes the source's effect switches into its working settings.
  d.setEffectSwitches = [this](bool audioFx, bool audioFxBorder, bool graphicFx) {
    settings_.updateSettings([&](WorkingSettings& w) {
      w.enableAudioFx = audioFx;
      w.enableAudioFxBorder = audioFxBorder;
      w.enableGraphicFx = graphicFx;
    });
  };
  d.heldInputReleased = [this] { resetPinchState(); };
  if (sinkFactory_) ownedSink_ = sinkFactory_(d);
  ownedBox_ = new VelmoBox;
  setEngineObjects(ownedSink_.get(), ownedBox_);
}

void VelmoGestures::deleteBox() {
  if (ownedBox_ == nullptr) return;
  if (box_ == ownedBox_) box_ = nullptr;
  delete ownedBox_;
  ownedBox_ = nullptr;
}

void VelmoGestures::deleteSink() {
  if (!ownedSink_) return;
  if (sink_.load() == ownedSink_.get()) {
    // Nothing may stay held once the sink is gone.
    releaseHeldActions();
    std::lock_guard<std::mutex> frame(frameMutex_);
    sink_.store(nullptr);
  }
  ownedSink_.reset();
}

void VelmoGestures::useSink(EngineSink* sink) {
  std::lock_guard<std::mutex> frame(frameMutex_);
  sink_.store(sink != nullptr ? sink : ownedSink_.get());
}

void VelmoGestures::setSinkFactory(EngineSink::Factory factory) {
  sinkFactory_ = std::move(factory);
}

int VelmoGestures::isLog() const {
  // A log that could not be opened counts as off: every caller may then skip its formatting.
  return log_.isOpen() && settings_.settings().enableLog != 0 ? 1 : 0;
}

void VelmoGestures::Log(const char* message) { log_.write(message); }

void VelmoGestures::closeLogFile() { log_.close(); }

void VelmoGestures::setBuiltInLogSwitches(int enableLog, int encryptLog) {
  builtInEnableLog_.store(enableLog != 0 ? 1 : 0);
  builtInEncryptLog_.store(encryptLog != 0 ? 1 : 0);
}

void VelmoGestures::publishHandData(const handTrackingData& hand) {
  std::lock_guard<std::mutex> lock(publishedMutex_);
  published_ = hand;
}

handTrackingData VelmoGestures::getHandData() const {
  std::lock_guard<std::mutex> lock(publishedMutex_);
  return published_;
}
