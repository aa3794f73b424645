// The relay's reading: every datagram text as the codec reads it (the value, or why it is not acted
// on), then which peer the receiver listens to in which network mode. What the commands then do
// on the desktop is the action manager's (tests/actions) and the relay run's (tests/app).
#include <gtest/gtest.h>

#include <QApplication>
#include <QUdpSocket>
#include <cstdlib>
#include <functional>

#include "Receiver.h"
#include "RelayCodec.h"
#include "relay_test_util.h"

namespace {

using C = RelayCommand;
using Kind = RelayCommand::Kind;

QByteArray padded(const char* command, int size) {
  QByteArray b(command);
  b.append('\0');
  b.append(QByteArray(size - b.size(), 'x'));
  return b;
}

struct DecodeCase {
  const char* name;
  QByteArray datagram;
  RelayCommand value;    // compared whole unless ignored; then only its kind
  bool ignored = false;
};

TEST(ReceiverParse, TheCodecReadsExactCommandsOnly) {
  const C none;
  const C move = C::mouseMove(10, 20, 0, 0);
  const DecodeCase cases[] = {
      {"move", "MOUSEMOVE 10 20 0 0", move},
      {"four tokens", "MOUSEMOVE 10 20 0", none},
      {"lower case", "mousemove 10 20 0 0", none},
      {"double space", "MOUSEMOVE  10 20 0 0", none},
      {"trailing space", "MOUSEMOVE 10 20 0 0 ", none},
      {"NUL ends the text", QByteArray("MOUSEMOVE 10 20 0 0\0garbage", 27), move},
      {"not a number is 0", "MOUSEMOVE x 20 0 0", C::mouseMove(0, 20, 0, 0)},
      {"base 10 only, signs read", "MOUSEMOVE 0x10 +20 -3 1", C::mouseMove(0, 20, -3, 1)},
      {"beyond int is 0", "MOUSEMOVE 99999999999 -5 0 0", C::mouseMove(0, -5, 0, 0)},
      {"left to the device to clamp", "MOUSEMOVE 99999 -5 0 0", C::mouseMove(99999, -5, 0, 0)},
      {"at the size cap", padded("MOUSEMOVE 11 22 0 0", RelayCodec::MaxDatagramBytes), C::mouseMove(11, 22, 0, 0)},
      {"over the size cap", padded("MOUSEMOVE 11 22 0 0", RelayCodec::MaxDatagramBytes + 1), none},
      {"garbage", QByteArray("\xff\xfe MOUSEMOVE\x01 1 2", 17), none},
      {"empty", "", none},
      {"left press", "LEFT_BUTTON 1 0 1", C::button(1, 1, 0, 1)},
      {"right release", "RIGHT_BUTTON 0 1 0", C::button(2, 0, 1, 0)},
      {"middle", "MIDDLE_BUTTON 1 1 1", C::button(3, 1, 1, 1)},
      {"app switcher name", "KEYBOARD 1 0 1 Ctrl+Tab APPSWITCHER 0", C::keyboardAction(1, 0, 1, "Ctrl+Tab", "APP SWITCHER", false)},
      {"other names stay", "KEYBOARD 1 0 1 Ctrl+Tab ESCKEY 0", C::keyboardAction(1, 0, 1, "Ctrl+Tab", "ESCKEY", false)},
      {"empty key sequence", "KEYBOARD 1 0 1  ESCKEY 0", C::keyboardAction(1, 0, 1, "", "ESCKEY", false)},
      {"OS key when not 0", "KEYBOARD 0 0 0 Super+D DESKTOP 5", C::keyboardAction(0, 0, 0, "Super+D", "DESKTOP", true)},
      {"a byte is a Latin-1 character", "KEYBOARD 1 0 0 Alt+F4 \xc4 0", C::keyboardAction(1, 0, 0, "Alt+F4", QString(QChar(0xc4)), false)},
      {"wheel", "MOUSEWHEELMOVE 0.000000 1 1 1.050000", C::mouseWheelMove(0.0f, 1, 1, 1.05f)},
      {"wheel, decimal comma is 0", "MOUSEWHEELMOVE 0,5 0 1 1e0", C::mouseWheelMove(0.0f, 0, 1, 1.0f)},
      {"wheel, nan", "MOUSEWHEELMOVE 0.000000 1 1 nan", C::mouseWheelMove(0, 0, 0, 0), true},
      {"wheel, inf", "MOUSEWHEELMOVE -inf 1 1 1.0", C::mouseWheelMove(0, 0, 0, 0), true},
      {"reset wheel", "RESETMOUSEWHEEL", C::resetMouseWheel()},
      {"hide with 2", "HIDEMOUSEPOINTER 2", C::hideMousePointer(true)},
      {"show", "HIDEMOUSEPOINTER 0", C::hideMousePointer(false)},
      {"delete pointer", "DELETEMOUSEPOINTER", C::deleteMousePointer()},
      {"scale factor 2.5", "SETMOUSEPARAM 300 2.500000 0 1 1", C::setMouseParam(300, 2.5f, 0, 1, 1)},
      {"scale factor 0", "SETMOUSEPARAM 300 0.000000 0 0 0", C::setMouseParam(0, 0, 0, 0, 0), true},
      {"scale factor not a number", "SETMOUSEPARAM 300 x 0 0 0", C::setMouseParam(0, 0, 0, 0, 0), true},
      {"scale factor negative", "SETMOUSEPARAM 300 -1.0 0 0 0", C::setMouseParam(0, 0, 0, 0, 0), true},
      {"set pointer", "SETMOUSEPOINTER", C::setMousePointer()},
      {"announcement", "SETSOURCEIP", C::setSourceIp()},
      {"announcement with a field", "SETSOURCEIP 1", none},
      {"fist", "FIST_DETECTED", C::fistDetected()},
      {"side in range", "SCREEN_BORDER 0 3 0 1", C::screenBorder(0, 3, false, true)},
      {"sides none, held", "SCREEN_BORDER 4 4 9 0", C::screenBorder(4, 4, true, false)},
      {"side out of range", "SCREEN_BORDER 7 4 0 0", C::screenBorder(0, 0, false, false), true},
      {"side below range", "SCREEN_BORDER 0 -1 0 0", C::screenBorder(0, 0, false, false), true},
      {"effect switches", "AUDIO_GRAPHIC_FX_PARAMS 0 1 7", C::audioGraphicFxParams(false, true, true)},
      {"held input", "HELD_INPUT 1 0 0 1", C::heldInput(true, false, false, true)},
      {"held input, three flags", "HELD_INPUT 1 0 0", none},
      {"resolution", "SETRESOLUTION 1280 1024", C::setResolution(1280, 1024)},
      {"largest resolution", "SETRESOLUTION 32767 1", C::setResolution(32767, 1)},
      {"resolution of no size", "SETRESOLUTION 0 1024", C::setResolution(0, 0), true},
      {"resolution too large", "SETRESOLUTION 40000 1024", C::setResolution(0, 0), true},
      {"pointer request", "CHECKALTERNATIVEMOUSEPTR", C::checkAlternativeMousePtr()},
  };
  for (const DecodeCase& c : cases) {
    SCOPED_TRACE(c.name);
    const RelayCodec::Decoded d = RelayCodec::decode(c.datagram);
    EXPECT_EQ(d.ignored, c.ignored);
    EXPECT_EQ(d.command.kind, c.value.kind);
    if (!c.ignored) {
      EXPECT_TRUE(d.command == c.value);
    }
  }
}

TEST(ReceiverParse, WhatIsWrittenReadsBackTheSame) {
  const C values[] = {
      C::mouseMove(-15, 7, 1, 1),      C::button(2, 0, 1, 0),
      C::keyboardAction(1, 0, 1, "Ctrl+Tab", "APP SWITCHER", true),
      C::mouseWheelMove(-0.5f, 0, 1, 1.25f), C::resetMouseWheel(),
      C::hideMousePointer(true),       C::deleteMousePointer(),
      C::setMouseParam(400, 1.5f, 0, 1, 0), C::setMousePointer(),
      C::setSourceIp(),                C::fistDetected(),
      C::screenBorder(2, 4, true, true), C::audioGraphicFxParams(true, false, true),
      C::heldInput(false, true, true, false), C::setResolution(1920, 1080),
      C::checkAlternativeMousePtr(),
  };
  for (const C& v : values) {
    const QByteArray text = RelayCodec::encode(v);
    SCOPED_TRACE(text.toStdString());
    const RelayCodec::Decoded d = RelayCodec::decode(text);
    EXPECT_FALSE(d.ignored);
    EXPECT_TRUE(d.command == v);
  }
}

struct PeerCase {
  const char* name;
  int mode;
  QByteArray datagram;
  const char* from;
  std::function<bool(RelayRig&, Receiver&)> check;
};

// Requests for the pointer parameters handed on by the receiver in the current case.
int pointerRequests = 0;

// In mode 1, the first datagram the destination sees after anything that should not have gone.
bool nothingSent(RelayRig& r) {
  r.src->ResetMouseWheel();
  return r.destination.next() == "RESETMOUSEWHEEL";
}

TEST(ReceiverParse, OnlyThePairedSourceOrTheConfiguredDestinationIsHeard) {
  auto widthIs = [](int w) { return [w](RelayRig& r, Receiver&) { return r.src->remoteWidth() == w; }; };
  auto switchesWritten = [](int n) { return [n](RelayRig& r, Receiver&) { return r.written.calls == n; }; };
  const QByteArray fx = "AUDIO_GRAPHIC_FX_PARAMS 0 1 1";
  const PeerCase cases[] = {
      // Destination (mode 2), paired with 127.0.0.1.
      {"from the paired source", 2, fx, "127.0.0.1", switchesWritten(1)},
      {"unpaired host", 2, fx, "127.0.0.3", switchesWritten(0)},
      {"IPv4-mapped paired source", 2, fx, "::ffff:127.0.0.1", switchesWritten(1)},
      {"resolution on a destination", 2, "SETRESOLUTION 1920 1080", "127.0.0.1", widthIs(0)},
      {"another host announces", 2, "SETSOURCEIP", "127.0.0.3",
       [](RelayRig&, Receiver& rx) { return rx.pairedSource() == QHostAddress("127.0.0.1"); }},
      // Source (mode 1), set to send to 127.0.0.2.
      {"destination's command on a source", 1, "HIDEMOUSEPOINTER 1", "127.0.0.2",
       [](RelayRig& r, Receiver&) { return nothingSent(r); }},
      {"resolution from the destination", 1, "SETRESOLUTION 1280 1024", "127.0.0.2", widthIs(1280)},
      {"resolution from another host", 1, "SETRESOLUTION 1280 1024", "127.0.0.3", widthIs(0)},
      {"resolution of no size", 1, "SETRESOLUTION 0 1024", "127.0.0.2", widthIs(0)},
      {"check from another host", 1, "CHECKALTERNATIVEMOUSEPTR", "127.0.0.3",
       [](RelayRig&, Receiver&) { return pointerRequests == 0; }},
      {"check from the destination", 1, "CHECKALTERNATIVEMOUSEPTR", "127.0.0.2",
       [](RelayRig&, Receiver&) { return pointerRequests == 1; }},
      {"check on a destination", 2, "CHECKALTERNATIVEMOUSEPTR", "127.0.0.1",
       [](RelayRig&, Receiver&) { return pointerRequests == 0; }},
      // Standalone: nothing at all.
      {"standalone", 0, fx, "127.0.0.1", switchesWritten(0)},
      {"announce on standalone", 0, "SETSOURCEIP", "127.0.0.1",
       [](RelayRig&, Receiver& rx) { return rx.pairedSource().isNull(); }},
  };
  for (const PeerCase& c : cases) {
    SCOPED_TRACE(c.name);
    RelayRig rig;
    rig.mode.store(c.mode);
    // Port 0: no socket; the datagrams are handed in.
    Receiver rx(rig.mgr.get(), rig.mgr.get(), rig.src.get(), 0);
    rx.applyNetworkMode(c.mode);
    pointerRequests = 0;
    rx.setPointerRequestHandler([] { ++pointerRequests; });
    QHostAddress source("127.0.0.1");
    if (c.mode == ActionMgr::Destination) rx.ParseMsg("SETSOURCEIP", &source);
    QHostAddress from(QString::fromLatin1(c.from));
    rx.ParseMsg(c.datagram, &from);
    EXPECT_TRUE(c.check(rig, rx));
  }
}

// The first datagram peer hears after a marker sent to it now: what the receiver sent it before.
QByteArray firstBeforeMarker(LoopbackPeer& peer, const char* address, int port) {
  QUdpSocket marker;
  marker.writeDatagram("MARK", QHostAddress(QString::fromLatin1(address)), static_cast<quint16>(port));
  return peer.next();
}

TEST(ReceiverParse, ADestinationAnswersItsSourceAtItsIPv4AddressOnly) {
  struct Case {
    const char* name;
    const char* from;
    const char* paired;  // empty: no source
  } cases[] = {
      {"IPv4", "127.0.0.1", "127.0.0.1"},
      {"IPv4-mapped", "::ffff:127.0.0.1", "127.0.0.1"},
      {"no IPv4 form", "::1", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RelayRig rig;
    rig.mode.store(ActionMgr::Destination);
    Receiver rx(rig.mgr.get(), rig.mgr.get(), rig.src.get(), rig.port);
    // Its own socket stays off the peers' addresses; the datagrams are handed in.
    rx.setBindAddress(QHostAddress("127.0.0.3"));
    rx.applyNetworkMode(ActionMgr::Destination);
    QHostAddress from(QString::fromLatin1(c.from));
    rx.ParseMsg("SETSOURCEIP", &from);
    EXPECT_EQ(rx.pairedSource().toString(), QString::fromLatin1(c.paired));

    rx.sendResolution();
    int width = 0, height = 0;
    rig.mgr->screenSize(&width, &height);
    const QByteArray report = QStringLiteral("SETRESOLUTION %1 %2").arg(width).arg(height).toLatin1();
    EXPECT_EQ(firstBeforeMarker(rig.source, "127.0.0.1", rig.port), *c.paired ? report : QByteArray("MARK"));
    // Replies never go to the destination the options name.
    EXPECT_EQ(firstBeforeMarker(rig.destination, "127.0.0.2", rig.port), "MARK");
  }
}

}  // namespace

int main(int argc, char** argv) {
  // No desktop: nothing here may reach an X server, even one the caller has.
  unsetenv("DISPLAY");
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
