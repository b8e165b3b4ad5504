#!/usr/bin/env python3
"""What the window's thread did during its longest event-loop block.

    block_profile.py PERF_DATA BENCH_OUTPUT

PERF_DATA was recorded with `perf record -k CLOCK_MONOTONIC --call-graph dwarf`
around bench_table; BENCH_OUTPUT holds bench_table's standard error, where the
ping probe tells when its slowest ping was sent and answered (worst_from,
worst_to) and the heartbeat lists its gaps over 50 ms, all on CLOCK_MONOTONIC.
For the probe's window and the longest heartbeat gap it prints the samples of
the window's thread in order, folded into runs of the same event handler and
innermost program function, then the functions found on most of their stacks,
then one whole stack of the longest run.
"""
import collections
import re
import subprocess
import sys

# Frames of the event loop and of signal delivery: the handler is the first
# frame beyond them, seen from main().
LOOP = re.compile(r"^(main|_start|__libc_start|g_main|QCoreApplication|QApplication|QGuiApplication|"
                  r"QTimerInfoList|QEventDispatcher|QEventLoop|QSocketNotifier|QMetaObject|QObject::event|"
                  r"QtPrivate::|void doActivate|doActivate|QMetaCallEvent|std::function|std::__invoke|"
                  r"std::_Function|\[unknown\]|QWidget::event|QTimer|QSingleShotTimer|QCallableObject)")


def windows(output):
    found = []
    probe = re.search(r"max_ms=([\d.]+) .*worst_from=([\d.]+) worst_to=([\d.]+)", output)
    if probe and float(probe.group(2)) > 0:
        found.append(("probe: slowest _NET_WM_PING answer, %s ms" % probe.group(1),
                      float(probe.group(2)), float(probe.group(3))))
    gaps = [(float(m.group(1)), float(m.group(2)), float(m.group(3)))
            for m in re.finditer(r"heartbeat gap ([\d.]+) ms from ([\d.]+) to ([\d.]+)", output)]
    if gaps:
        ms, start, end = max(gaps)
        found.append(("heartbeat: longest gap, %.1f ms" % ms, start, end))
    return found


def main_thread(data):
    # The process's first thread (tid == pid) of bench_table runs the window.
    text = subprocess.run(["perf", "script", "-i", data, "-F", "comm,pid,tid", "--comm", "bench_table"],
                          capture_output=True, text=True).stdout
    for line in text.splitlines():
        fields = line.split()
        if len(fields) >= 2 and "/" in fields[-1]:
            pid, tid = fields[-1].split("/")
            if pid == tid:
                return tid
        elif len(fields) >= 3 and fields[-1] == fields[-2]:
            return fields[-1]
    sys.exit("block_profile: no samples of bench_table's main thread in %s" % data)


def samples(data, tid, start, end):
    text = subprocess.run(["perf", "script", "-i", data, "--tid", tid, "-F", "time,ip,sym,dso",
                           "--time", "%.6f,%.6f" % (start, end)], capture_output=True, text=True).stdout
    result, stack = [], None
    for line in text.splitlines():
        head = re.match(r"^\s*([\d.]+):\s*$", line)
        if head:
            stack = []
            result.append((float(head.group(1)), stack))
            continue
        parts = line.strip().split(" ", 1)
        if stack is not None and len(parts) == 2:
            frame = re.match(r"(.*) \((.*)\)$", parts[1])
            symbol, dso = (frame.group(1), frame.group(2).split("/")[-1]) if frame else (parts[1], "?")
            stack.append((re.sub(r"\(.*", "", symbol), dso))
    return result


def handler(stack):
    for symbol, dso in reversed(stack):
        if not LOOP.match(symbol) and not dso.startswith(("libglib", "libc")):
            return symbol[:70]
    return "?"


def innermost_own(stack):
    for symbol, dso in stack:
        if dso == "bench_table" and not symbol.startswith(("Q", "std::", "operator")):
            return symbol[:60]
    return stack[0][0][:60] if stack else "?"


def report(title, data, tid, start, end):
    found = samples(data, tid, start, end)
    print("== %s: %.6f .. %.6f, %d samples of the window's thread" % (title, start, end, len(found)))
    runs = []
    for when, stack in found:
        label = handler(stack) + " / " + innermost_own(stack)
        if runs and runs[-1][2] == label:
            runs[-1][1] = when
            runs[-1][3] += 1
            runs[-1][4] = stack
        else:
            runs.append([when, when, label, 1, stack])
    for first, last, label, count, _ in runs:
        print("  %.4f-%.4f %4d  %s" % (first, last, count, label))
    counts = collections.Counter()
    for _, stack in found:
        for symbol in {s for s, _ in stack}:
            counts[symbol] += 1
    print("  on most stacks:")
    for symbol, count in counts.most_common(40):
        if not LOOP.match(symbol) and "inlined" not in symbol:
            print("    %3.0f%%  %s" % (100 * count / max(len(found), 1), symbol[:110]))
    if runs:
        longest = max(runs, key=lambda r: r[3])
        print("  a whole stack of the longest run (%d samples):" % longest[3])
        for symbol, dso in longest[4]:
            print("    %s  [%s]" % (symbol[:110], dso))
    print()


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: block_profile.py PERF_DATA BENCH_OUTPUT")
    data, output = sys.argv[1], open(sys.argv[2]).read()
    tid = main_thread(data)
    found = windows(output)
    if not found:
        sys.exit("block_profile: the bench output names no block (no probe answer, no gap over 50 ms)")
    for title, start, end in found:
        report(title, data, tid, start, end)


if __name__ == "__main__":
    main()
