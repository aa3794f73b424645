#pragma once

#include <QByteArray>
#include <QString>

#include "RelayCommand.h"

// The relay's wire text, both ways: a keyword, then each field after exactly one space; no line
// end and no NUL. Numbers are written the same in every locale (%d plain decimal, %f with six
// decimals and a point). Text fields lose their spaces and go out as UTF-8 (the same bytes as
// always for ASCII); they are appended, never used as a format.
//
// Reading takes only exact commands, as peers expect: the keyword in upper case and the exact
// number of fields, split at every single space. A number that does not read as one counts as 0.
namespace RelayCodec {

// Longest command sent; a longer one (only keyboard actions with very long names or keys can get
// there) is not encoded rather than cut.
constexpr int MaxCommandBytes = 512;
// Longer datagrams are dropped unread: no command comes near it.
constexpr int MaxDatagramBytes = 4096;
// X coordinates are 16-bit: a reported screen side beyond it is no screen.
constexpr int LargestScreenSide = 32767;

// The datagram's bytes; empty for an Unknown command and for one over MaxCommandBytes.
QByteArray encode(const RelayCommand& command);

struct Decoded {
  RelayCommand command;  // kind Unknown when the text is no command
  // A command of a known kind and form whose values must not be acted on: a float that is not
  // finite, a wheel scale factor of zero or less, a screen side outside 0-4, a screen size side
  // outside 1..LargestScreenSide. It still shows that its sender is there.
  bool ignored = false;
};
// The text is read up to the first NUL, one Latin-1 character per byte.
Decoded decode(const QByteArray& datagram);

// The pieces: %d, %f and a %s field.
QByteArray decimal(int value);
QByteArray fixed6(double value);
QByteArray textField(const QString& text);

}  // namespace RelayCodec
