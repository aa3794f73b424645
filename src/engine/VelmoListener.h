#pragma once

#include <QObject>

#include <atomic>
#include <mutex>

#include "Leap.h"
#include "VelmoGestures.h"
#include "handTrackingData.h"

// The engine's face to the tracking layer. Every frame with a hand is reduced to the plain hand
// record, circles become wheel requests, and a copy of the record goes to the recogniser. The
// callbacks run on the controller's thread; the GUI thread reads the record through the engine's
// getHandData().
class VelmoListener : public QObject, public Leap::Listener {
  Q_OBJECT

 public:
  VelmoListener();
  ~VelmoListener() override;

  void onInit(const Leap::Controller& controller) override;
  void onConnect(const Leap::Controller& controller) override;
  void onDisconnect(const Leap::Controller& controller) override;
  void onExit(const Leap::Controller& controller) override;
  void onFrame(const Leap::Controller& controller) override;
  void onFocusGained(const Leap::Controller& controller) override;
  void onFocusLost(const Leap::Controller& controller) override;

  void setConnected(bool connected, const Leap::Controller& controller);
  // Lets go of every pinch the hand holds and of any button or key held on this machine
  // (VelmoGestures::releaseHeldActions). Safe from any thread.
  void releaseHeldInput();
  void setIconStatusOk();
  void initVRViewer(const Leap::Controller& controller);
  void closeVRViewer(const Leap::Controller& controller);

  // Feature steps of a frame.
  void GetLeapCircleGesture(Leap::GestureList gestures, const Leap::Controller& controller,
                            int fingerCount, int* extendedFlags);
  bool CheckFist(Leap::FingerList fingers, int* fingerIndex, float threshold);
  int CountExtendedFingers(Leap::FingerList fingers, int* flags, float* values, int* fingerIndex,
                           float threshold);
  bool isFingerExtended(Leap::Finger finger, float* value, float threshold);
  // Fills fingerIndex by finger type. Returns false, leaving fingerIndex alone, unless the list
  // holds exactly one finger of each type: such a hand is not used.
  bool FingerClassifier(Leap::FingerList fingers, int* fingerIndex);
  static bool classifyFingerTypes(const int* types, int count, int* fingerIndex);

  void InitParameters();

  // The engine: what the tray window, the options dialog and the tutorial ask of it and tell it
  // (its EngineQueries), and the hand record as of the last frame.
  VelmoGestures& engine() { return gestures_; }
  const VelmoGestures& engine() const { return gestures_; }

  void setNetworkMode(int mode);
  // Before the listener is added: each start makes its sink with it.
  void setSinkFactory(EngineSink::Factory factory);
  // The engine's decisions to sink (a relay source's), or with null to its own again.
  void useSink(EngineSink* sink);
  // deferred: the next frame pushes the pointer parameters on the tracking thread; else now.
  void setMouseParam(bool deferred);
  void sendParams();
  void sendAudioGraphicParam();
  // The configured destination of the relay: its port and address (four numbers).
  void relayDestination(int* port, int ip[4]) const;

 signals:
  void SendWndEvent(unsigned int message);

 protected:
  VelmoGestures gestures_;

 private:
  void publishRecord();
  // Pending work handed over from the GUI thread, served at the start of a frame.
  void servePendingRequests();
  void resetListenerState();

  handTrackingData data_;  // written by the callback thread only
  bool handInView_ = false;  // the callback thread's too

  std::atomic<bool> pendingMouseParam_{false};
  std::atomic<float> maxPalmWidth_{-1000.0f};
};
