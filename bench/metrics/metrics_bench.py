"""The metrics endpoint of the real window beside the SNMP exporter, both
scraped every second for the same table of the same agent, seen from outside
their processes.

    metrics_bench.py BUILD_DIR [ROWS] [SCRAPES] [RUNS]   (default: 10000 10 3)

Starts bench_fast_agent (ROWS rows x 7 columns, 127.0.0.1), the window
(bench_metrics_window: the real main window re-shooting the table every
second, serving /metrics) and Debian's prometheus-snmp-exporter with a module
of the same seven columns, each on a free loopback port, stopped by its pid
at the end. Then RUNS times, interleaved (the side not measured is stopped
with SIGSTOP, so that it takes no CPU from the other): SCRAPES scrapes a
second apart, and meanwhile a probe every 10 ms from a process of its own, a
small request on a connection of its own that the server answers on the thread that serves the
scrape (the window's event loop; a 404 for /probe). The probe's longest wait
is the longest time the server could not answer: for the window, the longest
block of its event loop. The window is probed a third time without scrapes,
to tell the endpoint's share from the re-shoots'. Prints per side the medians
over the runs of: the scrape time (median of the run), the longest probe
wait, the probe's 99th percentile, the server's CPU time per second (all its
threads), and the samples per scrape, then the ratios window/exporter.
"""
import multiprocessing
import os
import signal
import socket
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
from benchproc import ENTRY, free_port, start, stop, write_view  # noqa: E402

COLUMNS = [(1, "benchIfIndex", "gauge"), (2, "benchIfDescr", "OctetString"), (3, "benchIfType", "gauge"),
           (4, "benchIfMtu", "gauge"), (5, "benchIfSpeed", "gauge"), (10, "benchIfInOctets", "counter"),
           (16, "benchIfOutOctets", "counter")]
COMMUNITY = "benchmetrics"
PROBE_EVERY = 0.010


def http_get(port, path, timeout=60.0):
    """(status, body, seconds from connect to the last byte); status 0 on failure."""
    start = time.perf_counter()
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=timeout) as s:
            s.sendall(b"GET %s HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n" % path.encode())
            answer = read_answer(s)
    except OSError:
        return 0, b"", time.perf_counter() - start
    head, _, body = answer.partition(b"\r\n\r\n")
    parts = head.split(b" ", 2)
    status = int(parts[1]) if len(parts) > 1 and parts[1].isdigit() else 0
    if b"transfer-encoding: chunked" in head.lower():
        body = unchunk(body)
    return status, body, time.perf_counter() - start


def read_answer(s):
    """One answer: to its Content-Length, its last chunk, or the closed connection."""
    answer = bytearray()
    body_at, length, chunked = -1, -1, False
    while True:
        chunk = s.recv(1 << 20)
        if not chunk:
            return bytes(answer)
        answer += chunk
        if body_at < 0:
            end = answer.find(b"\r\n\r\n")
            if end < 0:
                continue
            body_at = end + 4
            for line in bytes(answer[:end]).lower().split(b"\r\n"):
                if line.startswith(b"content-length:"):
                    length = int(line.split(b":")[1])
                chunked = chunked or line == b"transfer-encoding: chunked"
        if (length >= 0 and len(answer) - body_at >= length) or (chunked and answer.endswith(b"0\r\n\r\n")):
            return bytes(answer)


def unchunk(body):
    out, at = [], 0
    while True:
        end = body.find(b"\r\n", at)
        size = int(body[at:end].split(b";")[0], 16) if end > at else 0
        if size == 0:
            return b"".join(out)
        out.append(body[end + 2:end + 2 + size])
        at = end + 2 + size + 2


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def wait_http(port, path, proc, seconds):
    until = time.time() + seconds
    while time.time() < until and proc.poll() is None:
        if http_get(port, path, 2)[0]:
            return True
        time.sleep(0.2)
    return False


def probe(port, path, done, waits):
    """Runs in a process of its own, so that the scraper's work never delays it."""
    found = []
    while not done.is_set():
        status, _, seconds = http_get(port, path, 30)
        if status:
            found.append(seconds)
        time.sleep(PROBE_EVERY)
    waits.put(found)


def measure(port, scrape_path, probe_path, pid, scrapes):
    """One run: scrapes a second apart, probes every 10 ms meanwhile."""
    done, found = multiprocessing.Event(), multiprocessing.Queue()
    prober = multiprocessing.Process(target=probe, args=(port, probe_path, done, found))
    cpu_before, wall_before = cpu_seconds(pid), time.perf_counter()
    prober.start()
    served, samples = [], []
    for _ in range(scrapes):
        started = time.perf_counter()
        if not scrape_path:  # probed only
            time.sleep(1.0)
            continue
        status, body, seconds = http_get(port, scrape_path)
        if status != 200:
            sys.exit("metrics_bench: %s answered %d" % (scrape_path, status))
        served.append(seconds)
        samples.append(sum(1 for line in body.split(b"\n") if line and not line.startswith(b"#")))
        time.sleep(max(0.0, 1.0 - (time.perf_counter() - started)))
    done.set()
    waits = found.get()
    prober.join()
    cpu = (cpu_seconds(pid) - cpu_before) / (time.perf_counter() - wall_before)
    waits.sort()
    return {"scrape_ms": statistics.median(served) * 1000 if served else float("nan"), "probe_max_ms": waits[-1] * 1000,
            "probe_p99_ms": waits[int(len(waits) * 0.99)] * 1000, "cpu_per_s": cpu,
            "samples": statistics.median(samples) if samples else float("nan"), "probes": len(waits)}


def write_files(folder, agent_port, exporter_mib):
    view = write_view(os.path.join(folder, "bench-metrics.xml"), "Metrics bench", COMMUNITY, agent_port,
                      [column for column, _, _ in COLUMNS], "  <mibs><mib>%s</mib></mibs>\n" % exporter_mib)
    os.makedirs(os.path.join(folder, "Hollbrae"))
    with open(os.path.join(folder, "Hollbrae", "HB_Vexgrid.conf"), "w") as f:
        f.write("[shoot]\nintervalSeconds=1\n")
    metrics = "".join("  - name: %s\n    oid: %s%d\n    type: %s\n    indexes:\n    - labelname: benchIfIndex\n"
                      "      type: gauge\n" % (name, ENTRY, column, kind) for column, name, kind in COLUMNS)
    module = os.path.join(folder, "snmp.yml")
    with open(module, "w") as f:
        f.write("bench:\n  walk:\n%s  metrics:\n%s  version: 2\n  auth:\n    community: %s\n"
                "  max_repetitions: 25\n  retries: 3\n  timeout: 10s\n"
                % ("".join("  - %s%d\n" % (ENTRY, c) for c, _, _ in COLUMNS), metrics, COMMUNITY))
    return view, module


def print_table(rows, scrapes, runs, results):
    names = [("scrape_ms", "scrape, median (ms)", "%.1f"), ("probe_max_ms", "longest probe wait (ms)", "%.1f"),
             ("probe_p99_ms", "probe wait, 99th percentile (ms)", "%.1f"),
             ("cpu_per_s", "server CPU per second (s)", "%.3f"), ("samples", "samples per scrape", "%.0f")]
    print("metrics_bench: %d rows x %d columns, %d scrapes a second apart per run, %d runs interleaved, "
          "medians over the runs" % (rows, len(COLUMNS), scrapes, runs))
    print("| figure | window, scraped | window, not scraped | SNMP exporter | window / exporter |")
    print("|---|---:|---:|---:|---:|")
    median = {side: {key: statistics.median(r[key] for r in results[side]) for key, _, _ in names}
              for side in results}
    for key, label, form in names:
        ours, idle, theirs = median["window"][key], median["idle"][key], median["exporter"][key]
        print(("| %s | " + form + " | " + form + " | " + form + " | %.2f |")
              % (label, ours, idle, theirs, ours / theirs if theirs else float("nan")))
    for side in ("window", "idle", "exporter"):
        print("%s runs: %s" % (side, "; ".join("scrape %.1f ms, longest probe %.1f ms, %d probes"
                                                % (r["scrape_ms"], r["probe_max_ms"], r["probes"])
                                                for r in results[side])))
    print("RESULT rows=%d window_scrape_ms=%.1f window_block_ms=%.1f idle_block_ms=%.1f exporter_scrape_ms=%.1f "
          "exporter_block_ms=%.1f goal_serve=%s goal_block=%s"
          % (rows, median["window"]["scrape_ms"], median["window"]["probe_max_ms"], median["idle"]["probe_max_ms"],
             median["exporter"]["scrape_ms"], median["exporter"]["probe_max_ms"],
             "met" if median["window"]["scrape_ms"] < 100 else "missed",
             "met" if median["window"]["probe_max_ms"] < 50 else "missed"))


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    build = sys.argv[1]
    rows = int(sys.argv[2]) if len(sys.argv) > 2 else 10000
    scrapes = int(sys.argv[3]) if len(sys.argv) > 3 else 10
    runs = int(sys.argv[4]) if len(sys.argv) > 4 else 3
    source = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    exporter_program = "/usr/bin/prometheus-snmp-exporter"
    if not os.access(exporter_program, os.X_OK):
        sys.exit("metrics_bench: %s is missing (Debian package prometheus-snmp-exporter)" % exporter_program)
    folder = tempfile.mkdtemp(prefix="vexgrid-metrics-bench-")
    agent_port, window_port, exporter_port = free_port(socket.SOCK_DGRAM), free_port(
        socket.SOCK_STREAM), free_port(socket.SOCK_STREAM)
    view, module = write_files(folder, agent_port, os.path.join(source, "table", "VEXBENCH-MIB.txt"))
    env = dict(os.environ, XDG_CONFIG_HOME=folder, QT_QPA_PLATFORM="offscreen",
               HB_VEXGRID_MIBREAD=os.path.join(build, "app", "hb-vexgrid-mibread"))
    processes = []
    try:
        agent = start([os.path.join(build, "bench", "bench_fast_agent"), str(agent_port), str(rows)])
        processes.append(agent)
        window = start([os.path.join(build, "bench", "bench_metrics_window"), view, str(window_port)], env,
                       subprocess.PIPE)
        processes.append(window)
        exporter = start([exporter_program, "--config.file=" + module,
                          "--web.listen-address=127.0.0.1:%d" % exporter_port])
        processes.append(exporter)
        if window.stdout.readline().strip() != b"READY":
            sys.exit("metrics_bench: the window did not finish its first shoot")
        if not wait_http(exporter_port, "/", exporter, 30):
            sys.exit("metrics_bench: the exporter did not come up")
        sides = {"window": (window, window_port, "/metrics", "/probe"),
                 "idle": (window, window_port, None, "/probe"),
                 "exporter": (exporter, exporter_port, "/snmp?module=bench&target=127.0.0.1:%d" % agent_port, "/")}
        results = {side: [] for side in sides}
        for run in range(runs):
            order = list(sides) if run % 2 == 0 else list(reversed(sides))
            for side in order:
                proc, port, scrape, probe = sides[side]
                other = exporter if proc is window else window
                os.kill(other.pid, signal.SIGSTOP)
                os.kill(proc.pid, signal.SIGCONT)
                time.sleep(3)  # the window catches up with its re-shoots
                results[side].append(measure(port, scrape, probe, proc.pid, scrapes))
        print_table(rows, scrapes, runs, results)
    finally:
        for proc in reversed(processes):
            stop(proc)
        subprocess.run(["rm", "-rf", folder])


if __name__ == "__main__":
    main()
