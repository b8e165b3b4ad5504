#!/usr/bin/env python3
"""Writes MIB module files for the modules shipped with the program
(names/mibs/) from the built-in facts: names, OIDs, syntaxes, enumerations
and indexes, enough for libsmi to read a vendor module that imports from
them. What the facts do not hold (access, the module identity, the local
textual conventions) comes from the tables below.

Usage: generate_mib_modules.py [--facts tests/data/names/mib-facts.tsv]
                               [--descriptions names/builtin/mib-descriptions.tsv] [--out names/mibs]
"""
import argparse
import os

import generate_mib_facts

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
REVISION = "202612090000Z"

# The modules written, with the RFC that defines them and their identity:
# (name, OID); a name the facts hold under another name is renamed.
MODULES = {
    "SNMPv2-MIB": ("RFC 3418", ("snmpMIB", "1.3.6.1.6.3.1")),
    "IANAifType-MIB": ("the IANA registry of interface types", ("ianaifType", "1.3.6.1.2.1.30")),
    "IF-MIB": ("RFC 2863", ("ifMIB", "1.3.6.1.2.1.31")),
    "HOST-RESOURCES-MIB": ("RFC 2790", ("hostResourcesMibModule", "1.3.6.1.2.1.25.7.1")),
    "HOST-RESOURCES-TYPES": ("RFC 2790", ("hostResourcesTypesModule", "1.3.6.1.2.1.25.7.4")),
    "SNMP-FRAMEWORK-MIB": ("RFC 3411", ("snmpFrameworkMIB", "1.3.6.1.6.3.10")),
    "SNMP-VIEW-BASED-ACM-MIB": ("RFC 3415", ("snmpVacmMIB", "1.3.6.1.6.3.16")),
    "IP-MIB": ("RFC 4293", ("ipMIB", "1.3.6.1.2.1.48")),
}

# The registration tree of SNMPv2-SMI, for parents no module written holds.
SMI_NODES = {
    "1.3.6.1": "internet",
    "1.3.6.1.2.1": "mib-2",
    "1.3.6.1.2.1.10": "transmission",
    "1.3.6.1.4.1": "enterprises",
    "1.3.6.1.6.3": "snmpModules",
}
SMI_TYPES = {"Integer32", "Unsigned32", "Counter32", "Counter64", "Gauge32", "TimeTicks", "IpAddress", "Opaque"}

# Textual conventions: the module defining each, and for those of the
# modules written here their syntax and display hint.
SNMPV2_TC = {"DisplayString", "PhysAddress", "MacAddress", "TruthValue", "TestAndIncr", "AutonomousType",
             "VariablePointer", "RowPointer", "RowStatus", "TimeStamp", "TimeInterval", "DateAndTime",
             "StorageType", "TDomain", "TAddress"}
LOCAL_TC = {
    # "labels:X": an enumeration with the labels of the object X.
    "IANAifType": ("IANAifType-MIB", None, "labels:ifType"),
    "IpAddressOriginTC": ("IP-MIB", None, "labels:ipAddressOrigin"),
    "IpAddressStatusTC": ("IP-MIB", None, "labels:ipAddressStatus"),
    "IpAddressPrefixOriginTC": ("IP-MIB", None, "labels:ipAddressPrefixOrigin"),
    "Ipv6AddressIfIdentifierTC": ("IP-MIB", "2x:", "OCTET STRING (SIZE (0..8))"),
    "InterfaceIndex": ("IF-MIB", "d", "Integer32 (1..2147483647)"),
    "InterfaceIndexOrZero": ("IF-MIB", "d", "Integer32 (0..2147483647)"),
    "OwnerString": ("IF-MIB", "255a", "OCTET STRING (SIZE (0..255))"),
    "KBytes": ("HOST-RESOURCES-MIB", None, "Integer32 (0..2147483647)"),
    "ProductID": ("HOST-RESOURCES-MIB", None, "OBJECT IDENTIFIER"),
    "InternationalDisplayString": ("HOST-RESOURCES-MIB", None, "OCTET STRING"),
    "SnmpEngineID": ("SNMP-FRAMEWORK-MIB", None, "OCTET STRING (SIZE (5..32))"),
    "SnmpSecurityModel": ("SNMP-FRAMEWORK-MIB", None, "Integer32 (0..2147483647)"),
    "SnmpMessageProcessingModel": ("SNMP-FRAMEWORK-MIB", None, "Integer32 (0..2147483647)"),
    "SnmpSecurityLevel": ("SNMP-FRAMEWORK-MIB", None,
                          "INTEGER { noAuthNoPriv(1), authNoPriv(2), authPriv(3) }"),
    "SnmpAdminString": ("SNMP-FRAMEWORK-MIB", "255t", "OCTET STRING (SIZE (0..255))"),
}
# Conventions of the hand-written modules (names/mibs).
OTHER_TC = {tc: "INET-ADDRESS-MIB" for tc in (
    "InetAddressType", "InetAddress", "InetAddressPrefixLength", "InetZoneIndex", "InetVersion",
    "InetPortNumber", "InetScopeType")}
# Index ranges other than INDEX_RANGE.
RANGES = {"icmpMsgStatsType": "(0..255)"}
# Conventions the facts name that the defining module has not: the object's
# plain syntax stands.
NO_TC = {"SnmpEngineTime"}

# Access other than the default (read-only, or the module's below;
# not-accessible for a column that indexes its own row, tables and rows).
MODULE_ACCESS = {"SNMP-VIEW-BASED-ACM-MIB": "read-create"}
ACCESS = {
    "vacmContextName": "read-only", "vacmViewSpinLock": "read-write",
    "ipForwarding": "read-write", "ipDefaultTTL": "read-write", "ipv6IpForwarding": "read-write",
    "ipv6IpDefaultHopLimit": "read-write", "ipv4InterfaceEnableStatus": "read-write",
    "ipv6InterfaceEnableStatus": "read-write", "ipv6InterfaceForwarding": "read-write",
    "ipAddressSpinLock": "read-write", "ipv6RouterAdvertSpinLock": "read-write",
    "ipAddressIfIndex": "read-create", "ipAddressType": "read-create", "ipAddressStatus": "read-create",
    "ipAddressRowStatus": "read-create", "ipAddressStorageType": "read-create",
    "ipNetToPhysicalPhysAddress": "read-create", "ipNetToPhysicalType": "read-create",
    "ipNetToPhysicalRowStatus": "read-create", "ipNetToMediaPhysAddress": "read-create",
    "ipNetToMediaType": "read-create",
    "sysContact": "read-write", "sysName": "read-write", "sysLocation": "read-write",
    "snmpEnableAuthenTraps": "read-write", "snmpSetSerialNo": "read-write",
    "snmpTrapOID": "accessible-for-notify", "snmpTrapEnterprise": "accessible-for-notify",
    "ifIndex": "read-only", "ifAdminStatus": "read-write", "ifLinkUpDownTrapEnable": "read-write",
    "ifPromiscuousMode": "read-write", "ifAlias": "read-write", "ifStackStatus": "read-create",
    "ifTestId": "read-write", "ifTestStatus": "read-write", "ifTestType": "read-write",
    "ifTestOwner": "read-write", "ifRcvAddressStatus": "read-create", "ifRcvAddressType": "read-create",
    "hrSystemDate": "read-write", "hrSystemInitialLoadDevice": "read-write",
    "hrSystemInitialLoadParameters": "read-write", "hrStorageSize": "read-write",
    "hrFSLastFullBackupDate": "read-write", "hrFSLastPartialBackupDate": "read-write",
    "hrSWRunStatus": "read-write",
    "snmpEngineID": "read-only",
    "hrStorageIndex": "read-only", "hrDeviceIndex": "read-only", "hrPartitionIndex": "read-only",
    "hrFSIndex": "read-only", "hrSWRunIndex": "read-only", "hrSWInstalledIndex": "read-only",
}
INDEX_RANGE = "(1..2147483647)"  # an Integer32 index with no convention of its own


class Fact:
    def __init__(self, fields):
        self.oid, self.name, self.module, self.kind, self.type, self.tc, self.hint, labels, index = fields
        self.labels = [pair.split("=", 1) for pair in labels.split(",")] if labels else []
        self.index = index.split() if index else []


def ReadFacts(path):
    facts = []
    with open(path, encoding="utf-8") as lines:
        for line in lines:
            if line.startswith("#") or not line.strip():
                continue
            fields = line.rstrip("\n").split("\t")
            if len(fields) != 9:
                raise SystemExit(f"{path}: expected 9 fields: {line!r}")
            fact = Fact(fields)
            if fact.module in MODULES:
                facts.append(fact)
    for module, (_, (name, oid)) in MODULES.items():
        known = [f for f in facts if f.oid == oid and f.module == module]
        if known:
            known[0].name, known[0].kind = name, "identity"
        else:
            facts.append(Fact([oid, name, module, "identity", "", "", "", "", ""]))
    return facts


def Parent(oid):
    parent, arc = oid.rsplit(".", 1)
    return parent, arc


class Module:
    def __init__(self, name, facts, byOid, labelsOf, descriptions):
        self.name = name
        self.descriptions = descriptions  # MODULE::name -> our description
        self.rfc = MODULES[name][0]
        self.facts = [f for f in facts if f.module == name]
        self.byOid = byOid
        self.labelsOf = labelsOf
        self.imports = {}  # module -> set of names
        self.tcs = []

    def Import(self, module, name):
        if module != self.name:
            self.imports.setdefault(module, set()).add(name)

    def ParentName(self, oid):
        parent, arc = Parent(oid)
        if parent in self.byOid:
            fact = self.byOid[parent]
            self.Import(fact.module, fact.name)
            return f"{fact.name} {arc}"
        if parent in SMI_NODES:
            self.Import("SNMPv2-SMI", SMI_NODES[parent])
            return f"{SMI_NODES[parent]} {arc}"
        raise SystemExit(f"{self.name}: no name for the parent of {oid}")

    def Syntax(self, fact, inSequence=False):
        if fact.tc in NO_TC:
            fact.tc = ""
        if fact.tc in SNMPV2_TC:
            self.Import("SNMPv2-TC", fact.tc)
            return fact.tc
        if fact.tc in LOCAL_TC:
            self.Import(LOCAL_TC[fact.tc][0], fact.tc)
            return fact.tc
        if fact.tc in OTHER_TC:
            self.Import(OTHER_TC[fact.tc], fact.tc)
            return fact.tc
        if fact.tc:
            raise SystemExit(f"{self.name}: where is {fact.tc} of {fact.name} defined?")
        if fact.type in ("INTEGER", "BITS") and fact.labels:
            if inSequence:
                return fact.type
            named = ", ".join(f"{label}({value})" for value, label in fact.labels)
            return f"{fact.type} {{ {named} }}"
        base = "Integer32" if fact.type == "INTEGER" else fact.type
        if base in SMI_TYPES:
            self.Import("SNMPv2-SMI", base)
        if not inSequence and base == "Integer32" and self.IsOwnIndex(fact):
            return f"{base} {RANGES.get(fact.name, INDEX_RANGE)}"
        return base

    def RowOf(self, fact):
        return self.byOid.get(Parent(fact.oid)[0])

    def IsOwnIndex(self, fact):
        row = self.RowOf(fact)
        return fact.kind == "column" and row is not None and fact.name in [i.rstrip("*") for i in row.index]

    def Access(self, fact):
        if fact.name in ACCESS:
            return ACCESS[fact.name]
        if self.IsOwnIndex(fact):
            return "not-accessible"
        return MODULE_ACCESS.get(self.name, "read-only") if fact.kind == "column" else "read-only"

    def Describe(self, what):
        return f'"{what}; {self.rfc} gives its meaning."'

    # The object's description of our own where there is one, else what.
    def About(self, fact, what):
        text = self.descriptions.get(f"{fact.module}::{fact.name}")
        return f'"{text}"' if text else self.Describe(what)

    def Definitions(self):
        out = []
        for tc, (module, hint, syntax) in LOCAL_TC.items():
            if module != self.name:
                continue
            self.Import("SNMPv2-TC", "TEXTUAL-CONVENTION")
            if syntax.startswith("labels:"):
                labels = self.labelsOf(syntax[len("labels:"):])
                named = ",\n                     ".join(f"{label}({value})" for value, label in labels)
                syntax = f"INTEGER {{\n                     {named}\n                 }}"
            if syntax.startswith("Integer32"):
                self.Import("SNMPv2-SMI", "Integer32")
            out.append(f"{tc} ::= TEXTUAL-CONVENTION")
            if hint:
                out.append(f'    DISPLAY-HINT "{hint}"')
            out += ["    STATUS       current", f"    DESCRIPTION  {self.Describe('A textual convention of ' + self.name)}",
                    f"    SYNTAX       {syntax}", ""]
        # The module identity first, as SMIv2 wants it.
        facts = sorted(self.facts, key=lambda f: f.kind != "identity")
        return self.Definition(facts[0]) + out + [line for f in facts[1:] for line in self.Definition(f)]

    def Definition(self, fact):
        where = f"    ::= {{ {self.ParentName(fact.oid)} }}"
        if fact.kind == "identity":
            self.Import("SNMPv2-SMI", "MODULE-IDENTITY")
            return [f"{fact.name} MODULE-IDENTITY", f'    LAST-UPDATED "{REVISION}"',
                    '    ORGANIZATION "Hollbrae"', '    CONTACT-INFO "packages@hollbrae.example"',
                    f'    DESCRIPTION  "The names, OIDs, syntaxes and indexes of {self.name}, written for'
                    f' HB_Vexgrid from its built-in facts; {self.rfc} defines the module."',
                    f'    REVISION     "{REVISION}"', '    DESCRIPTION  "Written from the built-in facts."',
                    where, ""]
        if fact.kind == "node":
            return [f"{fact.name} OBJECT IDENTIFIER", where, ""]
        if fact.kind == "notification":
            self.Import("SNMPv2-SMI", "NOTIFICATION-TYPE")
            return [f"{fact.name} NOTIFICATION-TYPE", "    STATUS      current",
                    f"    DESCRIPTION {self.About(fact, 'A notification of ' + self.name)}", where, ""]
        self.Import("SNMPv2-SMI", "OBJECT-TYPE")
        lines = [f"{fact.name} OBJECT-TYPE"]
        entry = fact.name[0].upper() + fact.name[1:]
        if fact.kind == "table":
            row = [f for f in self.facts if Parent(f.oid)[0] == fact.oid and f.kind == "row"][0]
            lines += [f"    SYNTAX      SEQUENCE OF {row.name[0].upper() + row.name[1:]}",
                      "    MAX-ACCESS  not-accessible"]
        elif fact.kind == "row":
            lines += [f"    SYNTAX      {entry}", "    MAX-ACCESS  not-accessible"]
        else:
            lines += [f"    SYNTAX      {self.Syntax(fact)}", f"    MAX-ACCESS  {self.Access(fact)}"]
        lines += ["    STATUS      current", f"    DESCRIPTION {self.About(fact, 'The ' + fact.kind + ' ' + fact.name)}"]
        if fact.kind == "row":
            index = ", ".join("IMPLIED " + i[:-1] if i.endswith("*") else i for i in fact.index)
            for name in fact.index:
                other = [f for f in self.byOid.values() if f.name == name.rstrip("*")][0]
                self.Import(other.module, other.name)
            lines.append(f"    INDEX       {{ {index} }}")
        lines += [where, ""]
        if fact.kind == "row":
            columns = [f for f in self.facts if Parent(f.oid)[0] == fact.oid and f.kind == "column"]
            items = ",\n".join(f"    {c.name} {self.Syntax(c, inSequence=True)}" for c in columns)
            lines += [f"{entry} ::= SEQUENCE {{", items, "}", ""]
        return lines

    def Text(self):
        body = self.Definitions()
        order = ["SNMPv2-SMI", "SNMPv2-TC"] + sorted(m for m in self.imports if m not in ("SNMPv2-SMI", "SNMPv2-TC"))
        imports = []
        for module in order:
            if module in self.imports:
                names = sorted(self.imports[module], key=lambda n: (not n.isupper(), n))
                imports.append(f"    {', '.join(names)}\n        FROM {module}")
        head = [f"-- {self.name}: written by names/builtin/generate_mib_modules.py from the built-in",
                "-- facts (tests/data/names/mib-facts.tsv) so that vendor modules importing from it",
                f"-- can be read on a machine without MIB files. {self.rfc} defines the module.",
                f"{self.name} DEFINITIONS ::= BEGIN", "", "IMPORTS", "\n".join(imports) + ";", ""]
        return "\n".join(head + body + ["END", ""])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--facts", default=os.path.join(ROOT, "tests", "data", "names", "mib-facts.tsv"))
    parser.add_argument("--descriptions", default=os.path.join(HERE, "mib-descriptions.tsv"))
    parser.add_argument("--out", default=os.path.join(ROOT, "names", "mibs"))
    args = parser.parse_args()
    facts = ReadFacts(args.facts)
    descriptions = generate_mib_facts.ReadDescriptions(args.descriptions,
                                                       generate_mib_facts.ReadFacts(args.facts))
    byOid = {f.oid: f for f in facts}

    def labelsOf(name):
        return [f for f in facts if f.name == name][0].labels

    for name in MODULES:
        path = os.path.join(args.out, f"{name}.txt")
        with open(path, "w", encoding="utf-8") as out:
            out.write(Module(name, facts, byOid, labelsOf, descriptions).Text())
        print(f"wrote {os.path.relpath(path, ROOT)}")


if __name__ == "__main__":
    main()
