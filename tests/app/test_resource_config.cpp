// Rewriting the renderer's resource list "resources.cfg".
#include "ResourceConfig.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(text), text.size());
}

class ResourceConfigTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        resDir = tmp.path() + "/resources";
        ASSERT_TRUE(QDir().mkpath(resDir));
        list = resDir + "/resources.cfg";
        archive = "Zip=" + (resDir + "/SdkTrays.zip").toUtf8();
    }

    QTemporaryDir tmp;
    QString resDir, list;
    QByteArray archive;
};

} // namespace

TEST_F(ResourceConfigTest, OnlyLinesStartingWithZipAreReplaced) {
    writeFile(list, "# Resources\n[Popular]\nZip=/old/place/SdkTrays.zip\n#Zip=/commented.zip\n"
                    "  Zip=/indented.zip\r\nFileSystem=media/Zip=inside\nZip=last");
    EXPECT_EQ(ResourceConfig::rewrite(resDir), list);
    EXPECT_EQ(readFile(list), "# Resources\n[Popular]\n" + archive + "\n#Zip=/commented.zip\n" + archive +
                                  "\r\nFileSystem=media/Zip=inside\n" + archive);
    // No temporary file is left behind.
    EXPECT_EQ(QDir(resDir).entryList(QDir::Files | QDir::Hidden), QStringList{"resources.cfg"});
}

TEST_F(ResourceConfigTest, LongLinesAreTakenWhole) {
    const QByteArray longPlain = "FileSystem=" + QByteArray(9000, 'a');
    const QByteArray zipInside = QByteArray(5000, 'b') + "Zip=" + QByteArray(3000, 'c');
    const QByteArray longZip = "Zip=" + QByteArray(10000, 'd');
    writeFile(list, longPlain + "\n" + zipInside + "\n" + longZip + "\n");
    EXPECT_EQ(ResourceConfig::rewrite(resDir), list);
    EXPECT_EQ(readFile(list), longPlain + "\n" + zipInside + "\n" + archive + "\n");
}

TEST_F(ResourceConfigTest, AnUnchangedListIsNotWritten) {
    writeFile(list, "[Popular]\n" + archive + "\n");
    const QDateTime old = QDateTime::currentDateTime().addDays(-30);
    {
        QFile f(list);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(old, QFileDevice::FileModificationTime));
    }
    EXPECT_EQ(ResourceConfig::rewrite(resDir), list);
    EXPECT_EQ(QFileInfo(list).lastModified().toSecsSinceEpoch(), old.toSecsSinceEpoch());
    EXPECT_EQ(readFile(list), "[Popular]\n" + archive + "\n");
}

TEST_F(ResourceConfigTest, MissingListIsNoList) {
    EXPECT_TRUE(ResourceConfig::rewrite(resDir).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(list));
}

// The installation's directory is read-only to the user: the installed list stays as it was and
// nothing is written elsewhere. Root may write anywhere, so the rewrite runs in a child that has
// dropped to an unprivileged user.
TEST_F(ResourceConfigTest, ReadOnlyResourcesStayAsTheyAre) {
    const QByteArray original = "[Popular]\nZip=/elsewhere/SdkTrays.zip\n";
    writeFile(list, original);
    ASSERT_EQ(chmod(QFile::encodeName(tmp.path()).constData(), 0777), 0);
    ASSERT_EQ(chmod(QFile::encodeName(resDir).constData(), 0555), 0);
    ASSERT_EQ(chmod(QFile::encodeName(list).constData(), 0644), 0);

    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(pipeFds[0]);
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
        const QByteArray used = QFile::encodeName(ResourceConfig::rewrite(resDir));
        const bool written = write(pipeFds[1], used.constData(), size_t(used.size())) == used.size();
        _exit(written ? 0 : 4);
    }
    close(pipeFds[1]);
    QByteArray used;
    char buf[512];
    ssize_t n;
    while ((n = read(pipeFds[0], buf, sizeof buf)) > 0) used.append(buf, int(n));
    close(pipeFds[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    chmod(QFile::encodeName(resDir).constData(), 0755);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);

    EXPECT_EQ(QFile::decodeName(used), list);
    EXPECT_EQ(readFile(list), original);
    EXPECT_EQ(QDir(resDir).entryList(QDir::Files | QDir::Hidden), QStringList{"resources.cfg"});
}

TEST(ResourceConfigText, CrLfAndBareLinesKeepTheirEnds) {
    EXPECT_EQ(ResourceConfig::rewritten("", "/r"), "");
    EXPECT_EQ(ResourceConfig::rewritten("\n\nZip=\n", "/r"), "\n\nZip=/r/SdkTrays.zip\n");
    EXPECT_EQ(ResourceConfig::rewritten("a\r\n\tZip=x\r\n", "/r"), "a\r\nZip=/r/SdkTrays.zip\r\n");
}
