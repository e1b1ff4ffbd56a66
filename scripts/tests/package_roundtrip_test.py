#!/usr/bin/env python3
"""Records the sample installer with -package, builds the installer source
with wixl, installs the package with msiexec in a fresh Wine prefix while
recording again, and checks that the second recording finds what the first
packaged; then records a Windows Installer package and checks that its
bookkeeping stays out of the installer source. Writes the cases as test
results.

    package_roundtrip_test.py <wine> <quillborne.com> <quill_sample_installer.exe> <results xml>

wixl 0.101 stores no text outside ASCII (names and values come out empty)
and writes no REG_MULTI_SZ, REG_EXPAND_SZ or REG_BINARY from the WiX v3
elements the source uses. So the source is built from a copy that holds
placeholders there, and msibuild then sets the Directory, File and Registry
rows as Windows Installer wants them, in a UTF-8 database: every type and
name is checked, not only the ones wixl can carry.
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1]))
from test_results import write_results  # noqa: E402
from wine_paths import windows_path  # noqa: E402

WIX = "{http://schemas.microsoft.com/wix/2006/wi}"
SHAPE = ["-roots", "HKCU", "-paths", r'"C:\Program Files"*"C:\ProgramData\Microsoft\Windows\Start Menu"',
         "-no-watch", "-hash", "md5"]
TIMEOUT_SECONDS = 300
# What Windows Installer records of any package it installs.
COMMON_PROGRAMS = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\"
INSTALLER_KEYS = ("\\Software\\Microsoft\\Installer\\", "\\Software\\Classes\\Installer\\",
                  "\\Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\",
                  "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{")


def run(command, prefix):
    environment = dict(os.environ, WINEPREFIX=str(prefix))
    done = subprocess.run(command, env=environment, capture_output=True, timeout=TIMEOUT_SECONDS)
    return done.returncode, (done.stdout + done.stderr).decode(errors="replace")


def fresh_prefix(folder, wine):
    prefix = Path(folder)
    code, shown = run([wine, "wineboot", "-i"], prefix)
    if code != 0:
        raise RuntimeError("wineboot: " + shown)
    return prefix


def ascii_only(text):
    return all(ord(c) < 128 for c in text)


def msi_value(value):
    """The Registry table's Value for a RegistryValue element, as Windows
    Installer reads it."""
    kind = value.get("Type")
    text = value.get("Value", "")
    if kind == "integer":
        return "#" + text
    if kind == "expandable":
        return "#%" + text
    if kind == "binary":
        return "#x" + text
    if kind == "multiString":
        return "[~]".join(item.text or "" for item in value.findall(WIX + "MultiStringValue"))
    return "#" + text if text.startswith("#") else text


def sql_text(text):
    if "'" in text:
        raise ValueError("a quote in " + text)
    return "'" + text + "'"


def build_package(folder):
    """Builds folder/Package.wxs into folder/package.msi; returns the rows
    set after wixl."""
    tree = ElementTree.parse(folder / "Package.wxs")
    updates = []
    for element in tree.iter():
        tag = element.tag[len(WIX):]
        if tag == "Directory" and element.get("Name") and not ascii_only(element.get("Name")):
            updates.append("UPDATE `Directory` SET `DefaultDir`=%s WHERE `Directory`='%s'"
                           % (sql_text(element.get("Name")), element.get("Id")))
            element.set("Name", "QB" + element.get("Id"))
        elif tag == "File" and not ascii_only(element.get("Name")):
            updates.append("UPDATE `File` SET `FileName`=%s WHERE `File`='%s'"
                           % (sql_text(element.get("Name")), element.get("Id")))
            element.set("Name", "QB" + element.get("Id"))
        elif tag == "RegistryValue":
            name = element.get("Name", "")
            updates.append("UPDATE `Registry` SET `Name`=%s, `Value`=%s WHERE `Registry`='%s'"
                           % (sql_text(name), sql_text(msi_value(element)), element.get("Id")))
            for child in list(element):
                element.remove(child)
            element.set("Type", "string")
            element.set("Value", "QB" + element.get("Id"))
            if name:
                element.set("Name", "QB" + element.get("Id"))
        elif tag == "RegistryKey" and element.get("Action"):
            del element.attrib["Action"]
    ElementTree.register_namespace("", WIX[1:-1])
    tree.write(folder / "wixl.wxs", encoding="utf-8", xml_declaration=True)
    subprocess.run(["wixl", "-a", "x64", "-o", "package.msi", "wixl.wxs"], cwd=folder, check=True,
                   capture_output=True)
    (folder / "_ForceCodepage.idt").write_text("\n\n65001\t_ForceCodepage\n")
    subprocess.run(["msibuild", "package.msi", "-i", "_ForceCodepage.idt"], cwd=folder, check=True)
    for update in updates:
        subprocess.run(["msibuild", "package.msi", "-q", update], cwd=folder, check=True)


def changes(result):
    """The included created and modified values and files of a JSON result,
    by name, with what they hold."""
    values = {}
    for value in result["registry"]["values"]:
        if value["included"] and value["change"] in ("created", "modified"):
            values[value["root"] + value["key"] + value["name"]] = value["new"]
    files = {}
    for entry in result["fileScan"]["entries"]:
        if entry["included"] and entry["change"] in ("created", "modified") and not entry["directory"]:
            files[entry["path"]] = entry["new"]["digest"]
    return values, files


def installers_own(name):
    return any(key in name for key in INSTALLER_KEYS)


def main():
    wine, console, installer, xml = sys.argv[1:5]
    results = []
    with tempfile.TemporaryDirectory() as folder:
        folder = Path(folder)
        first = fresh_prefix(folder / "first", wine)
        second = fresh_prefix(folder / "second", wine)
        package = folder / "package"
        code, shown = run([wine, console, "-record"] + SHAPE + [
            "-package", windows_path(package), "-json", windows_path(folder / "recorded.json"),
            "-report", windows_path(folder / "recorded.html"), "--", windows_path(installer)], first)
        if code != 1:
            return write_results(xml, "PackageRoundTrip", [("TheSampleIsPackaged", False, shown)])
        build_package(package)
        # Wine's Windows Installer puts ProgramMenuFolder in the user's start
        # menu even for a package installed for all users, as Windows does
        # not: that start menu is recorded too, and counts as the common one.
        user_programs = "C:\\users\\%s\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\" % (
            os.environ.get("USER") or "root")
        shape = SHAPE[:3] + [SHAPE[3] + '*"' + user_programs.rstrip("\\") + '"'] + SHAPE[4:]
        code, shown = run([wine, console, "-record"] + shape + [
            "-json", windows_path(folder / "installed.json"), "-report", windows_path(folder / "installed.html"),
            "--", "msiexec", "/i", windows_path(package / "package.msi"), "/qn"], second)
        recorded = json.loads((folder / "recorded.json").read_text(encoding="utf-8"))
        installed = json.loads((folder / "installed.json").read_text(encoding="utf-8"))
        not_packaged = recorded["package"]["notPackaged"]
        packaged_values, packaged_files = changes(recorded)
        packaged_values = {name: data for name, data in packaged_values.items()
                           if not any(line.startswith(name + " (") for line in not_packaged)}
        installed_values, installed_files = changes(installed)
        installed_files = {COMMON_PROGRAMS + path[len(user_programs):] if path.lower().startswith(
            user_programs.lower()) else path: digest for path, digest in installed_files.items()}
        missing_values = [name for name, data in packaged_values.items() if installed_values.get(name) != data]
        missing_files = [path for path, digest in packaged_files.items() if installed_files.get(path) != digest]
        extra = [name for name in list(installed_values) + list(installed_files)
                 if name not in packaged_values and name not in packaged_files and not installers_own(name)]
        summary = "msiexec exit %s; packaged %d values, %d files; reproduced %d values, %d files" % (
            code, len(packaged_values), len(packaged_files), len(packaged_values) - len(missing_values),
            len(packaged_files) - len(missing_files))
        print(summary)
        results.append(("EveryPackagedValueIsInstalledWithItsTypeAndData", code == 1 and not missing_values,
                        summary + "; not reproduced: %s" % missing_values))
        results.append(("EveryPackagedFileIsInstalledWithItsDigest", code == 1 and not missing_files,
                        summary + "; not reproduced: %s" % missing_files))
        results.append(("NothingElseButWindowsInstallersRecordsIsInstalled", not extra, "extra: %s" % extra))

        # The recorded program is itself a Windows Installer package: what
        # Windows Installer records of it stays out of the new package.
        again = folder / "again"
        code, shown = run([wine, console, "-record", "-roots", "HKCU,HKLM", "-paths", r"C:\Program Files",
                           "-no-watch", "-package", windows_path(again), "--", "msiexec", "/i",
                           windows_path(package / "package.msi"), "/qn"], first)
        source = (again / "Package.wxs").read_text(encoding="utf-8") if (again / "Package.wxs").exists() else ""
        bookkeeping = [key for key in ("Installer\\Products", "Installer\\UserData", "Uninstall\\[\\{]")
                       if key in source]
        results.append(("AnInstallerPackagesBookkeepingStaysOut",
                        code in (0, 1, 2) and source != "" and not bookkeeping,
                        "exit %s, found %s; %s" % (code, bookkeeping, shown[-2000:])))
    return write_results(xml, "PackageRoundTrip", results)


if __name__ == "__main__":
    sys.exit(main())
