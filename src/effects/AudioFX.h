#pragma once

#include <QSoundEffect>

#include "SoundCodes.h"

// Short sounds for gesture events, from the wave files of the resources directory.
class AudioFX {
 public:
  AudioFX();
  ~AudioFX();
  AudioFX(const AudioFX&) = delete;
  AudioFX& operator=(const AudioFX&) = delete;

  void playEffect(audioEffects code);

  // The effect that plays code, null for FxBorderLeft and unknown codes.
  const QSoundEffect* effect(int code) const;
  static const char* fileName(int code);
  static float volume(int code);

 private:
  QSoundEffect* slot(int code);

  // Holds back the sound backend's complaints while the effects below are made: without a sound
  // server it repeats one line per effect. Declared first so that it is made first.
  struct QuietBackend {
    QuietBackend();
    ~QuietBackend();
    // Stops holding back; true when the backend said that no sound server answered.
    bool finish();
    bool holding = false;
  };
  QuietBackend quiet_;

  QSoundEffect buttonPressed_;
  QSoundEffect buttonReleased_;
  QSoundEffect keyPressed_;
  QSoundEffect keyReleased_;
  QSoundEffect fistDetected_;
  QSoundEffect borderReached_;
  QSoundEffect wheelForward_;
  QSoundEffect wheelDownward_;
};
