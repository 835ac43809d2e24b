#!/usr/bin/env python3
"""kven-cli.exe under Wine programs kven-sim through a pseudo-terminal mapped as a COM port.

    tests/windows/end_to_end.py --sim build/sim/kven-sim --cli build-windows/kven/cli/kven-cli.exe
                                [--linux-cli build/cli/kven-cli] --out DIR

WINEPREFIX names the Wine prefix; its dosdevices/com5 becomes the simulator's pseudo-terminal.
The simulator runs natively. Checked: a Program job with --json, --log, --readback and --sums
(the flash the simulator wrote equals the image, so do the read-back and the log); an EEP Sum
job; board after board with --repeat, ended with Ctrl+C; a loader fault, whose exit status and
last line must be those of the same job run by the Linux kven-cli; serial numbers and a retry
board after board (the log, the state file, the flash); a COM port that does not exist. Exit
status 0 when everything held.
"""

import argparse
import json
import os
import random
import selectors
import signal
import subprocess
import sys
import time
from pathlib import Path

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
COM = 5
JOB_LIMIT_S = 300
# Short erase, so that every job takes seconds.
LOADER = ["--erase-units", "1", "--erase-scale", "0.1", "--idle-timeout", "60000"]

failures = []


def check(ok, what):
    print(("ok    " if ok else "FAIL  ") + what, flush=True)
    if not ok:
        failures.append(what)


def windows_path(path):
    """The Wine prefix's drive Z: is the root of the file system."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


class Simulator:
    """kven-sim on a new pseudo-terminal, which the prefix knows as COM5."""

    def __init__(self, sim, out, name, extra=()):
        self.link = Path(os.environ["WINEPREFIX"]) / "dosdevices" / f"com{COM}"
        self.flash = out / f"{name}-flash.bin"
        self.proc = subprocess.Popen(
            [sim, "--link", str(self.link), "--flash-out", str(self.flash), *LOADER, *extra],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.device = self.proc.stdout.readline().strip()
        if not self.device.startswith("/"):
            sys.exit(f"kven-sim did not start: {self.device!r}")

    def wait_session(self):
        """Waits for the next session's summary; the simulator prints it once it has written
        its flash file (every session ends, at the latest by the loader's idle time-out). True
        when it came."""
        for line in self.proc.stdout:
            if line.startswith("session "):
                return True
        return False

    def stop(self):
        self.proc.send_signal(signal.SIGTERM)
        self.proc.wait(timeout=30)


def run(cmd, interrupt_after=None):
    """Runs cmd; with interrupt_after, sends SIGINT (Ctrl+C in Wine) once that text shows.

    The pipe never reaches its end: Wine's helper processes, started by the first program in the
    prefix, inherit it and stay. So the output is read until the process itself exits (its
    pidfd turns readable), then what it left in the pipe is drained without blocking.
    """
    proc = subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    out = proc.stdout.fileno()
    exited = os.pidfd_open(proc.pid)
    sel = selectors.DefaultSelector()
    sel.register(out, selectors.EVENT_READ)
    sel.register(exited, selectors.EVENT_READ)
    text = b""
    deadline = time.monotonic() + JOB_LIMIT_S
    done = False
    while not done:
        ready = sel.select(max(0.0, deadline - time.monotonic()))
        if not ready:
            proc.kill()
        for key, _ in ready:
            if key.fd == exited:
                done = True
            else:
                chunk = os.read(out, 65536)
                if not chunk:
                    done = True
                text += chunk
                if interrupt_after and interrupt_after.encode() in text:
                    proc.send_signal(signal.SIGINT)
                    interrupt_after = None
    os.set_blocking(out, False)
    while True:
        try:
            chunk = os.read(out, 65536)
        except BlockingIOError:
            break
        if not chunk:
            break
        text += chunk
    sel.close()
    os.close(exited)
    proc.stdout.close()
    code = proc.wait()
    lines = text.decode(errors="replace").replace("\r", "\n").splitlines()
    lines = [l.replace("\x1b[K", "").strip() for l in lines]
    return code, [l for l in lines if l]


def cli(exe, *args, **kwargs):
    return run([WINE, exe, *args], **kwargs)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--sim", required=True)
    parser.add_argument("--cli", required=True)
    parser.add_argument("--linux-cli", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    out = Path(args.out).resolve()
    out.mkdir(parents=True, exist_ok=True)
    os.environ.setdefault("WINEDEBUG", "-all")
    if "WINEPREFIX" not in os.environ:
        sys.exit("WINEPREFIX must name the Wine prefix")

    # A server of our own in the foreground: a daemonised one leads a session of its own and
    # would take the pseudo-terminal as its controlling terminal, then be hung up when the
    # simulator closes its side.
    subprocess.run([WINESERVER, "-k"], stderr=subprocess.DEVNULL)
    subprocess.run([WINESERVER, "-w"])
    server = subprocess.Popen([WINESERVER, "-f", "-p"])

    image = out / "image.bin"
    image.write_bytes(random.Random(16).randbytes(96 * 1024 + 123))
    ini = out / "kven.INI"
    ini.write_text(f"[CURRENT]\nPORT={COM}\nBAUDRATE=115200\n")
    common = ["--ini", windows_path(ini)]
    try:
        sim = Simulator(args.sim, out, "jobs")
        for f in ("log.jsonl", "readback.bin", "sums.bin"):
            (out / f).unlink(missing_ok=True)
        code, lines = cli(args.cli, "program", *common, "--json", "--log",
                          windows_path(out / "log.jsonl"), "--readback",
                          windows_path(out / "readback.bin"), "--sums",
                          windows_path(out / "sums.bin"), windows_path(image))
        record = json.loads(lines[-1]) if lines and lines[-1].startswith("{") else {}
        check(code == 0 and record.get("result") == 0, f"Program: exit {code}, {lines[-1:]}")
        data = image.read_bytes()
        check(sim.wait_session() and sim.flash.exists()
              and sim.flash.read_bytes()[:len(data)] == data,
              "the simulator's flash equals the image")
        check((out / "readback.bin").exists() and (out / "readback.bin").read_bytes() == data,
              "the read-back file equals the image")
        check((out / "sums.bin").exists() and (out / "sums.bin").stat().st_size == 2048,
              "the checksum table file holds 1,024 entries")
        log = (out / "log.jsonl").read_text().splitlines() if (out / "log.jsonl").exists() else []
        check(len(log) == 1 and json.loads(log[0]).get("image", {}).get("size") == len(data),
              "the job log holds one record of the image")

        code, lines = cli(args.cli, "eepsum", *common, "--quiet", windows_path(image))
        check(code == 0 and lines == ["Writing is OK"], f"EEP Sum: exit {code}, {lines}")
        sim.stop()

        # Board after board: the simulated board leaves after each session and comes back.
        sim = Simulator(args.sim, out, "boards", ["--swap", "300"])
        small = out / "small.bin"
        small.write_bytes(data[:4096])
        code, lines = cli(args.cli, "program", *common, "--repeat", windows_path(small),
                          interrupt_after="board 2:")
        check(code == 0 and any(l.startswith("board 2: Writing is OK") for l in lines)
              and lines[-1].startswith("2 boards: 2 OK"),
              f"--repeat and Ctrl+C: exit {code}, {lines[-3:]}")
        sim.stop()

        # Serial numbers and a retry, board after board: each board's contact fails its first
        # attempt; the serial state is a file under a lock, written atomically.
        sim = Simulator(args.sim, out, "serials",
                        ["--swap", "300", "--board-sessions", "2", "--fault", "bad:ack:2@1"])
        serial_image = out / "serial.bin"
        serial_image.write_bytes(data[:0x300] + b"\xff" * 4 + data[0x304:4096])
        state = out / "serial.state"
        log = out / "serials.jsonl"
        for f in (state, log):
            f.unlink(missing_ok=True)
        code, lines = cli(args.cli, "program", *common, "--repeat", "--retries", "1",
                          "--serial", "0x300:4", "--serial-start", "50", "--serial-state",
                          windows_path(state), "--log", windows_path(log),
                          windows_path(serial_image), interrupt_after="board 2: Writing is OK")
        records = [json.loads(l) for l in log.read_text().splitlines()] if log.exists() else []
        attempts = [(r.get("board"), r.get("attempt"), r.get("result"),
                     (r.get("serial") or {}).get("value")) for r in records]
        check(code == 0 and attempts == [(1, 1, 8, "50"), (1, 2, 0, "50"), (2, 1, 8, "51"),
                                         (2, 2, 0, "51")],
              f"--serial and --retries: exit {code}, {attempts}, {lines[-2:]}")
        check(state.exists() and state.read_text() == "52\n",
              f"the serial state says 52: {state.read_text() if state.exists() else None!r}")
        sim.stop()  # it has written its flash by the time it has ended
        flash = sim.flash.read_bytes() if sim.flash.exists() else b""
        check(flash[0x300:0x304] == (51).to_bytes(4, "little"),
              "the last board's flash holds its serial number")

        # A loader fault: the same exit status and last line as on Linux.
        sim = Simulator(args.sim, out, "fault", ["--fault", "bad:erase-begin"])
        code, lines = cli(args.cli, "program", *common, "--quiet", windows_path(small))
        linux_code, linux_lines = run([args.linux_cli, "program", "--ini", str(ini), "--port",
                                       sim.device, "--quiet", str(small)])
        expected = (linux_code, linux_lines[-1] if linux_lines else "")
        check(code == 6 and (code, lines[-1] if lines else "") == expected,
              f"fault bad:erase-begin: exit {code}, {lines[-1:]}, Linux {expected}")
        sim.stop()

        code, lines = cli(args.cli, "program", "--ini", windows_path(ini), "--port", "COM9",
                          "--quiet", windows_path(small))
        check(code == 10 and "COM port can not be found" in " ".join(lines),
              f"a missing COM port: exit {code}, {lines[:2]}")
    finally:
        subprocess.run([WINESERVER, "-k"], stderr=subprocess.DEVNULL)
        server.wait(timeout=30)
    if failures:
        print(f"{len(failures)} check(s) failed", file=sys.stderr)
        return 1
    print("the Windows kven-cli passed every end-to-end check")
    return 0


if __name__ == "__main__":
    sys.exit(main())
