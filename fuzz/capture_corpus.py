#!/usr/bin/env python3
"""Captures real SNMP answers as the fuzzer's seed corpus.

Starts net-snmp's snmpd and snmpsim on free 127.0.0.1 ports, sends them
hand-built GetRequest, GetNextRequest and GetBulkRequest messages (v1 and
v2c), and stores every raw datagram received in fuzz/corpus/. snmpd is also
given a trap sink on loopback, so its coldStart and authenticationFailure
notifications (v1 trap, v2 trap) land in the corpus too.

Usage: fuzz/capture_corpus.py [CORPUS_DIR]
"""
import hashlib
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

COMMUNITY = b"tamvel"


def tlv(tag, content):
    n = len(content)
    if n < 128:
        head = bytes([n])
    elif n < 256:
        head = bytes([0x81, n])
    else:
        head = bytes([0x82, n >> 8, n & 0xFF])
    return bytes([tag]) + head + content


def integer(v):
    n = 1
    while not -(1 << (8 * n - 1)) <= v < (1 << (8 * n - 1)):
        n += 1
    return tlv(0x02, v.to_bytes(n, "big", signed=True))


def oid(text):
    ids = [int(x) for x in text.split(".")]
    out = bytearray([40 * ids[0] + ids[1]])
    for v in ids[2:]:
        groups = [v & 0x7F]
        v >>= 7
        while v:
            groups.append(0x80 | (v & 0x7F))
            v >>= 7
        out += bytes(reversed(groups))
    return tlv(0x06, bytes(out))


def request(pdu_tag, version, oids, request_id, a=0, b=0, community=COMMUNITY):
    bindings = b"".join(tlv(0x30, oid(o) + b"\x05\x00") for o in oids)
    pdu = tlv(pdu_tag, integer(request_id) + integer(a) + integer(b) + tlv(0x30, bindings))
    return tlv(0x30, integer(version) + tlv(0x04, community) + pdu)


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Corpus:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0
        os.makedirs(folder, exist_ok=True)

    def store(self, label, data):
        if not data:
            return
        name = "%s-%s" % (label, hashlib.sha1(data).hexdigest()[:12])
        path = os.path.join(self.folder, name)
        if not os.path.exists(path):
            with open(path, "wb") as f:
                f.write(data)
            self.count += 1


def exchange(port, datagram, timeout=2.0):
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        s.settimeout(timeout)
        s.sendto(datagram, ("127.0.0.1", port))
        try:
            return s.recvfrom(65535)[0]
        except socket.timeout:
            return None


def wait_ready(port, tries=100):
    probe = request(0xA0, 1, ["1.3.6.1.2.1.1.1.0"], 1)
    for _ in range(tries):
        if exchange(port, probe, 0.2):
            return True
    return False


def next_oid(answer):
    """The OID of the last binding of an answer, for walking on (tiny BER reader)."""
    def read(buf, pos):
        tag, n = buf[pos], buf[pos + 1]
        pos += 2
        if n & 0x80:
            k = n & 0x7F
            n = int.from_bytes(buf[pos:pos + k], "big")
            pos += k
        return tag, buf[pos:pos + n], pos + n

    _, msg, _ = read(answer, 0)
    pos = 0
    for _ in range(2):
        _, _, pos = read(msg, pos)
    _, pdu, _ = read(msg, pos)
    pos = 0
    for _ in range(3):
        _, _, pos = read(pdu, pos)
    _, blist, _ = read(pdu, pos)
    pos, last = 0, None
    while pos < len(blist):
        _, binding, pos = read(blist, pos)
        _, raw, _ = read(binding, 0)
        last = raw
    if last is None:
        return None
    ids, v = [], 0
    for b in last:
        v = (v << 7) | (b & 0x7F)
        if not b & 0x80:
            ids.append(v)
            v = 0
    first = ids[0]
    head = [0, first] if first < 40 else [1, first - 40] if first < 80 else [2, first - 80]
    return ".".join(str(x) for x in head + ids[1:])


def walk(corpus, label, port, version, start, steps, per_request=1):
    """Get-Next walk storing every answer; per_request > 1 asks for several columns at once."""
    current = [start] * per_request
    for i in range(steps):
        answer = exchange(port, request(0xA1, version, current, 100 + i))
        if not answer:
            return
        corpus.store(label, answer)
        nxt = next_oid(answer)
        if not nxt or nxt == current[0] or answer.endswith(b"\x82\x00"):
            return  # an error answer repeats the OID asked for; endOfMibView ends a v2c walk
        current = [nxt] * per_request


def queries(corpus, label, port):
    system = ["1.3.6.1.2.1.1.%d.0" % i for i in range(1, 8)]
    for version in (0, 1):
        tag = "%s-v%d" % (label, version + 1)
        for i, o in enumerate(system):
            corpus.store(tag + "-get", exchange(port, request(0xA0, version, [o], i + 1)))
        corpus.store(tag + "-get15", exchange(port, request(0xA0, version, system * 2 + system[:1], 50)))
        corpus.store(tag + "-missing", exchange(port, request(0xA0, version, ["1.3.6.1.2.1.1.99.0", "1.3.6.1.2.1.1.1"], 60)))
        corpus.store(tag + "-end", exchange(port, request(0xA1, version, ["1.3.6.1.9.9.9.9"], 61)))
        walk(corpus, tag + "-walk", port, version, "1.3.6.1.2.1", 60)
    for reps in (5, 25, 60):
        corpus.store(label + "-bulk", exchange(port, request(0xA5, 1, ["1.3.6.1.2.1.2.2.1", "1.3.6.1.2.1.1"], 70, 1, reps)))


def run_snmpd(corpus, work):
    if not shutil.which("snmpd"):
        sys.exit("capture: snmpd not found (apt-get install snmpd)")
    port, trap_port = free_port(), free_port()
    trap_sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    trap_sock.bind(("127.0.0.1", trap_port))
    trap_sock.settimeout(0.2)
    conf = os.path.join(work, "snmpd.conf")
    with open(conf, "w") as f:
        f.write("rocommunity tamvel 127.0.0.1\n")
        f.write("trapsink 127.0.0.1:%d tamvel\n" % trap_port)
        f.write("trap2sink 127.0.0.1:%d tamvel\n" % trap_port)
        f.write("authtrapenable 1\n")
    env = dict(os.environ, SNMP_PERSISTENT_DIR=os.path.join(work, "persist"))
    agent = subprocess.Popen(["snmpd", "-f", "-C", "-c", conf, "-M", "/nonexistent", "-m", "",
                              "-Lf", os.path.join(work, "snmpd.log"), "udp:127.0.0.1:%d" % port],
                             env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        if not wait_ready(port):
            sys.exit("capture: snmpd did not answer on 127.0.0.1:%d" % port)
        queries(corpus, "snmpd", port)
        walk(corpus, "snmpd-v2-ifx", port, 1, "1.3.6.1.2.1.31.1.1.1", 30, per_request=3)
        walk(corpus, "snmpd-v2-ip", port, 1, "1.3.6.1.2.1.4.20", 30)
        # A wrong community makes snmpd send authenticationFailure notifications.
        exchange(port, request(0xA0, 1, ["1.3.6.1.2.1.1.1.0"], 5, community=b"wrong"), 0.3)
        deadline = time.time() + 1.5
        while time.time() < deadline:
            try:
                corpus.store("snmpd-trap", trap_sock.recvfrom(65535)[0])
            except socket.timeout:
                pass
    finally:
        agent.send_signal(signal.SIGTERM)
        agent.wait(5)
        trap_sock.close()


SNMPREC = """1.3.6.1.2.1.1.1.0|4|vexgrid test agent
1.3.6.1.2.1.1.2.0|6|1.3.6.1.4.1.8072.3.2.10
1.3.6.1.2.1.1.3.0|67|123456789
1.3.6.1.2.1.1.4.0|4x|00416200ff00
1.3.6.1.2.1.1.5.0|4|tamvel-sim
1.3.6.1.2.1.1.6.0|4|
1.3.6.1.2.1.1.7.0|2|-72
1.3.6.1.2.1.2.1.0|2|2
1.3.6.1.2.1.2.2.1.1.1|2|1
1.3.6.1.2.1.2.2.1.1.2|2|2
1.3.6.1.2.1.2.2.1.2.1|4|lo
1.3.6.1.2.1.2.2.1.2.2|4|eth0 with a rather long description that passes one hundred and twenty-seven bytes so the value needs the long length form 0x81
1.3.6.1.2.1.2.2.1.5.1|66|4294967295
1.3.6.1.2.1.2.2.1.5.2|66|1000000000
1.3.6.1.2.1.2.2.1.6.1|4x|
1.3.6.1.2.1.2.2.1.6.2|4x|0000527a1c00
1.3.6.1.2.1.2.2.1.10.1|65|0
1.3.6.1.2.1.2.2.1.10.2|65|2147483648
1.3.6.1.2.1.4.20.1.1.127.0.0.1|64|127.0.0.1
1.3.6.1.2.1.4.20.1.1.192.168.1.1|64|192.168.1.1
1.3.6.1.2.1.31.1.1.1.6.1|70|0
1.3.6.1.2.1.31.1.1.1.6.2|70|18446744073709551615
1.3.6.1.2.1.31.1.1.1.10.2|70|9223372036854775808
1.3.6.1.4.1.8072.9.1.0|68|0a0b0c
1.3.6.1.4.1.8072.9.2.0|2|2147483647
1.3.6.1.4.1.8072.9.3.0|2|-2147483648
1.3.6.1.4.1.8072.9.4.0|6|1.3.6.1.4.1.4294967295.0
"""


def run_snmpsim(corpus, work):
    if not shutil.which("snmpsimd"):
        sys.exit("capture: snmpsimd not found (apt-get install snmpsim)")
    data = os.path.join(work, "data")
    cache = os.path.join(work, "cache")
    os.makedirs(data)
    os.makedirs(cache)
    os.chmod(work, 0o755)
    os.chmod(cache, 0o777)
    with open(os.path.join(data, "tamvel.snmprec"), "w") as f:
        f.write(SNMPREC)
    port = free_port()
    cmd = ["snmpsimd", "--data-dir=" + data, "--agent-udpv4-endpoint=127.0.0.1:%d" % port,
           "--cache-dir=" + cache, "--logging-method=null"]
    if os.getuid() == 0:
        cmd += ["--process-user=nobody", "--process-group=nogroup"]
    agent = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        if not wait_ready(port, 150):
            sys.exit("capture: snmpsimd did not answer on 127.0.0.1:%d" % port)
        queries(corpus, "snmpsim", port)
        walk(corpus, "snmpsim-v2-all", port, 1, "1.3.6.1", 40)
        walk(corpus, "snmpsim-v1-all", port, 0, "1.3.6.1", 40)
    finally:
        agent.send_signal(signal.SIGTERM)
        agent.wait(10)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    corpus = Corpus(sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "corpus"))
    with tempfile.TemporaryDirectory(prefix="vexgrid-capture-") as work:
        os.chmod(work, 0o755)  # snmpsimd runs as nobody and reads its data from here
        for sub in ("snmpd", "sim"):
            os.makedirs(os.path.join(work, sub))
        run_snmpd(corpus, os.path.join(work, "snmpd"))
        run_snmpsim(corpus, os.path.join(work, "sim"))
    print("capture: %d new datagrams in %s" % (corpus.count, corpus.folder))


if __name__ == "__main__":
    main()
