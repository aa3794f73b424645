#pragma once

#include <QString>
#include <vector>

// Qt key names and codes to X keysyms.
namespace KeyNames {

// Keysym of a Qt key code (Qt::Key); 0 when X has none. named: a named key rather than a character.
unsigned long keysymForQtKey(unsigned int qtKey, bool* named = nullptr);

// Keysym of one key name of Qt's portable text ("Tab", "Del", "F9", "a", "!"); 0 when none.
// none: the name is "None", the placeholder for no key.
unsigned long keysymForName(const QString& name, bool* none = nullptr);

// One key combination in Qt portable text: modifier keysyms in text order, then the key (0 for
// "None"). Only the first combination of a sequence counts. False when any part is unknown.
struct Combination {
  std::vector<unsigned long> modifiers;
  unsigned long key = 0;
};
bool parse(const QString& text, Combination* out);

}  // namespace KeyNames
