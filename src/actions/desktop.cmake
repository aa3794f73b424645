# Desktop half of the actions library: displays, pointer, keyboard, alternative pointer, effects.
set(VELMO_ACTIONS_DESKTOP_SOURCES
  ActionTypes.h
  MultiMonitor.cpp MultiMonitor.h
  Mouse.cpp Mouse.h
  Keyboard.cpp Keyboard.h KeyNames.cpp KeyNames.h
  OsxMousePointer.cpp OsxMousePointer.h
  AudioFX.cpp AudioFX.h
  GraphicFX.cpp GraphicFX.h)
set(VELMO_ACTIONS_DESKTOP_LIBS velmo_desktop velmo_app_crypt Qt5::Widgets Qt5::Multimedia Threads::Threads)
