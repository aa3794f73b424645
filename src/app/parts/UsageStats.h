#pragma once

#include <QList>
#include <QObject>
#include <QSslError>
#include <QString>

class QNetworkReply;

// The anonymous "start"/"stop" report to the statistics server.
class UsageStats : public QObject {
    Q_OBJECT
public:
    static constexpr int timeoutMs = 3000;

    // The server chosen at build time; empty when none was given.
    static QString configuredHost();
    // The platform this build runs on, as the server's os field.
    static QString osName();
    static QString buildUrl(const QString& host, const QString& type, int netMode, int controllerPos);

    explicit UsageStats(QObject* parent = nullptr);
    UsageStats(const QString& host, QObject* parent = nullptr);

    // Returns 0 once delivered, 1 when not (no host, network error, certificate error, timeout).
    int send(const QString& type, int netMode, int controllerPos);
    // GET url, at most timeoutMs. Blocks the calling thread without running its event loop, so no
    // queued event or user input is handled meanwhile. 0 on success, 1 on failure.
    int httpRequest(QString url);

public slots:
    // Reports certificate problems; they are not ignored, so the request fails.
    void onIgnoreSSLErrors(QNetworkReply* reply, QList<QSslError> error);

private:
    QString host;
};
