#include "AutoStartEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

bool setError(QString* error, const QString& text) {
    if (error) *error = text;
    return false;
}

} // namespace

QString AutoStartEntry::path() {
    QString config = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    // Relative values are invalid by the base-directory rules and are ignored.
    if (config.isEmpty() || QDir::isRelativePath(config)) config = QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(config + QStringLiteral("/autostart/velmo-mouse.desktop"));
}

QString AutoStartEntry::execValue(const QString& programPath) {
    // Inside a quoted argument ", `, $ and \ take a backslash; % doubles as a field code escape;
    // then the whole value is a string, whose own escape doubles every backslash.
    QString quoted;
    for (const QChar c : programPath) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c;
    }
    quoted = QLatin1Char('"') + quoted.replace('%', QStringLiteral("%%")) + QLatin1Char('"');
    return quoted.replace('\\', QStringLiteral("\\\\"));
}

QByteArray AutoStartEntry::contents(const QString& programPath) {
    QByteArray text("[Desktop Entry]\n"
                    "Type=Application\n"
                    "Name=Velmo Mouse\n"
                    "Comment=Drive the pointer with one hand over the hand-tracking sensor\n");
    text += "Exec=" + execValue(programPath).toUtf8() + '\n';
    text += "Terminal=false\n"
            "X-GNOME-Autostart-enabled=true\n";
    return text;
}

bool AutoStartEntry::install(const QString& programPath, QString* error) {
    if (!QFileInfo(programPath).isAbsolute()) return setError(error, QStringLiteral("the program path is not absolute"));
    for (const QChar c : programPath)
        if (c.category() == QChar::Other_Control)
            return setError(error, QStringLiteral("the program path holds a control character"));
    const QString file = path();
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return setError(error, QStringLiteral("cannot create the folder ") + QFileInfo(file).absolutePath());
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) return setError(error, out.errorString());
    const QByteArray text = contents(programPath);
    if (out.write(text) != text.size() || !out.commit()) return setError(error, out.errorString());
    return true;
}

bool AutoStartEntry::remove(QString* error) {
    QFile entry(path());
    if (!entry.exists() && !QFileInfo(path()).isSymLink()) return true;
    if (!entry.remove()) return setError(error, entry.errorString());
    return true;
}
