#!/usr/bin/env python3
"""Builds the Debian package with scripts/package, unpacks it into a scratch
root with dpkg -x and checks it as a desktop and a packager would: the file
list, the control fields, the desktop entry, the AppStream file, the manual
page, the MIME type, and that the installed program answers --version.

Every failed check is reported; the exit status is 1 when any failed.
"""

import argparse
import gzip
import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

APP_ID = "example.hollbrae.HB_Vexgrid"
MIME_TYPE = "application/x-vexgrid+xml"
PACKAGE = "hb-vexgrid"

# Every regular file of the package, and why it is there. A file missing here
# or one the package holds beyond these (a library or a test program an
# install rule let in) fails the check.
EXPECTED_FILES = [
    ("usr/bin/HB_Vexgrid", "the program, on every user's PATH"),
    ("usr/libexec/hb-vexgrid/hb-vexgrid-mibread", "reads the MIB modules in a child process"),
    (f"usr/share/applications/{APP_ID}.desktop", "the desktop menu entry"),
    (f"usr/share/metainfo/{APP_ID}.metainfo.xml", "software centres read the AppStream file"),
    ("usr/share/mime/packages/hb-vexgrid.xml", "gives vexgrid files their own MIME type"),
    (f"usr/share/icons/hicolor/scalable/apps/{APP_ID}.svg", "the icon at any size"),
    (f"usr/share/icons/hicolor/48x48/apps/{APP_ID}.png", "menus that take no SVG"),
    (f"usr/share/icons/hicolor/128x128/apps/{APP_ID}.png", "software centres"),
    (f"usr/share/icons/hicolor/256x256/apps/{APP_ID}.png", "large launcher grids"),
    ("usr/share/man/man1/HB_Vexgrid.1.gz", "man HB_Vexgrid"),
    ("usr/share/doc/hb-vexgrid/changelog.gz", "every Debian package has a changelog"),
    ("usr/share/doc/hb-vexgrid/copyright", "every Debian package states its licence"),
] + [
    (f"usr/share/hb-vexgrid/mibs/{module}.txt", "MIB imports for a machine without MIB files")
    for module in ("SNMPv2-SMI", "SNMPv2-TC", "SNMPv2-CONF", "RFC1155-SMI", "RFC-1212", "RFC-1215",
                   "SNMPv2-MIB", "IANAifType-MIB", "IF-MIB", "HOST-RESOURCES-MIB", "HOST-RESOURCES-TYPES",
                   "INET-ADDRESS-MIB", "HCNUM-TC", "SNMP-FRAMEWORK-MIB", "SNMP-VIEW-BASED-ACM-MIB", "IP-MIB")
]

# Everything the command line takes; the manual page names each.
COMMAND_LINE_WORDS = ["/XML", "/HOST", "/COMMUNITY", "/PROGRAMTITLE", "/WIDTH", "/HEIGHT",
                      "/EXPORT", "--help", "--version"]

# The program must exit after --version on its own; a program that ignores the
# option starts its window instead and is stopped after this many seconds.
VERSION_TIMEOUT_SECONDS = 30


class Checks:
    def __init__(self):
        self.failures = []

    def expect(self, condition, message):
        if not condition:
            self.failures.append(message)
        return condition


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, **kwargs)


def build_package(script, out_dir):
    if out_dir.exists():
        shutil.rmtree(out_dir)
    result = subprocess.run([str(script), "--output", str(out_dir)])
    if result.returncode != 0:
        sys.exit(f"FAIL: {script} ended with status {result.returncode}")
    debs = sorted(out_dir.glob(f"{PACKAGE}_*.deb"))
    if len(debs) != 1:
        sys.exit(f"FAIL: {script} left {len(debs)} packages in {out_dir}, expected one")
    return debs[0]


def check_control(checks, deb, version):
    checks.expect(deb.name == f"{PACKAGE}_{version}_amd64.deb",
                  f"package file is {deb.name}, expected {PACKAGE}_{version}_amd64.deb")
    fields = {}
    for name in ("Package", "Version", "Architecture", "Section", "Maintainer", "Depends"):
        fields[name] = run(["dpkg-deb", "--field", str(deb), name]).stdout.strip()
    wanted = [("Package", PACKAGE), ("Version", version), ("Architecture", "amd64"),
              ("Section", "net")]
    for name, value in wanted:
        checks.expect(fields[name] == value, f"control field {name} is '{fields[name]}', expected '{value}'")
    checks.expect(fields["Maintainer"].startswith("Hollbrae <"),
                  f"control field Maintainer is '{fields['Maintainer']}'")
    # Dependencies computed from the program's libraries, plus the window
    # system plugins no library names.
    depends = fields["Depends"]
    for needed in ("libqt6widgets6", "libc6", "qt6-qpa-plugins"):
        checks.expect(re.search(rf"(^|[ ,]){re.escape(needed)}\b", depends) is not None,
                      f"Depends lacks {needed}: '{depends}'")


def check_file_list(checks, root):
    found = {str(p.relative_to(root)) for p in root.rglob("*") if p.is_file() or p.is_symlink()}
    for path, why in EXPECTED_FILES:
        checks.expect(path in found, f"missing {path} ({why})")
    extra = sorted(found - {path for path, _ in EXPECTED_FILES})
    checks.expect(not extra, f"unexpected files in the package: {extra}")


def check_program(checks, root, version):
    program = root / "usr/bin/HB_Vexgrid"
    if not program.exists():
        return
    checks.expect(os.access(program, os.X_OK), "usr/bin/HB_Vexgrid is not executable")
    sections = run(["readelf", "-S", "-W", str(program)]).stdout
    checks.expect(".symtab" not in sections, "usr/bin/HB_Vexgrid is not stripped")
    reader = root / "usr/libexec/hb-vexgrid/hb-vexgrid-mibread"
    if reader.exists():
        checks.expect(os.access(reader, os.X_OK), f"{reader.name} is not executable")
        sections = run(["readelf", "-S", "-W", str(reader)]).stdout
        checks.expect(".symtab" not in sections, f"{reader.name} is not stripped")
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    try:
        result = run([str(program), "--version"], env=env, timeout=VERSION_TIMEOUT_SECONDS)
    except subprocess.TimeoutExpired:
        checks.expect(False, f"HB_Vexgrid --version did not exit within {VERSION_TIMEOUT_SECONDS} s")
        return
    first_line = result.stdout.splitlines()[0] if result.stdout else ""
    checks.expect(result.returncode == 0, f"HB_Vexgrid --version exited with {result.returncode}")
    checks.expect(first_line == f"HB_Vexgrid {version}",
                  f"HB_Vexgrid --version printed '{first_line}', expected 'HB_Vexgrid {version}'")


def desktop_entry(path):
    entry = {}
    for line in path.read_text(encoding="utf-8").splitlines():
        if "=" in line and not line.startswith("#"):
            key, value = line.split("=", 1)
            entry[key.strip()] = value.strip()
    return entry


def check_desktop_entry(checks, root):
    path = root / f"usr/share/applications/{APP_ID}.desktop"
    if not path.exists():
        return
    result = run(["desktop-file-validate", str(path)])
    checks.expect(result.returncode == 0 and not result.stdout.strip(),
                  f"desktop-file-validate: {result.stdout.strip()} {result.stderr.strip()}")
    entry = desktop_entry(path)
    exec_line = entry.get("Exec", "").split()
    # "Open with" hands the file over through %f; the command must be the
    # installed program.
    checks.expect(exec_line[:1] == ["HB_Vexgrid"] and "%f" in exec_line,
                  f"Exec is '{entry.get('Exec')}', expected HB_Vexgrid with %f")
    checks.expect(MIME_TYPE in entry.get("MimeType", "").split(";"),
                  f"MimeType '{entry.get('MimeType')}' lacks {MIME_TYPE}")
    icon = entry.get("Icon", "")
    icons = list((root / "usr/share/icons/hicolor").glob(f"*/apps/{icon}.*"))
    checks.expect(len(icons) == 4, f"Icon '{icon}' names {len(icons)} installed icons, expected 4")


def check_appstream(checks, root, version):
    path = root / f"usr/share/metainfo/{APP_ID}.metainfo.xml"
    if not path.exists():
        return
    result = run(["appstreamcli", "validate", "--no-net", str(path)])
    checks.expect(result.returncode == 0, f"appstreamcli validate: {result.stdout.strip()}")
    text = path.read_text(encoding="utf-8")
    checks.expect(f'<launchable type="desktop-id">{APP_ID}.desktop</launchable>' in text,
                  "the AppStream launchable does not name the installed desktop entry")
    checks.expect(f'<release version="{version}"' in text,
                  f"the AppStream file has no release {version}")
    checks.expect("<project_license>MIT</project_license>" in text,
                  "the AppStream file does not give the MIT licence")


def check_manual_page(checks, root):
    path = root / "usr/share/man/man1/HB_Vexgrid.1.gz"
    if not path.exists():
        return
    env = dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="80", MAN_KEEP_FORMATTING="")
    result = run(["man", "--warnings", "-l", str(path)], env=env)
    checks.expect(result.returncode == 0 and not result.stderr.strip(),
                  f"man --warnings: {result.stderr.strip()}")
    # The rendered page joins hyphenated words at line ends differently; look
    # for each word in the page with hyphenation undone.
    page = re.sub(r"\u2010\n\s*", "", result.stdout)
    for word in COMMAND_LINE_WORDS:
        checks.expect(word in page, f"the manual page does not mention {word}")


def check_mime(checks, root, scratch):
    source = root / "usr/share/mime/packages/hb-vexgrid.xml"
    if not source.exists():
        return
    result = run(["xmllint", "--noout", str(source)])
    checks.expect(result.returncode == 0, f"xmllint: {result.stderr.strip()}")
    database = scratch / "mime"
    (database / "packages").mkdir(parents=True)
    shutil.copy(source, database / "packages")
    result = run(["update-mime-database", str(database)])
    checks.expect(result.returncode == 0, f"update-mime-database: {result.stderr.strip()}")
    namespaces = (database / "XMLnamespaces").read_text() if (database / "XMLnamespaces").exists() else ""
    checks.expect(f" vexgrid {MIME_TYPE}" in namespaces.splitlines(),
                  f"no root-XML rule for vexgrid in no namespace: '{namespaces.strip()}'")
    globs = (database / "globs2").read_text() if (database / "globs2").exists() else ""
    checks.expect(re.search(rf"^\d+:{re.escape(MIME_TYPE)}:\*\.vexgrid\.xml$", globs, re.M) is not None,
                  "no *.vexgrid.xml glob in the MIME database")
    checks.expect(re.search(r":\*\.xml$", globs, re.M) is None,
                  "the MIME type claims every *.xml file")
    types = (database / "subclasses").read_text() if (database / "subclasses").exists() else ""
    checks.expect(f"{MIME_TYPE} application/xml" in types.splitlines(),
                  "vexgrid files are not a kind of application/xml")


def check_debian_docs(checks, root, version, license_file):
    changelog = root / "usr/share/doc/hb-vexgrid/changelog.gz"
    if changelog.exists():
        first = gzip.decompress(changelog.read_bytes()).decode("utf-8").splitlines()[0]
        checks.expect(first.startswith(f"{PACKAGE} ({version})"),
                      f"the changelog's latest entry is '{first}', expected version {version}")
    copyright_file = root / "usr/share/doc/hb-vexgrid/copyright"
    if copyright_file.exists():
        text = copyright_file.read_text(encoding="utf-8")
        checks.expect(text.startswith("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"),
                      "the copyright file is not in the machine-readable format")
        # The licence text in the package is the one in the repository.
        words = lambda s: " ".join(s.replace("\n .\n", "\n").split())
        grant = license_file.read_text(encoding="utf-8").split("\n\n", 2)[2]
        checks.expect(words(grant) in words(text),
                      "the copyright file's licence text differs from LICENSE")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--package-script", type=Path, required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--license", type=Path, required=True)
    parser.add_argument("--work", type=Path, required=True)
    args = parser.parse_args()

    deb = build_package(args.package_script, args.work / "deb")
    root = args.work / "root"
    scratch = args.work / "scratch"
    for folder in (root, scratch):
        if folder.exists():
            shutil.rmtree(folder)
        folder.mkdir(parents=True)
    result = run(["dpkg", "-x", str(deb), str(root)])
    if result.returncode != 0:
        sys.exit(f"FAIL: dpkg -x {deb}: {result.stderr.strip()}")

    checks = Checks()
    check_control(checks, deb, args.version)
    check_file_list(checks, root)
    check_desktop_entry(checks, root)
    check_appstream(checks, root, args.version)
    check_manual_page(checks, root)
    check_mime(checks, root, scratch)
    check_debian_docs(checks, root, args.version, args.license)
    check_program(checks, root, args.version)

    for failure in checks.failures:
        print(f"FAIL: {failure}")
    if checks.failures:
        return 1
    print(f"{deb.name}: every check passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
