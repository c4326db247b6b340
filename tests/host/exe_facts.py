#!/usr/bin/env python3
"""Checks a built OCRKelvane.exe from the file alone, so that it is checked on
hosts that cannot run it: machine, subsystem, flags, imports and resources.
Usage: exe_facts.py KIND=EXE... with KIND i386 or x86-64."""
import re, struct, subprocess, sys

MACHINE = {"i386": 0x14C, "x86-64": 0x8664}
DLLS = {"gdi32.dll", "gdiplus.dll", "kernel32.dll", "msimg32.dll", "msvcrt.dll", "ole32.dll", "user32.dll"}
ZH_CN = 2052


def faults(kind, path):
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    machine, flags = struct.unpack_from("<H", data, pe + 4)[0], struct.unpack_from("<H", data, pe + 22)[0]
    opt = pe + 24
    subsystem_version = struct.unpack_from("<HH", data, opt + 48)
    subsystem = struct.unpack_from("<H", data, opt + 68)[0]
    yield None if machine == MACHINE[kind] else f"machine {machine:#x}"
    yield None if (subsystem, subsystem_version) == (2, (6, 0)) else f"subsystem {subsystem} {subsystem_version}"
    yield None if kind != "i386" or flags & 0x20 else "not large-address-aware"
    dump = subprocess.run(["objdump", "-p", path], capture_output=True, text=True, check=True).stdout
    extra = {d.lower() for d in re.findall(r"DLL Name: (\S+)", dump)} - DLLS
    yield f"imports {sorted(extra)}" if extra else None
    res = subprocess.run(["wrestool", "-l", path], capture_output=True, text=True, check=True).stdout
    found = set(re.findall(r"--type=(\d+) --name=(\d+) --language=(\d+)", res))
    for want in [("6", "7", ZH_CN), ("9", "109", ZH_CN), ("14", "107", ZH_CN), ("14", "108", ZH_CN), ("24", "1", 0)]:
        if tuple(map(str, want)) not in found:
            yield f"no resource type {want[0]} name {want[1]} language {want[2]}"
    yield from (f for f in resource_faults(path) if f)


def resource(path, rtype, name):
    return subprocess.run(["wrestool", "-x", "--raw", f"--type={rtype}", f"--name={name}", path],
                          capture_output=True, check=True).stdout


def resource_faults(path):
    block, strings = resource(path, 6, 7), []
    while block:  # block 7 holds strings 96 to 111, each counted in UTF-16 units
        n = struct.unpack_from("<H", block)[0]
        strings.append(block[2:2 + 2 * n].decode("utf-16-le"))
        block = block[2 + 2 * n:]
    yield None if strings[7:8] == strings[13:14] == ["OCRKelvane"] else f"strings 103/109 {strings}"
    for group in (107, 108):
        entries = resource(path, 14, group)[6:]
        images = sorted((w, h, bits) for w, h, _, _, _, bits, _, _ in
                        (struct.unpack_from("<BBBBHHIH", entries, i) for i in range(0, len(entries), 14)))
        yield None if images == [(32, 32, 4), (32, 32, 8)] else f"icon group {group}: {images}"
    accel = resource(path, 9, 109)
    keys = [struct.unpack_from("<HHHH", accel, i)[:3] for i in range(0, len(accel), 8)]
    yield None if [(f & 0x7F, k, c) for f, k, c in keys] == [(0x10, ord("?"), 104), (0x10, ord("/"), 104)] else f"accelerators {keys}"
    manifest = resource(path, 24, 1).decode()
    yield None if 'level="asInvoker" uiAccess="false"' in manifest and "dpiAware" not in manifest else "manifest"


exes = [arg.split("=", 1) for arg in sys.argv[1:]]
bad = [f"{exe}: {fault}" for kind, exe in exes for fault in faults(kind, exe) if fault]
print("\n".join(bad) or "\n".join(f"{exe}: every fact of an {kind} build holds" for kind, exe in exes))
sys.exit(1 if bad else 0)
