#include "base64.h"

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int sextet(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// Number of leading alphabet characters.
std::size_t alphabetRun(const std::string& text) {
  std::size_t n = 0;
  while (n < text.size() && sextet(static_cast<unsigned char>(text[n])) >= 0) ++n;
  return n;
}

}  // namespace

std::string base64_encode(const unsigned char* bytes, unsigned int length) {
  std::string out;
  out.reserve((static_cast<std::size_t>(length) + 2) / 3 * 4);
  unsigned int i = 0;
  for (; i + 3 <= length; i += 3) {
    const unsigned v = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += kAlphabet[(v >> 6) & 63];
    out += kAlphabet[v & 63];
  }
  const unsigned int rest = length - i;
  if (rest > 0) {
    unsigned v = bytes[i] << 16;
    if (rest == 2) v |= bytes[i + 1] << 8;
    out += kAlphabet[(v >> 18) & 63];
    out += kAlphabet[(v >> 12) & 63];
    out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::string base64_decode(const std::string& text) {
  const std::size_t n = alphabetRun(text);
  std::string out;
  out.reserve(n / 4 * 3 + 2);
  unsigned v = 0;
  int bits = 0;
  for (std::size_t i = 0; i < n; ++i) {
    v = (v << 6) | static_cast<unsigned>(sextet(static_cast<unsigned char>(text[i])));
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((v >> bits) & 0xFF);
    }
  }
  return out;
}

bool base64_decode_line(const std::string& text, std::string* out) {
  if (out != nullptr) *out = base64_decode(text);
  const std::size_t n = alphabetRun(text);
  std::size_t end = n;
  const std::size_t pad = n % 4 == 0 ? 0 : 4 - n % 4;
  if (pad == 3) return false;  // a single leftover character carries no byte
  for (std::size_t k = 0; k < pad; ++k, ++end)
    if (end >= text.size() || text[end] != '=') return false;
  return true;
}
