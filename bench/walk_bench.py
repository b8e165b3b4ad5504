"""Times the single-target walk of snmpd's mib-2 through the real main window
beside net-snmp's snmpwalk -v1 and snmpbulkwalk -v2c -Cr25 on the same agent.

    walk_bench.py BUILD_DIR [RUNS]

Starts snmpd on a free 127.0.0.1 port (stopped by its pid at the end), then
runs every tool RUNS times, interleaved, and prints medians and ratios: the
job (process start to the CSV written, or to the tool's exit, and beside it
our process start to its exit), the round trips,
the CPU time, and the CPU per request as the slope between a walk of the
system group (about 40 objects) and of mib-2 (thousands), so the fixed
start-up cost drops out. The program runs without the bench's own hooks
(bench_table --instruments no), so its CPU time is the window's alone. Round
trips are counted at the agent for every tool alike: snmpd's snmpInPkts
before and after each run.
"""
import os
import resource
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "."))
from benchproc import free_port  # noqa: E402

MIB2 = "1.3.6.1.2.1"
IN_PKTS = "1.3.6.1.2.1.11.1.0"  # snmpInPkts: every datagram the agent took in
SYSTEM = "1.3.6.1.2.1.1"
COMMUNITY = "benchwalk"


def children_cpu():
    u = resource.getrusage(resource.RUSAGE_CHILDREN)
    return u.ru_utime + u.ru_stime


def run_tool(cmd):
    """Wall seconds, CPU seconds and stdout of one run."""
    cpu0 = children_cpu()
    t0 = time.perf_counter()
    out = subprocess.run(cmd, check=True, capture_output=True, text=True).stdout
    return time.perf_counter() - t0, children_cpu() - cpu0, out


def in_pkts(agent):
    out = subprocess.run(["snmpget", "-v2c", "-c", COMMUNITY, "-Oqv", "-t", "2", "-r", "1", agent, IN_PKTS],
                         check=True, capture_output=True, text=True).stdout
    return int(out.split()[0])


def counted(agent, run):
    """run's result with its round trips counted at the agent (the reading
    after the run counts itself)."""
    before = in_pkts(agent)
    result = run()
    result["rt"] = in_pkts(agent) - before - 1
    return result


def run_ours(bench, port, oid, version, reps, probe, csv):
    cmd = [bench, "--port", str(port), "--community", COMMUNITY, "--rows", "1", "--walk", oid,
           "--version", str(version), "--linger", "0", "--export", csv, "--instruments", "no"]
    if reps:
        cmd += ["--maxrepetitions", str(reps)]
    if probe and os.environ.get("VEXGRID_PROBE"):
        cmd += ["--probe", probe]  # adds its drain time to the run
    started = time.time()
    wall, cpu, out = run_tool(cmd)
    line = next(l for l in out.splitlines() if l.startswith("RESULT "))
    f = dict(kv.split("=", 1) for kv in line.split()[1:])
    # The job is done when the CSV is written; what the process does after
    # (closing the window, freeing the table) is timed as well, beside it.
    return {"job": float(f["end_unix"]) - started, "wall": wall, "cpu": cpu, "rt": -1, "rows": int(f["rows"]),
            "setup": float(f["setup_ms"]) / 1000, "probe": float(f["probe_max_ms"])}


def main():
    build = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    bench = os.path.join(build, "bench", "bench_table")
    probe = os.path.join(build, "bench", "bench_ping_probe")
    work = tempfile.mkdtemp(prefix="bench-walk.")
    conf = os.path.join(work, "snmpd.conf")
    with open(conf, "w") as f:
        f.write("rocommunity %s 127.0.0.1\n" % COMMUNITY)
    port = free_port()
    snmpd = subprocess.Popen(["/usr/sbin/snmpd", "-f", "-C", "-c", conf, "-M", "/nonexistent", "-m", "",
                              "-Lf", os.path.join(work, "snmpd.log"), "udp:127.0.0.1:%d" % port])
    try:
        agent = "127.0.0.1:%d" % port
        for _ in range(100):
            if subprocess.run(["snmpget", "-v1", "-c", COMMUNITY, "-t", "1", "-r", "0", agent,
                               "1.3.6.1.2.1.1.1.0"], capture_output=True).returncode == 0:
                break
            time.sleep(0.2)
        csv = os.path.join(work, "ours.csv")
        tools = {
            "ours v1 Get-Next": lambda oid: run_ours(bench, port, oid, 1, 0, probe, csv),
            "snmpwalk -v1": lambda oid: tool(["snmpwalk", "-v1", "-c", COMMUNITY, "-On", agent, oid]),
            "ours v2c GetBulk 25": lambda oid: run_ours(bench, port, oid, 2, 25, probe, csv),
            "snmpbulkwalk -v2c -Cr25": lambda oid: tool(["snmpbulkwalk", "-v2c", "-Cr25", "-c", COMMUNITY,
                                                         "-On", agent, oid]),
        }

        def tool(cmd):
            wall, cpu, out = run_tool(cmd)
            n = sum(1 for l in out.splitlines() if l.startswith("."))
            return {"job": wall, "wall": wall, "cpu": cpu, "rt": -1, "rows": n, "setup": 0.0, "probe": -1.0}

        results = {(name, oid): [] for name in tools for oid in (SYSTEM, MIB2)}
        for r in range(runs):
            for oid in (SYSTEM, MIB2):
                for name, fn in tools.items():
                    results[(name, oid)].append(counted(agent, lambda: fn(oid)))
        med = {k: {m: statistics.median(x[m] for x in v) for m in v[0]} for k, v in results.items()}
        print("\nsingle-target walk, medians of %d interleaved runs (load %s)" % (runs, os.getloadavg()))
        print("%-24s %-12s %8s %7s %7s %7s %8s %9s" % ("tool", "subtree", "rows", "rt", "job s", "exit s", "cpu s",
                                                        "probe ms"))
        for (name, oid), m in med.items():
            print("%-24s %-12s %8d %7d %7.3f %7.3f %8.3f %9.1f" % (name, oid, m["rows"], m["rt"], m["job"], m["wall"],
                                                                   m["cpu"], m["probe"]))
        print("(job: process start to the CSV written, or to the tool's exit; exit: process start to exit)")

        def slope(name):
            a, b = med[(name, SYSTEM)], med[(name, MIB2)]
            return (b["cpu"] - a["cpu"]) / max(1, b["rt"] - a["rt"])
        ov1, sw = med[("ours v1 Get-Next", MIB2)], med[("snmpwalk -v1", MIB2)]
        ob, sb = med[("ours v2c GetBulk 25", MIB2)], med[("snmpbulkwalk -v2c -Cr25", MIB2)]
        print("\nratios, ours / theirs (mib-2 walk)")
        print("Get-Next job time vs snmpwalk -v1:            %5.2fx  (to our exit: %.2fx)" % (
            ov1["job"] / sw["job"], ov1["wall"] / sw["wall"]))
        walk_only = (ov1["job"] - med[("ours v1 Get-Next", SYSTEM)]["job"]) / (sw["job"] - med[("snmpwalk -v1", SYSTEM)]["job"])
        print("Get-Next walk beyond the fixed start-up:      %5.2fx  (37-object walk subtracted from both)" % walk_only)
        print("Get-Next CPU per request (slope) vs snmpwalk: %5.2fx  (%.1f vs %.1f us)" % (
            slope("ours v1 Get-Next") / slope("snmpwalk -v1"), slope("ours v1 Get-Next") * 1e6,
            slope("snmpwalk -v1") * 1e6))
        print("GetBulk round trips vs snmpbulkwalk -Cr25:    %d vs %d" % (ob["rt"], sb["rt"]))
        # The fixed start-up: the whole run of the 37-object walk, less its
        # two round trips.
        fixed = med[("ours v2c GetBulk 25", SYSTEM)]["job"]
        print("GetBulk walk beyond the start-up vs snmpbulkwalk: %5.2fx  (%.3f s vs %.3f s; fixed start-up %.3f s beside)" % (
            (ob["job"] - fixed) / sb["job"], ob["job"] - fixed, sb["job"], fixed))
        print("GetBulk job time vs snmpbulkwalk:             %5.2fx" % (ob["job"] / sb["job"]))
    finally:
        snmpd.terminate()
        snmpd.wait()


if __name__ == "__main__":
    main()
