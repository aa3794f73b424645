#pragma once
// What the X server did with the pointer, seen from a client of its own: button presses and
// releases from any device (wheel taps are buttons 4 and 5), and the pointer position.

#include <string>
#include <vector>

typedef struct _XDisplay Display;

namespace xwatch {

struct ButtonEvent {
    bool press = false;
    int button = 0;
};

class Watcher {
public:
    Watcher() = default;
    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;
    ~Watcher();

    // Connects to the display (null: $DISPLAY) and starts listening. False when the display or
    // its input extension (XInput 2.2) is missing; error says which.
    bool open(const char* display, std::string& error);
    // Button events the server has delivered since the last call, waiting at most timeoutMs for
    // the first one.
    std::vector<ButtonEvent> read(int timeoutMs);
    // The pointer on the root window and the button mask (0x100 left, 0x200 middle, 0x400 right).
    bool pointer(int* x, int* y, unsigned* mask);
    // Keycodes the server holds down now.
    std::vector<int> keysDown();
    // Moves the pointer itself (tests put it somewhere known first).
    void warp(int x, int y);
    int screenWidth() const;
    int screenHeight() const;
    int fd() const;

private:
    Display* m_dpy = nullptr;
    int m_opcode = 0;
};

// "press 1", "release 3", "wheel up", "wheel down" (the wheel's releases say nothing new: "").
std::string describe(const ButtonEvent& e);

} // namespace xwatch
