#include <gtest/gtest.h>

#include <QByteArray>
#include <string>

#include "base64.h"

namespace {

std::string encode(const std::string& bytes) {
  return base64_encode(reinterpret_cast<const unsigned char*>(bytes.data()),
                       static_cast<unsigned int>(bytes.size()));
}

// Every length class and every byte value, against Qt's independent encoder.
std::string sample(std::size_t length, unsigned seed) {
  std::string s(length, '\0');
  for (std::size_t i = 0; i < length; ++i) s[i] = static_cast<char>((i * 97 + seed * 31) & 0xFF);
  return s;
}

}  // namespace

TEST(Base64, EncoderAgreesWithQtAndDecoderInvertsIt) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  ASSERT_EQ(encode(all), QByteArray::fromStdString(all).toBase64().toStdString());
  EXPECT_EQ(base64_decode(encode(all)), all);
  for (std::size_t n = 0; n <= 40; ++n) {
    for (unsigned seed = 0; seed < 3; ++seed) {
      const std::string s = sample(n, seed);
      const std::string text = encode(s);
      ASSERT_EQ(text, QByteArray::fromStdString(s).toBase64().toStdString()) << n;
      EXPECT_EQ(text.size() % 4, 0u);
      EXPECT_EQ(base64_decode(text), s) << n;
      std::string out;
      EXPECT_TRUE(base64_decode_line(text, &out)) << text;
      EXPECT_EQ(out, s);
    }
  }
  EXPECT_EQ(encode(""), "");
}

TEST(Base64, DecoderStopsWhereTheAlphabetEnds) {
  EXPECT_EQ(base64_decode("TWFu"), "Man");  // four characters, three bytes
  EXPECT_EQ(base64_decode("TWE="), "Ma");   // three and one "=", two bytes
  EXPECT_EQ(base64_decode("TQ"), "M");      // two without padding, one byte
  EXPECT_EQ(base64_decode("TWFuT"), "Man"); // a single leftover gives nothing
  EXPECT_EQ(base64_decode("TWFu\nTWFu"), "Man");
  EXPECT_EQ(base64_decode("TQ==TWFu"), "M");
  EXPECT_EQ(base64_decode("TW Fu"), "M");
  EXPECT_EQ(base64_decode("TWFu\xC3\xA9TWFu"), "Man");
  EXPECT_EQ(base64_decode(""), "");
  EXPECT_EQ(base64_decode("=TWFu"), "");
  EXPECT_EQ(base64_decode("////"), "\xFF\xFF\xFF");
  EXPECT_EQ(base64_decode("++++"), "\xFB\xEF\xBE");
}

TEST(Base64, LineCheckRejectsGroupsCutShortAndIgnoresWhatFollowsAWholeGroup) {
  // Whole groups, then anything: decoded up to the first byte outside the alphabet.
  for (const char* ok : {"", "TWFu", "TWE=", "TQ==", "TWFu\n", "TWFu\r\n", "TWFuTQ==\n", "TWE=x", "TQ===",
                         "TWFu TQ==", "TWFu\nTWFu", "TWFu=", "TWFu\t", "TWE= and words"}) {
    std::string out;
    EXPECT_TRUE(base64_decode_line(ok, &out)) << ok;
    EXPECT_EQ(out, base64_decode(ok)) << ok;
  }
  for (const char* bad : {"TQ", "TWE", "TWFuT", "TQ=", "TW Fu", "T===", "TWE x", "TWFuTQ=\n"}) {
    std::string out;
    EXPECT_FALSE(base64_decode_line(bad, &out)) << bad;
    EXPECT_EQ(out, base64_decode(bad)) << "the text is still decoded as far as it goes: " << bad;
  }
  // A stored port whose line lost its tail still reads as a plausible number: only the check
  // tells it apart.
  const std::string port = encode("14155.000000");
  ASSERT_EQ(port, "MTQxNTUuMDAwMDAw");
  std::string out;
  EXPECT_FALSE(base64_decode_line(port.substr(0, 6), &out));
  EXPECT_EQ(out, "1415");
  EXPECT_TRUE(base64_decode_line(port + "\n", &out));
  EXPECT_EQ(out, "14155.000000");
  EXPECT_TRUE(base64_decode_line(std::string(), nullptr));
}
