#!/usr/bin/env python3
"""Picks a screen region with OCRKelvane, saves it as a PNG, and can OCR it.

Runs the picker, saves the selected region as a PNG and, with --ocr, prints
its text as read by the tesseract command.

    caller.py OUTPUT.png [--picker PATH] [--ocr LANGS]

The picker writes the PNG as Base64 text on standard output, or nothing when
the user ends it with Esc. On Linux it runs through wine, or through $WINE when
set (/usr/lib/wine/wine64 for the x64 build on a host without 32-bit support).
Exit status: 0 when a PNG was saved, 1 when nothing was selected.
"""
import argparse
import base64
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_PICKER = os.path.join(HERE, "..", "build", "bin", "OCRKelvane.exe")


def run_picker(picker):
    command = [picker] if os.name == "nt" else [os.environ.get("WINE", "wine"), picker]
    proc = subprocess.Popen(command, stdout=subprocess.PIPE)
    if os.name == "nt":
        # Windows gives the foreground only to a process its rules allow; a
        # caller that holds it passes it on, so that Enter and Esc reach the
        # picker rather than the window below it.
        import ctypes
        ctypes.windll.user32.AllowSetForegroundWindow(proc.pid)
    # communicate() reads as the text comes: it can be megabytes, more than a pipe holds.
    out, _ = proc.communicate()
    return out


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("output", help="where to save the PNG")
    parser.add_argument("--picker", default=DEFAULT_PICKER, help="path of OCRKelvane.exe")
    parser.add_argument("--ocr", metavar="LANGS", help="tesseract languages, e.g. eng or chi_sim+eng")
    args = parser.parse_args()

    text = run_picker(args.picker)
    if not text:
        print("nothing selected", file=sys.stderr)
        return 1
    with open(args.output, "wb") as f:
        f.write(base64.b64decode(text, validate=True))

    if args.ocr:
        # --psm 6: a selection is usually one block of text.
        ocr = subprocess.run(["tesseract", args.output, "stdout", "-l", args.ocr, "--psm", "6"],
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, check=True)
        sys.stdout.write(ocr.stdout)
    return 0


if __name__ == "__main__":
    sys.exit(main())
