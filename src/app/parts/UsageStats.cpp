#include "UsageStats.h"

#include <QDebug>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>
#include <QSysInfo>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <cstdio>
#include <memory>

#ifndef VELMO_STATS_HOST
#define VELMO_STATS_HOST ""
#endif

namespace {
const char* const version = "1.5";
const char* const password = "7q2rm8wd51x0hkp*3";
} // namespace

QString UsageStats::configuredHost() {
    return QStringLiteral(VELMO_STATS_HOST);
}

QString UsageStats::osName() {
    return QSysInfo::kernelType();
}

QString UsageStats::buildUrl(const QString& host, const QString& type, int netMode, int controllerPos) {
    return QString::asprintf("https://%s/scripts/register.php?type=%s&os=%s&version=%s&pwd=%s&netmode=%d&leapPos=%d",
                             host.toUtf8().constData(), type.toUtf8().constData(), osName().toUtf8().constData(),
                             version, password, netMode, controllerPos);
}

UsageStats::UsageStats(QObject* parent) : UsageStats(configuredHost(), parent) {}

UsageStats::UsageStats(const QString& host, QObject* parent) : QObject(parent), host(host) {}

int UsageStats::send(const QString& type, int netMode, int controllerPos) {
    if (host.isEmpty()) {
        qDebug() << "NO STATISTICS HOST CONFIGURED, NOTHING SENT";
        return 1;
    }
    return httpRequest(buildUrl(host, type, netMode, controllerPos));
}

int UsageStats::httpRequest(QString url) {
    // The request runs on a thread of its own with its own event loop: a nested loop here would let
    // queued menu actions run inside a caller that may be half built.
    std::atomic<int> result{1};
    std::unique_ptr<QThread> worker(QThread::create([this, url, &result] {
        QTimer timer;
        timer.setSingleShot(true);
        QEventLoop loop;
        QNetworkAccessManager manager;
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(&manager, &QNetworkAccessManager::finished, &loop, &QEventLoop::quit);
        // Direct: this object's thread is blocked below, and the reply must be judged while it lives.
        QObject::connect(&manager, &QNetworkAccessManager::sslErrors, this, &UsageStats::onIgnoreSSLErrors,
                         Qt::DirectConnection);

        QNetworkRequest request{QUrl(url)};
        request.setSslConfiguration(QSslConfiguration::defaultConfiguration());
        timer.start(timeoutMs);
        QNetworkReply* reply = manager.get(request);
        if (!reply->isFinished()) loop.exec();

        qDebug() << "HttpRequest Checking Reply";
        if (!reply->isFinished()) {
            reply->abort();
            qDebug() << "HttpRequest Timeout";
            qDebug() << "HttpRequest Failure";
        } else if (reply->error() != QNetworkReply::NoError) {
            qDebug() << "HttpRequest Failure";
        } else {
            qDebug() << "HttpRequest Exiting";
            result = 0;
        }
        delete reply;
    }));
    worker->start();
    worker->wait();
    return result;
}

void UsageStats::onIgnoreSSLErrors(QNetworkReply*, QList<QSslError>) {
    std::printf("SSL Errors\n");
    std::fflush(stdout);
}
