#!/usr/bin/env python3
"""End-to-end figures of velmo-mouse beside a single-threaded C floor client, in one run.

The floor runs twice: posting one motion per frame, and with --changed-only, posting a motion only
when the position changed, as velmo-mouse does. The second is the like-for-like floor for latency:
on a virtual machine a motion every frame keeps the X server and the recorder awake, and a press
after a still spell pays for waking them (a few hundred microseconds here), whoever sends it.

For each subject the simulator plays bench/e2e/scenario.txt at FPS, stamping every frame as it writes
it (CLOCK_MONOTONIC), and an XInput2 recorder stamps each raw motion and button event X delivers on
the same clock. Latency of a motion: from the newest frame written before it, for the first motion
after each frame; of a press: from the newest frame written before it. CPU and wake-ups are read from
/proc (per-thread schedstat run time, voluntary + involuntary context switches; the involuntary
ones grow with the machine's load, the voluntary ones are the program's own waits) over the moving part
and over the still hand at the end, divided by the frames written meanwhile; the first 8 s
(start-up: splash, gestures picture) are left out. Alternating rounds of both subjects are pooled.
Run through
bench/e2e-latency.sh, which gives it an X server and a tray host."""

import glob
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def proc_sample(pid):
    cpu_ns = 0
    switches = 0
    voluntary = 0
    for task in glob.glob("/proc/%d/task/*" % pid):
        try:
            with open(task + "/schedstat") as f:
                cpu_ns += int(f.read().split()[0])
            with open(task + "/status") as f:
                for line in f:
                    if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                        switches += int(line.split()[1])
                    if line.startswith("voluntary_ctxt_switches"):
                        voluntary += int(line.split()[1])
        except (OSError, ValueError, IndexError):
            pass  # a thread that ended meanwhile
    rss_kb = 0
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    rss_kb = int(line.split()[1])
    except OSError:
        pass
    return time.monotonic_ns(), cpu_ns, switches, rss_kb, voluntary


def pct(values, p):
    if not values:
        return float("nan")
    s = sorted(values)
    k = min(len(s) - 1, max(0, int(round(p / 100.0 * (len(s) - 1)))))
    return s[k]


def newest_before(stamps, t, start):
    """Index of the newest stamp <= t, searching forward from start."""
    i = start
    while i + 1 < len(stamps) and stamps[i + 1] <= t:
        i += 1
    return i


def run(subject, build, fps, workdir):
    sock = os.path.join(workdir, "velmo-tracking.sock")
    stamps_path = os.path.join(workdir, "stamps-%s.txt" % subject)
    events_path = os.path.join(workdir, "events-%s.txt" % subject)
    env = dict(os.environ, XDG_RUNTIME_DIR=workdir, QT_QPA_PLATFORM="xcb")
    if os.path.exists(sock):
        os.unlink(sock)
    rec_out = open(events_path, "w")
    rec = subprocess.Popen([os.path.join(build, "bench/e2e/e2e-xi-recorder")], stdout=rec_out, stderr=subprocess.PIPE)
    rec.stderr.readline()  # "ready"
    sim = subprocess.Popen([os.path.join(build, "tools/handsim/velmo-handsim"), "--fps", str(fps), "--socket", sock,
                            "--stamp", stamps_path, os.path.join(HERE, "scenario.txt")],
                           stderr=subprocess.DEVNULL, env=env)
    while not os.path.exists(sock):
        time.sleep(0.02)
    if subject == "velmo-mouse":
        # A fresh copy each round: every round starts as a first start, from the same settings.
        appdir = os.path.join(workdir, "app")
        shutil.rmtree(appdir, ignore_errors=True)
        os.makedirs(appdir)
        shutil.copy(os.path.join(build, "src/app/velmo-mouse"), appdir)
        shutil.copytree(os.path.join(build, "src/app/resources"), os.path.join(appdir, "resources"))
        cmd = [os.path.join(appdir, "velmo-mouse")]
    elif subject == "floor":
        cmd = [os.path.join(build, "bench/e2e/e2e-floor-client"), sock]
    else:
        cmd = [os.path.join(build, "bench/e2e/e2e-floor-client"), "--changed-only", sock]
    prog = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env, cwd=workdir)
    # Samples every 100 ms while the simulator plays; the phases are cut out afterwards by time.
    samples = []
    while sim.poll() is None:
        samples.append(proc_sample(prog.pid))
        time.sleep(0.1)
    samples.append(proc_sample(prog.pid))
    time.sleep(0.3)
    prog.send_signal(signal.SIGTERM)
    try:
        prog.wait(timeout=10)
    except subprocess.TimeoutExpired:
        prog.kill()
        prog.wait()
    rec.send_signal(signal.SIGTERM)
    rec.wait()
    rec_out.close()

    stamps = [int(x) for x in open(stamps_path).read().split()]
    motions, presses = [], []
    for line in open(events_path):
        f = line.split()
        if f[0] == "M":
            motions.append(int(f[1]))
        elif f[0] == "P" and f[2] == "1":
            presses.append(int(f[1]))

    def window(t0, t1):
        inside = [s for s in samples if t0 <= s[0] <= t1]
        if len(inside) < 2:
            return 0, 0, 0, 0
        a, b = inside[0], inside[-1]
        frames = sum(1 for s in stamps if a[0] <= s < b[0])
        return b[1] - a[1], b[2] - a[2], frames, b[4] - a[4]

    # The first 8 s (start-up: the hand appearing, the splash, then the gestures picture loading)
    # are left out of CPU and wake-ups; the last 3.5 s are the still hand.
    first, last = stamps[0], stamps[-1]
    still_from = last - int(3.5e9)
    motion_lat, seen, i = [], set(), 0
    for t in motions:
        if t < first:
            continue
        i = newest_before(stamps, t, i)
        if i not in seen:
            seen.add(i)
            motion_lat.append((t - stamps[i]) / 1000.0)
    press_lat, i = [], 0
    for t in presses:
        if t < first:
            continue
        i = newest_before(stamps, t, i)
        press_lat.append((t - stamps[i]) / 1000.0)
    still_span = (last - still_from - int(1e9)) / 1e9
    return {
        "motion": motion_lat, "press": press_lat,
        "move": window(first + int(8e9), still_from), "still": window(still_from + int(0.5e9), last),
        "still motions": (sum(1 for t in motions if still_from + int(1e9) <= t <= last), still_span),
        "rss": max(s[3] for s in samples) / 1024.0, "rss end": ([s[3] for s in samples if s[3] > 0] or [0])[-1] / 1024.0,
    }


def combine(runs):
    """Pools the rounds of one subject: latencies together, CPU and switches over all frames."""
    def per_frame(key, field):
        total = sum(r[key][field] for r in runs)
        frames = sum(r[key][2] for r in runs)
        return total / frames if frames else float("nan")
    motion = [x for r in runs for x in r["motion"]]
    press = [x for r in runs for x in r["press"]]
    still = sum(r["still motions"][0] for r in runs) / sum(r["still motions"][1] for r in runs)
    return {
        "motion p50": pct(motion, 50), "motion p99": pct(motion, 99), "motions": len(motion),
        "press p50": pct(press, 50), "press p99": pct(press, 99), "presses": len(press),
        "cpu": per_frame("move", 0) / 1000.0, "wake": per_frame("move", 1), "vol": per_frame("move", 3),
        "cpu still": per_frame("still", 0) / 1000.0, "wake still": per_frame("still", 1),
        "vol still": per_frame("still", 3),
        "still motions": still, "rss": max(r["rss"] for r in runs),
        "rss end": max(r["rss end"] for r in runs),
        "frames": sum(r["move"][2] for r in runs),
    }


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
    fps = int(sys.argv[2]) if len(sys.argv) > 2 else 120
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 2
    workdir = tempfile.mkdtemp(prefix="velmo-e2e.")
    os.chmod(workdir, 0o700)
    runs = {"velmo-mouse": [], "floor": [], "floor changed-only": []}
    try:
        # Alternating rounds: a slow spell of the machine falls on both subjects alike.
        for _ in range(rounds):
            for s in runs:
                runs[s].append(run(s, build, fps, workdir))
    finally:
        shutil.rmtree(workdir, ignore_errors=True)
    results = {s: combine(r) for s, r in runs.items()}
    v, c, q = results["velmo-mouse"], results["floor"], results["floor changed-only"]
    rows = [
        ("frame written -> motion seen by X, p50 (us)", "motion p50", "%.0f"),
        ("frame written -> motion seen by X, p99 (us)", "motion p99", "%.0f"),
        ("frame written -> pinch's press seen by X, p50 (us)", "press p50", "%.0f"),
        ("frame written -> pinch's press seen by X, p99 (us)", "press p99", "%.0f"),
        ("CPU per frame, moving hand (us)", "cpu", "%.1f"),
        ("CPU per frame, still hand (us)", "cpu still", "%.1f"),
        ("wake-ups per frame, moving hand", "wake", "%.2f"),
        ("wake-ups per frame, still hand", "wake still", "%.2f"),
        ("  of them voluntary (waits), moving hand", "vol", "%.2f"),
        ("  of them voluntary (waits), still hand", "vol still", "%.2f"),
        ("pointer motions a second, still hand", "still motions", "%.1f"),
        ("resident memory, peak while streaming (MB)", "rss", "%.1f"),
        ("resident memory at the end, still hand (MB)", "rss end", "%.1f"),
    ]
    print("%d fps, %d rounds; %d moving-hand frames, %d/%d/%d motions and %d/%d/%d presses measured"
          " (velmo-mouse/floor/changed-only)" % (fps, rounds, v["frames"], v["motions"], c["motions"],
                                                 q["motions"], v["presses"], c["presses"], q["presses"]))
    print("| measure | velmo-mouse | C floor client | ratio | floor, changed moves only | ratio |")
    print("|---|---|---|---|---|---|")

    def ratio(a, b):
        return "%.2fx" % (a / b) if b else "-"
    for name, key, fmt in rows:
        print("| %s | %s | %s | %s | %s | %s |" % (name, fmt % v[key], fmt % c[key], ratio(v[key], c[key]),
                                                   fmt % q[key], ratio(v[key], q[key])))


if __name__ == "__main__":
    main()
