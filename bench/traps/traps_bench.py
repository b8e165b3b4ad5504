"""A flood of notifications into the real window, beside net-snmp's snmptrapd
logging the same flood to a file, seen from outside their processes.

    traps_bench.py BUILD_DIR [RATE] [SECONDS] [RUNS] [ROWS] [KIND]   (default: 10000 10 3 1000 v2c)

Starts bench_fast_agent (ROWS rows x 7 columns on 127.0.0.1), the window
(bench_traps_window: the real main window with the traps window open,
--trap-log to a file, re-shooting the table every second and exporting it
after every shoot) and snmptrapd
(-Lf to a file, one line per notification), each on a free loopback port,
stopped by its pid at the end. Then RUNS times, interleaved (the side not
measured is stopped with SIGSTOP): RATE linkDown traps a second for SECONDS
from one socket, the datagram snmptrap itself built: SNMPv2c, or with KIND
v3 SNMPv3 authPriv (SHA-256, AES-128) from one sender engine, whose user both
receivers know; meanwhile
bench_ping_probe sends the traps window a _NET_WM_PING every 10 ms, which Qt
answers on the window's thread, so the longest wait is the longest block of
its event loop. A side has taken the flood when its log stops growing.

Prints per side the medians over the runs of: notifications logged, logged
per second (from the first datagram to the last line), lost (sent - logged:
the socket's buffer overflowed), CPU seconds per second, the table's shoots
during the flood (window only), the longest ping wait (window only) and the
resident memory after the run; then the ratios window / snmptrapd.
"""
import os
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from benchproc import cpu_seconds, free_port, resident_mb, stop, window_id, write_view  # noqa: E402

COLUMNS = (1, 2, 3, 4, 5, 10, 16)
LINK_DOWN = ["", "1.3.6.1.6.3.1.1.5.3", "1.3.6.1.2.1.2.2.1.1.2", "i", "2", "1.3.6.1.2.1.2.2.1.7.2", "i", "2",
             "1.3.6.1.2.1.2.2.1.8.2", "i", "2"]
SLICE = 0.010  # the flood is sent in slices of 10 ms
SETTLED = 1.5  # a log that has not grown for this long has taken the flood


def tool_env(folder):
    return dict(os.environ, SNMP_PERSISTENT_DIR=folder, SNMPCONFPATH=folder)


V3_USER = ["-u", "benchops", "-l", "authPriv", "-a", "SHA-256", "-A", "bench-auth-pass", "-x", "AES", "-X",
           "bench-priv-pass"]
V3_ENGINE = "0x8000000001020304aabbccdd"


def captured_trap(folder, kind):
    """The datagram snmptrap sends for a linkDown with three bindings."""
    version = ["-v", "3", "-e", V3_ENGINE] + V3_USER if kind == "v3" else ["-v", "2c", "-c", "public"]
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.bind(("127.0.0.1", 0))
    s.settimeout(10)
    subprocess.run(["snmptrap", "-M", "/nonexistent", "-m", ""] + version + ["127.0.0.1:%d" % s.getsockname()[1]]
                   + LINK_DOWN, env=tool_env(folder), check=True)
    datagram = s.recv(65536)
    s.close()
    return datagram


def lines(path):
    try:
        with open(path, "rb") as f:
            return sum(1 for _ in f)
    except FileNotFoundError:
        return 0


def flood(port, datagram, rate, seconds):
    """Sends rate datagrams a second, paced per slice; returns how many left."""
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    target, sent, started = ("127.0.0.1", port), 0, time.perf_counter()
    per_slice = max(1, int(rate * SLICE))
    for n in range(int(seconds / SLICE)):
        for _ in range(per_slice):
            try:
                s.sendto(datagram, target)
                sent += 1
            except BlockingIOError:
                pass
        time.sleep(max(0.0, started + (n + 1) * SLICE - time.perf_counter()))
    s.close()
    return sent


def wait_settled(log, before, limit=60.0):
    """(lines added, the time the last was seen to arrive)."""
    count, last, until = lines(log), time.perf_counter(), time.perf_counter() + limit
    while time.perf_counter() < until:
        time.sleep(0.1)
        now = lines(log)
        if now != count:
            count, last = now, time.perf_counter()
        elif time.perf_counter() - last > SETTLED:
            break
    return count - before, last


class ExportWatch:
    """Counts the table's exports (one after every shoot) while it runs."""

    def __init__(self, path):
        self.path, self.seen, self.done = path, 0, threading.Event()
        self.thread = threading.Thread(target=self.watch)
        self.thread.start()

    def watch(self):
        last = None
        while not self.done.is_set():
            try:
                stamp = os.stat(self.path).st_mtime_ns
            except FileNotFoundError:
                stamp = None
            if stamp is not None and stamp != last:
                self.seen += last is not None
                last = stamp
            time.sleep(0.02)

    def stop(self):
        self.done.set()
        self.thread.join()
        return self.seen


def measure(side, pid, port, log, datagram, rate, seconds, probe=None, export=None):
    before = lines(log)
    watch = ExportWatch(export) if export else None
    pinger = subprocess.Popen(probe, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True) if probe else None
    cpu_before, started = sum(cpu_seconds(pid)), time.perf_counter()
    sent = flood(port, datagram, rate, seconds)
    taken, last = wait_settled(log, before)
    cpu = (sum(cpu_seconds(pid)) - cpu_before) / (time.perf_counter() - started)
    result = {"sent": sent, "taken": taken, "per_s": taken / max(last - started, 1e-9), "lost": sent - taken,
              "cpu_per_s": cpu, "shoots": watch.stop() if watch else float("nan"), "ping_max_ms": float("nan"),
              "rss_mb": resident_mb(pid)}
    if pinger:
        out, _ = pinger.communicate("")
        fields = dict(kv.split("=") for kv in out.split()[1:] if "=" in kv)
        result["ping_max_ms"] = float(fields.get("max_ms", "nan"))
    print("traps_bench: %s: %s" % (side, " ".join("%s=%.1f" % kv for kv in result.items())), flush=True)
    return result


def write_files(folder, agent_port):
    view = write_view(os.path.join(folder, "bench-traps.xml"), "Traps bench", "benchtraps", agent_port, COLUMNS)
    os.makedirs(os.path.join(folder, "Hollbrae"))
    with open(os.path.join(folder, "Hollbrae", "HB_Vexgrid.conf"), "w") as f:
        f.write("[shoot]\nintervalSeconds=1\n")
    conf = os.path.join(folder, "snmptrapd.conf")
    with open(conf, "w") as f:
        f.write("disableAuthorization yes\ncreateUser -e %s benchops SHA-256 bench-auth-pass AES bench-priv-pass\n"
                % V3_ENGINE)
    return view, conf


def wait_for_log(log, port, datagram, proc, seconds=30):
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    until = time.time() + seconds
    while time.time() < until and proc.poll() is None:
        s.sendto(datagram, ("127.0.0.1", port))
        time.sleep(0.3)
        if lines(log) > 0:
            return
    sys.exit("traps_bench: %s logged nothing" % log)


def print_table(rate, seconds, runs, rows, kind, results):
    names = [("taken", "notifications logged", "%.0f"), ("per_s", "logged per second", "%.0f"),
             ("lost", "lost (sent - logged)", "%.0f"), ("cpu_per_s", "CPU seconds per second", "%.3f"),
             ("shoots", "table shoots during the flood", "%.0f"), ("ping_max_ms", "longest ping wait (ms)", "%.1f"),
             ("rss_mb", "resident memory after (MB)", "%.1f")]
    print("traps_bench: %d %s traps a second for %d s, %d runs interleaved, medians over the runs "
          "(the window re-shoots %d rows x 7 columns every second)"
          % (rate, "SNMPv3 authPriv" if kind == "v3" else "SNMPv2c", seconds, runs, rows))
    print("| figure | window (--trap-log) | snmptrapd -Lf | window / snmptrapd |")
    print("|---|---:|---:|---:|")
    for key, label, form in names:
        ours = statistics.median(r[key] for r in results["window"])
        theirs = statistics.median(r[key] for r in results["snmptrapd"])
        ratio = ours / theirs if theirs and theirs == theirs else float("nan")
        print(("| %s | " + form + " | " + form + " | %.2f |") % (label, ours, theirs, ratio))


def main():
    build = sys.argv[1]
    args = sys.argv[2:] + ["10000", "10", "3", "1000", "v2c"][len(sys.argv) - 2:]
    rate, seconds, runs, rows = (int(a) for a in args[:4])
    kind = args[4]
    folder = tempfile.mkdtemp(prefix="bench-traps.")
    agent_port, ours_port, theirs_port = free_port(), free_port(), free_port()
    view, conf = write_files(folder, agent_port)
    datagram = captured_trap(folder, kind)
    ours_log, theirs_log = os.path.join(folder, "ours.csv"), os.path.join(folder, "snmptrapd.log")
    export = os.path.join(folder, "table.csv")
    env = dict(os.environ, XDG_CONFIG_HOME=folder, QT_QPA_PLATFORM="xcb")
    procs = []
    try:
        procs.append(subprocess.Popen([os.path.join(build, "bench", "bench_fast_agent"), str(agent_port), str(rows)]))
        window = subprocess.Popen([os.path.join(build, "bench", "bench_traps_window"), view, export, str(ours_port),
                                   ours_log] + (["--trap-user", "benchops", "--trap-auth", "SHA-256:bench-auth-pass",
                                                 "--trap-priv", "AES:bench-priv-pass"] if kind == "v3" else []),
                                  env=env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        procs.append(window)
        if window.stdout.readline().strip() != "READY":
            sys.exit("traps_bench: the window did not start re-shooting")
        trapd = subprocess.Popen(["snmptrapd", "-f", "-n", "-C", "-c", conf, "-M", "/nonexistent", "-m", "",
                                  "-Lf", theirs_log, "-F", "%b %V %v\n", "udp:127.0.0.1:%d" % theirs_port],
                                 env=tool_env(folder), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        procs.append(trapd)
        probe = [os.path.join(build, "bench", "bench_ping_probe"), window_id("Traps and informs")]
        wait_for_log(ours_log, ours_port, datagram, window)
        wait_for_log(theirs_log, theirs_port, datagram, trapd)
        wait_settled(ours_log, 0)
        wait_settled(theirs_log, 0)
        results = {"window": [], "snmptrapd": []}
        for _ in range(runs):
            os.kill(trapd.pid, signal.SIGSTOP)
            results["window"].append(measure("window", window.pid, ours_port, ours_log, datagram, rate, seconds,
                                             probe, export))
            os.kill(trapd.pid, signal.SIGCONT)
            os.kill(window.pid, signal.SIGSTOP)
            results["snmptrapd"].append(measure("snmptrapd", trapd.pid, theirs_port, theirs_log, datagram, rate,
                                                seconds))
            os.kill(window.pid, signal.SIGCONT)
        print_table(rate, seconds, runs, rows, kind, results)
    finally:
        for proc in reversed(procs):
            stop(proc)


if __name__ == "__main__":
    main()
