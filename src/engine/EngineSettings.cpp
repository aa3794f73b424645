#include "EngineSettings.h"

#include <climits>
#include <cmath>
#include <vector>

namespace {

// Truncation toward zero, as stored integers have always been read; a value that is not finite,
// does not fit an int or falls outside [lo, hi] keeps the default.
int decodeInt(float v, int def, int lo = INT_MIN, int hi = INT_MAX) {
  if (!std::isfinite(v)) return def;
  const double d = static_cast<double>(v);
  if (d >= 2147483648.0 || d <= -2147483649.0) return def;
  const int t = static_cast<int>(d);
  if (t < lo || t > hi) return def;
  return t;
}

float decodeFloat(float v, float def) { return std::isfinite(v) ? v : def; }

bool decodeFlag(float v, bool def) { return std::isfinite(v) ? v != 0.0f : def; }

float flag(bool b) { return b ? 1.0f : 0.0f; }

}  // namespace

EngineSettings::EngineSettings() {
  std::lock_guard<std::mutex> lock(mutex_);
  encodeLocked();
  publishLocked();
}

void EngineSettings::InitParameters() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    settings_ = WorkingSettings{};
    adminMode_ = 0;
    encryptLog_ = 0;
    publishLocked();
  }
  keyboardActions_.append(QStringLiteral("ESC KEY"), QStringLiteral("Esc"), false);
  // Alt+Tab switches windows on X11 desktops (Ctrl+Tab changes tabs); files that hold another
  // sequence keep it.
  keyboardActions_.append(QStringLiteral("APP SWITCHER"), QStringLiteral("Alt+Tab"), false);
  keyboardActions_.append(QStringLiteral("FN+F9 KEY"), QStringLiteral("F9"), true);
}

void EngineSettings::EncodeParameters() {
  std::lock_guard<std::mutex> lock(mutex_);
  encodeLocked();
}

void EngineSettings::encodeLocked() {
  const WorkingSettings& s = settings_;
  float* u = userTable_;
  u[ControllerPos] = static_cast<float>(s.controllerPos);
  u[HandMotionScaleFactor] = s.handMotionScaleFactor;
  u[DoubleClickTime] = static_cast<float>(s.doubleClickTime);
  u[NotifyClicks] = static_cast<float>(s.notifyClicks);
  u[WheelScaleFactor] = s.wheelScaleFactor;
  u[DisableTutorial] = static_cast<float>(s.disableTutorial);
  u[MoveAfterClickTime] = static_cast<float>(s.moveAfterClickTime);
  for (int k = 0; k < 4; ++k) {
    u[ThumbForePressSensitivity + k] = s.clickPressP[k];
    u[ThumbForeReleaseSensitivity + k] = s.clickReleaseP[k];
    u[ThumbForeAction + k] = static_cast<float>(s.pinchAction[k]);
    u[ThumbForeKeyboardAction + k] = static_cast<float>(s.keyboardAction[k]);
    u[DestinationIpAddress1 + k] = static_cast<float>(s.destinationIp[k]);
  }
  u[AutoStart] = static_cast<float>(s.autoStart);
  u[CursorMovement] = static_cast<float>(s.cursorMovement);
  u[AutoHandMotionScaleFactor] = static_cast<float>(s.autoHandMotionScaleFactor);
  u[SendStats] = static_cast<float>(s.sendStats);
  u[Pause2Hands] = static_cast<float>(s.pause2Hands);
  u[AlternativeMouseCursor] = static_cast<float>(s.alternativeMouseCursor);
  // One entry feeds both circle directions; direction 0 speaks for both.
  u[ForeFingerCircleAction] = static_cast<float>(s.circleAction[0]);
  u[FistSensitivity] = s.fistSensitivity;
  u[NetworkMode] = static_cast<float>(s.networkMode);
  u[DestinationPort] = static_cast<float>(s.destinationPort);
  u[EnableAudioFx] = flag(s.enableAudioFx);
  u[EnableAudioFxBorder] = flag(s.enableAudioFxBorder);
  u[EnableGraphicFx] = flag(s.enableGraphicFx);
  u[OnlyPrimaryDisplay] = flag(s.onlyPrimaryDisplay);
  u[CursorPos] = static_cast<float>(s.cursorPos);
  u[CursorPosOffset] = static_cast<float>(s.cursorPosOffset);

  float* a = adminTable_;
  a[EnableLog] = static_cast<float>(s.enableLog);
  a[RobustModeFrameRateTh] = s.robustModeFrameRateTh;
  a[OptimalFrameRateTh] = s.optimalFrameRateTh;
  a[MinMaxDistanceRatioTh] = s.minMaxDistanceRatioTh;
  a[OutlierStdDevTh] = s.outlierStdDevTh;
  a[DistanceHistoryTime] = static_cast<float>(s.distanceHistoryTime);
  a[ClickHandMovementTh] = static_cast<float>(s.clickHandMovementTh);
  a[HandMovementTh] = static_cast<float>(s.handMovementTh);
  a[SamplingHandMovementTh] = static_cast<float>(s.samplingHandMovementTh);
  a[FingerMovementTh] = s.fingerMovementTh;
  a[DeltaTimeHandMovementTh] = s.deltaTimeHandMovementTh;
  a[PointerHistoryTime] = s.pointerHistoryTime;
  a[MonotonicTimeTh] = s.monotonicTimeTh;
  a[ClickSpeedTh] = s.clickSpeedTh;
  a[AdminParam14] = s.adminParam14;
  a[AdminParam15] = s.adminParam15;
  a[AdminParam16] = s.adminParam16;
  a[TranslationProbabilityTh] = s.translationProbabilityTh;
  a[MinFingersNumber] = static_cast<float>(s.minFingersNumber);
  a[ClickMinFingersNumber] = static_cast<float>(s.clickMinFingersNumber);
  a[CircleGestureStart] = s.circleGestureStart;
  for (int k = 0; k < 4; ++k) a[ThumbForeMaxDistance + k] = s.maxDistance[k];
  a[GuardFingerMovementTh] = s.guardFingerMovementTh;
  a[AdminParam26] = s.adminParam26;
}

void EngineSettings::DecodeParameters(int withAdmin) {
  std::lock_guard<std::mutex> lock(mutex_);
  const WorkingSettings d;  // defaults stand in for values that cannot mean anything
  WorkingSettings& s = settings_;
  const float* u = userTable_;
  s.controllerPos = decodeInt(u[ControllerPos], d.controllerPos, 0, 2);
  s.handMotionScaleFactor = decodeFloat(u[HandMotionScaleFactor], d.handMotionScaleFactor);
  s.doubleClickTime = decodeInt(u[DoubleClickTime], d.doubleClickTime);
  s.notifyClicks = decodeInt(u[NotifyClicks], d.notifyClicks);
  s.wheelScaleFactor = decodeFloat(u[WheelScaleFactor], d.wheelScaleFactor);
  s.disableTutorial = decodeInt(u[DisableTutorial], d.disableTutorial);
  s.moveAfterClickTime = decodeInt(u[MoveAfterClickTime], d.moveAfterClickTime);
  for (int k = 0; k < 4; ++k) {
    s.clickPressP[k] = decodeFloat(u[ThumbForePressSensitivity + k], d.clickPressP[k]);
    s.clickReleaseP[k] = decodeFloat(u[ThumbForeReleaseSensitivity + k], d.clickReleaseP[k]);
    s.pinchAction[k] = decodeInt(u[ThumbForeAction + k], d.pinchAction[k], 0, 4);
    s.keyboardAction[k] = decodeInt(u[ThumbForeKeyboardAction + k], d.keyboardAction[k]);
    s.destinationIp[k] = decodeInt(u[DestinationIpAddress1 + k], d.destinationIp[k], 0, 255);
  }
  s.autoStart = decodeInt(u[AutoStart], d.autoStart);
  s.cursorMovement = decodeInt(u[CursorMovement], d.cursorMovement);
  s.autoHandMotionScaleFactor = decodeInt(u[AutoHandMotionScaleFactor], d.autoHandMotionScaleFactor);
  s.sendStats = decodeInt(u[SendStats], d.sendStats);
  s.pause2Hands = decodeInt(u[Pause2Hands], d.pause2Hands);
  s.alternativeMouseCursor = decodeInt(u[AlternativeMouseCursor], d.alternativeMouseCursor);
  const int circle = decodeInt(u[ForeFingerCircleAction], d.circleAction[0], 0, 1);
  s.circleAction[0] = circle;
  s.circleAction[1] = circle;
  s.fistSensitivity = decodeFloat(u[FistSensitivity], d.fistSensitivity);
  s.networkMode = decodeInt(u[NetworkMode], d.networkMode, 0, 2);
  s.destinationPort = decodeInt(u[DestinationPort], d.destinationPort, 1, 65535);
  s.enableAudioFx = decodeFlag(u[EnableAudioFx], d.enableAudioFx);
  s.enableAudioFxBorder = decodeFlag(u[EnableAudioFxBorder], d.enableAudioFxBorder);
  s.enableGraphicFx = decodeFlag(u[EnableGraphicFx], d.enableGraphicFx);
  s.onlyPrimaryDisplay = decodeFlag(u[OnlyPrimaryDisplay], d.onlyPrimaryDisplay);
  s.cursorPos = decodeInt(u[CursorPos], d.cursorPos, 0, 1);
  s.cursorPosOffset = decodeInt(u[CursorPosOffset], d.cursorPosOffset);

  if (withAdmin != 0) {
    const float* a = adminTable_;
    s.enableLog = decodeInt(a[EnableLog], d.enableLog);
    s.robustModeFrameRateTh = decodeFloat(a[RobustModeFrameRateTh], d.robustModeFrameRateTh);
    s.optimalFrameRateTh = decodeFloat(a[OptimalFrameRateTh], d.optimalFrameRateTh);
    s.minMaxDistanceRatioTh = decodeFloat(a[MinMaxDistanceRatioTh], d.minMaxDistanceRatioTh);
    s.outlierStdDevTh = decodeFloat(a[OutlierStdDevTh], d.outlierStdDevTh);
    s.distanceHistoryTime = decodeInt(a[DistanceHistoryTime], d.distanceHistoryTime);
    s.clickHandMovementTh = decodeInt(a[ClickHandMovementTh], d.clickHandMovementTh);
    s.handMovementTh = decodeInt(a[HandMovementTh], d.handMovementTh);
    s.samplingHandMovementTh = decodeInt(a[SamplingHandMovementTh], d.samplingHandMovementTh);
    s.fingerMovementTh = decodeFloat(a[FingerMovementTh], d.fingerMovementTh);
    s.deltaTimeHandMovementTh = decodeFloat(a[DeltaTimeHandMovementTh], d.deltaTimeHandMovementTh);
    s.pointerHistoryTime = decodeFloat(a[PointerHistoryTime], d.pointerHistoryTime);
    s.monotonicTimeTh = decodeFloat(a[MonotonicTimeTh], d.monotonicTimeTh);
    s.clickSpeedTh = decodeFloat(a[ClickSpeedTh], d.clickSpeedTh);
    s.adminParam14 = decodeFloat(a[AdminParam14], d.adminParam14);
    s.adminParam15 = decodeFloat(a[AdminParam15], d.adminParam15);
    s.adminParam16 = decodeFloat(a[AdminParam16], d.adminParam16);
    s.translationProbabilityTh = decodeFloat(a[TranslationProbabilityTh], d.translationProbabilityTh);
    s.minFingersNumber = decodeInt(a[MinFingersNumber], d.minFingersNumber);
    s.clickMinFingersNumber = decodeInt(a[ClickMinFingersNumber], d.clickMinFingersNumber);
    s.circleGestureStart = decodeFloat(a[CircleGestureStart], d.circleGestureStart);
    for (int k = 0; k < 4; ++k)
      s.maxDistance[k] = decodeFloat(a[ThumbForeMaxDistance + k], d.maxDistance[k]);
    s.guardFingerMovementTh = decodeFloat(a[GuardFingerMovementTh], d.guardFingerMovementTh);
    s.adminParam26 = decodeFloat(a[AdminParam26], d.adminParam26);
  }
  publishLocked();
}

void EngineSettings::publishLocked() {
  networkMode_.store(settings_.networkMode);
  audioFx_.store(settings_.enableAudioFx);
  audioFxBorder_.store(settings_.enableAudioFxBorder);
  graphicFx_.store(settings_.enableGraphicFx);
}

float EngineSettings::GetUserParam(int index) const {
  if (index < 0 || index >= UserParamCount) return 0.0f;
  std::lock_guard<std::mutex> lock(mutex_);
  return userTable_[index];
}

void EngineSettings::SetUserParam(float value, int index) {
  if (index < 0 || index >= UserParamCount) return;
  std::lock_guard<std::mutex> lock(mutex_);
  userTable_[index] = value;
}

float EngineSettings::GetAdminParam(int index) const {
  if (index < 0 || index >= AdminParamCount) return 0.0f;
  std::lock_guard<std::mutex> lock(mutex_);
  return adminTable_[index];
}

void EngineSettings::SetAdminParam(float value, int index) {
  if (index < 0 || index >= AdminParamCount) return;
  std::lock_guard<std::mutex> lock(mutex_);
  adminTable_[index] = value;
}

int EngineSettings::IsAdmin() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return adminMode_;
}

keyboardAct* EngineSettings::GetKeyboardActions() { return &keyboardActions_; }
const keyboardAct* EngineSettings::GetKeyboardActions() const { return &keyboardActions_; }

WorkingSettings EngineSettings::settings() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return settings_;
}

int EngineSettings::encryptLog() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return encryptLog_;
}

void EngineSettings::setHandMotionScaleFactorBoth(float value) {
  std::lock_guard<std::mutex> lock(mutex_);
  settings_.handMotionScaleFactor = value;
  userTable_[HandMotionScaleFactor] = value;
}

void EngineSettings::setAdminMode(int on) {
  std::lock_guard<std::mutex> lock(mutex_);
  adminMode_ = on;
}

int EngineSettings::WriteParameters() {
  std::vector<float> numbers;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    numbers.assign(userTable_, userTable_ + UserParamCount);
    if (adminMode_ != 0) numbers.insert(numbers.end(), adminTable_, adminTable_ + AdminParamCount);
  }
  return file_.write(numbers, keyboardActions_.entries());
}

int EngineSettings::ReadParameters() {
  EncodeParameters();  // entries the file lacks keep their current values
  int numberLines = UserParamCount;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (adminMode_ != 0) numberLines += AdminParamCount;
  }
  SettingsFile::Contents read;
  switch (file_.read(numberLines, &read)) {
    case SettingsFile::ReadOutcome::Missing:
      WriteParameters();
      return 1;
    case SettingsFile::ReadOutcome::Unreadable:
      return 1;
    case SettingsFile::ReadOutcome::Read:
      break;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& n : read.numbers) {
      if (n.first < UserParamCount)
        userTable_[n.first] = n.second;
      else
        adminTable_[n.first - UserParamCount] = n.second;
    }
  }
  if (read.saysActions) keyboardActions_.setEntries(read.actions);
  DecodeParameters(read.lineCount > UserParamCount ? 1 : 0);
  return 0;
}
