/* Prints what the X server delivers of the pointer, stamped on CLOCK_MONOTONIC when it arrives:
 * "M <ns>" for raw motion, "P <ns> <button>" / "R <ns> <button>" for raw button press / release.
 * Raw events come for every device, XTest's included, whatever window has the pointer.
 * Runs until SIGTERM or SIGINT; prints "ready" on standard error once it listens. */
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <time.h>

static volatile sig_atomic_t stop;

static void onSignal(int sig)
{
    (void)sig;
    stop = 1;
}

static long long now_ns(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (long long)ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

int main(void)
{
    Display* dpy = XOpenDisplay(NULL);
    if (!dpy) {
        fprintf(stderr, "xi-recorder: no display\n");
        return 1;
    }
    int opcode, ev, err, major = 2, minor = 0;
    if (!XQueryExtension(dpy, "XInputExtension", &opcode, &ev, &err) || XIQueryVersion(dpy, &major, &minor) != Success) {
        fprintf(stderr, "xi-recorder: no XInput 2\n");
        return 1;
    }
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {0};
    XISetMask(bits, XI_RawMotion);
    XISetMask(bits, XI_RawButtonPress);
    XISetMask(bits, XI_RawButtonRelease);
    XIEventMask mask = {XIAllMasterDevices, sizeof bits, bits};
    XISelectEvents(dpy, DefaultRootWindow(dpy), &mask, 1);
    XSync(dpy, False);

    struct sigaction sa = {0};
    sa.sa_handler = onSignal;
    sigaction(SIGTERM, &sa, NULL);
    sigaction(SIGINT, &sa, NULL);
    setvbuf(stdout, NULL, _IOFBF, 1 << 20);
    fprintf(stderr, "ready\n");

    struct pollfd p = {ConnectionNumber(dpy), POLLIN, 0};
    while (!stop) {
        if (!XPending(dpy)) {
            poll(&p, 1, 200);
            continue;
        }
        XEvent e;
        XNextEvent(dpy, &e);
        const long long t = now_ns();
        if (e.xcookie.type != GenericEvent || e.xcookie.extension != opcode || !XGetEventData(dpy, &e.xcookie))
            continue;
        const XIRawEvent* raw = (const XIRawEvent*)e.xcookie.data;
        switch (e.xcookie.evtype) {
        case XI_RawMotion:
            printf("M %lld\n", t);
            break;
        case XI_RawButtonPress:
            printf("P %lld %d\n", t, raw->detail);
            break;
        case XI_RawButtonRelease:
            printf("R %lld %d\n", t, raw->detail);
            break;
        }
        XFreeEventData(dpy, &e.xcookie);
    }
    fflush(stdout);
    XCloseDisplay(dpy);
    return 0;
}
