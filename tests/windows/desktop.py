#!/usr/bin/env python3
"""kven.exe, the Windows desktop program, under Wine on an X server, driven as an operator would.

    tests/windows/desktop.py --exe build-windows/kven/app/win32/kven.exe
                             --sim build/sim/kven-sim --out DIR [--docs docs]

WINEPREFIX names the Wine prefix, set to one virtual desktop (tests/windows/wine_desktop.py),
and DISPLAY the X server. The program runs from a folder of its own; kven-sim serves the
prefix's COM5 as in end_to_end.py. The input comes from xdotool (the X server's keyboard and
pointer); what the program shows is read by kven_probe.exe (beside the unit tests) from the
windows themselves. Checked: no DLL beside the program but Windows' own; the INI written beside
the .exe before the window shows; the frame at (0, 0), captioned, without sizing border or
maximise box, its client area the dialog's size; the menu and its status-bar prompts; the
status bar's panes; the dialog's 22 controls; the About box; Exit. Screenshots go to DIR, and
with --docs the idle one to docs/kven-windows-idle.png. Exit status 0 when everything held.
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from end_to_end import COM, WINE, WINESERVER, Simulator, check, failures  # noqa: E402

CAPTION = "KVEN Ver 0.17"
WAIT_MS = 60000
WS_CAPTION, WS_SYSMENU, WS_MINIMIZEBOX = 0x00C00000, 0x00080000, 0x00020000
WS_THICKFRAME, WS_MAXIMIZEBOX = 0x00040000, 0x00010000
WS_EX_CLIENTEDGE = 0x200
AFX_IDW_PANE_FIRST = 0xE900
# What a statically linked program may load: the system's own libraries.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "comdlg32.dll",
               "ole32.dll", "oleaut32.dll", "shell32.dll", "advapi32.dll", "msvcrt.dll",
               "ws2_32.dll", "bcrypt.dll", "shlwapi.dll", "uxtheme.dll"}


class Probe:
    def __init__(self, exe):
        self.exe = exe

    def run(self, *args):
        result = subprocess.run([WINE, str(self.exe), *args], stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, text=True, timeout=WAIT_MS / 1000 + 60)
        return result.returncode, result.stdout.strip()

    def wait(self, title):
        code, out = self.run("wait", title, str(WAIT_MS))
        return out if code == 0 else None

    def gone(self, hwnd):
        return self.run("gone", hwnd, str(WAIT_MS))[0] == 0

    def describe(self, hwnd):
        code, out = self.run("describe", hwnd)
        return json.loads(out) if code == 0 else {}


class Desktop:
    """The virtual desktop's X window, where Windows' screen coordinates start."""

    def __init__(self):
        out = subprocess.run(["xdotool", "search", "--sync", "--name", "Wine desktop"],
                             stdout=subprocess.PIPE, text=True, timeout=120).stdout.split()
        self.window = out[0]
        subprocess.run(["xdotool", "windowfocus", self.window], timeout=60)

    def click(self, x, y):
        subprocess.run(["xdotool", "mousemove", "--window", self.window, str(x), str(y),
                        "click", "1"], check=True, timeout=60)

    def keys(self, *keys):
        subprocess.run(["xdotool", "key", "--delay", "50", *keys], check=True, timeout=60)

    def type(self, text):
        subprocess.run(["xdotool", "type", "--delay", "20", text], check=True, timeout=120)

    def screenshot(self, rect, path):
        x, y, w, h = rect
        subprocess.run(["import", "-window", self.window, "-crop", f"{w}x{h}+{x}+{y}", "+repage",
                        str(path)], check=True, timeout=120)


def linked_dlls(exe):
    out = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", str(exe)], stdout=subprocess.PIPE,
                         text=True, check=True).stdout
    return [line.split("DLL Name:")[1].strip() for line in out.splitlines() if "DLL Name:" in line]


def menu_point(frame):
    """Where the menu bar's first item "KVEN" is: just above the client area, at its left."""
    if frame["menu"]:
        x, y, w, h = frame["menu"][0]["rect"]
        return x + w // 2, y + h // 2
    x, y = frame["client"][:2]
    return x + 12, y - 9


def check_frame(frame, dialog):
    check(frame.get("title") == CAPTION, f"the caption reads {frame.get('title')!r}")
    check(frame["rect"][:2] == [0, 0], f"the frame stands at (0, 0): {frame['rect']}")
    style = frame["style"]
    check(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX) == (WS_CAPTION | WS_SYSMENU |
          WS_MINIMIZEBOX) and not style & (WS_THICKFRAME | WS_MAXIMIZEBOX),
          f"no sizing border, no maximise box: style {style:#x}")
    check(frame["client"][2:] == dialog["rect"][2:],
          f"the client area {frame['client'][2:]} is the dialog's size {dialog['rect'][2:]}")
    # Wine keeps a menu to its process, so the probe reads it only on Windows; under Wine the
    # items show through what they do (their prompts, About, Exit) and in the screenshots.
    menu = [(m["text"], [i["text"] for i in m["items"]]) for m in frame["menu"]]
    check(menu in ([], [("KVEN", ["About (&A)...", "Exit(&X)"])]), f"the menu: {menu}")
    status = frame["status"]
    check(len(status) == 4 and status[0] == "Ready" and all(s in ("", i) for s, i in
          zip(status[1:], ("CAP", "NUM", "SCRL"))), f"the status bar's panes: {status}")


def check_dialog(frame):
    views = [c for c in frame["children"] if c["id"] == AFX_IDW_PANE_FIRST]
    check(len(views) == 1, "one host view")
    dialogs = [c for c in frame["children"] if c["class"] == "#32770"]
    check(len(dialogs) == 1 and dialogs[0]["visible"], "the dialog shows in the host view")
    if not dialogs:
        return {}
    dialog = dialogs[0]
    controls = [c for c in frame["children"] if c["parent"] == "#32770"]
    check(len(controls) == 22, f"the dialog holds 22 controls: {len(controls)}")
    texts = {c["text"] for c in controls}
    for text in ("Program", "LOAD", "COM Option", "Port:", "Baud Rate:", "Data Bits:", "Parity:",
                 "Stop Bits:", "( Erase+Write+Verify+Checksum )", "EEP Sum",
                 "( Program EEP Checksum )"):
        check(text in texts, f"the dialog shows {text!r}")
    progress = [c for c in controls if c["id"] == 1023]
    check(len(progress) == 1 and not progress[0]["visible"], "the progress bar starts hidden")
    return dialog


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--sim", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--docs")
    args = parser.parse_args()
    out = Path(args.out).resolve()
    out.mkdir(parents=True, exist_ok=True)
    os.environ.setdefault("WINEDEBUG", "-all")
    if "WINEPREFIX" not in os.environ or "DISPLAY" not in os.environ:
        sys.exit("WINEPREFIX must name the Wine prefix and DISPLAY the X server")

    source = Path(args.exe).resolve()
    probe = Probe(source.parent.parent.parent / "tests" / "kven_probe.exe")
    dlls = linked_dlls(source)
    check(dlls and all(d.lower() in SYSTEM_DLLS for d in dlls),
          f"kven.exe loads only Windows' own DLLs: {dlls}")

    # A folder of its own: the INI is made beside the .exe at the first start.
    app = out / "app"
    shutil.rmtree(app, ignore_errors=True)
    app.mkdir()
    exe = app / "kven.exe"
    shutil.copy(source, exe)
    ini = app / "kven.INI"

    subprocess.run([WINESERVER, "-k"], stderr=subprocess.DEVNULL)
    subprocess.run([WINESERVER, "-w"])
    server = subprocess.Popen([WINESERVER, "-f", "-p"])
    program = None
    sim = None
    # The desktop's process first, with no output to hold: started by the first program that
    # makes a window, it would keep that program's pipe open (the probe's, say).
    desktop_process = subprocess.Popen([WINE, "explorer", "/desktop=Default,1024x768"],
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        sim = Simulator(args.sim, out, "desktop")
        program = subprocess.Popen([WINE, str(exe)], stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        hwnd = probe.wait(CAPTION)
        check(hwnd is not None, f"the main window {CAPTION!r} shows")
        if hwnd is None:
            return 1
        check(ini.exists() and "[CURRENT]" in ini.read_text(errors="replace"),
              "the INI file was written beside kven.exe")
        frame = probe.describe(hwnd)
        dialog = check_dialog(frame)
        if dialog:
            check_frame(frame, dialog)
        desktop = Desktop()
        idle = out / "kven-windows-idle.png"
        desktop.screenshot(frame["rect"], idle)
        if args.docs:
            shutil.copy(idle, Path(args.docs) / "kven-windows-idle.png")

        # The menu: its prompt in the status bar, then About.
        desktop.click(*menu_point(frame))
        desktop.keys("Down")
        prompt = probe.describe(hwnd).get("status", [""])[0]
        check(prompt == "Display program information, version number and copyright",
              f"the About item's prompt: {prompt!r}")
        desktop.screenshot(frame["rect"], out / "kven-windows-menu.png")
        desktop.keys("Return")
        about = probe.wait("About KVEN")
        check(about is not None, "About opens the About box")
        if about:
            box = probe.describe(about)
            texts = [c["text"] for c in box.get("children", [])]
            check("KVEN Version 0.1" in texts and "OK" in texts, f"the About box: {texts}")
            x, y, w, h = box["rect"]
            desktop.screenshot([0, 0, max(x + w, frame["rect"][2]), max(y + h, frame["rect"][3])],
                               out / "kven-windows-about.png")
            desktop.keys("Escape")
            check(probe.gone(about), "Escape closes the About box")
        status = probe.describe(hwnd).get("status", [""])[0]
        check(status == "Ready", f"the status bar reads 'Ready' again: {status!r}")

        # Exit ends the program.
        desktop.click(*menu_point(frame))
        desktop.keys("x")
        try:
            code = program.wait(timeout=WAIT_MS / 1000)
        except subprocess.TimeoutExpired:
            code = None
        check(code == 0, f"Exit ends the program: exit status {code}")
        program = None
    finally:
        if program:
            program.kill()
        if sim:
            sim.stop()
        subprocess.run([WINESERVER, "-k"], stderr=subprocess.DEVNULL)
        desktop_process.wait(timeout=30)
        server.wait(timeout=30)
    if failures:
        print(f"{len(failures)} check(s) failed", file=sys.stderr)
        return 1
    print(f"kven.exe passed every desktop check (COM{COM} served by kven-sim)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
