#include <gtest/gtest.h>

#include <QLocale>
#include <QString>
#include <clocale>
#include <cstdio>

#include "CommaLocale.h"
#include "RelayCodec.h"

namespace codec = RelayCodec;
using C = RelayCommand;

namespace {

QByteArray wire(const RelayCommand& command) { return codec::encode(command); }

}  // namespace

TEST(Command, SourceCommandsByteForByte) {
  EXPECT_EQ(wire(C::mouseMove(10, 20, 0, 0)), "MOUSEMOVE 10 20 0 0");
  EXPECT_EQ(wire(C::mouseMove(-15, 7, 1, 1)), "MOUSEMOVE -15 7 1 1");
  EXPECT_EQ(wire(C::button(1, 1, 0, 1)), "LEFT_BUTTON 1 0 1");
  EXPECT_EQ(wire(C::button(2, 0, 1, 0)), "RIGHT_BUTTON 0 1 0");
  EXPECT_EQ(wire(C::button(3, 1, 1, 1)), "MIDDLE_BUTTON 1 1 1");
  EXPECT_TRUE(wire(C::button(4, 1, 0, 1)).isEmpty());
  EXPECT_TRUE(wire(C::button(0, 1, 0, 1)).isEmpty());
  EXPECT_EQ(wire(C::mouseWheelMove(0.25f, 1, 1, 1.05f)), "MOUSEWHEELMOVE 0.250000 1 1 1.050000");
  EXPECT_EQ(wire(C::mouseWheelMove(-0.5f, 0, 0, 0.0f)), "MOUSEWHEELMOVE -0.500000 0 0 0.000000");
  EXPECT_EQ(wire(C::resetMouseWheel()), "RESETMOUSEWHEEL");
  EXPECT_EQ(wire(C::hideMousePointer(true)), "HIDEMOUSEPOINTER 1");
  EXPECT_EQ(wire(C::hideMousePointer(false)), "HIDEMOUSEPOINTER 0");
  EXPECT_EQ(wire(C::deleteMousePointer()), "DELETEMOUSEPOINTER");
  EXPECT_EQ(wire(C::setMouseParam(400, 1.5f, 0, 1, 0)), "SETMOUSEPARAM 400 1.500000 0 1 0");
  EXPECT_EQ(wire(C::setMousePointer()), "SETMOUSEPOINTER");
  EXPECT_EQ(wire(C::setSourceIp()), "SETSOURCEIP");
  EXPECT_EQ(wire(C::fistDetected()), "FIST_DETECTED");
  EXPECT_EQ(wire(C::screenBorder(0, 3, 0, 1)), "SCREEN_BORDER 0 3 0 1");
  EXPECT_EQ(wire(C::screenBorder(4, 4, 1, 0)), "SCREEN_BORDER 4 4 1 0");
  EXPECT_EQ(wire(C::audioGraphicFxParams(true, false, true)), "AUDIO_GRAPHIC_FX_PARAMS 1 0 1");
  EXPECT_EQ(wire(C::heldInput(true, false, false, true)), "HELD_INPUT 1 0 0 1");
  EXPECT_EQ(wire(C::heldInput(false, true, true, false)), "HELD_INPUT 0 1 1 0");
  EXPECT_EQ(wire(C::setResolution(1920, 1080)), "SETRESOLUTION 1920 1080");
  EXPECT_EQ(wire(C::checkAlternativeMousePtr()), "CHECKALTERNATIVEMOUSEPTR");
}

TEST(Command, KeyboardTextFields) {
  EXPECT_EQ(wire(C::keyboardAction(1, 0, 1, "Ctrl+Tab", "APP SWITCHER", false)),
            "KEYBOARD 1 0 1 Ctrl+Tab APPSWITCHER 0");
  EXPECT_EQ(wire(C::keyboardAction(0, 1, 0, "Shift + F9", " FN+F9 KEY ", true)),
            "KEYBOARD 0 1 0 Shift+F9 FN+F9KEY 1");
  // An empty key sequence still leaves seven tokens.
  const QByteArray empty = wire(C::keyboardAction(1, 0, 1, "", "ESC KEY", false));
  EXPECT_EQ(empty, "KEYBOARD 1 0 1  ESCKEY 0");
  EXPECT_EQ(empty.split(' ').size(), 7);
  // Text is appended, never used as a format.
  EXPECT_EQ(wire(C::keyboardAction(1, 0, 0, "%s%n", "100% %d", false)),
            "KEYBOARD 1 0 0 %s%n 100%%d 0");
  // Names travel as UTF-8.
  EXPECT_EQ(
      wire(C::keyboardAction(1, 0, 0, "Alt+F4", QString::fromUtf8("GRÖSSE ÄNDERN"), false)),
      QByteArray("KEYBOARD 1 0 0 Alt+F4 ") + QString::fromUtf8("GRÖSSEÄNDERN").toUtf8() + " 0");
}

TEST(Command, OverlongKeyboardCommandIsDropped) {
  const QByteArray head = "KEYBOARD 1 0 1 F9  0";  // the fixed part with an empty name
  const QString fits(codec::MaxCommandBytes - head.size(), QLatin1Char('N'));
  const QByteArray atLimit = wire(C::keyboardAction(1, 0, 1, "F9", fits, false));
  EXPECT_EQ(atLimit.size(), codec::MaxCommandBytes);
  EXPECT_TRUE(atLimit.endsWith("NNN 0"));
  EXPECT_TRUE(wire(C::keyboardAction(1, 0, 1, "F9", fits + "N", false)).isEmpty());
  // Spaces do not count: they are removed before the length is judged.
  EXPECT_EQ(wire(C::keyboardAction(1, 0, 1, "F9", fits + "   ", false)), atLimit);
}

TEST(Command, FixedSixMatchesPrintfInTheCLocale) {
  std::setlocale(LC_ALL, "C");
  const double values[] = {0.0,        -0.0,      0.25,     0.3f,      1.1,     1.05f,
                           0.0000005,  0.0000015, 2.5e-7,   -2.5e-7,   123456.789,
                           1e20,       -1e-9,     3.4e38,   1.0 / 3.0, 999999.9999995};
  for (double v : values) {
    char buf[400];
    std::snprintf(buf, sizeof buf, "%f", v);
    EXPECT_EQ(codec::fixed6(v), QByteArray(buf)) << buf;
  }
  EXPECT_EQ(codec::decimal(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(codec::decimal(0), "0");
}

TEST(Command, CommaLocaleStillWritesAPoint) {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  const bool comma = activateCommaLocale();
  if (comma) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%f", 0.25);
    ASSERT_STREQ(buf, "0,250000");  // the locale really is active
  }
  EXPECT_EQ(wire(C::mouseWheelMove(0.25f, 0, 1, 1.0f)), "MOUSEWHEELMOVE 0.250000 0 1 1.000000");
  EXPECT_EQ(wire(C::setMouseParam(250, 0.75f, 1, 0, 1)), "SETMOUSEPARAM 250 0.750000 1 0 1");
  restoreCLocale();
  QLocale::setDefault(QLocale::c());
  if (!comma) GTEST_SKIP() << "no decimal-comma C locale could be made; checked QLocale only";
}
