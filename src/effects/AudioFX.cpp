#include "AudioFX.h"

#include <QUrl>
#include <atomic>

#include "ResourceDir.h"

namespace {

struct Sound {
  const char* file;
  float volume;
};

// Indexed by audioEffects; FxBorderLeft plays nothing.
const Sound kSounds[] = {
    {"/button_pressed.wav", 0.3f},        {"/button_released.wav", 0.3f},
    {"/key_pressed.wav", 0.75f},          {"/key_released.wav", 0.75f},
    {"/fist_detected.wav", 0.5f},         {"/screen_border_reached.wav", 0.1f},
    {nullptr, 0.0f},                      {"/wheel_forward.wav", 0.3f},
    {"/wheel_downward.wav", 0.3f},
};
constexpr int kCodes = int(sizeof kSounds / sizeof kSounds[0]);

std::atomic<QtMessageHandler> gPassOn{nullptr};
std::atomic<bool> gHolding{false};
std::atomic<int> gNoServer{0};

void holdBackNoServer(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (text.contains(QLatin1String("pa_context_connect() failed"))) {
    ++gNoServer;
    return;
  }
  if (QtMessageHandler next = gPassOn.load()) next(type, context, text);
}

}  // namespace

AudioFX::QuietBackend::QuietBackend() {
  if (gHolding.exchange(true)) return;  // another AudioFX is being made: it holds back already
  holding = true;
  gNoServer = 0;
  gPassOn = qInstallMessageHandler(holdBackNoServer);
}

AudioFX::QuietBackend::~QuietBackend() { finish(); }

bool AudioFX::QuietBackend::finish() {
  if (!holding) return false;
  holding = false;
  const QtMessageHandler current = qInstallMessageHandler(gPassOn.load());
  if (current != holdBackNoServer) qInstallMessageHandler(current);  // replaced meanwhile: keep it
  gHolding = false;
  return gNoServer.load() > 0;
}

AudioFX::AudioFX() {
  if (quiet_.finish()) qWarning("Sounds are off: no sound server (PulseAudio or PipeWire) answered.");
  const QString dir = velmoResourceDir();
  for (int code = 0; code < kCodes; ++code) {
    QSoundEffect* fx = slot(code);
    if (!fx) continue;
    // A missing file leaves the effect silent.
    if (!dir.isEmpty()) fx->setSource(QUrl::fromLocalFile(dir + kSounds[code].file));
    fx->setVolume(kSounds[code].volume);
  }
}

AudioFX::~AudioFX() = default;

const char* AudioFX::fileName(int code) {
  return (code >= 0 && code < kCodes) ? kSounds[code].file : nullptr;
}

float AudioFX::volume(int code) { return (code >= 0 && code < kCodes) ? kSounds[code].volume : 0.0f; }

QSoundEffect* AudioFX::slot(int code) {
  switch (code) {
    case FxButtonPressed: return &buttonPressed_;
    case FxButtonReleased: return &buttonReleased_;
    case FxKeyPressed: return &keyPressed_;
    case FxKeyReleased: return &keyReleased_;
    case FxFistDetected: return &fistDetected_;
    case FxBorderReached: return &borderReached_;
    case FxWheelForward: return &wheelForward_;
    case FxWheelDownward: return &wheelDownward_;
    default: return nullptr;
  }
}

const QSoundEffect* AudioFX::effect(int code) const {
  return const_cast<AudioFX*>(this)->slot(code);
}

void AudioFX::playEffect(audioEffects code) {
  if (code == FxBorderLeft) {
    borderReached_.stop();
    return;
  }
  if (QSoundEffect* fx = slot(code)) fx->play();
}
