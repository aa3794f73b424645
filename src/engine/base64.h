#pragma once

#include <string>

// Base64 (RFC 4648 alphabet, "=" padding) for the lines of the settings file.
std::string base64_encode(const unsigned char* bytes, unsigned int length);

// Decodes from the start of the text while the characters belong to the alphabet; the first "="
// or other character ends the text and everything after it is ignored. A trailing group of two or
// three characters gives one or two bytes, a single leftover character nothing.
std::string base64_decode(const std::string& text);

// Same decoding into *out, returning whether the text is a complete Base64 text: alphabet
// characters padded with "=" to a multiple of four, followed by nothing but an optional line end.
// A line cut short (a lost tail, a stray character) is told apart from one the encoder wrote.
bool base64_decode_line(const std::string& text, std::string* out);
