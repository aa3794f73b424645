#include "Keyboard.h"

#include <algorithm>

#include "AudioFX.h"
#include "KeyNames.h"
#include "Desktop.h"

#define XK_MISCELLANY
#define XK_LATIN1
#include <X11/keysymdef.h>

const char* const Keyboard::kAppSwitcherName = "APP SWITCHER";

namespace {

// Names the key table knows directly; the rest go through Qt's own key names.
struct NameEntry {
  const char* name;
  unsigned long keysym;
};
const NameEntry kNames[] = {
    {"Del", XK_Delete},     {"Home", XK_Home},       {"End", XK_End},
    {"Left", XK_Left},      {"Up", XK_Up},           {"Right", XK_Right},
    {"Down", XK_Down},      {"PgUp", XK_Page_Up},    {"PgDown", XK_Page_Down},
    {"Shift", XK_Shift_L},  {"Ctrl", XK_Control_L},  {"Meta", XK_Super_L},
    {"Alt", XK_Alt_L},      {"CapsLock", XK_Caps_Lock}, {"Ins", XK_Insert},
    {"Pause", XK_Pause},    {"Print", XK_Print},     {"SysReq", XK_Sys_Req},
    {"Clear", XK_Clear},    {"NumLock", XK_Num_Lock}, {"Super_L", XK_Super_L},
    {"Super_R", XK_Super_R}, {"Menu", XK_Menu},      {"Hyper_L", XK_Hyper_L},
    {"Hyper_R", XK_Hyper_R},
};

struct PostedKey {
  unsigned long keysym;
  int keycode;
};

}  // namespace

Keyboard::Keyboard(Desktop& desktop, QTimer* releaseTimer, bool flag)
    : desktop_(desktop), releaseTimer_(releaseTimer), flag_(flag) {}

Keyboard::~Keyboard() {
  // Keys held for a shortcut or the app switcher must not outlive the program.
  releaseAll();
}

void Keyboard::post(int keycode, bool down) {
  desktop_.key(keycode, down);
  auto it = std::find(downKeys_.begin(), downKeys_.end(), keycode);
  if (down && it == downKeys_.end()) downKeys_.push_back(keycode);
  if (!down && it != downKeys_.end()) downKeys_.erase(it);
}

void Keyboard::releaseAllLocked() {
  // Last pressed first, so modifiers go after the keys they modify.
  while (!downKeys_.empty()) post(downKeys_.back(), false);
  heldModifiers_.clear();
  appSwitcherActive = false;
}

void Keyboard::releaseAll() {
  std::lock_guard<std::mutex> lock(mutex_);
  releaseAllLocked();
}

std::vector<int> Keyboard::heldKeys() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return downKeys_;
}

bool Keyboard::isAppSwitcherActive() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return appSwitcherActive;
}

int Keyboard::qtKeyToAscii(unsigned int key, bool* isVirtual, QString name, bool byName) {
  *isVirtual = false;
  if (byName) {
    for (const NameEntry& e : kNames) {
      if (name == QLatin1String(e.name)) {
        *isVirtual = true;
        return int(e.keysym);
      }
    }
    if (name.size() >= 2 && name[0] == 'F') {
      bool ok = false;
      const int n = name.mid(1).toInt(&ok);
      if (ok && n >= 1 && n <= 35) {
        *isVirtual = true;
        return int(XK_F1 + (n - 1));
      }
    }
    if (name == "Direction_L" || name == "Direction_R") return 0;
  }
  bool named = false;
  const unsigned long sym = KeyNames::keysymForQtKey(key, &named);
  *isVirtual = named && sym != 0;
  return int(sym);
}

unsigned short Keyboard::keyCodeForChar(char c) {
  const unsigned long sym = static_cast<unsigned char>(c);
  bool shifted = false;
  const int kc = desktop_.keycodeForKeysym(sym, &shifted);
  if (kc == 0 || shifted) return 0xFFFF;
  return static_cast<unsigned short>(kc);
}

void Keyboard::emulateKeyOsx(int key, bool isVirtual, int release, unsigned short) {
  if (key <= 0) return;
  // Characters below 0x100 are their own keysyms, so both kinds go through the same lookup.
  (void)isVirtual;
  const int kc = desktop_.keycodeForKeysym(static_cast<unsigned long>(key));
  if (kc == 0) return;  // the layout cannot type it: post nothing
  desktop_.key(kc, release == 0);
}

void Keyboard::shortcut(keyButton button, QString keys, bool osKey, QString name, bool) {
  KeyNames::Combination combo;
  if (!KeyNames::parse(keys, &combo)) return;
  Desktop& x = desktop_;

  // Modifiers in text order, then Super for the OS key, then Shift when the key needs it.
  std::vector<unsigned long> modifiers;
  for (unsigned long m : combo.modifiers) {
    if (std::find(modifiers.begin(), modifiers.end(), m) == modifiers.end()) modifiers.push_back(m);
  }
  if (osKey && std::find(modifiers.begin(), modifiers.end(), XK_Super_L) == modifiers.end()) {
    modifiers.push_back(XK_Super_L);
  }
  PostedKey main{combo.key, 0};
  if (combo.key) {
    bool shifted = false;
    main.keycode = x.keycodeForKeysym(combo.key, &shifted);
    if (main.keycode == 0) return;
    if (shifted && std::find(modifiers.begin(), modifiers.end(), XK_Shift_L) == modifiers.end()) {
      modifiers.push_back(XK_Shift_L);
    }
  }
  const bool appSwitcher = name == QLatin1String(kAppSwitcherName);
  // The switcher's key-less release lets go of what it holds, whatever modifiers the text names.
  const bool releaseHeld = appSwitcher && button == KeyRelease && main.keycode == 0;
  std::vector<PostedKey> mods;
  for (unsigned long m : modifiers) {
    if (releaseHeld) break;
    const int kc = x.keycodeForKeysym(m);
    if (kc == 0) return;  // an unmappable part would make it a different shortcut
    mods.push_back(PostedKey{m, kc});
  }

  bool startTimer = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (button == KeyPress) {
      if (!appSwitcher || !appSwitcherActive) {
        for (const PostedKey& m : mods) post(m.keycode, true);
      }
      if (appSwitcher && !appSwitcherActive) {
        appSwitcherActive = true;
        heldModifiers_.clear();
        for (const PostedKey& m : mods) heldModifiers_.push_back(m.keysym);
      }
      if (main.keycode) post(main.keycode, true);
    } else {
      if (main.keycode) post(main.keycode, false);
      if (appSwitcher) {
        if (main.keycode) {
          // The modifiers stay down so the next press moves on in the switcher.
          startTimer = true;
        } else {
          for (auto it = heldModifiers_.rbegin(); it != heldModifiers_.rend(); ++it) {
            const int kc = x.keycodeForKeysym(*it);
            if (kc) post(kc, false);
          }
          heldModifiers_.clear();
          appSwitcherActive = false;
        }
      } else {
        for (auto it = mods.rbegin(); it != mods.rend(); ++it) post(it->keycode, false);
      }
    }
  }
  if (startTimer) runReleaseKeyTimer();
  if (main.keycode) {
    const int fx = button == KeyPress ? FxKeyPressed : FxKeyReleased;
    desktop_.afterWrite([this, fx] { emit playEffect(fx); });
  }
}

void Keyboard::runReleaseKeyTimer() { emit signalReleaseKeyStartTimer(); }

void Keyboard::timerKeyReleaseTimeout() {
  // Releases exactly what the switcher holds and clears its state under the same lock, so a press
  // from the tracking thread cannot fall between the two.
  shortcut(KeyRelease, "Alt+None", false, kAppSwitcherName, false);
}
