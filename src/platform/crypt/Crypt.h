#pragma once

#include <QString>

// Log-line cipher: AES-128-CBC with a fixed key and a zero vector, PKCS #7 padding, upper-case hex.
// The key is in the program, so this only keeps casual readers out of the log; it is obfuscation,
// not secrecy. Kept byte-compatible so older logs stay readable.
class Crypt {
 public:
  Crypt();
  ~Crypt();
  Crypt(const Crypt&) = delete;
  Crypt& operator=(const Crypt&) = delete;

  // The cipher text of text's UTF-8 bytes; empty when the cipher fails (the failure is printed).
  QString encrypt(const QString& text);

 private:
  unsigned char key_[16];
  int keyLength_;
  unsigned char iv_[16];
};
