#!/usr/bin/env python3
"""Writes snmpsimd data files of an interfaces-like table for the table benchmark.

    make_table_data.py DATA_DIR ROWS [ROWS ...]

For each ROWS it writes DATA_DIR/benchtableROWS.snmprec (the community
"benchtableROWS" selects it): a table of ROWS rows and seven columns under the
documentation enterprise number 32473 (RFC 5612), described for net-snmp's
snmptable by VEXBENCH-MIB.txt beside this script:

    1.3.6.1.4.1.32473.1.2.1.C.I     column C of row I (I = 1 .. ROWS)
      C = 1  benchIfIndex     INTEGER    I
          2  benchIfDescr     OCTET STR  "eth<I-1> bench port <I>"
          3  benchIfType      INTEGER    6 (ethernetCsmacd)
          4  benchIfMtu       INTEGER    1500 or 9000
          5  benchIfSpeed     Gauge32    100 Mbit/s, 1 Gbit/s or 4294967295
          10 benchIfInOctets  Counter32  pseudo-random
          16 benchIfOutOctets Counter32  pseudo-random
    1.3.6.1.4.1.32473.1.3.0          benchTableEnd, right after the table

The column numbers are those of the interfaces table they copy. The object
after the table lets every walk of it end on an answer outside the table
rather than on an SNMPv1 noSuchName error past the end of the agent's data.
"""
import os
import random
import sys

TABLE_ENTRY = "1.3.6.1.4.1.32473.1.2.1"
TABLE_END = "1.3.6.1.4.1.32473.1.3.0"

INTEGER, OCTET_STRING, COUNTER32, GAUGE32 = 2, 4, 65, 66


def column_values(rows, seed):
    rnd = random.Random(seed)  # the same file for the same row count
    speeds = (100000000, 1000000000, 4294967295)
    return [
        (1, INTEGER, lambda i: str(i)),
        (2, OCTET_STRING, lambda i: "eth%d bench port %d" % (i - 1, i)),
        (3, INTEGER, lambda i: "6"),
        (4, INTEGER, lambda i: "9000" if i % 10 == 0 else "1500"),
        (5, GAUGE32, lambda i: str(speeds[i % len(speeds)])),
        (10, COUNTER32, lambda i: str(rnd.randrange(2**32))),
        (16, COUNTER32, lambda i: str(rnd.randrange(2**32))),
    ]


def write_table(path, rows):
    lines = []
    # snmpsimd wants its records in OID order: column by column, each column
    # row by row, then the object after the table.
    for column, tag, value in column_values(rows, rows):
        for i in range(1, rows + 1):
            lines.append("%s.%d.%d|%d|%s\n" % (TABLE_ENTRY, column, i, tag, value(i)))
    lines.append("%s|%d|%s\n" % (TABLE_END, OCTET_STRING, "end of the bench table"))
    tmp = path + ".tmp"
    with open(tmp, "w", encoding="ascii") as out:
        out.writelines(lines)
    os.replace(tmp, path)


def main(argv):
    if len(argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    folder = argv[1]
    os.makedirs(folder, exist_ok=True)
    for text in argv[2:]:
        rows = int(text)
        if rows < 1:
            sys.stderr.write("make_table_data.py: ROWS must be at least 1, not %s\n" % text)
            return 2
        write_table(os.path.join(folder, "benchtable%d.snmprec" % rows), rows)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
