/* The floor for the end-to-end benchmark: one thread reads the tracking service's socket, maps the
 * first hand's palm onto the screen and posts one XTest motion per frame; a thumb-forefinger pinch
 * presses button 1 and spreading releases it. With --changed-only it posts a motion only when the
 * position changed, as velmo-mouse does: nothing reaches the X server while the hand holds still.
 * Usage: floor-client [--changed-only] SOCKET */
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <errno.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

static const char* parseTriple(const char* p, double v[3])
{
    for (int i = 0; i < 3; ++i) {
        while (*p == '[' || *p == ']' || *p == ',' || *p == ' ')
            ++p;
        char* end;
        v[i] = strtod(p, &end);
        p = end;
    }
    return p;
}

/* Tip of the finger of the given type (the fifth joint); 0 when not found. */
static int fingerTip(const char* hand, int type, double tip[3])
{
    char key[16];
    snprintf(key, sizeof key, "\"type\":%d", type);
    const char* f = strstr(hand, key);
    if (!f)
        return 0;
    const char* j = strstr(f, "\"joints\":[");
    if (!j)
        return 0;
    j += 10;
    for (int k = 0; k < 5; ++k)
        j = parseTriple(j, tip);
    return 1;
}

int main(int argc, char** argv)
{
    const int changedOnly = argc == 3 && strcmp(argv[1], "--changed-only") == 0;
    if (argc != 2 + changedOnly) {
        fprintf(stderr, "usage: floor-client [--changed-only] SOCKET\n");
        return 2;
    }
    const char* path = argv[1 + changedOnly];
    Display* dpy = XOpenDisplay(NULL);
    if (!dpy)
        return 1;
    const int width = DisplayWidth(dpy, DefaultScreen(dpy)), height = DisplayHeight(dpy, DefaultScreen(dpy));
    int fd = -1;
    struct sockaddr_un addr = {0};
    addr.sun_family = AF_UNIX;
    strncpy(addr.sun_path, path, sizeof addr.sun_path - 1);
    for (int tries = 0; tries < 100; ++tries) {
        fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (connect(fd, (struct sockaddr*)&addr, sizeof addr) == 0)
            break;
        close(fd);
        fd = -1;
        usleep(100000);
    }
    if (fd < 0)
        return 1;
    static char buf[1 << 17];
    size_t have = 0;
    int pressed = 0, lastX = -1, lastY = -1;
    for (;;) {
        const ssize_t n = read(fd, buf + have, sizeof buf - have - 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        have += (size_t)n;
        buf[have] = 0;
        char* line = buf;
        char* nl;
        while ((nl = strchr(line, '\n'))) {
            *nl = 0;
            const char* palm = strstr(line, "\"palm\":");
            if (palm && strstr(line, "\"type\":\"frame\"")) {
                double v[3], thumb[3], index[3];
                parseTriple(palm + 7, v);
                const int x = (int)lround((v[0] + 117.5) / 235.0 * width);
                const int y = (int)lround((1.0 - (v[1] - 82.5) / 235.0) * height);
                const int cx = x < 0 ? 0 : x >= width ? width - 1 : x, cy = y < 0 ? 0 : y >= height ? height - 1 : y;
                if (!changedOnly || cx != lastX || cy != lastY)
                    XTestFakeMotionEvent(dpy, -1, cx, cy, 0);
                lastX = cx;
                lastY = cy;
                if (fingerTip(palm, 0, thumb) && fingerTip(palm, 1, index)) {
                    const double d = sqrt((thumb[0] - index[0]) * (thumb[0] - index[0])
                        + (thumb[1] - index[1]) * (thumb[1] - index[1]) + (thumb[2] - index[2]) * (thumb[2] - index[2]));
                    if (!pressed && d < 30.0) {
                        XTestFakeButtonEvent(dpy, 1, True, 0);
                        pressed = 1;
                    } else if (pressed && d > 50.0) {
                        XTestFakeButtonEvent(dpy, 1, False, 0);
                        pressed = 0;
                    }
                }
                XFlush(dpy);
            }
            line = nl + 1;
        }
        have = (size_t)(buf + have - line);
        memmove(buf, line, have);
        if (have >= sizeof buf - 1)
            have = 0; /* a line too long for the buffer is dropped */
    }
    if (pressed)
        XTestFakeButtonEvent(dpy, 1, False, 0);
    XCloseDisplay(dpy);
    return 0;
}
