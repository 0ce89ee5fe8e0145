#!/usr/bin/env bash
# The program's CPU use and resident memory in steady operation: 10 simulated instruments
# polled, a full trend store (10000 samples) and a sample every second, under Xvfb.
#
#   bench/measure_cpu.sh [--transport serial|rtuovertcp|tcp] [--line-down] [BUILD_DIR]
#
# --transport: how the line is reached: a serial pseudo-terminal (the default), RTU over TCP (the
# simulator as a transparent serial device server) or Modbus TCP (the simulator as a gateway).
# --line-down (network lines only): the simulator is stopped after the warm-up, so the connection
# is dropped and then refused; what is measured is the program while it tries again.
# BUILD_DIR defaults to build. Environment: MEASURE_SECONDS (default 60), WARMUP_SECONDS (default
# 20), KEEP_WORKDIR=1 to keep the working directory. Needs Xvfb, xdotool and python3.
set -euo pipefail

TRANSPORT=serial
LINE_DOWN=0
while [ $# -gt 0 ]; do
    case "$1" in
        --transport) TRANSPORT=${2:-}; shift 2 ;;
        --transport=*) TRANSPORT=${1#--transport=}; shift ;;
        --line-down) LINE_DOWN=1; shift ;;
        -*) echo "measure_cpu: unknown option $1" >&2; exit 2 ;;
        *) break ;;
    esac
done
case "$TRANSPORT" in
    serial) SIM_LINE=() ;;
    rtuovertcp) SIM_LINE=(--rtu-over-tcp 0) ;;
    tcp) SIM_LINE=(--modbus-tcp 0) ;;
    *) echo "measure_cpu: --transport is serial, rtuovertcp or tcp, not '$TRANSPORT'" >&2; exit 2 ;;
esac
if [ "$LINE_DOWN" = 1 ] && [ "$TRANSPORT" = serial ]; then
    echo "measure_cpu: --line-down needs a network line (--transport rtuovertcp or tcp)" >&2; exit 2
fi

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
PROGRAM=$BUILD/shell/qm4700
SIM=$BUILD/tools/qm4700-sim/qm4700-sim
MEASURE=${MEASURE_SECONDS:-60}
WARMUP=${WARMUP_SECONDS:-20}

for tool in Xvfb xdotool python3; do
    command -v "$tool" >/dev/null || { echo "measure_cpu: $tool is not installed" >&2; exit 2; }
done
[ -x "$PROGRAM" ] || { echo "measure_cpu: no program at $PROGRAM (build the qm4700 target)" >&2; exit 2; }
[ -x "$SIM" ] || { echo "measure_cpu: no simulator at $SIM (build the qm4700-sim target)" >&2; exit 2; }

WORK=$(mktemp -d /tmp/qm-measure.XXXXXX)
SIM_PID='' XVFB_PID='' APP_PID=''
cleanup() {
    for pid in $APP_PID $SIM_PID $XVFB_PID; do kill "$pid" 2>/dev/null || true; done
    for pid in $APP_PID $SIM_PID $XVFB_PID; do wait "$pid" 2>/dev/null || true; done
    if [ "${KEEP_WORKDIR:-0}" = 1 ]; then echo "working directory kept: $WORK"; else rm -rf "$WORK"; fi
}
trap cleanup EXIT

# Settings: COM1, first address 1, 10000 points, 1 s, 10 instruments, NUM 1, period 1, no layout
# chosen (all 24 series drawn), default scales, slots 0..3.
printf '%s\r\n' 0 1 10000 1 10 1 1 -1 0 10 0 50 2 10 0 1 2 3 > "$WORK/it.cfg"

# The simulator maps COM1 to its pseudo-terminal (or the URL of its TCP port) in ports.cfg and
# prints the device first.
"$SIM" --first 1 --count 10 "${SIM_LINE[@]}" --ports-cfg "$WORK/ports.cfg" --com 1 --log "$WORK/requests.log" \
    > "$WORK/sim.out" 2> "$WORK/sim.err" &
SIM_PID=$!
for _ in $(seq 50); do [ -s "$WORK/sim.out" ] && break; sleep 0.1; done
[ -s "$WORK/sim.out" ] || { echo "measure_cpu: the simulator printed no device" >&2; cat "$WORK/sim.err" >&2; exit 1; }
echo "transport: $TRANSPORT; simulator on $(head -n1 "$WORK/sim.out")"

# A full trend file whose newest sample is a second old: 10000 lines, one a second.
python3 - "$WORK" <<'PY'
import datetime, math, os, sys
work = sys.argv[1]
now = datetime.datetime.now().replace(microsecond=0)
lines = []
for i in range(10000):
    t = now - datetime.timedelta(seconds=10000 - i)
    values = []
    for k in range(1, 11):
        values.append(7.0 + 0.3 * math.sin(k) + 0.05 * math.sin(i / 37.0 + k))
        values.append(20.0 + k + 0.5 * math.sin(i / 91.0 + k))
    fields = [t.strftime('%d.%m.%y'), t.strftime('%H:%M:%S')] + [('%.4f' % v).replace('.', ',') for v in values]
    lines.append(' '.join(fields))
with open(os.path.join(work, 'График.txt'), 'wb') as f:
    f.write(('\r\n'.join(lines)).encode('cp1251'))
PY

# A private X display.
for n in $(seq 90 120); do [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { DISPLAY_NUMBER=$n; break; }; done
Xvfb ":$DISPLAY_NUMBER" -screen 0 1400x1000x24 -nolisten tcp > "$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
export DISPLAY=":$DISPLAY_NUMBER"
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done

# The program, started in its working directory.
(cd "$WORK" && exec env -u QT_QPA_PLATFORM "$PROGRAM" > "$WORK/program.out" 2>&1) &
APP_PID=$!
WINDOW=$(timeout 30 xdotool search --sync --onlyvisible --name 'QM4700 ModBus Ver3.0' | head -n1) || true
[ -n "$WINDOW" ] || { echo "measure_cpu: the main window did not appear" >&2; cat "$WORK/program.out" >&2; exit 1; }
sleep 1

# Tick "Соединение" (CheckBox1 at 384,744 in the window's client area, 137 x 17).
xdotool mousemove --window "$WINDOW" 392 752 click 1
echo "connected; warming up for $WARMUP s (one poll round of 10 instruments takes 10 s)"
sleep "$WARMUP"
if [ "$LINE_DOWN" = 1 ]; then
    # The gateway goes away: the connection is dropped, every later attempt refused.
    kill "$SIM_PID"; wait "$SIM_PID" 2>/dev/null || true; SIM_PID=''
    echo "simulator stopped: the line is down; letting the retries settle for 10 s"
    sleep 10
fi

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$APP_PID/stat"; }
requests_before=$(wc -l < "$WORK/requests.log")
ticks_before=$(cpu_ticks)
start=$(date +%s.%N)
sleep "$MEASURE"
ticks_after=$(cpu_ticks)
end=$(date +%s.%N)
requests=$(( $(wc -l < "$WORK/requests.log") - requests_before ))
rss_kb=$(awk '/^VmRSS:/ { print $2 }' "/proc/$APP_PID/status")
hz=$(getconf CLK_TCK)

python3 - "$ticks_before" "$ticks_after" "$start" "$end" "$hz" "$rss_kb" "$requests" "$LINE_DOWN" <<'PY'
import sys
before, after, start, end, hz, rss_kb, requests, line_down = sys.argv[1:]
seconds = float(end) - float(start)
cpu = (int(after) - int(before)) / int(hz) / seconds * 100.0
rss = int(rss_kb) / 1024.0
if line_down == "1":
    print(f"line down for the whole {seconds:.0f} s: the program kept trying to connect")
else:
    print(f"requests answered by the simulator: {requests} in {seconds:.0f} s")
    if int(requests) == 0:
        print("warning: the program did not poll; the port did not open or the settings were not read")
print(f"CPU: {cpu:.2f} % of one core (limit 5 %) {'ok' if cpu < 5 else 'OVER'}")
print(f"RSS: {rss:.1f} MB (limit 150 MB) {'ok' if rss < 150 else 'OVER'}")
PY
