// The engine's start-up (the listener's onInit) and teardown (its onExit).
#include <QString>

#include "VelmoBox.h"
#include "VelmoGestures.h"

namespace {

const char kLogFileName[] = "./fingerData.dat";
const char kVersion[] = "1.5";
const char kVersionDate[] = "08/02/2017";

}  // namespace

void VelmoGestures::startParameters() {
  // A start that follows another without a teardown must not leave the earlier objects behind.
  closeLogFile();
  deleteBox();
  deleteSink();

  // The defaults, and only them: a second start must not append the default keyboard actions to
  // those still held from the first.
  GetKeyboardActions()->clear();
  InitParameters();
  if (builtInEnableLog_.load() != 0) updateSettings([](WorkingSettings& s) { s.enableLog = 1; });
  logEncrypted_.store(encryptLog() != 0 || builtInEncryptLog_.load() != 0 ? 1 : 0);

  // Decided before the settings file is read: only the built-in default turns the log on.
  if (settings().enableLog != 0) {
    {
      std::lock_guard<std::mutex> lock(logMutex_);
      logFile_.store(std::fopen(kLogFileName, "w"));
    }
    if (isLog()) {
      const QByteArray line =
          QStringLiteral("Initialized. Version %1 %2\n").arg(QLatin1String(kVersion), QLatin1String(kVersionDate)).toUtf8();
      Log(line.constData());
    }
  }

  ReadParameters();
  // The running state starts from the settings just loaded (the optimal frame rate is seeded
  // from them).
  ResetRecogniser();

  const WorkingSettings s = settings();
  EngineSink::Setup d;
  d.logEnabled = s.enableLog;
  d.doubleClickTime = s.doubleClickTime;
  d.wheelScaleFactor = s.wheelScaleFactor;
  d.logFile = logFile_.load();
  d.encryptLog = logEncrypted_.load();
  d.relative = s.cursorMovement;
  d.alternativePointer = s.alternativeMouseCursor;
  d.networkModeRef = networkModePtr();
  d.audioFx = audioFxPtr();
  d.audioFxBorder = audioFxBorderPtr();
  d.graphicFx = graphicFxPtr();
  d.onlyPrimaryDisplay = s.onlyPrimaryDisplay;
  // A destination takes the source's effect switches into its working settings.
  d.setEffectSwitches = [this](bool audioFx, bool audioFxBorder, bool graphicFx) {
    updateSettings([&](WorkingSettings& w) {
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
