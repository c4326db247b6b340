#!/usr/bin/env python3
"""Checks OCRKelvane.exe files, also where they cannot run. Usage: exe_facts.py --version X.Y.Z KIND=EXE... (i386, x86-64)"""
import re, struct, subprocess, sys
import xml.etree.ElementTree as ET

MACHINE = {"i386": 0x14C, "x86-64": 0x8664}
# Known DLLs only, which the loader never takes from the exe's folder: GDI+ and OLE are loaded by name at export.
DLLS = {"gdi32.dll", "kernel32.dll", "msvcrt.dll", "user32.dll"}
TITLE = struct.pack("<H", 10) + "OCRKelvane".encode("utf-16-le")
STRINGS = b"\0\0" * 7 + TITLE + b"\0\0" * 5 + TITLE + b"\0\0" * 2  # block 7: strings 96-111, 103 and 109 set


def faults(kind, path):
    run = lambda *args: subprocess.run(args, capture_output=True, check=True).stdout
    # Each resource in its language: Chinese (PRC) but the manifest, which is neutral.
    res = lambda t, n, lang=2052: run("wrestool", "-x", "--raw", f"-t{t}", f"-n{n}", f"-L{lang}", path)
    data = open(path, "rb").read()
    # From the COFF header: machine and characteristics; from the optional header: subsystem version and subsystem.
    machine, flags, *subsystem = struct.unpack_from("<4xH16xH48xHH16xH", data, pe := struct.unpack_from("<I", data, 0x3C)[0])
    yield None if machine == MACHINE[kind] else f"machine {machine:#x}"
    yield None if subsystem == [6, 0, 2] else f"subsystem {subsystem}"
    yield None if kind != "i386" or flags & 0x20 else "not large-address-aware"
    # Stripped: no COFF symbol table and no debug sections.
    symbols, debug = struct.unpack_from("<II", data, pe + 12), re.findall(rb" (\.debug\w*|/\d+) ", run("objdump", "-h", path))
    yield None if symbols == (0, 0) and not debug else f"not stripped: symbols {symbols}, sections {debug}"
    dump = run("objdump", "-p", path).decode()
    extra = {d.lower() for d in re.findall(r"DLL Name: (\S+)", dump)} - DLLS
    yield f"imports {sorted(extra)}" if extra else None
    # ASLR and DEP, and on x64 ASLR over the whole address space.
    dll = int(re.search(r"DllCharacteristics\s+([0-9a-f]+)", dump).group(1), 16)
    yield None if dll & 0x140 == 0x140 and (kind == "i386" or dll & 0x20) else f"DllCharacteristics {dll:#x}"
    yield None if res(6, 7) == STRINGS else "strings 103 and 109"
    # The icon groups and accelerators as the resource script gives them: there, in their language.
    yield from (None if res(t, n) else f"no resource {t}/{n}" for t, n in ((14, 107), (14, 108), (9, 109)))
    yield from manifest_faults(ET.fromstring(res(24, 1, 0)))
    # The version resource as CMake numbers it: VS_FIXEDFILEINFO's file and product versions, both strings, translation.
    ver, (a, b, c) = res(16, 1), map(int, VERSION.split("."))
    seen = struct.unpack_from("<8H", ver, 48), ver.count(f"{VERSION}\0".encode("utf-16-le")), ver[-4:]
    yield None if seen == ((b, a, 0, c) * 2, 2, struct.pack("<HH", 0x804, 1200)) else f"version {seen}, not {VERSION}"


def manifest_faults(root):
    # asInvoker, and per-monitor DPI awareness: version 2, else 1, for Windows 10; "true/pm" for 8.1.
    find = lambda ns, tag: [e.text for e in root.iter(f"{{http://schemas.microsoft.com/SMI/{ns}/WindowsSettings}}{tag}")]
    level = [e.attrib for e in root.iter("{urn:schemas-microsoft-com:asm.v3}requestedExecutionLevel")]
    yield None if level == [{"level": "asInvoker", "uiAccess": "false"}] else f"execution level {level}"
    yield None if find(2016, "dpiAwareness") == ["PerMonitorV2, PerMonitor"] else "dpiAwareness"
    yield None if find(2005, "dpiAware") == ["true/pm"] else "dpiAware"


VERSION, exes = sys.argv[2], [arg.split("=", 1) for arg in sys.argv[3:]]  # after --version
bad = [f"{exe}: {fault}" for kind, exe in exes for fault in faults(kind, exe) if fault]
sys.exit("\n".join(bad) or print("\n".join(f"{exe}: {kind} build {VERSION}, every fact holds" for kind, exe in exes)))
