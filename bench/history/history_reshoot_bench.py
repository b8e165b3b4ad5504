"""The real window re-shooting a large table every second from an agent, with
both recording and trends off, each alone, and both on, measured from outside
its process.

    history_reshoot_bench.py BUILD_DIR [ROWS] [SHOOTS] [RUNS]   (default: 10000 15 3)

Starts bench_fast_agent (ROWS rows x 7 columns on 127.0.0.1, its two octet
counters moving) on a free loopback port, stopped by its pid at the end.
Then RUNS times, interleaved, for each setup: the window
(bench_history_reshoot_window, the real main window re-shooting every second,
keep instances, SNMPv2c GetBulk 25) with its own settings and data folder;
from its first re-shoot on, the process's CPU time (every thread) at the end
of each of SHOOTS re-shoots, read from /proc when the window says "SHOT".
Under X11 (DISPLAY set), bench_ping_probe pings the window meanwhile and
reports the longest wait for an answer: the longest block of the window's
event loop seen from outside.

Prints per setup the medians over the runs of: CPU per re-shoot, its ratio to
both off, seconds per re-shoot, the longest ping wait (the longest of all
runs), the recording's growth per re-shoot and per day at one re-shoot a
second, and the window's resident memory after its last re-shoot.
"""
import os
import shutil
import socket
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from benchproc import cpu_seconds, free_port, resident_mb, start, stop, window_id, write_view  # noqa: E402

COLUMNS = (1, 2, 3, 4, 5, 10, 16)
TITLE = "History bench"
SETUPS = (("both off", False, False), ("recording alone", True, False), ("trends alone", False, True),
          ("both on", True, True))


def folder_bytes(folder):
    return sum(os.path.getsize(os.path.join(top, name)) for top, _, names in os.walk(folder) for name in names)


def run_once(build, view, record, trends, shoots):
    """One window from start to SHOOTS re-shoots: its figures."""
    home = tempfile.mkdtemp(prefix="vexgrid-history-bench-")
    try:
        os.makedirs(os.path.join(home, "config", "Hollbrae"))
        with open(os.path.join(home, "config", "Hollbrae", "HB_Vexgrid.conf"), "w") as f:
            f.write("[shoot]\nintervalSeconds=1\n[history]\nrecord=%s\n[view]\ntrends=%s\n"
                    % (str(record).lower(), str(trends).lower()))
        data = os.path.join(home, "data")
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(home, "config"), XDG_DATA_HOME=data,
                   QT_QPA_PLATFORM=os.environ.get("QT_QPA_PLATFORM", "offscreen"),
                   HB_VEXGRID_MIBREAD=os.path.join(build, "app", "hb-vexgrid-mibread"))
        window = start([os.path.join(build, "bench", "bench_history_reshoot_window"), view], env, subprocess.PIPE)
        probe = None
        try:
            if window.stdout.readline().strip() != b"READY":
                sys.exit("history_reshoot_bench: the window did not finish its first shoot")
            if env["QT_QPA_PLATFORM"] == "xcb":
                probe = subprocess.Popen([os.path.join(build, "bench", "bench_ping_probe"), window_id(TITLE)],
                                         stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
            marks = []  # (seconds, CPU seconds, recorded bytes) at the end of each re-shoot
            for _ in range(shoots + 1):
                if window.stdout.readline().strip() != b"SHOT":
                    sys.exit("history_reshoot_bench: the window stopped re-shooting")
                marks.append((time.perf_counter(), cpu_seconds(window.pid), folder_bytes(data)))
            resident = resident_mb(window.pid)
            ping = -1.0
            if probe:
                said, _ = probe.communicate(timeout=30)
                fields = dict(part.split("=", 1) for part in said.split() if "=" in part)
                ping = float(fields.get("max_ms", "-1"))
        finally:
            if probe and probe.poll() is None:
                probe.kill()
            stop(window)
        # From the end of the first re-shoot to the end of the last: whole
        # cycles, each with the work the window does after its shoot ends.
        first, last = marks[0], marks[-1]
        user, system = (last[1][0] - first[1][0]) * 1000 / shoots, (last[1][1] - first[1][1]) * 1000 / shoots
        return {"cpu_ms": user + system, "sys_ms": system, "seconds": (last[0] - first[0]) / shoots,
                "ping_ms": ping, "bytes": (last[2] - first[2]) / shoots, "rss_mb": resident}
    finally:
        shutil.rmtree(home, ignore_errors=True)


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    build = sys.argv[1]
    rows = int(sys.argv[2]) if len(sys.argv) > 2 else 10000
    shoots = int(sys.argv[3]) if len(sys.argv) > 3 else 15
    runs = int(sys.argv[4]) if len(sys.argv) > 4 else 3
    folder = tempfile.mkdtemp(prefix="vexgrid-history-bench-")
    agent_port = free_port(socket.SOCK_DGRAM)
    view = write_view(os.path.join(folder, "bench-history.xml"), TITLE, "benchhistory", agent_port, COLUMNS,
                      "    <maxrepetitions>25</maxrepetitions>\n")
    # The agent at the normal policy even where the driver runs at real-time
    # priority: two real-time processes busy at once would leave the X server
    # (and the pings it relays) no core while a shoot runs.
    agent = start(["chrt", "-o", "0", os.path.join(build, "bench", "bench_fast_agent"), str(agent_port), str(rows)])
    results = {name: [] for name, _, _ in SETUPS}
    try:
        for run in range(runs):
            order = SETUPS if run % 2 == 0 else tuple(reversed(SETUPS))
            for name, record, trends in order:
                figures = run_once(build, view, record, trends, shoots)
                results[name].append(figures)
                print("run %d %-16s cpu_ms=%.1f (system %.1f) s=%.2f ping_ms=%.1f bytes=%d rss_mb=%.1f" % (
                    run + 1, name, figures["cpu_ms"], figures["sys_ms"], figures["seconds"], figures["ping_ms"],
                    figures["bytes"], figures["rss_mb"]),
                    flush=True)
    finally:
        stop(agent)
        shutil.rmtree(folder, ignore_errors=True)

    def median(name, key):
        return statistics.median(r[key] for r in results[name])

    base = median("both off", "cpu_ms")
    print("\nreal window, %d x 7 from bench_fast_agent, re-shot every second, %d re-shoots a run, "
          "medians of %d interleaved runs:" % (rows, shoots, runs))
    print("| setup | CPU per re-shoot | ratio to both off | seconds per re-shoot | longest ping wait "
          "| file growth per re-shoot | per day | resident at the end |")
    print("|---|---:|---:|---:|---:|---:|---:|---:|")
    for name, _, _ in SETUPS:
        grown = median(name, "bytes")
        ping = median(name, "ping_ms")
        print("| %s | %.1f ms | %.2fx | %.2f | %s | %.2f MB | %.0f GB | %.0f MB |" % (
            name, median(name, "cpu_ms"), median(name, "cpu_ms") / base, median(name, "seconds"),
            "%.1f ms" % max(r["ping_ms"] for r in results[name]) if ping >= 0 else "-", grown / 1e6,
            grown * 86400 / median(name, "seconds") / 1e9, median(name, "rss_mb")))


if __name__ == "__main__":
    main()
