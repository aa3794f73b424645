// Input: one byte choosing the network mode and the sender, then the datagram. The desktop is
// absent (no X server), so every command that gets through runs to the device calls harmlessly.
#include <QApplication>
#include <QHostAddress>
#include <atomic>
#include <cstdint>
#include <cstdlib>

#include "ActionMgr.h"
#include "Receiver.h"
#include "SourceSink.h"
#include "X11Backend.h"

namespace {

std::atomic<int> mode{ActionMgr::Destination};
std::atomic<bool> effects{true};
ActionMgr* manager = nullptr;
Receiver* receiver = nullptr;

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  unsetenv("DISPLAY");
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  qInstallMessageHandler(quiet);
  new QApplication(*argc, *argv);
  ActionMgr::actionMgrData d;
  d.networkModeRef = &mode;
  d.audioFx = d.audioFxBorder = d.graphicFx = &effects;
  manager = new ActionMgr(*new X11Backend, d, nullptr);
  int destination[4] = {127, 0, 0, 2};
  // The discard port: what the source side sends goes nowhere that listens.
  receiver = new Receiver(manager, manager, new SourceSink(9, destination, manager, nullptr), 0);
  receiver->applyNetworkMode(2);
  QHostAddress source(QStringLiteral("127.0.0.1"));
  receiver->ParseMsg("SETSOURCEIP", &source);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const char* const senders[] = {"127.0.0.1", "127.0.0.2", "127.0.0.3", "::ffff:127.0.0.1"};
  mode.store(data[0] % 3);
  receiver->applyNetworkMode(data[0] % 3);
  QHostAddress from(QString::fromLatin1(senders[(data[0] >> 2) & 3]));
  receiver->ParseMsg(QByteArray(reinterpret_cast<const char*>(data + 1), int(size - 1)), &from);
  return 0;
}
