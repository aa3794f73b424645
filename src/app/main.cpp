// Velmo Mouse: a tray utility; the tray window runs the whole program.
#include "ResourceConfig.h"
#include "ResourceDir.h"
#include "VelmoWindow.h"

#include <QApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QSystemTrayIcon>
#include <QThread>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

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

} // namespace

int main(int argc, char* argv[]) {
    Q_INIT_RESOURCE(app);
    // Qt's X integration loads the whole GL stack (Mesa, LLVM: tens of megabytes) for the first
    // window it makes, though no window of the tray program draws with GL. The 3D tutorial makes its
    // own GL context on its native window and loads GL then. A choice in the environment stands.
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION")) qputenv("QT_XCB_GL_INTEGRATION", "none");
    QApplication app(argc, argv);

    ResourceConfig::rewrite(velmoResourceDir(), ResourceConfig::defaultCacheDir());

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
        status = QApplication::exec();
    }
    return status;
}
