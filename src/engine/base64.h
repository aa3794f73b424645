#pragma once

#include <string>

// Base64 (RFC 4648 alphabet, "=" padding) for the lines of the settings file.
std::string base64_encode(const unsigned char* bytes, unsigned int length);

// Decodes from the start of the text while the characters belong to the alphabet; the first "="
// or other character ends the text and everything after it is ignored. A trailing group of two or
// three characters gives one or two bytes, a single leftover character nothing.
std::string base64_decode(const std::string& text);

// Same decoding into *out, returning whether the decoded part ends on a whole group: the alphabet
// characters, with the "=" padding the last group needs, make a multiple of four. What follows
// (a line end, a blank, other words) is ignored. A line cut inside a group (a lost tail) is told
// apart from one the encoder wrote.
bool base64_decode_line(const std::string& text, std::string* out);
