#include "Crypt.h"

#include <cstdio>
#include <cstring>
#include <string>

#include <cryptopp/aes.h>
#include <cryptopp/filters.h>
#include <cryptopp/hex.h>
#include <cryptopp/modes.h>

namespace {
const char kKeyText[] = "3C7D19B0E4A2F658";  // taken byte for byte, not as hex
}

Crypt::Crypt() : keyLength_(16) {
  std::memcpy(key_, kKeyText, sizeof key_);
  std::memset(iv_, 0, sizeof iv_);
}

Crypt::~Crypt() = default;

QString Crypt::encrypt(const QString& text) {
  const QByteArray plain = text.toUtf8();
  std::string hex;
  try {
    CryptoPP::CBC_Mode<CryptoPP::AES>::Encryption cipher;
    cipher.SetKeyWithIV(key_, size_t(keyLength_), iv_, sizeof iv_);
    CryptoPP::StringSource source(
        reinterpret_cast<const CryptoPP::byte*>(plain.constData()), size_t(plain.size()), true,
        new CryptoPP::StreamTransformationFilter(
            cipher, new CryptoPP::HexEncoder(new CryptoPP::StringSink(hex), true)));
  } catch (const CryptoPP::Exception& e) {
    // Never hand back the plain text in place of the cipher text.
    fprintf(stderr, "exception: %s\n", e.what());
    return QString();
  }
  return QString::fromUtf8(hex.data(), int(hex.size()));
}
