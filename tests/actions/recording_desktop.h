#pragma once
// A desktop that writes down what is asked of it, one line a request ("move 10 20", "button 1 1",
// "key 38 0", "wheel 1", "cursor 1", "begin", "end"), with a root window of the size it is given.
// Work handed to afterWrite inside a write scope runs at its end, as on X. One thread at a time.

#include <functional>
#include <string>
#include <vector>

#include "Desktop.h"

class RecordingDesktop : public Desktop {
 public:
  RecordingDesktop(int width, int height) : width_(width), height_(height) {}

  std::vector<std::string> take() {
    std::vector<std::string> out;
    out.swap(lines_);
    return out;
  }
  // Lines from elsewhere (signals of the objects under test), in the same order.
  void note(const std::string& line) { add(line); }

  bool rootSize(int* width, int* height) override {
    *width = width_;
    *height = height_;
    return true;
  }
  bool moveTo(long long x, long long y) override {
    x_ = int(x);
    y_ = int(y);
    add("move " + std::to_string(x) + " " + std::to_string(y));
    return true;
  }
  bool queryPointer(int* x, int* y, unsigned int* mask = nullptr) override {
    *x = x_;
    *y = y_;
    if (mask) *mask = 0;
    return true;
  }
  bool button(int xButton, bool press) override {
    return add("button " + std::to_string(xButton) + " " + (press ? "1" : "0"));
  }
  bool wheelNotch(bool forward) override {
    return add(std::string("wheel ") + (forward ? "1" : "0"));
  }
  bool setCursorHidden(bool hidden) override {
    hidden_ = hidden;
    return add(std::string("cursor ") + (hidden ? "1" : "0"));
  }
  bool isCursorHidden() const override { return hidden_; }
  // Every keysym has a key of its own, none needs Shift.
  int keycodeForKeysym(unsigned long keysym, bool* shifted = nullptr) override {
    if (shifted) *shifted = false;
    return keysym ? int(8 + keysym % 240) : 0;
  }
  bool key(int keycode, bool press) override {
    return add("key " + std::to_string(keycode) + " " + (press ? "1" : "0"));
  }
  bool isKeyDown(int) override { return false; }
  void beginWrite() override {
    if (depth_++ == 0) add("begin");
  }
  void endWrite() override {
    if (--depth_ > 0) return;
    add("end");
    std::vector<std::function<void()>> later;
    later.swap(later_);
    for (auto& fn : later) fn();
  }
  void afterWrite(std::function<void()> fn) override {
    if (depth_ > 0) {
      later_.push_back(std::move(fn));
    } else {
      fn();
    }
  }

 private:
  bool add(const std::string& line) {
    lines_.push_back(line);
    return true;
  }

  const int width_, height_;
  int x_ = 0, y_ = 0;
  bool hidden_ = false;
  int depth_ = 0;
  std::vector<std::function<void()>> later_;
  std::vector<std::string> lines_;
};
