// The statistics request against HTTPS servers on loopback.
#include "UsageStats.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct Credentials {
    QSslCertificate cert;
    QSslKey key;
};

Credentials makeSelfSigned(const QString& dir, const QString& name) {
    const QString keyPath = dir + "/" + name + ".key", certPath = dir + "/" + name + ".pem";
    const int rc = QProcess::execute("openssl", {"req", "-x509", "-newkey", "ec", "-pkeyopt",
                                                 "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", keyPath,
                                                 "-out", certPath, "-days", "2", "-subj", "/CN=127.0.0.1",
                                                 "-addext", "subjectAltName=IP:127.0.0.1"});
    Credentials c;
    if (rc != 0) return c;
    QFile k(keyPath), p(certPath);
    if (k.open(QIODevice::ReadOnly)) c.key = QSslKey(k.readAll(), QSsl::Ec);
    if (p.open(QIODevice::ReadOnly)) c.cert = QSslCertificate(p.readAll());
    return c;
}

// An HTTPS server on its own thread (the client blocks the test's thread), or, silent, a TCP
// listener that accepts and never answers.
class TestServer : public QThread {
public:
    TestServer(const Credentials* creds) : creds(creds) {
        start();
        port = portPromise.get_future().get();
    }
    ~TestServer() override {
        quit();
        wait();
    }
    std::vector<std::string> requests() {
        std::lock_guard<std::mutex> lock(mutex);
        return requestLines;
    }
    int connections() {
        std::lock_guard<std::mutex> lock(mutex);
        return accepted;
    }
    QString host() const { return QString("127.0.0.1:%1").arg(port); }

    quint16 port = 0;

protected:
    void run() override {
        Listener server(this);
        server.listen(QHostAddress::LocalHost, 0);
        portPromise.set_value(server.serverPort());
        exec();
    }

private:
    class Listener : public QTcpServer {
    public:
        explicit Listener(TestServer* owner) : owner(owner) {}

    protected:
        void incomingConnection(qintptr fd) override {
            {
                std::lock_guard<std::mutex> lock(owner->mutex);
                ++owner->accepted;
            }
            if (!owner->creds) {
                auto* silent = new QTcpSocket(this);
                silent->setSocketDescriptor(fd);
                return;
            }
            auto* s = new QSslSocket(this);
            s->setSocketDescriptor(fd);
            s->setLocalCertificate(owner->creds->cert);
            s->setPrivateKey(owner->creds->key);
            s->setPeerVerifyMode(QSslSocket::VerifyNone);
            connect(s, &QSslSocket::readyRead, s, [this, s] {
                QByteArray& buf = buffers[s];
                buf += s->readAll();
                if (!buf.contains("\r\n\r\n")) return;
                {
                    std::lock_guard<std::mutex> lock(owner->mutex);
                    owner->requestLines.push_back(buf.left(buf.indexOf("\r\n")).toStdString());
                }
                s->write("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok");
                s->disconnectFromHost();
            });
            s->startServerEncryption();
        }

    private:
        TestServer* owner;
        QHash<QSslSocket*, QByteArray> buffers;
    };

    const Credentials* creds;
    std::promise<quint16> portPromise;
    std::mutex mutex;
    std::vector<std::string> requestLines;
    int accepted = 0;
};

std::mutex messagesMutex;
QStringList messages;

void collect(QtMsgType, const QMessageLogContext&, const QString& msg) {
    std::lock_guard<std::mutex> lock(messagesMutex);
    messages << msg;
}

QStringList takeMessages() {
    std::lock_guard<std::mutex> lock(messagesMutex);
    QStringList out;
    out.swap(messages);
    return out;
}

class UsageStatsTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new QTemporaryDir;
        trusted = new Credentials(makeSelfSigned(dir->path(), "trusted"));
        untrusted = new Credentials(makeSelfSigned(dir->path(), "untrusted"));
        QSslConfiguration conf = QSslConfiguration::defaultConfiguration();
        conf.setCaCertificates({trusted->cert});
        QSslConfiguration::setDefaultConfiguration(conf);
    }
    static void TearDownTestSuite() {
        delete trusted;
        delete untrusted;
        delete dir;
    }
    void SetUp() override {
        ASSERT_FALSE(trusted->cert.isNull());
        ASSERT_FALSE(untrusted->key.isNull());
        takeMessages();
        previous = qInstallMessageHandler(collect);
    }
    void TearDown() override { qInstallMessageHandler(previous); }

    static QTemporaryDir* dir;
    static Credentials* trusted;
    static Credentials* untrusted;
    QtMessageHandler previous = nullptr;
};

QTemporaryDir* UsageStatsTest::dir = nullptr;
Credentials* UsageStatsTest::trusted = nullptr;
Credentials* UsageStatsTest::untrusted = nullptr;

} // namespace

TEST_F(UsageStatsTest, ReportsReachTheServerWithTheExactQuery) {
    TestServer server(trusted);
    UsageStats stats(server.host());
    EXPECT_EQ(stats.send("start", 1, 2), 0);
    EXPECT_EQ(stats.send("stop", 0, 0), 0);
    const std::vector<std::string> expected = {
        "GET /scripts/register.php?type=start&os=linux&version=1.5&pwd=7q2rm8wd51x0hkp*3&netmode=1&leapPos=2 HTTP/1.1",
        "GET /scripts/register.php?type=stop&os=linux&version=1.5&pwd=7q2rm8wd51x0hkp*3&netmode=0&leapPos=0 HTTP/1.1",
    };
    EXPECT_EQ(server.requests(), expected);
    const QStringList log = takeMessages();
    EXPECT_EQ(log.count("HttpRequest Exiting"), 2);
    EXPECT_EQ(log.count("HttpRequest Failure"), 0);
}

TEST_F(UsageStatsTest, WithoutAHostNothingIsSentAndOneLineSaysSo) {
    UsageStats stats{QString()};
    EXPECT_EQ(stats.send("start", 0, 0), 1);
    const QStringList log = takeMessages();
    ASSERT_EQ(log.size(), 1);
    EXPECT_FALSE(log[0].startsWith("HttpRequest"));

    if (!UsageStats::configuredHost().isEmpty()) GTEST_SKIP() << "built with a statistics host";
    UsageStats built;
    EXPECT_EQ(built.send("stop", 0, 0), 1);
    EXPECT_EQ(takeMessages().size(), 1);
}

TEST_F(UsageStatsTest, SilentServerFailsAtTheBoundWithoutRunningQueuedEvents) {
    TestServer server(nullptr);
    UsageStats stats(server.host());
    QObject context;
    int queuedRuns = 0;
    QTimer::singleShot(0, &context, [&] { ++queuedRuns; });
    QMetaObject::invokeMethod(&context, [&] { ++queuedRuns; }, Qt::QueuedConnection);

    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(stats.send("start", 0, 0), 1);
    EXPECT_GE(clock.elapsed(), 2500);
    EXPECT_EQ(server.connections(), 1);
    EXPECT_EQ(queuedRuns, 0);
    EXPECT_TRUE(takeMessages().contains("HttpRequest Failure"));

    QCoreApplication::processEvents();
    EXPECT_EQ(queuedRuns, 2);
}

TEST_F(UsageStatsTest, CertificateErrorIsAFailureAndNothingIsRequested) {
    TestServer server(untrusted);
    UsageStats stats(server.host());
    testing::internal::CaptureStdout();
    EXPECT_EQ(stats.send("start", 0, 0), 1);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("SSL Errors\n"), std::string::npos);
    EXPECT_TRUE(server.requests().empty());
    EXPECT_TRUE(takeMessages().contains("HttpRequest Failure"));
}

TEST_F(UsageStatsTest, RefusedConnectionIsAFailure) {
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        closedPort = probe.serverPort();
    }
    UsageStats stats(QString("127.0.0.1:%1").arg(closedPort));
    EXPECT_EQ(stats.send("start", 0, 0), 1);
    EXPECT_TRUE(takeMessages().contains("HttpRequest Failure"));
}
