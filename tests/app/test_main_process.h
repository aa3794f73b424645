#pragma once
// velmo-mouse as a process for the start-up and end-to-end tests: a copy of the program in a folder
// of its own (its settings file lives beside it), its output in a file, and a way to find its
// windows on the X server.

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <string>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace apptest {

inline bool waitFor(const std::function<bool()>& condition, int ms = 30000) {
    return QTest::qWaitFor(condition, ms);
}

class AppProcess {
public:
    AppProcess() : dir(QDir(QCoreApplication::applicationDirPath()).filePath("run-XXXXXX")), runtime() {
        program = dir.filePath("velmo-mouse");
        // A hard link where it can be (same file system), else a copy.
        if (::link(VELMO_MOUSE, program.toLocal8Bit().constData()) != 0) QFile::copy(VELMO_MOUSE, program);
    }
    ~AppProcess() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(10000);
        }
    }
    AppProcess(const AppProcess&) = delete;
    AppProcess& operator=(const AppProcess&) = delete;

    bool ready() const { return dir.isValid() && runtime.isValid() && QFile::exists(program); }
    // The tracking service's socket the program connects to.
    QString socketPath() const { return QDir(runtime.path()).filePath("velmo-tracking.sock"); }
    QString settingsPath() const { return dir.filePath("velmo.dat"); }
    QString settingsDir() const { return dir.path(); }
    QString programPath() const { return program; }
    QString logPath() const { return dir.filePath("velmo-mouse.log"); }
    QString runtimePath() const { return runtime.path(); }
    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
            if (it.value().isNull())
                env.remove(it.key());
            else
                env.insert(it.key(), it.value());
        }
        return env;
    }
    // Changes to the program's environment: a value, or a null string to remove the variable.
    QMap<QString, QString> changes;

    bool start(const QStringList& arguments = QStringList()) {
        process.setProcessEnvironment(environment());
        process.setStandardOutputFile(logPath());
        process.setStandardErrorFile(logPath());
        process.start(program, arguments);
        return process.waitForStarted(10000);
    }
    QByteArray output() const {
        QFile f(logPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool running() const { return process.state() != QProcess::NotRunning; }
    // Waits for the end; -1 when it did not end or crashed.
    int waitForExit(int ms = 60000) {
        if (!waitFor([&] { return !running(); }, ms)) return -1;
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    // SIGTERM, as at log-out.
    int quit() {
        process.terminate();
        return waitForExit();
    }

    QProcess process;

private:
    QTemporaryDir dir;
    QTemporaryDir runtime;
    QString program;
};

// A viewable window named name anywhere on the display; 0 when there is none.
inline Window findWindowNamed(Display* dpy, Window top, const char* name) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(dpy, top, &root, &parent, &children, &count)) return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && !found; ++i) {
        XWindowAttributes attrs;
        if (!XGetWindowAttributes(dpy, children[i], &attrs) || attrs.map_state != IsViewable) continue;
        char* title = nullptr;
        if (XFetchName(dpy, children[i], &title) && title) {
            if (std::string(title) == name) found = children[i];
            XFree(title);
        }
        if (!found) found = findWindowNamed(dpy, children[i], name);
    }
    if (children) XFree(children);
    return found;
}

} // namespace apptest
