// Velmo Mouse: a tray utility; the tray window runs the whole program.
#include "InfoOption.h"
#include "OwnEnvironment.h"
#include "ResourceConfig.h"
#include "ResourceDir.h"
#include "TrackingOption.h"
#include "SingleInstance.h"
#include "VelmoWindow.h"
#include "XServerWatch.h"

#include <QApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

#include <X11/Xlib.h>

namespace {

// A tray host started with the session can come up a moment after us.
constexpr int trayWaitMs = 5000;

int signalPipe[2] = {-1, -1};

void onQuitSignal(int) {
    const char byte = 1;
    const ssize_t written = ::write(signalPipe[1], &byte, 1);
    (void)written;
}

bool waitForSystemTray() {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!QSystemTrayIcon::isSystemTrayAvailable()) {
        if (elapsed.elapsed() >= trayWaitMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(100);
    }
    return true;
}

// SIGTERM (log-out, the service manager) and SIGINT end the program as "&Quit" does, so the
// settings are saved.
void quitOnSignals(QApplication& app) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
        char byte = 0;
        const ssize_t got = ::read(signalPipe[0], &byte, 1);
        (void)got;
        qDebug() << "QUIT REQUESTED BY SIGNAL";
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

// Qt would abort on its own without a display; say plainly what the program needs instead.
bool x11SessionReachable() {
    Display* dpy = XOpenDisplay(nullptr);
    if (dpy == nullptr) return false;
    XCloseDisplay(dpy);
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    if (answerInfoOption(argc, argv)) return 0;
    std::string trackingError;
    if (!applyTrackingOption(argc, argv, trackingError)) {
        std::fprintf(stderr, "velmo-mouse: %s\n", trackingError.c_str());
        return 2;
    }
    const QByteArray display = qgetenv("DISPLAY");
    if (!x11SessionReachable()) {
        std::fprintf(stderr,
                     "velmo-mouse: needs an X11 session, and no X display could be opened (%s); "
                     "Wayland-only sessions are not supported.\n",
                     display.isEmpty() ? "DISPLAY is not set" : ("DISPLAY=" + display).constData());
        return 1;
    }

    SingleInstance instance(display);
    switch (instance.acquire()) {
    case SingleInstance::HeldElsewhere:
        std::fprintf(stderr, "velmo-mouse: Velmo Mouse is already running on display %s%s; not starting a second copy.\n",
                     display.constData(),
                     instance.holder() > 0 ? qPrintable(QStringLiteral(" (process %1)").arg(instance.holder())) : "");
        return 1;
    case SingleInstance::Unavailable:
        std::fprintf(stderr, "velmo-mouse: cannot check for a running copy (%s); starting anyway.\n",
                     qPrintable(instance.error()));
        break;
    case SingleInstance::Acquired:
        break;
    }

    Q_INIT_RESOURCE(app);
    // Qt's X integration loads the whole GL stack (Mesa, LLVM: tens of megabytes) for the first
    // window it makes, though no window of the tray program draws with GL. The 3D tutorial makes its
    // own GL context on its native window and loads GL then. A choice in the environment stands.
    OwnEnvironment::set("QT_XCB_GL_INTEGRATION", "none");
    // Qt's own event loop instead of GLib's: the tracking thread wakes for every frame, and GLib's
    // prepare/check/dispatch rounds cost it about a third of its time. Nothing here needs GLib's.
    OwnEnvironment::set("QT_NO_GLIB", "1");
    QApplication app(argc, argv);

    ResourceConfig::rewrite(velmoResourceDir());

    if (!waitForSystemTray()) {
        const QString text = QObject::tr("I couldn't detect any system tray on this system.");
        qWarning().noquote() << text;
        QMessageBox::critical(nullptr, QObject::tr("Velmo Mouse"), text);
        return 1;
    }
    QApplication::setQuitOnLastWindowClosed(false);
    quitOnSignals(app);

    int status = 0;
    {
        VelmoWindow window;
        XServerWatch xServerWatch(window);
        status = QApplication::exec();
    }
    return status;
}
