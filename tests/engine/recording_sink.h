#pragma once
// A sink that writes down the engine's decisions in the words a relay destination would hear them
// ("MOUSEMOVE 500 400 0 0", "LEFT_BUTTON 1 0 0", "FIST_DETECTED" once per closing fist), from any
// thread, and reports the pointer space it is told to. No display, no socket.

#include <QString>
#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "EngineSink.h"

namespace rig {

// Where a sink writes, kept apart so that it can outlive the sink (the engine deletes its own at
// its exit, after the last releases).
struct Journal {
  std::mutex mutex;
  std::vector<std::string> lines;
  std::atomic<int> releases{0};  // releaseHeldInput calls

  // What was written since the last call, in order.
  std::vector<std::string> take() {
    std::lock_guard<std::mutex> lock(mutex);
    std::vector<std::string> out;
    out.swap(lines);
    return out;
  }
};

class RecordingSink : public EngineSink {
 public:
  RecordingSink(int w = 0, int h = 0) : width(w), height(h) { ++live; }
  RecordingSink(const Setup& made, std::shared_ptr<Journal> into)
      : setup(made), journal_(std::move(into)) {
    ++live;
  }
  ~RecordingSink() override { --live; }
  RecordingSink(const RecordingSink&) = delete;
  RecordingSink& operator=(const RecordingSink&) = delete;

  // Sinks in existence, in the whole test program.
  static inline std::atomic<int> live{0};

  std::vector<std::string> take() { return journal_->take(); }
  Journal& journal() { return *journal_; }

  void beginFrame() override { ++framesBegun; }
  void endFrame() override { ++framesEnded; }
  void pointerSpace(int* w, int* h) override {
    *w = width.load();
    *h = height.load();
  }
  void MousePointerMove(int x, int y, int alternativePointer, int relative) override {
    add("MOUSEMOVE " + num(x) + " " + num(y) + " " + num(alternativePointer) + " " + num(relative));
  }
  // Types without a word on the wire leave no line.
  void GenerateAction(actionType type, int press, int suppress, int notify, const QString& keys,
                      const QString& name, bool osKey) override {
    const std::string flags = num(press) + " " + num(suppress) + " " + num(notify);
    switch (type) {
      case LeftButton:
        add("LEFT_BUTTON " + flags);
        break;
      case RightButton:
        add("RIGHT_BUTTON " + flags);
        break;
      case MiddleButton:
        add("MIDDLE_BUTTON " + flags);
        break;
      case KeyboardShortcut:
        add("KEYBOARD " + flags + " " + text(keys) + " " + text(name) + " " + num(osKey ? 1 : 0));
        break;
    }
  }
  void ResetMouseWheel() override { add("RESETMOUSEWHEEL"); }
  void MouseWheelMove(float delta, int forward, int notify, float progress) override {
    add("MOUSEWHEELMOVE " + fixed(delta) + " " + num(forward) + " " + num(notify) + " " +
        fixed(progress));
  }
  void GenerateFistDetected(bool fist) override {
    if (fist && !fist_.exchange(true)) add("FIST_DETECTED");
    if (!fist) fist_.store(false);
  }
  void setAutoHeight(bool on) override { autoHeight.store(on); }
  void setParam(int doubleClickTime, float wheelScaleFactor, int relative, int alternativePointer,
                int onlyPrimaryDisplay) override {
    add("SETMOUSEPARAM " + num(doubleClickTime) + " " + fixed(wheelScaleFactor) + " " +
        num(relative) + " " + num(alternativePointer) + " " + num(onlyPrimaryDisplay));
  }
  void SetMousePointer() override { add("SETMOUSEPOINTER"); }
  void announceSource() override { add("SETSOURCEIP"); }
  void sendAudioGraphicParam(bool audioFx, bool audioFxBorder, bool graphicFx) override {
    add("AUDIO_GRAPHIC_FX_PARAMS " + num(audioFx) + " " + num(audioFxBorder) + " " +
        num(graphicFx));
  }
  // Counted, no line: as the action manager, it tells the engine once it has let go.
  void releaseHeldInput() override {
    ++journal_->releases;
    if (setup.heldInputReleased) setup.heldInputReleased();
  }

  // What the engine's start made it with (the factory's sinks).
  Setup setup;
  std::atomic<int> width{0};
  std::atomic<int> height{0};
  std::atomic<bool> autoHeight{false};
  std::atomic<int> framesBegun{0};
  std::atomic<int> framesEnded{0};

 private:
  static std::string num(int v) { return std::to_string(v); }
  // Six decimals and a point, in every locale.
  static std::string fixed(double v) {
    std::string s = std::to_string(v);
    for (char& c : s)
      if (c == ',') c = '.';
    return s;
  }
  static std::string text(const QString& t) {
    return QString(t).remove(QLatin1Char(' ')).toStdString();
  }
  void add(std::string line) {
    std::lock_guard<std::mutex> lock(journal_->mutex);
    journal_->lines.push_back(std::move(line));
  }

  std::shared_ptr<Journal> journal_ = std::make_shared<Journal>();
  std::atomic<bool> fist_{false};
};

}  // namespace rig
