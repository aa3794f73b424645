#include "KeyNames.h"

#include <QKeySequence>
#include <QStringList>

#define XK_MISCELLANY
#define XK_LATIN1
#define XK_XKB_KEYS
#include <X11/keysymdef.h>

namespace {

// Multimedia keysyms (XF86keysym.h).
constexpr unsigned long kAudioLowerVolume = 0x1008FF11;
constexpr unsigned long kAudioMute = 0x1008FF12;
constexpr unsigned long kAudioRaiseVolume = 0x1008FF13;

struct NamedKey {
  unsigned int qtKey;
  unsigned long keysym;
};

// Qt::Meta is the Super key on X11, as in Qt's own X11 key handling.
const NamedKey kNamedKeys[] = {
    {Qt::Key_Escape, XK_Escape},       {Qt::Key_Tab, XK_Tab},
    {Qt::Key_Backtab, XK_ISO_Left_Tab}, {Qt::Key_Backspace, XK_BackSpace},
    {Qt::Key_Return, XK_Return},       {Qt::Key_Enter, XK_Return},
    {Qt::Key_Insert, XK_Insert},       {Qt::Key_Delete, XK_Delete},
    {Qt::Key_Pause, XK_Pause},         {Qt::Key_Print, XK_Print},
    {Qt::Key_SysReq, XK_Sys_Req},      {Qt::Key_Clear, XK_Clear},
    {Qt::Key_Home, XK_Home},           {Qt::Key_End, XK_End},
    {Qt::Key_Left, XK_Left},           {Qt::Key_Up, XK_Up},
    {Qt::Key_Right, XK_Right},         {Qt::Key_Down, XK_Down},
    {Qt::Key_PageUp, XK_Page_Up},      {Qt::Key_PageDown, XK_Page_Down},
    {Qt::Key_Shift, XK_Shift_L},       {Qt::Key_Control, XK_Control_L},
    {Qt::Key_Meta, XK_Super_L},        {Qt::Key_Alt, XK_Alt_L},
    {Qt::Key_CapsLock, XK_Caps_Lock},  {Qt::Key_NumLock, XK_Num_Lock},
    {Qt::Key_ScrollLock, XK_Scroll_Lock}, {Qt::Key_Super_L, XK_Super_L},
    {Qt::Key_Super_R, XK_Super_R},     {Qt::Key_Menu, XK_Menu},
    {Qt::Key_Hyper_L, XK_Hyper_L},     {Qt::Key_Hyper_R, XK_Hyper_R},
    {Qt::Key_Help, XK_Help},           {Qt::Key_Space, XK_space},
    {Qt::Key_VolumeDown, kAudioLowerVolume}, {Qt::Key_VolumeMute, kAudioMute},
    {Qt::Key_VolumeUp, kAudioRaiseVolume},
    {0x010000E1, XK_Shift_R},
};

}  // namespace

namespace KeyNames {

unsigned long keysymForQtKey(unsigned int qtKey, bool* named) {
  if (named) *named = false;
  for (const NamedKey& k : kNamedKeys) {
    if (k.qtKey == qtKey) {
      if (named) *named = true;
      return k.keysym;
    }
  }
  if (qtKey >= unsigned(Qt::Key_F1) && qtKey <= unsigned(Qt::Key_F35)) {
    if (named) *named = true;
    return XK_F1 + (qtKey - unsigned(Qt::Key_F1));
  }
  // Letters are typed as their lower-case keysyms; Shift is a modifier of its own.
  if (qtKey >= 'A' && qtKey <= 'Z') return qtKey + 32;
  if (qtKey >= 0x21 && qtKey <= 0x7E) return qtKey;
  if (qtKey >= 0xC0 && qtKey <= 0xDE && qtKey != 0xD7) return qtKey + 0x20;
  if (qtKey >= 0xA0 && qtKey <= 0xFF) return qtKey;
  return 0;
}

unsigned long keysymForName(const QString& name, bool* none) {
  if (none) *none = false;
  if (name.compare("None", Qt::CaseInsensitive) == 0) {
    if (none) *none = true;
    return 0;
  }
  if (name.isEmpty()) return 0;
  const QKeySequence seq = QKeySequence::fromString(name, QKeySequence::PortableText);
  if (seq.count() != 1) return 0;
  const int combined = seq[0];
  // The name must be a key alone, not a key with modifiers.
  if (combined & Qt::KeyboardModifierMask) return 0;
  return keysymForQtKey(unsigned(combined));
}

bool parse(const QString& text, Combination* out) {
  *out = Combination();
  // Sequences separate combinations with ", "; only the first one is posted.
  QString combo = text.trimmed();
  const int comma = combo.indexOf(", ");
  if (comma > 0) combo = combo.left(comma);
  if (combo.isEmpty()) return false;

  QString keyName;
  QStringList modifierNames;
  if (combo == "+") {
    keyName = "+";
  } else if (combo.endsWith("++")) {
    keyName = "+";
    modifierNames = combo.left(combo.size() - 2).split('+');
  } else {
    modifierNames = combo.split('+');
    keyName = modifierNames.takeLast();
  }
  for (const QString& m : modifierNames) {
    const QString t = m.trimmed();
    if (t.compare("Ctrl", Qt::CaseInsensitive) == 0) {
      out->modifiers.push_back(XK_Control_L);
    } else if (t.compare("Shift", Qt::CaseInsensitive) == 0) {
      out->modifiers.push_back(XK_Shift_L);
    } else if (t.compare("Alt", Qt::CaseInsensitive) == 0) {
      out->modifiers.push_back(XK_Alt_L);
    } else if (t.compare("Meta", Qt::CaseInsensitive) == 0) {
      out->modifiers.push_back(XK_Super_L);
    } else {
      return false;
    }
  }
  bool none = false;
  out->key = keysymForName(keyName.trimmed(), &none);
  return none || out->key != 0;
}

}  // namespace KeyNames
