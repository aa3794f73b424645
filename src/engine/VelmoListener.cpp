#include "VelmoListener.h"

#include <QByteArray>
#include <QDebug>

#include <cmath>
#include <cstdio>

namespace {

constexpr int kDestinationMode = 2;
constexpr int kHeadMounted = 2;
constexpr int kPolicyBackground = 1;  // background frames
constexpr int kPolicyHeadMounted = 7;  // background frames, images, head-mounted optimisation
constexpr float kClockwiseMaxAngle = 0.7853982f;  // pi / 4

// Event codes the listener sends to the tray window.
constexpr unsigned int kWndConnected = 0;
constexpr unsigned int kWndDisconnected = 1;
constexpr unsigned int kWndEmbeddedInactive = 7;

void copyVector(double* out, const Leap::Vector& v) {
  out[0] = v.x;
  out[1] = v.y;
  out[2] = v.z;
}

Leap::Vector tipOf(const Leap::Finger& f) { return f.bone(Leap::Bone::TYPE_DISTAL).nextJoint(); }

}  // namespace

VelmoListener::VelmoListener() = default;

VelmoListener::~VelmoListener() = default;

void VelmoListener::onInit(const Leap::Controller& controller) {
  // The engine's own InitParameters runs inside its start-up; calling it here as well would
  // append the default keyboard actions twice.
  resetListenerState();
  handInView_ = false;
  gestures_.startParameters();
  // Not classified yet: the first hand classifies every finger afresh.
  for (int32_t& index : data_.fingerIndex) index = -1;
  if (gestures_.parameters().settings().controllerPos == kHeadMounted)
    controller.setPolicyFlags(kPolicyHeadMounted);
}

void VelmoListener::onConnect(const Leap::Controller& controller) {
  if (gestures_.parameters().networkModePtr()->load() == kDestinationMode) return;
  controller.enableGesture(Leap::Gesture::TYPE_CIRCLE, true);
  controller.setPolicyFlags(controller.policyFlags() | kPolicyBackground);
  setConnected(true, controller);
}

void VelmoListener::onDisconnect(const Leap::Controller& controller) {
  if (gestures_.parameters().networkModePtr()->load() == kDestinationMode) return;
  // The hand that holds a pinch can no longer be seen opening it.
  releaseHeldInput();
  setConnected(false, controller);
}

void VelmoListener::releaseHeldInput() { gestures_.releaseHeldActions(); }

void VelmoListener::useSink(EngineSink* sink) { gestures_.useSink(sink); }

void VelmoListener::onExit(const Leap::Controller&) {
  if (gestures_.isLog()) gestures_.Log("Exited\n");
  gestures_.closeLogFile();
  gestures_.deleteBox();
  gestures_.deleteSink();
}

void VelmoListener::onFocusGained(const Leap::Controller&) {}

void VelmoListener::onFocusLost(const Leap::Controller&) {}

void VelmoListener::setConnected(bool connected, const Leap::Controller& controller) {
  if (gestures_.isLog()) {
    if (connected) {
      gestures_.Log("Connected Version 1.5 08/02/2017\n");
    } else {
      gestures_.Log("Disconnected\n");
    }
  }
  if (connected) {
    emit SendWndEvent(kWndConnected);
    gestures_.setConnected(1);
    return;
  }
  const Leap::DeviceList devices = controller.devices();
  const bool embedded = !devices.isEmpty() && devices[0].isEmbedded();
  emit SendWndEvent(embedded ? kWndEmbeddedInactive : kWndDisconnected);
  gestures_.setConnected(0);
}

void VelmoListener::setIconStatusOk() { emit SendWndEvent(kWndConnected); }

void VelmoListener::initVRViewer(const Leap::Controller& controller) {
  controller.setPolicyFlags(kPolicyHeadMounted);
}

void VelmoListener::closeVRViewer(const Leap::Controller& controller) {
  controller.setPolicyFlags(kPolicyBackground);
}

void VelmoListener::InitParameters() {
  resetListenerState();
  gestures_.InitParameters();
}

void VelmoListener::resetListenerState() {
  pendingMouseParam_.store(false);
  maxPalmWidth_.store(-1000.0f);
}

void VelmoListener::publishRecord() { gestures_.publishHandData(data_); }

void VelmoListener::servePendingRequests() {
  if (pendingMouseParam_.exchange(false)) gestures_.setMouseParam();
}

void VelmoListener::onFrame(const Leap::Controller& controller) {
  const int networkMode = gestures_.parameters().networkModePtr()->load();
  if (networkMode == kDestinationMode) return;
  // Whatever this frame decides (a motion, a click, a key) goes out together.
  EngineSink::Frame output(gestures_.sink());
  servePendingRequests();

  const WorkingSettings s = gestures_.parameters().settings();
  data_.interactionBoxAuto = controller.config().getBool("interaction_box_auto");

  const Leap::Frame frame = controller.frame(0);
  const Leap::GestureList gestures = frame.gestures();
  const Leap::HandList hands = frame.hands();
  data_.handsCount = hands.count();
  // One diagnostic line when a hand comes into view and when the last one leaves.
  if (hands.isEmpty() == handInView_) {
    handInView_ = !hands.isEmpty();
    qDebug().noquote() << (handInView_ ? "HAND IN VIEW" : "HAND LEFT THE VIEW");
  }
  const Leap::Hand hand = hands.isEmpty() ? Leap::Hand() : hands[0];
  const Leap::FingerList fingers = hand.fingers();
  int fingerIndex[5];
  for (int t = 0; t < 5; ++t) fingerIndex[t] = data_.fingerIndex[t];
  if (hands.isEmpty() || !FingerClassifier(fingers, fingerIndex)) {
    // Without a usable hand the record keeps the last hand's features and nothing is called.
    if (!hands.isEmpty()) data_.handsCount = 0;
    publishRecord();
    return;
  }

  const Leap::Vector direction = hand.direction();
  const Leap::Vector normal = hand.palmNormal();
  data_.yaw = std::atan2(direction.x, -direction.z);
  data_.pitch = std::atan2(direction.y, -direction.z);
  data_.roll = std::atan2(normal.x, -normal.y);

  if (gestures_.isInteractiveTutorial()) {
    for (int k = 0; k < 5; ++k) {
      const Leap::Finger finger = fingers[k];
      for (int b = Leap::Bone::TYPE_PROXIMAL; b <= Leap::Bone::TYPE_DISTAL; ++b) {
        const Leap::Bone bone = finger.bone(b);
        copyVector(data_.boneCenter[3 * k + b - 1], bone.center());
        copyVector(data_.boneDirection[3 * k + b - 1], bone.direction());
      }
    }
  }

  for (int t = 0; t < 5; ++t) data_.fingerIndex[t] = fingerIndex[t];
  data_.isRight = hand.isRight() ? 1 : 0;
  data_.fps = frame.currentFramesPerSecond();
  data_.timestamp = static_cast<int32_t>(static_cast<uint32_t>(frame.timestamp()));

  Leap::Finger byType[5];
  for (int t = 0; t < 5; ++t) byType[t] = fingers[fingerIndex[t]];
  for (int i = 0; i < 4; ++i) {
    data_.boneLengths[0][i] = byType[i + 1].bone(Leap::Bone::TYPE_DISTAL).length();
    data_.boneLengths[1][i] = byType[i + 1].bone(Leap::Bone::TYPE_INTERMEDIATE).length();
  }

  data_.extendedCount = CountExtendedFingers(fingers, data_.extendedFingers, data_.extensionValues,
                                             data_.fingerIndex, 0.0f);
  data_.extendedCountStrict = CountExtendedFingers(
      fingers, data_.extendedFingersStrict, data_.extensionValuesStrict, data_.fingerIndex, 0.75f);

  const Leap::Vector stabilized = hand.stabilizedPalmPosition();
  Leap::Vector tips[5];
  for (int t = 0; t < 5; ++t) tips[t] = tipOf(byType[t]);
  for (int i = 0; i < 4; ++i) data_.palmTipDistance[i] = stabilized.distanceTo(tips[i + 1]);

  // The sensitivity acts straight from the table, without decoding.
  const float fistThreshold = gestures_.GetUserParam(FistSensitivity);
  data_.fist = CheckFist(fingers, data_.fingerIndex, fistThreshold) ? 1 : 0;

  const int32_t* strict = data_.extendedFingersStrict;
  data_.circlePosture =
      (strict[1] == 1 && strict[2] == 0 && strict[3] == 0 && strict[4] == 0) ? 1 : 0;

  const Leap::InteractionBox box = frame.interactionBox();
  const Leap::Vector centre = box.center();
  data_.interactionBox.x = centre.x;
  data_.interactionBox.y = centre.y;
  data_.interactionBox.z = centre.z;
  data_.interactionBox.width = box.width();
  data_.interactionBox.height = box.height();
  data_.interactionBox.depth = box.depth();
  copyVector(data_.stabilizedPalmPosition, stabilized);
  copyVector(data_.palmPosition, hand.palmPosition());
  copyVector(data_.palmPositionView, hand.palmPosition());

  data_.translationProbability = 1.0f;
  const float back = gestures_.optimalFrameRate() * s.deltaTimeHandMovementTh;
  // A frame rate not yet measured or a nonsensical window leaves the probability at 1.
  if (back >= 0.0f && back < 1.0e6f) {
    const Leap::Frame since = controller.frame(static_cast<int>(back));
    if (since.isValid() && (s.controllerPos == 1 || s.controllerPos == 2))
      data_.translationProbability = hand.translationProbability(since);
  }

  for (int i = 0; i < 4; ++i) {
    data_.thumbTipDistance[i] = tips[0].distanceTo(tips[i + 1]);
    data_.palmTipDistance[i] = stabilized.distanceTo(tips[i + 1]);
  }

  // A held keyboard action does not block the wheel.
  if (!gestures_.isLeftPressed() && !gestures_.isRightPressed() && !gestures_.isMiddlePressed() &&
      s.circleAction[0] != 0) {
    GetLeapCircleGesture(gestures, controller, data_.extendedCount, data_.extendedFingers);
  } else {
    gestures_.setWheelMoving(0);
    gestures_.ResetMouseWheel();
  }

  // Hand on the running maximum on every frame, so the finger-mode offset does not jump between
  // frames that do and do not set a new maximum.
  const float width = hand.palmWidth();
  if (width > maxPalmWidth_.load()) maxPalmWidth_.store(width);
  data_.palmWidth = maxPalmWidth_.load();

  publishRecord();
  gestures_.DetectGestures(data_);
}

bool VelmoListener::classifyFingerTypes(const int* types, int count, int* fingerIndex) {
  if (count != 5) return false;
  int found[5] = {-1, -1, -1, -1, -1};
  for (int j = 0; j < 5; ++j) {
    const int t = types[j];
    if (t < 0 || t > 4 || found[t] != -1) return false;
    found[t] = j;
  }
  for (int t = 0; t < 5; ++t) fingerIndex[t] = found[t];
  return true;
}

bool VelmoListener::FingerClassifier(Leap::FingerList fingers, int* fingerIndex) {
  const int count = fingers.count();
  int types[5] = {-1, -1, -1, -1, -1};
  for (int j = 0; j < count && j < 5; ++j) types[j] = fingers[j].type();
  return classifyFingerTypes(types, count, fingerIndex);
}

bool VelmoListener::isFingerExtended(Leap::Finger finger, float* value, float threshold) {
  const Leap::Vector distal = finger.bone(Leap::Bone::TYPE_DISTAL).direction();
  float v;
  if (finger.type() == Leap::Finger::TYPE_THUMB) {
    const Leap::Vector proximal = finger.bone(Leap::Bone::TYPE_PROXIMAL).direction();
    const Leap::Vector intermediate = finger.bone(Leap::Bone::TYPE_INTERMEDIATE).direction();
    v = 0.5f * (intermediate.dot(distal) + proximal.dot(distal));
  } else {
    v = finger.bone(Leap::Bone::TYPE_METACARPAL).direction().dot(distal);
  }
  if (value != nullptr) *value = v;
  return v > threshold;
}

int VelmoListener::CountExtendedFingers(Leap::FingerList fingers, int* flags, float* values,
                                        int* fingerIndex, float threshold) {
  int count = 0;
  for (int t = 0; t < 5; ++t) {
    // An index outside the list gives an invalid finger, which is never extended.
    const bool extended = isFingerExtended(fingers[fingerIndex[t]], &values[t], threshold);
    flags[t] = extended ? 1 : 0;
    if (extended) ++count;
  }
  return count;
}

bool VelmoListener::CheckFist(Leap::FingerList fingers, int* fingerIndex, float threshold) {
  int flags[5];
  float values[5];
  const int count = CountExtendedFingers(fingers, flags, values, fingerIndex, threshold);
  if (gestures_.isLeftPressed() || gestures_.isRightPressed() || gestures_.isMiddlePressed())
    return false;
  return count == 0 || (count == 1 && flags[0] == 1);
}

void VelmoListener::GetLeapCircleGesture(Leap::GestureList gestures, const Leap::Controller&,
                                         int fingerCount, int* extendedFlags) {
  if (gestures.isEmpty()) {
    gestures_.setWheelMoving(0);
    gestures_.ResetMouseWheel();
  }
  const int count = gestures.count();
  for (int k = 0; k < count; ++k) {
    const Leap::Gesture gesture = gestures[k];
    if (gesture.type() != Leap::Gesture::TYPE_CIRCLE) {
      gestures_.ResetMouseWheel();
      gestures_.setWheelMoving(0);
      continue;
    }
    const Leap::CircleGesture circle(gesture);
    const float angle = circle.pointable().direction().angleTo(circle.normal());
    const bool clockwise = angle <= kClockwiseMaxAngle;

    const bool posture = fingerCount == 1 || (fingerCount == 2 && extendedFlags[0] == 1);
    if (!posture || extendedFlags[1] != 1) continue;

    const WorkingSettings s = gestures_.parameters().settings();
    const float progress = circle.progress();
    if (!gestures_.isInteractiveTutorial()) {
      // The wheel takes 1 as a forward turn and 0 as a downward one.
      gestures_.MouseWheelMove(progress - s.circleGestureStart, clockwise ? 0 : 1, s.notifyClicks,
                               progress);
      if (gestures_.isLog()) {
        const QByteArray line =
            QByteArray(clockwise ? "CIRCLE GESTURE CLOCKWISE - RADIUS: "
                                 : "CIRCLE GESTURE COUNTERCLOCKWISE - RADIUS: ") +
            QByteArray::number(static_cast<double>(circle.radius()), 'f', 6);
        gestures_.Log(line.constData());
      }
    }
    gestures_.setWheelMoving(clockwise ? 1 : 2);
  }
}

// The network and sink controls, onto the engine.
void VelmoListener::setNetworkMode(int mode) { gestures_.setNetworkMode(mode); }
void VelmoListener::setSinkFactory(EngineSink::Factory factory) {
  gestures_.setSinkFactory(std::move(factory));
}

void VelmoListener::setMouseParam(bool deferred) {
  if (deferred) {
    pendingMouseParam_.store(true);
  } else {
    gestures_.setMouseParam();
  }
}

void VelmoListener::sendParams() { gestures_.sendParams(); }

void VelmoListener::sendAudioGraphicParam() { gestures_.sendAudioGraphicParam(); }

void VelmoListener::relayDestination(int* port, int ip[4]) const {
  const WorkingSettings s = gestures_.parameters().settings();
  *port = s.destinationPort;
  for (int k = 0; k < 4; ++k) ip[k] = s.destinationIp[k];
}
