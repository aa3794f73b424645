#pragma once

#include <QObject>
#include <QString>
#include <mutex>
#include <vector>

class Desktop;
class QTimer;

// The local keyboard device: a keyboard action in Qt portable text ("Ctrl+Tab") becomes key events
// on the desktop it is given (keysyms mapped through the current layout). A QObject, not a
// widget: it is used off the GUI thread. Xlib defines KeyPress and KeyRelease as macros: a file that needs both includes
// Xlib last and undefines them.
class Keyboard : public QObject {
  Q_OBJECT

 public:
  enum keyButton { KeyPress = 0, KeyRelease = 1 };

  Keyboard(Desktop& desktop, QTimer* releaseTimer, bool flag);
  ~Keyboard() override;

  void shortcut(keyButton button, QString keys, bool osKey, QString name, bool);
  void runReleaseKeyTimer();
  // X keysym of one key of a sequence, 0 when there is none. isVirtual: a named key (keysym), not a
  // character. byName: name is looked at first; names of keys that do not exist give 0.
  int qtKeyToAscii(unsigned int key, bool* isVirtual, QString name, bool byName);
  // X keycode typing the character c without modifiers on the current layout, 0xFFFF when none.
  unsigned short keyCodeForChar(char c);
  // Posts one key down (release 0) or up; key is a keysym (isVirtual) or a character code.
  // A key that the layout cannot type posts nothing.
  void emulateKeyOsx(int key, bool isVirtual, int release, unsigned short);

  bool isAppSwitcherActive() const;
  // Lets go of every key this object holds down: a shortcut pressed and not yet released, and the
  // app switcher's held modifiers (tracking gone, pause, quit). Safe from any thread.
  void releaseAll();
  // X keycodes held down by this object, in press order.
  std::vector<int> heldKeys() const;
  QTimer* releaseKeyTimer() const { return releaseTimer_; }

  // The name of the action whose modifiers stay held between presses.
  static const char* const kAppSwitcherName;

 signals:
  void signalReleaseKeyStartTimer();
  void playEffect(int value);

 private slots:
  void timerKeyReleaseTimeout();

 private:
  Desktop& desktop_;
  QTimer* releaseTimer_;
  bool flag_;
  mutable std::mutex mutex_;
  bool appSwitcherActive = false;
  std::vector<unsigned long> heldModifiers_;  // keysyms the app switcher holds, in press order
  std::vector<int> downKeys_;                 // keycodes posted down and not yet up, in order

  // One key event, with its bookkeeping; mutex_ held.
  void post(int keycode, bool down);
  void releaseAllLocked();
};
