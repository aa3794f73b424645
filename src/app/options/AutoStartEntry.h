#pragma once

#include <QString>

// The desktop's autostart entry that starts Velmo Mouse at login:
// $XDG_CONFIG_HOME/autostart/velmo-mouse.desktop (~/.config when the variable is unset).
class AutoStartEntry {
public:
    static QString path();
    // The entry's text for the program at programPath (absolute).
    static QByteArray contents(const QString& programPath);
    // The Exec value: programPath quoted and escaped as the Desktop Entry format requires.
    static QString execValue(const QString& programPath);

    // Writes the entry atomically, replacing whatever was there. False, with a reason in error,
    // when the path cannot be written or cannot be expressed in an entry.
    static bool install(const QString& programPath, QString* error);
    // Removes the entry; a missing entry is no error.
    static bool remove(QString* error);
};
