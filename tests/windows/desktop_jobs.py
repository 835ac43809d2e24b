#!/usr/bin/env python3
"""kven.exe programs kven-sim under Wine, driven through its window as an operator would.

    tests/windows/desktop_jobs.py --exe build-windows/kven/app/win32/kven.exe
                                  --sim build/sim/kven-sim --out DIR [--docs docs]

As desktop.py (WINEPREFIX, DISPLAY, kven_probe.exe, xdotool). The INI beside the .exe chooses
COM5, which kven-sim serves; the image is chosen with LOAD in the file dialog. Checked: Program
runs (the loader's version, the position and total while it writes; Exit meanwhile asks
whether to stop, and No keeps it running), ends in the box "Writing is OK" and the green lamp,
the simulator's flash equals the image, and the INI beside the .exe holds the image's path;
then, with the loader silent at the fifth packet's acknowledgement, Program ends in "Time out"
and the red lamp. Screenshots of the running job and of the results go to DIR, and with --docs
to docs/kven-windows-running.png and docs/kven-windows-result.png.
Exit status 0 when everything held.
"""

import argparse
import os
import random
import shutil
import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from desktop import CAPTION, WAIT_MS, Desktop, Probe, menu_point  # noqa: E402
from end_to_end import (COM, WINE, WINESERVER, Simulator, check, failures,  # noqa: E402
                        windows_path)

IDC_PROGRAM, IDC_LOAD, IDC_FILE, IDC_PROGRESS = 1, 1021, 1020, 1023
IDC_STATUS, IDC_LDVER, IDC_CHECKSUM, IDC_RESULT = 1025, 1026, 1027, 1029
IDC_BOX_TEXT = 0xFFFF  # a message box's text
BOX_TITLE = "Kven"
CLOSE_QUESTION = "A job is running. Stop it and close the program?"
# Large enough that the job runs for seconds under Wine, long enough to be photographed.
IMAGE_SIZE = 120 * 1024 + 77


def control(frame, ident):
    found = [c for c in frame.get("children", []) if c["id"] == ident and c["parent"] == "#32770"]
    return found[0] if found else None


def centre(rect):
    x, y, w, h = rect
    return x + w // 2, y + h // 2


def lamp_colour(png, frame, lamp):
    """The mean colour (r, g, b) of the result lamp in a screenshot of the frame."""
    x, y, w, h = lamp["rect"]
    fx, fy = frame["rect"][:2]
    out = subprocess.run(["convert", str(png), "-crop", f"{w}x{h}+{x - fx}+{y - fy}", "+repage",
                          "-scale", "1x1!", "-depth", "8", "txt:-"], stdout=subprocess.PIPE,
                         text=True, check=True, timeout=60).stdout
    # "0,0: (r,g,b)  #RRGGBB  srgb(...)"
    rgb = out.splitlines()[-1].split("#")[1][:6]
    return tuple(int(rgb[i:i + 2], 16) for i in (0, 2, 4))


class Session:
    def __init__(self, probe, desktop, hwnd, out):
        self.probe, self.desktop, self.hwnd, self.out = probe, desktop, hwnd, out
        self.frame = probe.describe(hwnd)

    def text(self, ident, contains):
        code, out = self.probe.run("text", self.hwnd, str(ident), contains, str(WAIT_MS))
        return out if code == 0 else None

    def click(self, ident):
        self.desktop.click(*centre(control(self.frame, ident)["rect"]))

    def shot(self, name, box=None):
        rect = list(self.frame["rect"])
        if box:
            x, y, w, h = box["rect"]
            rect = [0, 0, max(x + w, rect[2]), max(y + h, rect[3])]
        path = self.out / name
        self.desktop.screenshot(rect, path)
        return path

    def result_box(self, expected, shot=None):
        """Waits for the result box, reads it, optionally photographs it, and closes it."""
        box = self.probe.wait(BOX_TITLE)
        check(box is not None, f"a result box shows for {expected!r}")
        if box is None:
            return None
        described = self.probe.describe(box)
        texts = [c["text"] for c in described.get("children", []) if c["id"] == IDC_BOX_TEXT]
        check(texts == [expected], f"the result box reads {texts}")
        if shot:
            self.shot(shot, described)
        self.desktop.keys("Return")
        check(self.probe.gone(box), "Enter closes the result box")
        return texts

    def close_question(self):
        """Exit while the job runs asks first; Enter answers No and the job runs on."""
        self.desktop.click(*menu_point(self.frame))
        self.desktop.keys("x")
        box = self.probe.wait(BOX_TITLE)
        check(box is not None, "Exit during a job asks first")
        if box is None:
            return
        described = self.probe.describe(box)
        texts = [c["text"] for c in described.get("children", []) if c["id"] == IDC_BOX_TEXT]
        check(texts == [CLOSE_QUESTION], f"the question reads {texts}")
        self.shot("close-question.png", described)
        self.desktop.keys("Return")
        check(self.probe.gone(box), "Enter closes the question")
        check(self.probe.describe(self.hwnd).get("title") == CAPTION,
              "No keeps the window and its job")

    def program(self, expected, running_shot=None, box_shot=None):
        self.click(IDC_PROGRAM)
        ldver = self.text(IDC_LDVER, "V0123-A-255")
        check(ldver == "LD Ver: V0123-A-255", f"the loader's version shows: {ldver!r}")
        if running_shot:
            status = self.text(IDC_STATUS, f"/{IMAGE_SIZE:8d}")
            check(status is not None and status.strip().split("/")[0].strip().isdigit(),
                  f"the position and total show while it writes: {status!r}")
            # A third of the way: the bar shows how far it is.
            code, _ = self.probe.run("progress", self.hwnd, str(IDC_PROGRESS), "33", str(WAIT_MS))
            check(code == 0, "the progress bar reaches a third")
            self.shot(running_shot)
            # Still writing after the picture: it shows the running job.
            after = control(self.probe.describe(self.hwnd), IDC_STATUS)
            check(after is not None and after["text"].endswith(f"/{IMAGE_SIZE:8d}"),
                  f"the job still wrote when it was photographed: {after and after['text']!r}")
            self.close_question()
        self.result_box(expected, box_shot)
        after = self.shot(f"after-{expected.replace(' ', '-')}.png")
        return lamp_colour(after, self.frame, control(self.frame, IDC_RESULT))


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
    app = out / "app"
    shutil.rmtree(app, ignore_errors=True)
    app.mkdir()
    exe = app / "kven.exe"
    shutil.copy(source, exe)
    ini = app / "kven.INI"
    # The operator's port, as the INI keeps it; the image is chosen on screen.
    ini.write_text(f"[CURRENT]\nPORT={COM}\nBAUDRATE=115200\n")
    image = out / "images" / "firmware.bin"
    image.parent.mkdir(exist_ok=True)
    data = random.Random(24).randbytes(IMAGE_SIZE)
    image.write_bytes(data)

    subprocess.run([WINESERVER, "-k"], stderr=subprocess.DEVNULL)
    subprocess.run([WINESERVER, "-w"])
    server = subprocess.Popen([WINESERVER, "-f", "-p"])
    program = None
    sim = None
    desktop_process = subprocess.Popen([WINE, "explorer", "/desktop=Default,1024x768"],
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        sim = Simulator(args.sim, out, "program")
        program = subprocess.Popen([WINE, str(exe)], stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        hwnd = probe.wait(CAPTION)
        check(hwnd is not None, f"the main window {CAPTION!r} shows")
        if hwnd is None:
            return 1
        session = Session(probe, Desktop(), hwnd, out)
        port = [c["text"] for c in session.frame["children"] if c["id"] == 1001]
        check(port == [f"COM{COM}"], f"the INI's port is selected: {port}")

        # LOAD: the file dialog, the image's path typed into it.
        session.click(IDC_LOAD)
        dialog = probe.wait("Open")
        check(dialog is not None, "LOAD opens the file dialog")
        if dialog is None:
            return 1
        session.desktop.type(windows_path(image))
        session.desktop.keys("Return")
        check(probe.gone(dialog), "Enter in the file dialog closes it")
        shown = session.text(IDC_FILE, "firmware.bin")
        check(shown == windows_path(image), f"the path box shows the image: {shown!r}")

        green = session.program("Writing is OK", "kven-windows-running.png",
                                "kven-windows-result-box.png")
        check(green[1] > 2 * green[0], f"the lamp is green after success: rgb {green}")
        shutil.copy(out / "after-Writing-is-OK.png", out / "kven-windows-result.png")
        checksum = [c["text"] for c in probe.describe(hwnd)["children"]
                    if c["id"] == IDC_CHECKSUM]
        check(len(checksum) == 1 and checksum[0].startswith("CheckSum: ")
              and len(checksum[0]) > len("CheckSum: "), f"the checksum shows: {checksum}")
        sim.stop()
        flash = sim.flash.read_bytes() if sim.flash.exists() else b""
        check(flash[:len(data)] == data, "the simulator's flash equals the image")
        written = ini.read_text(errors="replace")
        check(f"TRANFILE={windows_path(image)}" in written.splitlines(),
              "the INI beside kven.exe keeps the image's path")

        # A loader that falls silent while the image is written.
        sim = Simulator(args.sim, out, "fault", ["--fault", "silent:ack:5"])
        red = session.program("Time out")
        check(red[0] > 2 * red[1], f"the lamp is red after the fault: rgb {red}")

        if args.docs:
            for name in ("kven-windows-running.png", "kven-windows-result.png"):
                shutil.copy(out / name, Path(args.docs) / name)

        session.desktop.click(*menu_point(session.frame))
        session.desktop.keys("x")
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
    print(f"kven.exe programmed kven-sim on COM{COM} and reported its fault")
    return 0


if __name__ == "__main__":
    sys.exit(main())
