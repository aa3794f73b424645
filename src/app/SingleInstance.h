#pragma once

#include <QByteArray>
#include <QString>

// One running copy per user and display: two copies would carry out every gesture twice. The
// copy holds an exclusive lock on a file in the user's runtime folder for as long as it runs; the
// kernel drops the lock when the process ends, however it ends, so a crashed copy never blocks the
// next start.
class SingleInstance {
public:
    enum State { Acquired, HeldElsewhere, Unavailable };

    // display: the X display the copy runs on (the DISPLAY text).
    explicit SingleInstance(const QByteArray& display);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    State acquire();

    QString lockPath() const { return path_; }
    // The process that holds the lock when it is held elsewhere (0 when it did not say).
    long long holder() const { return holder_; }
    // Why there is no lock when acquire() said Unavailable.
    QString error() const { return error_; }

    // ":0", ":0.0" and "unix:0" are one display; a host name keeps its own ("host_10").
    static QString displayKey(const QByteArray& display);
    // The user's runtime folder ($XDG_RUNTIME_DIR, else a private folder under /tmp); empty with
    // *error set when neither is safe to use.
    static QString runtimeFolder(QString* error);

private:
    QString path_;
    QString error_;
    long long holder_ = 0;
    int fd_ = -1;
};
