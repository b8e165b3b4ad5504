"""What the bench drivers share: free loopback ports, the starting and
stopping of the processes they measure, the vexgrid file of the bench table
and the X11 window of a title."""

import os
import signal
import socket
import subprocess
import sys
import time

# The seven columns of the bench table bench_fast_agent serves.
ENTRY = "1.3.6.1.4.1.32473.1.2.1."


def free_port(kind=socket.SOCK_DGRAM):
    s = socket.socket(socket.AF_INET, kind)
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def start(args, env=None, stdout=subprocess.DEVNULL):
    return subprocess.Popen(args, env=env, stdout=stdout, stderr=subprocess.DEVNULL)


def stop(proc):
    """Stops proc by its pid, also when it was stopped (SIGSTOP) by the bench."""
    if proc.poll() is None:
        os.kill(proc.pid, signal.SIGCONT)
        os.kill(proc.pid, signal.SIGTERM)
        try:
            proc.wait(10)
        except subprocess.TimeoutExpired:
            os.kill(proc.pid, signal.SIGKILL)
            proc.wait()


def cpu_seconds(pid):
    """(user, system) CPU seconds of every thread of pid."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    tick = os.sysconf("SC_CLK_TCK")
    return int(fields[11]) / tick, int(fields[12]) / tick


def resident_mb(pid):
    """The resident memory of pid in MB; nan when it cannot be read."""
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return float("nan")


def write_view(path, title, community, agent_port, columns, extra=""):
    """A vexgrid file at path: the window titled title shooting columns of the
    bench table from bench_fast_agent on agent_port (SNMPv2c); extra goes
    after <community> (elements of <vexgrid>) or, when it starts with
    "    <", into <shooter> after <snmpversion>."""
    targets = "".join("      <shootertarget><oid>%s%d</oid><oiddescr></oiddescr><instance></instance>"
                      "</shootertarget>\n" % (ENTRY, column) for column in columns)
    top, shooter = ("", extra) if extra.startswith("    <") else (extra, "")
    with open(path, "w") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n<vexgrid>\n  <programtitle>%s</programtitle>\n'
                "  <width>900</width>\n  <height>500</height>\n  <host>127.0.0.1</host>\n"
                "  <community>%s</community>\n%s  <shooter>\n"
                "    <remoteport>%d</remoteport>\n    <snmpversion>2</snmpversion>\n%s    <shootertargets>\n%s"
                "    </shootertargets>\n  </shooter>\n</vexgrid>\n" % (title, community, top, agent_port, shooter, targets))
    return path


def window_id(title, seconds=30):
    """The id of the X11 window whose title starts with title (xwininfo)."""
    until = time.time() + seconds
    while time.time() < until:
        tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True).stdout
        for line in tree.splitlines():
            if '"%s' % title in line:
                return line.split()[0]
        time.sleep(0.2)
    sys.exit("%s: no window titled %s appeared" % (os.path.basename(sys.argv[0]), title))
