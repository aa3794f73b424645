#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include "Crypt.h"

namespace {

// Produced with: printf '%s' TEXT | openssl enc -aes-128-cbc -K <hex of "3C7D19B0E4A2F658"> -iv 0..0
struct Vector {
  const char* utf8;
  const char* hex;
};
const Vector kVectors[] = {
    {"", "633D796BB5DB3F9E5319DCD038FCCF76"},
    {"hello", "F4284B3DEBEFCB09A5778E682590076F"},
    {"123456789012345", "73AE1202CA305149BCED2E6780C9C13B"},
    {"1234567890123456", "B542D7F5566D80B9411893E973EAD68FA2EF851D1681476AFCD79913499899DB"},
    {"Thu Jan 1 00:00:00 2015 LEFT BUTTON PRESSED",
     "B5AF11DDB773E8458E90AFDFE6DFE50BF21607A164EECB64298363119997D490D20D0A11A760D81D87851BEB8B7CABA7"},
    {"Gr\xC3\xBC\xC3\x9F" "e \xE2\x80\x93 \xE2\x9C\x93", "73B62CDC31301F60462796002B5C156B"},
};

QString openssl(const QByteArray& plain) {
  const QString exe = QStandardPaths::findExecutable("openssl");
  if (exe.isEmpty()) return QString();
  QProcess p;
  p.start(exe, {"enc", "-aes-128-cbc", "-K", QByteArray("3C7D19B0E4A2F658").toHex(), "-iv",
                QString(32, '0')});
  p.write(plain);
  p.closeWriteChannel();
  if (!p.waitForFinished(10000)) return QString();
  return QString::fromLatin1(p.readAllStandardOutput().toHex().toUpper());
}

}  // namespace

TEST(Crypt, MatchesKnownVectors) {
  Crypt crypt;
  for (const Vector& v : kVectors) {
    EXPECT_EQ(crypt.encrypt(QString::fromUtf8(v.utf8)), QString(v.hex)) << v.utf8;
  }
}

TEST(Crypt, LengthFollowsPaddingAndOutputIsUpperHex) {
  Crypt crypt;
  EXPECT_EQ(crypt.encrypt("").size(), 32);
  EXPECT_EQ(crypt.encrypt(QString(15, 'x')).size(), 32);
  EXPECT_EQ(crypt.encrypt(QString(16, 'x')).size(), 64);
  EXPECT_EQ(crypt.encrypt(QString(33, 'x')).size(), 96);
  // Two-byte UTF-8 characters: 8 of them are 16 bytes, a whole block plus padding.
  EXPECT_EQ(crypt.encrypt(QString(8, QChar(0xE9))).size(), 64);
  const QRegularExpression upperHex("^[0-9A-F]+$");
  EXPECT_TRUE(upperHex.match(crypt.encrypt("any line")).hasMatch());
  // Fixed vector: equal lines give equal cipher text, different lines differ.
  EXPECT_EQ(crypt.encrypt("same"), crypt.encrypt("same"));
  EXPECT_NE(crypt.encrypt("same"), crypt.encrypt("Same"));
}

TEST(Crypt, AgreesWithOpensslCommandLine) {
  if (QStandardPaths::findExecutable("openssl").isEmpty()) GTEST_SKIP() << "no openssl";
  Crypt crypt;
  const QStringList lines = {"Mon Mar 2 10:11:12 2020 PINCH 0 DIST 12.500000",
                             QString::fromUtf8("\xE6\x97\xA5\xE6\x9C\xAC line"),
                             QString(47, 'z'), QString(48, 'z')};
  for (const QString& line : lines) {
    EXPECT_EQ(crypt.encrypt(line), openssl(line.toUtf8())) << line.toStdString();
  }
}
