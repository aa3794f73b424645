#pragma once

#include <QList>
#include <QString>
#include <mutex>

// The user's keyboard actions: three parallel lists of equal length. The tracking thread reads
// them while the options dialog edits them on the GUI thread, so every access goes through a lock
// and the lists never disagree in length.
class keyboardAct {
 public:
  struct Entry {
    QString name;
    QString keys;  // Qt portable text, e.g. "Ctrl+Tab"
    bool osKey = false;
  };

  int count() const;
  // Entry k; an index outside the lists gives an empty entry (no keys, no OS key).
  Entry at(int k) const;
  QList<Entry> entries() const;
  QList<QString> names() const;
  QList<QString> keys() const;
  QList<bool> osKey() const;

  void append(const QString& name, const QString& keys, bool osKey);
  void removeAt(int k);  // ignored outside the lists
  void clear();
  void setEntries(const QList<Entry>& entries);

 private:
  mutable std::mutex mutex_;
  QList<QString> names_;
  QList<QString> keys_;
  QList<bool> osKey_;
};
