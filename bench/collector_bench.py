#!/usr/bin/env python3
"""The collector's cost: memory and CPU of one collector polling ten instruments, and twenty
collectors, each on its own simulated line, publishing to one broker.

  bench/collector_bench.py [--seconds S] [--lines N] [--part one|many|both] [BUILD_DIR]

One: a collector with ten simulated instruments on a pseudo-terminal, the journal kept and every
reading published to a mosquitto on a free loopback port. After a warm-up of 10 s it reports the
resident memory (VmRSS, its peak over the run, and VmHWM) and the CPU time used over S seconds
(default 60) as a share of one core. Targets: 20 MB, 0.1 %.

Many: N collectors (default 20), each with its own simulator (one instrument), all publishing to
one broker, read by one mosquitto_sub. Over S seconds: the CPU per line, and whether every
reading arrived: for each line the answered readings the subscriber got (on the state topics,
and on the history topics those taken before the broker connection was up) against those its
collector logged as taken (qm.collector.debug, which this part switches on), counted after the
collectors stopped on SIGTERM.

Run by hand, never as a test. Needs mosquitto, mosquitto_sub (mosquitto-clients) and the
collector and simulator built in BUILD_DIR (default build).
"""
import argparse
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def cpu_seconds(pid):
    """CPU time of all the process's threads, to the nanosecond (the scheduler's own account;
    /proc/PID/stat counts in 10 ms ticks, too coarse for a process that uses 1 ms a second)."""
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/schedstat") as f:
                total += int(f.read().split()[0])
        except OSError:
            pass  # a thread that ended meanwhile
    return total / 1e9


def status_kb(pid, key):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith(key + ":"):
                return int(line.split()[1])
    return 0


def wait_port(port, bound=10):
    end = time.time() + bound
    while time.time() < end:
        try:
            socket.create_connection(("127.0.0.1", port), 0.2).close()
            return True
        except OSError:
            time.sleep(0.05)
    return False


class Rig:
    def __init__(self, build):
        self.build = build
        self.collector = os.path.join(build, "collector", "qm4700-collector")
        self.sim = os.path.join(build, "tools", "qm4700-sim", "qm4700-sim")
        self.work = tempfile.mkdtemp(prefix="qm-collector-bench.")
        self.procs = []

    def start(self, args, **kw):
        p = subprocess.Popen(args, **kw)
        self.procs.append(p)
        return p

    def stop(self, p, sig=signal.SIGTERM):
        if p.poll() is None:
            p.send_signal(sig)
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()

    def close(self):
        for p in reversed(self.procs):
            self.stop(p)
        shutil.rmtree(self.work, ignore_errors=True)

    def broker(self):
        port = free_port()
        conf = os.path.join(self.work, "mosquitto.conf")
        with open(conf, "w") as f:
            f.write(f"persistence false\nlistener {port} 127.0.0.1\nallow_anonymous true\nmax_queued_messages 100000\n")
        self.start([shutil.which("mosquitto") or "/usr/sbin/mosquitto", "-c", conf],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if not wait_port(port):
            sys.exit("collector_bench: mosquitto did not start")
        return port

    def line(self, name, count, port, journal):
        d = os.path.join(self.work, name)
        os.mkdir(d)
        sim = self.start([self.sim, "--count", str(count), "--ports-cfg", os.path.join(d, "ports.cfg"),
                          "--log", os.path.join(d, "sim.log")], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        sim.stdout.readline()
        # COM1, addresses 1..count, a sample every second.
        with open(os.path.join(d, "it.cfg"), "w") as f:
            f.write("".join(f"{v}\r\n" for v in [0, 1, 1000, 1, count, 1, 1, -1, 0, 10, 0, 50, 2, 10, 0, 1, 2, 3]))
        with open(os.path.join(d, "journal.cfg"), "w") as f:
            f.write("1\n" if journal else "0\n")
        with open(os.path.join(d, "mqtt.cfg"), "w") as f:
            f.write(f"enabled = yes\nhost = 127.0.0.1\nport = {port}\nprefix = bench\nline = {name}\n")
        return d, sim

    def collect(self, d, rules=None):
        env = dict(os.environ)
        for k in ("QT_LOGGING_RULES", "QM_LOG_FILE", "JOURNAL_STREAM"):
            env.pop(k, None)
        if rules:
            env["QT_LOGGING_RULES"] = rules
        log = open(os.path.join(d, "collector.log"), "w")
        return self.start([self.collector, "--dir", d], stderr=log, env=env)


def one(rig, seconds):
    port = rig.broker()
    d, _ = rig.line("one", 10, port, journal=True)
    c = rig.collect(d)
    time.sleep(10)
    rss_peak = 0
    cpu0, t0 = cpu_seconds(c.pid), time.monotonic()
    end = t0 + seconds
    while time.monotonic() < end:
        rss_peak = max(rss_peak, status_kb(c.pid, "VmRSS"))
        time.sleep(1)
    cpu1, t1 = cpu_seconds(c.pid), time.monotonic()
    rss, hwm = status_kb(c.pid, "VmRSS"), status_kb(c.pid, "VmHWM")
    rig.stop(c)
    share = 100.0 * (cpu1 - cpu0) / (t1 - t0)
    print(f"one collector, 10 instruments, journal and publishing, {t1 - t0:.0f} s:")
    print(f"  RSS {rss / 1024:.1f} MB at the end, {rss_peak / 1024:.1f} MB at most, VmHWM {hwm / 1024:.1f} MB (target 20 MB)")
    print(f"  CPU {cpu1 - cpu0:.3f} s = {share:.3f} % of one core (target 0.1 %)")
    print(f"  exit status on SIGTERM: {c.returncode}")


def many(rig, seconds, lines):
    port = rig.broker()
    out = open(os.path.join(rig.work, "sub.txt"), "w")
    sub = rig.start(["mosquitto_sub", "-h", "127.0.0.1", "-p", str(port), "-q", "1", "-v", "-t", "bench/+/+/state", "-t", "bench/+/+/history"],
                    stdout=out, stderr=subprocess.DEVNULL)
    time.sleep(0.5)
    rigs = []
    for i in range(lines):
        d, sim = rig.line(f"l{i:02d}", 1, port, journal=False)
        # Each answered reading logged, so that what was read can be counted against what arrived.
        rigs.append((d, sim, rig.collect(d, "qm.collector.debug=true")))
    time.sleep(5)
    cpu0 = sum(cpu_seconds(c.pid) for _, _, c in rigs)
    t0 = time.monotonic()
    time.sleep(seconds)
    cpu1 = sum(cpu_seconds(c.pid) for _, _, c in rigs)
    t1 = time.monotonic()
    rss = [status_kb(c.pid, "VmRSS") for _, _, c in rigs]
    for _, _, c in rigs:
        rig.stop(c)
    time.sleep(1)
    rig.stop(sub)
    out.close()
    answered = {}
    with open(os.path.join(rig.work, "sub.txt")) as f:
        for line in f:
            topic, _, payload = line.partition(" ")
            try:
                if json.loads(payload).get("online"):
                    name = topic.split("/")[1]
                    answered[name] = answered.get(name, 0) + 1
            except ValueError:
                pass
    missing = []
    total_read = total_pub = 0
    for d, _, c in rigs:
        name = os.path.basename(d)
        with open(os.path.join(d, "collector.log")) as f:
            read = sum(1 for line in f if "qm.collector: прибор" in line and ": pH" in line)
        got = answered.get(name, 0)
        total_read += read
        total_pub += got
        if got != read:
            missing.append(f"{name}: {got} of {read}")
    exits = sorted({c.returncode for _, _, c in rigs})
    share = 100.0 * (cpu1 - cpu0) / (t1 - t0) / lines
    print(f"{lines} collectors, one instrument each, one broker, {t1 - t0:.0f} s:")
    print(f"  CPU per line {share:.3f} % of one core; all {lines} together {share * lines:.2f} %")
    print(f"  RSS per collector {min(rss) / 1024:.1f}..{max(rss) / 1024:.1f} MB")
    print(f"  answered readings taken by the collectors {total_read}, received by the subscriber {total_pub}")
    print("  every reading arrived" if not missing else "  NOT AS TAKEN: " + "; ".join(missing))
    print(f"  exit statuses on SIGTERM: {exits}")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--seconds", type=int, default=60)
    ap.add_argument("--lines", type=int, default=20)
    ap.add_argument("--part", choices=("one", "many", "both"), default="both")
    ap.add_argument("build", nargs="?", default=os.path.join(os.path.dirname(__file__), "..", "build"))
    a = ap.parse_args()
    for tool in ("mosquitto_sub",):
        if not shutil.which(tool):
            sys.exit(f"collector_bench: {tool} is not installed (mosquitto-clients)")
    with open("/proc/loadavg") as f:
        print("load average at start:", " ".join(f.read().split()[:3]))
    parts = []
    if a.part in ("one", "both"):
        parts.append(lambda r: one(r, a.seconds))
    if a.part in ("many", "both"):
        parts.append(lambda r: many(r, a.seconds, a.lines))
    for part in parts:
        rig = Rig(os.path.abspath(a.build))
        try:
            part(rig)
        finally:
            rig.close()
    with open("/proc/loadavg") as f:
        print("load average at end:", " ".join(f.read().split()[:3]))


if __name__ == "__main__":
    main()
