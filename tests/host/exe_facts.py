#!/usr/bin/env python3
"""Checks built OCRKelvane.exe files from the files alone, also on hosts that cannot run them:
machine, subsystem, flags, imports and resources. Usage: exe_facts.py KIND=EXE... (KIND i386 or x86-64)."""
import re, struct, subprocess, sys

MACHINE = {"i386": 0x14C, "x86-64": 0x8664}
DLLS = {"gdi32.dll", "gdiplus.dll", "kernel32.dll", "msimg32.dll", "msvcrt.dll", "ole32.dll", "user32.dll"}
# (type, name, language): strings 96-111, accelerators, icon groups, manifest.
RESOURCES = {("6", "7", "2052"), ("9", "109", "2052"), ("14", "107", "2052"), ("14", "108", "2052"), ("24", "1", "0")}


def faults(kind, path):
    run = lambda *args: subprocess.run(args, capture_output=True, check=True).stdout
    resource = lambda rtype, name: run("wrestool", "-x", "--raw", f"--type={rtype}", f"--name={name}", path)
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    machine, flags = struct.unpack_from("<H", data, pe + 4)[0], struct.unpack_from("<H", data, pe + 22)[0]
    subsystem = struct.unpack_from("<HH", data, pe + 72), struct.unpack_from("<H", data, pe + 92)[0]
    yield None if machine == MACHINE[kind] else f"machine {machine:#x}"
    yield None if subsystem == ((6, 0), 2) else f"subsystem {subsystem}"
    yield None if kind != "i386" or flags & 0x20 else "not large-address-aware"
    extra = {d.lower() for d in re.findall(r"DLL Name: (\S+)", run("objdump", "-p", path).decode())} - DLLS
    yield f"imports {sorted(extra)}" if extra else None
    found = set(re.findall(r"--type=(\d+) --name=(\d+) --language=(\d+)", run("wrestool", "-l", path).decode()))
    yield None if RESOURCES <= found else f"resources missing: {sorted(RESOURCES - found)}"
    block, strings = resource(6, 7), []
    while block:  # each string counted in UTF-16 units
        n = struct.unpack_from("<H", block)[0]
        strings, block = strings + [block[2:2 + 2 * n].decode("utf-16-le")], block[2 + 2 * n:]
    yield None if strings[7:8] == strings[13:14] == ["OCRKelvane"] else f"strings 103/109 {strings}"
    for group in (107, 108):
        e = resource(14, group)[6:]
        images = sorted(struct.unpack_from("<BBxxxxH", e, i) for i in range(0, len(e), 14))
        yield None if images == [(32, 32, 4), (32, 32, 8)] else f"icon group {group}: {images}"
    a = resource(9, 109)
    keys = [(f & 0x7F, k, c) for f, k, c, _ in (struct.unpack_from("<HHHH", a, i) for i in range(0, len(a), 8))]
    yield None if keys == [(0x10, ord("?"), 104), (0x10, ord("/"), 104)] else f"accelerators {keys}"
    manifest = resource(24, 1).decode()
    yield None if 'level="asInvoker" uiAccess="false"' in manifest and "dpiAware" not in manifest else "manifest"


exes = [arg.split("=", 1) for arg in sys.argv[1:]]
bad = [f"{exe}: {fault}" for kind, exe in exes for fault in faults(kind, exe) if fault]
print("\n".join(bad) or "\n".join(f"{exe}: every fact of an {kind} build holds" for kind, exe in exes))
sys.exit(1 if bad else 0)
