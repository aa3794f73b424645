#include "SingleInstance.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A folder of ours that nobody else can write into: the lock must not be someone else's file.
bool privateFolder(const QByteArray& path, QString* error) {
    struct stat st;
    if (::lstat(path.constData(), &st) != 0) {
        *error = QStringLiteral("%1: %2").arg(QString::fromLocal8Bit(path), QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & 022) != 0) {
        *error = QStringLiteral("%1 is not a private folder of this user").arg(QString::fromLocal8Bit(path));
        return false;
    }
    return true;
}

} // namespace

SingleInstance::SingleInstance(const QByteArray& display) {
    const QString folder = runtimeFolder(&error_);
    if (!folder.isEmpty())
        path_ = QDir(folder).filePath(QStringLiteral("velmo-mouse-display-%1.lock").arg(displayKey(display)));
}

SingleInstance::~SingleInstance() {
    // Closing lets go of the lock. The file stays: removing it could let two copies lock two files.
    if (fd_ >= 0) ::close(fd_);
}

QString SingleInstance::runtimeFolder(QString* error) {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    QString why;
    if (!runtime.isEmpty() && runtime.startsWith('/') && privateFolder(runtime, &why))
        return QString::fromLocal8Bit(runtime);
    const QByteArray fallback = "/tmp/velmo-" + QByteArray::number(::geteuid());
    if (::mkdir(fallback.constData(), 0700) != 0 && errno != EEXIST) {
        *error = QStringLiteral("cannot make %1: %2").arg(QString::fromLocal8Bit(fallback), QString::fromLocal8Bit(std::strerror(errno)));
        return QString();
    }
    if (!privateFolder(fallback, error)) return QString();
    return QString::fromLocal8Bit(fallback);
}

QString SingleInstance::displayKey(const QByteArray& display) {
    QByteArray text = display.trimmed();
    const int colon = text.lastIndexOf(':');
    QByteArray host = colon >= 0 ? text.left(colon) : QByteArray();
    QByteArray number = colon >= 0 ? text.mid(colon + 1) : text;
    const int dot = number.indexOf('.');
    if (dot >= 0) number.truncate(dot); // the screen: the same display
    if (host == "unix") host.clear();
    QString key = host.isEmpty() ? QString::fromLatin1(number) : QString::fromLatin1(host + '_' + number);
    for (QChar& c : key) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('.') && c != QLatin1Char('-') && c != QLatin1Char('_'))
            c = QLatin1Char('_');
    }
    return key.isEmpty() ? QStringLiteral("none") : key;
}

SingleInstance::State SingleInstance::acquire() {
    if (fd_ >= 0) return Acquired;
    if (path_.isEmpty()) return Unavailable;
    const QByteArray path = QFile::encodeName(path_);
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        error_ = QStringLiteral("%1: %2").arg(path_, QString::fromLocal8Bit(std::strerror(errno)));
        return Unavailable;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        if (err == EWOULDBLOCK) {
            char buffer[32] = {};
            const ssize_t got = ::pread(fd, buffer, sizeof buffer - 1, 0);
            holder_ = got > 0 ? std::strtoll(buffer, nullptr, 10) : 0;
            ::close(fd);
            return HeldElsewhere;
        }
        error_ = QStringLiteral("%1: %2").arg(path_, QString::fromLocal8Bit(std::strerror(err)));
        ::close(fd);
        return Unavailable;
    }
    // Who holds it, for the message of a second start.
    const QByteArray pid = QByteArray::number(static_cast<qlonglong>(::getpid())) + '\n';
    if (::ftruncate(fd, 0) == 0) {
        const ssize_t written = ::pwrite(fd, pid.constData(), static_cast<size_t>(pid.size()), 0);
        (void)written;
    }
    fd_ = fd;
    return Acquired;
}
