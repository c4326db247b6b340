#!/usr/bin/env python3
"""Checks built OCRKelvane.exe files from the files alone, also on hosts that cannot run them:
machine, subsystem, flags, imports and resources. Usage: exe_facts.py KIND=EXE... (KIND i386 or x86-64)."""
import re, struct, subprocess, sys

MACHINE = {"i386": 0x14C, "x86-64": 0x8664}
# Known DLLs only, which the loader never takes from the exe's folder: GDI+ and OLE are loaded by name at export.
DLLS = {"gdi32.dll", "kernel32.dll", "msvcrt.dll", "user32.dll"}
TITLE = struct.pack("<H", 10) + "OCRKelvane".encode("utf-16-le")
STRINGS = b"\0\0" * 7 + TITLE + b"\0\0" * 5 + TITLE + b"\0\0" * 2  # block 7: strings 96-111, 103 and 109 set


def faults(kind, path):
    run = lambda *args: subprocess.run(args, capture_output=True, check=True).stdout
    # Each resource in its language: Chinese (PRC) but the manifest, which is neutral.
    res = lambda t, n, lang=2052: run("wrestool", "-x", "--raw", f"--type={t}", f"--name={n}", f"--language={lang}",
                                      path)
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    machine, flags = struct.unpack_from("<H", data, pe + 4)[0], struct.unpack_from("<H", data, pe + 22)[0]
    subsystem = struct.unpack_from("<HH", data, pe + 72), struct.unpack_from("<H", data, pe + 92)[0]
    yield None if machine == MACHINE[kind] else f"machine {machine:#x}"
    yield None if subsystem == ((6, 0), 2) else f"subsystem {subsystem}"
    yield None if kind != "i386" or flags & 0x20 else "not large-address-aware"
    dump = run("objdump", "-p", path).decode()
    extra = {d.lower() for d in re.findall(r"DLL Name: (\S+)", dump)} - DLLS
    yield f"imports {sorted(extra)}" if extra else None
    # ASLR and DEP, and on x64 ASLR over the whole address space.
    dll = int(re.search(r"DllCharacteristics\s+([0-9a-f]+)", dump).group(1), 16)
    yield None if dll & 0x140 == 0x140 and (kind == "i386" or dll & 0x20) else f"DllCharacteristics {dll:#x}"
    yield None if res(6, 7) == STRINGS else "strings 103 and 109"
    # The icon groups and accelerators as the resource script gives them: there, in their language.
    yield from (None if res(t, n) else f"no resource {t}/{n}" for t, n in ((14, 107), (14, 108), (9, 109)))
    manifest = res(24, 1, 0).decode()
    yield None if 'level="asInvoker" uiAccess="false"' in manifest and "dpiAware" not in manifest else "manifest"


exes = [arg.split("=", 1) for arg in sys.argv[1:]]
bad = [f"{exe}: {fault}" for kind, exe in exes for fault in faults(kind, exe) if fault]
print("\n".join(bad) or "\n".join(f"{exe}: every fact of an {kind} build holds" for kind, exe in exes))
sys.exit(1 if bad else 0)
