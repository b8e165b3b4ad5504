#!/usr/bin/env python3
"""Extracts the facts of MIB modules into the reference file of the built-in
name table: one line per object with its OID, name, module, kind, SMI type,
textual convention, display hint, enumeration labels and INDEX.

Module files are parsed by libsmi's smidump; a module written "pysnmp:NAME"
is read instead from its compiled form in pysnmp's MIB collection (Debian's
python3-pysnmp4 and python3-pysnmp4-mibs; run with /usr/bin/python3 then).
The module files themselves stay outside the repository. Usage:

  extract_mib_facts.py --path DIR[:DIR...] --out tests/data/names/mib-facts.tsv MODULE...

The first module to name an OID keeps it.

The reference was made from names/builtin/mib-fact-modules.txt with
  /usr/bin/python3 names/builtin/extract_mib_facts.py \
      --path MODULES:tests/names/stubs:/usr/share/snmp/mibs \
      --out tests/data/names/mib-facts.tsv $(cat names/builtin/mib-fact-modules.txt)
where MODULES held SNMPv2-SMI, SNMPv2-TC, SNMPv2-CONF, SNMPv2-MIB, IF-MIB and
IANAifType-MIB as published (here: the lib/mibs folder of the npm package
net-snmp), /usr/share/snmp/mibs is Debian's libsnmp-base, and tests/names/stubs
has the textual conventions the UCD and NET-SNMP modules import. Then
names/builtin/generate_mib_facts.py writes names/builtin/ from the reference.
"""
import argparse
import ast
import os
import subprocess
import sys

# The application types of the SMI, kept by name when a type chain reaches them.
SMI_TYPES = {"Integer32", "Unsigned32", "Counter32", "Counter64", "Gauge32",
             "TimeTicks", "IpAddress", "Opaque"}
SMI_MODULES = {"", "SNMPv2-SMI", "RFC1155-SMI", "RFC1065-SMI"}
# libsmi's base types as smidump names them, as the SMI writes them.
BASE_NAMES = {"Integer32": "Integer32", "Unsigned32": "Unsigned32",
              "OctetString": "OCTET STRING", "ObjectIdentifier": "OBJECT IDENTIFIER",
              "Enumeration": "INTEGER", "Bits": "BITS", "Integer64": "Integer64",
              "Unsigned64": "Counter64"}
KINDS = ("node", "scalar", "table", "row", "column")

_dumps = {}


def Dump(module, env):
    """The smidump python form of a module as a dict, or None."""
    if module not in _dumps:
        run = subprocess.run(["smidump", "-k", "-q", "-f", "python", module],
                             env=env, capture_output=True, text=True)
        text = run.stdout
        start = text.find("MIB = ")
        _dumps[module] = ast.literal_eval(text[start + 6:]) if start >= 0 else None
    return _dumps[module]


def NamedNumbers(typedef):
    pairs = [(int(v["number"]), k) for k, v in typedef.items()
             if isinstance(v, dict) and v.get("nodetype") == "namednumber"]
    return ",".join(f"{n}={label}" for n, label in pairs)


def ResolveType(syntax_type, env):
    """(base type, textual convention, display hint, labels) of a syntax."""
    tc = hint = labels = ""
    current = syntax_type
    for _ in range(16):  # a type chain is short; the bound guards a cycle
        if not labels:
            labels = NamedNumbers(current)
        hint = hint or current.get("format", "")
        if "name" in current:
            module, name = current["module"], current["name"]
            if name in SMI_TYPES and module in SMI_MODULES:
                return name, tc, hint, labels
            dump = Dump(module, env) if module else None
            typedef = (dump or {}).get("typedefs", {}).get(name)
            if typedef is None:
                return BASE_NAMES.get(name, name), tc, hint, labels
            tc = tc or name
            current = typedef
            continue
        parent = current.get("parent module")
        if parent:
            current = {"module": parent["name"], "name": parent["type"],
                       **{k: v for k, v in current.items() if k == "format"}}
            continue
        return BASE_NAMES.get(current.get("basetype", ""), ""), tc, hint, labels
    return "", tc, hint, labels


def IndexOf(node, nodes, env):
    """The INDEX of a row as names, an IMPLIED last one marked with '*'."""
    linkage = node.get("linkage", [])
    names = []
    for item in linkage:
        if isinstance(item, str):
            names.append(item)
        elif isinstance(item, dict):
            for module, link in item.items():
                if link.get("indexkind") == "augments":
                    related = nodes.get(link["relatedNode"])
                    if related is None:
                        related = (Dump(module, env) or {}).get("nodes", {}).get(link["relatedNode"], {})
                    return IndexOf(related, nodes, env)
                names.append(link.get("relatedNode", module))
    if node.get("implied") == "true" and names:
        names[-1] = "*" + names[-1]
    return " ".join(names)


def Facts(module, env):
    dump = Dump(module, env)
    if dump is None:
        raise SystemExit(f"smidump could not read {module}")
    nodes = dump.get("nodes", {})
    rows = []
    for name, node in nodes.items():
        kind = node.get("nodetype")
        if kind not in KINDS or node.get("moduleName") != module:
            continue
        base = tc = hint = labels = ""
        if "syntax" in node and kind in ("scalar", "column"):
            base, tc, hint, labels = ResolveType(node["syntax"]["type"], env)
        index = IndexOf(node, nodes, env) if kind == "row" else ""
        rows.append((node["oid"], name, module, kind, base, tc, hint, labels, index))
    for name, node in dump.get("notifications", {}).items():
        rows.append((node["oid"], name, module, "notification", "", "", "", "", ""))
    return rows


# pysnmp's classes of the SMI types, as the SMI writes them.
PYSNMP_BASES = {"Integer32": "Integer32", "Integer": "Integer32", "Unsigned32": "Unsigned32",
                "Counter32": "Counter32", "Counter64": "Counter64", "Gauge32": "Gauge32",
                "TimeTicks": "TimeTicks", "IpAddress": "IpAddress", "Opaque": "Opaque",
                "OctetString": "OCTET STRING", "ObjectIdentifier": "OBJECT IDENTIFIER",
                "ObjectName": "OBJECT IDENTIFIER", "Bits": "BITS"}
PYSNMP_KINDS = {"MibIdentifier": "node", "ModuleIdentity": "node", "ObjectIdentity": "node",
                "MibScalar": "scalar", "MibTable": "table", "MibTableRow": "row",
                "MibTableColumn": "column", "NotificationType": "notification"}
_pysnmp_builder = None


def PysnmpBuilder():
    global _pysnmp_builder
    if _pysnmp_builder is None:
        from pysnmp.smi import builder  # only this way of reading needs pysnmp
        import pysnmp_mibs
        from pysnmp.proto import rfc1902
        # The compiled modules give BITS their labels through subtype(), which
        # the pyasn1 of Debian 12 refuses; the labels are kept on the object.
        plain_subtype = rfc1902.Bits.subtype

        def BitsSubtype(self, *args, **kwargs):
            named = kwargs.pop("namedValues", None)
            if named is not None:
                self = type(self).withNamedBits(**dict(named.items()))()
            return plain_subtype(self, *args, **kwargs)
        rfc1902.Bits.subtype = BitsSubtype
        _pysnmp_builder = builder.MibBuilder()
        _pysnmp_builder.addMibSources(builder.DirMibSource(os.path.dirname(pysnmp_mibs.__file__)))
    return _pysnmp_builder


def PysnmpType(syntax):
    base = tc = ""
    for cls in type(syntax).__mro__:
        if cls.__module__.startswith(("pysnmp.proto", "pyasn1")):
            base = PYSNMP_BASES.get(cls.__name__, "")
            if base:
                break
        elif not tc and cls.__name__ != "TextualConvention":
            tc = cls.__name__
    named = getattr(syntax, "namedValues", None)
    pairs = sorted((int(number), label) for label, number in named.items()) if named else []
    labels = ",".join(f"{number}={label}" for number, label in pairs)
    if labels and base == "Integer32":
        base = "INTEGER"
    return base, tc, getattr(syntax, "displayHint", "") or "", labels


def PysnmpFacts(module):
    mib = PysnmpBuilder()
    mib.loadModules(module)
    rows = []
    for name, symbol in mib.mibSymbols[module].items():
        kind = PYSNMP_KINDS.get(type(symbol).__name__)
        if kind is None or not hasattr(symbol, "getName"):
            continue
        base = tc = hint = labels = index = ""
        if kind in ("scalar", "column"):
            base, tc, hint, labels = PysnmpType(symbol.getSyntax())
        if kind == "row":
            parts = symbol.getIndexNames()
            index = " ".join(part[2] for part in parts)
            if parts and parts[-1][0]:
                index = index.rsplit(" ", 1)[0] + " *" + parts[-1][2] if " " in index else "*" + index
        oid = ".".join(str(part) for part in symbol.getName())
        rows.append((oid, name, module, kind, base, tc, hint, labels, index))
    return rows


def OidKey(oid):
    return [int(part) for part in oid.split(".")]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--path", required=True, help="folders with the module files, ':' separated")
    parser.add_argument("--out", required=True)
    parser.add_argument("modules", nargs="+")
    args = parser.parse_args()
    env = dict(os.environ, SMIPATH=args.path)
    facts = {}
    for module in args.modules:
        read = PysnmpFacts(module[7:]) if module.startswith("pysnmp:") else Facts(module, env)
        for row in read:
            facts.setdefault(row[0], row)  # the first module to name an OID keeps it
    # A node below a scalar or column names an instance (sysUpTimeInstance
    # is sysUpTime.0): the table names objects, their instances keep "name.suffix".
    kinds = {oid: row[3] for oid, row in facts.items()}
    for oid in [oid for oid in facts if kinds.get(oid.rsplit(".", 1)[0]) in ("scalar", "column")]:
        print(f"left out instance {facts[oid][1]} ({oid})", file=sys.stderr)
        del facts[oid]
    with open(args.out, "w", encoding="utf-8") as out:
        out.write("# oid\tname\tmodule\tkind\ttype\ttc\thint\tlabels\tindex\n")
        for oid in sorted(facts, key=OidKey):
            out.write("\t".join(facts[oid]) + "\n")
    counts = {}
    for row in facts.values():
        counts[row[2]] = counts.get(row[2], 0) + 1
    for module in args.modules:
        module = module.split(":")[-1]
        print(f"{module}\t{counts.get(module, 0)}", file=sys.stderr)
    print(f"total\t{len(facts)}", file=sys.stderr)


if __name__ == "__main__":
    main()
