#include "keyboardAct.h"

int keyboardAct::count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return names_.size();
}

keyboardAct::Entry keyboardAct::at(int k) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (k < 0 || k >= names_.size()) return Entry{};
  return Entry{names_[k], keys_[k], osKey_[k]};
}

QList<keyboardAct::Entry> keyboardAct::entries() const {
  std::lock_guard<std::mutex> lock(mutex_);
  QList<Entry> out;
  out.reserve(names_.size());
  for (int k = 0; k < names_.size(); ++k) out.append(Entry{names_[k], keys_[k], osKey_[k]});
  return out;
}

QList<QString> keyboardAct::names() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return names_;
}

QList<QString> keyboardAct::keys() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return keys_;
}

QList<bool> keyboardAct::osKey() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return osKey_;
}

void keyboardAct::append(const QString& name, const QString& keys, bool osKey) {
  std::lock_guard<std::mutex> lock(mutex_);
  names_.append(name);
  keys_.append(keys);
  osKey_.append(osKey);
}

void keyboardAct::removeAt(int k) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (k < 0 || k >= names_.size()) return;
  names_.removeAt(k);
  keys_.removeAt(k);
  osKey_.removeAt(k);
}

void keyboardAct::clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  names_.clear();
  keys_.clear();
  osKey_.clear();
}

void keyboardAct::setEntries(const QList<Entry>& entries) {
  std::lock_guard<std::mutex> lock(mutex_);
  names_.clear();
  keys_.clear();
  osKey_.clear();
  for (const Entry& e : entries) {
    names_.append(e.name);
    keys_.append(e.keys);
    osKey_.append(e.osKey);
  }
}
