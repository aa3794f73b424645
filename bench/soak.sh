#!/usr/bin/env bash
# Soak benchmark: Velmo Mouse driven at 150 frames a second by the hand simulator (a looping
# scenario of sweeps, clicks, drags, wheel turns and fists, bench/soak-scenario.txt) on a private
# X server with a tray host. Every few seconds it samples the program's resident memory, CPU time,
# threads and open files; at the end it reports growth per hour (least-squares slope after the
# first tenth of the run) and CPU use as a share of one core. The simulator's own CPU use, sampled
# the same way in the same run, is printed beside it as the baseline: the cost of producing the
# frames the program consumes.
# Usage: bench/soak.sh [--minutes M | --seconds S] [--interval S] [BUILD_DIR]
#        (default 10 minutes, a sample every 5 s, build/; sampling starts after 10 s of warm-up).
#        Samples go to out/soak/samples.csv, the report to out/soak/report.txt.
# Goal: flat memory, under 2 % of one core.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=600
interval=5
build=$here/build
while [ $# -gt 0 ]; do
  case "$1" in
    --minutes) seconds=$(($2 * 60)); shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --interval) interval=$2; shift 2 ;;
    -h|--help) sed -n 2,11p "$0"; exit 0 ;;
    *) build=$1; shift ;;
  esac
done
build=$(cd "$build" && pwd)
if [ "${VELMO_SOAK_INNER:-}" != 1 ]; then
  export VELMO_SOAK_INNER=1
  exec "$here/tests/support/with-xvfb.sh" --tray "$0" --seconds "$seconds" --interval "$interval" "$build"
fi

out=$here/out/soak
rm -rf "$out"
mkdir -p "$out/app" "$out/run"
chmod 700 "$out/run"
export XDG_RUNTIME_DIR=$out/run XDG_CONFIG_HOME=$out/config XDG_CACHE_HOME=$out/cache QT_QPA_PLATFORM=xcb
cp "$build/src/app/velmo-mouse" "$out/app/"
cp -r "$build/src/app/resources" "$out/app/resources"

"$build/tools/handsim/velmo-handsim" --fps 150 --loop "$here/bench/soak-scenario.txt" >"$out/handsim.log" 2>&1 &
sim=$!
for _ in $(seq 50); do [ -S "$out/run/velmo-tracking.sock" ] && break; sleep 0.1; done
"$out/app/velmo-mouse" >"$out/velmo-mouse.log" 2>&1 &
app=$!
trap 'kill $app $sim 2>/dev/null; wait $app $sim 2>/dev/null' EXIT
hz=$(getconf CLK_TCK)

# time, rss_kb, app cpu ticks, threads, fds, simulator cpu ticks
sample() {
  local t=$1 rss threads fds ticks sticks
  rss=$(awk '/^VmRSS/ {print $2}' "/proc/$app/status" 2>/dev/null) || return 1
  threads=$(awk '/^Threads/ {print $2}' "/proc/$app/status")
  fds=$(ls "/proc/$app/fd" 2>/dev/null | wc -l)
  ticks=$(awk '{print $14 + $15}' "/proc/$app/stat")
  sticks=$(awk '{print $14 + $15}' "/proc/$sim/stat" 2>/dev/null || echo 0)
  echo "$t,$rss,$ticks,$threads,$fds,$sticks"
}
echo "seconds,rss_kb,cpu_ticks,threads,open_files,sim_cpu_ticks" >"$out/samples.csv"
echo "soak: $seconds s at 150 fps, a sample every $interval s (out/soak/samples.csv)"
sleep "${VELMO_SOAK_WARMUP:-10}"  # start-up settles (splash, first connection) before the first sample
start=$(date +%s.%N)
while :; do
  now=$(date +%s.%N)
  t=$(echo "$now - $start" | bc)
  sample "$t" >>"$out/samples.csv" || { echo "soak: the program ended early"; tail -5 "$out/velmo-mouse.log"; exit 1; }
  [ "$(echo "$t >= $seconds" | bc)" = 1 ] && break
  sleep "$interval"
done
kill -0 "$sim" 2>/dev/null || echo "soak: the simulator ended early (see $out/handsim.log)"

awk -F, -v hz="$hz" '
  BEGIN { n = 0 }
  NR == 1 { next }
  { t[n] = $1; rss[n] = $2 / 1024; cpu[n] = $3 / hz; th[n] = $4; fd[n] = $5; sc[n] = $6 / hz; n++ }
  function slope(a,   i, k, mt, ma, sxy, sxx) {   # per hour, after the first tenth
    k = int(n / 10); mt = 0; ma = 0
    for (i = k; i < n; i++) { mt += t[i]; ma += a[i] } mt /= (n - k); ma /= (n - k)
    sxy = 0; sxx = 0
    for (i = k; i < n; i++) { sxy += (t[i] - mt) * (a[i] - ma); sxx += (t[i] - mt) ^ 2 }
    return sxx > 0 ? sxy / sxx * 3600 : 0
  }
  function range(a, name, unit,   i, lo, hi) {
    lo = a[0]; hi = a[0]
    for (i = 1; i < n; i++) { if (a[i] < lo) lo = a[i]; if (a[i] > hi) hi = a[i] }
    printf "  %-12s start %8.1f  end %8.1f  min %8.1f  max %8.1f %-3s growth %+9.2f %s/hour\n", name, a[0], a[n-1], lo, hi, unit, slope(a), unit
  }
  END {
    if (n < 3) { print "soak: too few samples"; exit 1 }
    d = t[n-1] - t[0]
    printf "velmo-mouse over %.0f s (%d samples):\n", d, n
    range(rss, "RSS", "MB"); range(th, "threads", ""); range(fd, "open files", "")
    printf "  CPU          %.2f %% of one core (%.2f s of %.0f s)\n", 100 * (cpu[n-1] - cpu[0]) / d, cpu[n-1] - cpu[0], d
    printf "baseline, velmo-handsim producing the frames: %.2f %% of one core\n", 100 * (sc[n-1] - sc[0]) / d
    printf "goal: flat memory, under 2 %% of one core\n"
  }' "$out/samples.csv" | tee "$out/report.txt"
