#!/usr/bin/env python3
"""The host's side of `make hil`: Kven against the kernel's real serial drivers.

Boots the guest that make-guest.sh built in QEMU (KVM when it works, else TCG) with two serial
devices whose far ends kven-sim serves: an 8250 UART (guest /dev/ttyS1) and an emulated FTDI
USB adapter (guest /dev/ttyUSB0), which the QEMU monitor unplugs and plugs back in. The guest's
/init (init.sh) runs the cases and reports over its /dev/ttyS2; this script answers its
requests, checks each case, replays the jobs over a plain pseudo-terminal for their timings,
and writes OUT/report.md. The exit status is 0 when every check passed.

The far ends are unix sockets unless --line pty asks for host pseudo-terminals: a pty moves its
bytes through the kernel's flip-buffer work items, which run at normal priority, so on a
machine loaded by other work a pty round trip stalls for seconds and the guest's 1 s packet
time-outs would measure the neighbours rather than the drivers.

    tests/hil/rig.py --build BUILD_DIR --out OUT_DIR [--line socket|pty]
"""

import argparse
import json
import os
import re
import socket
import subprocess
import sys
import threading
import time
from pathlib import Path

# Every loader erases for 1 s and states 2 s in its information block ('e' loaders send one),
# so a cable pulled during the erase meets a 2 s time-out. "paced" is the adapter's far end for
# the checksum-phase pull: at 9600 bit/s the table takes seconds, not milliseconds.
LOADER = ["--letter", "e", "--erase-units", "1", "--erase-scale", "0.5"]
PACED = LOADER + ["--baud", "9600"]
ADAPTER = "usb-serial,id=us0,chardev=c2,serial=KVEN0001"
RESULT_TEXTS = [
    "Writing is OK", "Write failed", "Time out", "Verify failed", "Get LD version failed",
    "Chip erase failed", "Link failed", "Set file length failed", "Write sync failed",
    "Wait end code failed", "Job did not start", "Checksum link failed",
    "Checksum numbers failed", "Checksum sync failed", "Checksum Compare failed",
]
ARMED_SECONDS = {"pull-write": 1.0, "pull-erase": 2.0, "pull-checksum": 1.0}
BOOT_LIMIT = 240  # seconds until the guest says HELLO under TCG
KVM_LIMIT = 15  # the same with KVM, which boots in a few seconds when it works
STEP_LIMIT = 120  # seconds of silence from the guest before the run is given up


class Failure(Exception):
    pass


class Session:
    """One loader session as kven-sim reported it, with the flash and checksum table it left
    (read when the line arrived: kven-sim writes them first)."""

    def __init__(self, line, flash, sums):
        self.line, self.flash, self.sums = line, flash, sums


class Sim:
    """A kven-sim process serving one line; its sessions gather in `sessions`, its output goes
    to OUT/sim-TAG.log."""

    def __init__(self, exe, options, out, tag, device=None):
        self.flash, self.sums = out / f"{tag}-flash.bin", out / f"{tag}-sums.bin"
        args = [exe] + options + ["--flash-out", self.flash, "--sums-out", self.sums]
        if device:
            args += ["--device", device]
        self.log = open(out / f"sim-{tag}.log", "a")
        self.proc = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=self.log, text=True)
        self.path = self.proc.stdout.readline().strip()
        if not self.path:
            raise Failure(f"kven-sim {tag} did not start")
        self.sessions = []
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.proc.stdout:
            self.log.write(f"{time.monotonic():.3f} {line}")
            self.log.flush()
            if line.startswith("session ") and " Complete at " in line:
                flash = self.flash.read_bytes() if " Program " in line else None
                self.sessions.append(Session(line.strip(), flash, self.sums.read_bytes()))
            elif line.startswith("session "):
                self.sessions.append(Session(line.strip(), None, None))

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            self.proc.wait(10)


class Machine:
    """QEMU with the two serial lines, its monitor (QMP) and the guest's control port."""

    def __init__(self, args, accel):
        out = args.out
        self.out, self.sim_exe, self.sims = out, str(args.build / "sim/kven-sim"), {}
        self.log = open(out / "guest.log", "a")
        # The far ends of the two lines: pseudo-terminals, or unix sockets that kven-sim
        # connects to (see --line).
        ends = {}
        for c in ("c1", "c2"):
            if args.line == "pty":
                ends[c] = f"pty,id={c}"
            else:
                (out / f"{c}.sock").unlink(missing_ok=True)
                ends[c] = f"socket,id={c},path={out / f'{c}.sock'},server=on,wait=off"
        listeners = {}
        for name in ("qmp", "control"):
            path = out / f"{name}.sock"
            path.unlink(missing_ok=True)
            listeners[name] = socket.socket(socket.AF_UNIX)
            listeners[name].bind(str(path))
            listeners[name].listen(1)
            listeners[name].settimeout(30)
        self.qemu = subprocess.Popen(
            ["qemu-system-x86_64", "-accel", accel, "-m", "256", "-display", "none",
             "-no-reboot", "-nodefaults", "-monitor", "none",
             "-kernel", out / "vmlinuz", "-initrd", out / "initramfs.cpio",
             "-append", "console=ttyS0 panic=-1 quiet",
             "-chardev", f"file,id=con,path={out / 'console.log'}", "-serial", "chardev:con",
             "-chardev", ends["c1"], "-device", "isa-serial,chardev=c1",
             "-chardev", f"socket,id=ctl,path={out / 'control.sock'}",
             "-device", "isa-serial,chardev=ctl",
             "-chardev", f"socket,id=qmp,path={out / 'qmp.sock'}",
             "-mon", "chardev=qmp,mode=control",
             "-device", "qemu-xhci", "-chardev", ends["c2"], "-device", ADAPTER],
            stdout=subprocess.DEVNULL, stderr=open(out / "qemu.log", "w"))
        self.qmp_sock = listeners["qmp"].accept()[0]
        self.control = listeners["control"].accept()[0]
        self.qmp_file = self.qmp_sock.makefile("rw")
        self.control_file = self.control.makefile("r", encoding="utf-8", errors="replace")
        self.events = []
        self.qmp_file.readline()  # greeting
        self.qmp("qmp_capabilities")
        if args.line == "pty":
            self.ends = {c["label"]: c["filename"][4:] for c in self.qmp("query-chardev")
                         if c["filename"].startswith("pty:")}
        else:
            self.ends = {c: str(out / f"{c}.sock") for c in ("c1", "c2")}
        self.sims["s1"] = Sim(self.sim_exe, LOADER, out, "s1", self.ends["c1"])
        self.sims["usb"] = Sim(self.sim_exe, LOADER, out, "usb", self.ends["c2"])
        self.usb_config = "loader"

    def qmp(self, command, **arguments):
        self.qmp_file.write(json.dumps({"execute": command, "arguments": arguments}) + "\n")
        self.qmp_file.flush()
        while True:
            reply = json.loads(self.qmp_file.readline())
            if "error" in reply:
                raise Failure(f"{command}: {reply['error']}")
            if "return" in reply:
                return reply["return"]
            self.events.append(reply)

    def unplug(self):
        self.events.clear()
        self.qmp("device_del", id="us0")
        self.qmp_sock.settimeout(10)
        while True:  # the monitor reports when the device is gone
            for event in self.events:
                if event.get("event") == "DEVICE_DELETED" and event["data"].get("device") == "us0":
                    return
            self.events.append(json.loads(self.qmp_file.readline()))

    def replug(self, paced):
        if paced:  # while unplugged: the adapter's far end becomes a paced loader
            self.sims["usb"].stop()
            self.sims["usb"] = Sim(self.sim_exe, PACED, self.out, "usb-paced", self.ends["c2"])
            self.usb_config = "paced"
        self.qmp("device_add", driver="usb-serial", id="us0", chardev="c2", serial="KVEN0001")

    def line(self, limit):
        self.control.settimeout(limit)
        try:
            text = self.control_file.readline()
        except socket.timeout:
            raise Failure(f"the guest said nothing for {limit} s")
        if not text:
            raise Failure("the guest's control port closed")
        self.log.write(f"{time.monotonic():.3f} < {text}")
        self.log.flush()
        return text.rstrip("\n")

    def answer(self, text):
        self.log.write(f"{time.monotonic():.3f} > {text}\n")
        self.control.sendall((text + "\n").encode())

    def close(self, wait=30):
        """Waits `wait` seconds for the guest to power off, then ends everything."""
        if self.qemu.poll() is None:
            try:
                self.qemu.wait(wait)
            except subprocess.TimeoutExpired:
                self.qemu.kill()
                self.qemu.wait()
        for sim in self.sims.values():
            sim.stop()


class Job:
    def __init__(self, name, args, config):
        self.name, self.args, self.config = name, args, config
        self.rc, self.lines, self.ended, self.sim = None, [], None, None

    def seconds(self):
        for line in self.lines:
            m = re.match(r"\d+ bytes in ([\d.]+) s", line)
            if m:
                return float(m.group(1))
        return None

    def results(self):
        return [line for line in self.lines if line in RESULT_TEXTS]

    def says(self, text):
        return any(text in line for line in self.lines)


def hello(machine, limit):
    """Waits for the guest's HELLO; its kernel release, or None when it never came."""
    try:
        line = machine.line(limit)
    except (Failure, OSError):
        return None
    return line[6:] if line.startswith("HELLO ") else None


class Guest:
    """What the guest reported: jobs by name, facts by name, and when each pulled job's cable
    was pulled (monotonic seconds)."""

    def __init__(self):
        self.jobs, self.facts, self.unplugged = {}, {}, {}


def serve(machine, guest):
    """Answers the guest and gathers its reports until DONE."""
    jobs, facts, unplugged = guest.jobs, guest.facts, guest.unplugged
    current = last_begun = None
    while True:
        line = machine.line(STEP_LIMIT)
        word, _, rest = line.partition(" ")
        if word == "DONE":
            return
        if word == "BEGIN":
            name, _, args = rest.partition(" ")
            device = "usb" if "/dev/ttyUSB0" in args else "s1" if "/dev/ttyS1" in args else ""
            job = jobs[name] = Job(name, args.split(),
                                   machine.usb_config if device == "usb" else "loader")
            job.sim = machine.sims.get(device)
            last_begun = name
        elif word == "JOB":
            name, _, rc = rest.partition(" ")
            current = jobs.setdefault(name, Job(name, [], None))
            current.rc, current.ended = int(rc), time.monotonic()
        elif word == "|":
            current.lines.append(line[2:])
        elif word == "END":
            current = None
        elif word == "FACT":
            name, _, text = rest.partition(" ")
            facts.setdefault(name, []).append(text)
        elif word == "ASK":
            if rest == "unplug":
                unplugged[last_begun] = time.monotonic()
                machine.unplug()
            else:
                machine.replug(rest == "replug-paced")
            machine.answer("OK")
        else:
            raise Failure(f"unexpected line from the guest: {line}")


def replay(args, jobs):
    """The same jobs over a plain pseudo-terminal: kven-cli on the host against a fresh
    kven-sim with the same loader. A job that fails there (ptys stall on a loaded machine) is
    tried once more, and the cell says so. Returns {name: (seconds in the VM, cell)}."""
    timings = {}
    for job in jobs.values():
        if job.rc != 0 or job.sim is None:
            continue
        cell = "-"
        for attempt in ("", " (2nd try)"):
            sim = Sim(str(args.build / "sim/kven-sim"), PACED if job.config == "paced" else LOADER,
                      args.out, "pty")
            cli = [str(args.build / "cli/kven-cli"), job.args[0], "--ini",
                   str(args.out / "none.INI")]
            for previous, word in zip(job.args, job.args[1:]):
                if previous == "--port":
                    word = sim.path
                elif word.startswith("/images/"):
                    word = str(args.out / "images" / word[8:])
                cli.append(word)
            try:
                done = subprocess.run(cli, capture_output=True, text=True, timeout=120)
            finally:
                sim.stop()
            pty_job = Job(job.name, [], None)
            pty_job.lines = done.stdout.splitlines()
            if done.returncode == 0:
                cell = f"{pty_job.seconds()}{attempt}"
                break
            cell = f"exit {done.returncode} {', '.join(pty_job.results())}"
        timings[job.name] = (job.seconds(), cell)
    return timings


class Report:
    def __init__(self):
        self.checks, self.notes = [], []

    def check(self, ok, text):
        self.checks.append((bool(ok), text))

    def note(self, text):
        self.notes.append(text)


def judge(args, guest, report):
    jobs, facts = guest.jobs, guest.facts

    def job(name):
        return jobs.get(name) or Job(name, [], None)

    def fact(name):
        return " | ".join(facts.get(name, ["(none)"]))

    # Every job that reached the loader left one session, in order: the k-th session of a
    # line is the k-th such job's. (Session lines trail the jobs by up to the time kven-sim
    # takes to write its files, so their arrival times do not tell.)
    sessions = {}
    for j in jobs.values():
        if j.sim and j.rc is not None and j.rc != 10:
            done = sum(1 for other in sessions.values() if other[0] is j.sim)
            sessions[j.name] = (j.sim, done)

    def session(j):
        sim, index = sessions.get(j.name, (None, 0))
        return sim.sessions[index] if sim and index < len(sim.sessions) else None

    def quoted(j):
        return ", ".join(f'"{r}"' for r in j.results()) or "no result"

    ports = "\n".join(job("ports").lines)
    s1 = re.search(r"^COM(\d+)\s+/dev/ttyS1\s", ports, re.M)
    usb = re.search(r"^COM(\d+)\s+/dev/ttyUSB0\s+0403:6001\s.*\bKVEN0001\s*$", ports, re.M)
    report.check(job("ports").rc == 0 and s1 and usb,
                 "`kven-cli ports` lists /dev/ttyS1 as COM%s and /dev/ttyUSB0 as COM%s with its "
                 "USB identity 0403:6001, serial KVEN0001"
                 % (s1.group(1) if s1 else "?", usb.group(1) if usb else "?"))

    for name, what, picture in (
            ("s1-program", "/dev/ttyS1 (8250), 64 KiB at 115200", "s1.bin"),
            ("usb-program-115200", "/dev/ttyUSB0 (ftdi_sio), 1 MiB at 115200", "usb-a.bin"),
            ("usb-program-250000", "/dev/ttyUSB0, 1 MiB at 250000 through BOTHER", "usb-b.bin")):
        j, eep = job(name), job(name.replace("program", "eepsum"))
        data = (args.out / "images" / picture).read_bytes()
        program, table = session(j), session(eep)
        flash = program.flash if program and program.flash else b""
        same_flash = (bool(flash) and flash[:len(data)] == data
                      and flash[len(data):].count(0xFF) == len(flash) - len(data))
        same_table = bool(table and program and table.sums and table.sums == program.sums)
        line = fact("usb-250000-line") if "250000" in name else ""
        report.check(j.rc == 0 and same_flash and " Complete at " in program.line
                     and ("speed=250000 bother=1" in line or not line),
                     f"Program over {what}: exit {j.rc} {quoted(j)}, the simulator's flash "
                     f"{'equals' if same_flash else 'DIFFERS FROM'} the image"
                     + (f"; the driver reads back `{line}`" if line else ""))
        report.check(eep.rc == 0 and " Complete at " in (table.line if table else "")
                     and same_table,
                     f"EEP Sum over {what}: exit {eep.rc} {quoted(eep)}, the simulator got "
                     f"{'the same' if same_table else 'ANOTHER'} checksum table as from the "
                     "Program")

    denied = "COM can not be accessed"
    for tag, device in (("s1-hold", "/dev/ttyS1"), ("usb-hold", "/dev/ttyUSB0")):
        user, root, main = job(f"{tag}-user"), job(f"{tag}-root"), job(tag)
        report.check(user.rc == 10 and user.says(denied) and root.rc == 10 and root.says(denied)
                     and fact(f"{tag}-held") == "yes" and main.rc == 0
                     and fact(f"{tag}-user-open") == "open=EBUSY",
                     f"While a job holds {device}, a second kven-cli exits {user.rc} with "
                     f"\"{denied}\" as an unprivileged user (its open() gets "
                     f"{fact(f'{tag}-user-open')[5:]}: TIOCEXCL) and {root.rc} as root (flock); "
                     f"the holding job carries on (exit {main.rc})")
        report.note(f"Second kven-cli on {device} as root: exit {root.rc}: "
                    + " / ".join(root.lines) + f". As an unprivileged user: exit {user.rc}: "
                    + " / ".join(user.lines))
        flags = [re.search(r"low_latency=(\S+)", fact(f"{tag}-{when}"))
                 for when in ("before", "during", "after")]
        flags = [m.group(1) if m else "?" for m in flags]
        report.check(flags == ["0", "1", "0"],
                     f"Low latency on {device}, read with TIOCGSERIAL in the guest: "
                     f"{flags[0]} before, {flags[1]} during, {flags[2]} after the job")

    for name, phase in (("pull-write", "the write phase"), ("pull-erase", "the erase"),
                        ("pull-checksum", "the checksum phase")):
        j, after = job(name), job(f"after-{name}")
        armed = ARMED_SECONDS[name]
        pulled = guest.unplugged.get(name)
        took = j.ended - pulled if pulled and j.ended else None
        report.check(j.rc == 2 and j.results() == ["Time out"] and took is not None
                     and took <= armed + 0.5 and name not in facts
                     and after.rc == 0 and after.results() == ["Writing is OK"],
                     f"Cable pulled during {phase} (device_del): the job's process exits "
                     f"{j.rc} with {quoted(j)}, "
                     + (f"{took:.2f} s after the unplug" if took is not None else "never")
                     + f" (armed time-out {armed:.0f} s + 0.5 s allowed); after device_add the "
                     f"next job on the new /dev/ttyUSB0 exits {after.rc} {quoted(after)}")

    for tag, device in (("s1", "/dev/ttyS1 (8250)"), ("usb", "/dev/ttyUSB0 (ftdi_sio)")):
        for parity in ("mark", "space"):
            j = job(f"{tag}-{parity}")
            line = fact(f"{tag}-{parity}-line")
            worked = j.rc == 0 and j.results() == ["Writing is OK"] and f"parity={parity}" in line
            refused = j.rc == 10 and j.says("Open COM fail")
            kernel = facts.get(f"{tag}-{parity}-kernel", [])
            if worked and kernel:
                report.note(f"{parity.capitalize()} parity on {device}: the driver logged "
                            f"\"{kernel[0].split('] ', 1)[-1]}\" yet reads the setting back, so "
                            "no program can see the refusal; the job ran and worked because "
                            "the far end carries bytes without parity.")
            report.check(worked or refused,
                         f"{parity.capitalize()} parity on {device}: exit {j.rc} "
                         + (quoted(j) if not refused else " / ".join(j.lines))
                         + f"; the driver reads back `{line}`"
                         + (f"; the kernel logged \"{kernel[0]}\"" if kernel else ""))

    j = job("s1-250000")
    hint = next((line.strip() for line in j.lines if "does not run" in line), "no hint")
    report.check(j.rc == 10 and j.says("Open COM fail") and "instead" in hint,
                 f"250000 bit/s on /dev/ttyS1, above the 8250's 115200: exit {j.rc}, "
                 f"\"Open COM fail\" rather than a silent fall-back; {hint}")


def write_report(args, report, timings, facts, accel, priority, started):
    passed = all(ok for ok, _ in report.checks)
    ends = "unix sockets" if args.line == "socket" else "host pseudo-terminals"
    lines = ["# Kven on real serial drivers (`make hil`)", "",
             f"Guest kernel {facts.get('kernel', ['?'])[0]} (stock Debian) under QEMU {accel}: "
             f"8250 UART as /dev/ttyS1, emulated FTDI adapter (ftdi_sio) as /dev/ttyUSB0, their "
             f"far ends {ends} served by kven-sim; {priority}. "
             f"Run time {time.monotonic() - started:.0f} s. "
             f"Result: **{'PASS' if passed else 'FAIL'}**.", ""]
    lines += [f"- {'PASS' if ok else 'FAIL'}: {text}" for ok, text in report.checks]
    lines += ["", "## Job timings (seconds kven-cli reports)", "",
              "| Job | real driver in the VM | plain pseudo-terminal |", "|---|---|---|"]
    for name, (vm, pty) in timings.items():
        lines.append(f"| {name} | {vm if vm is not None else '-'} | {pty} |")
    lines += ["", "## Details", ""] + [f"- {n}" for n in report.notes]
    text = "\n".join(lines) + "\n"
    (args.out / "report.md").write_text(text)
    print(text)
    return passed


def raise_priority():
    """The guest's time-outs (1 s a packet) must measure the drivers, not the neighbours: on a
    busy machine a normal-priority emulator stalls for seconds. QEMU and the simulators inherit
    this. Without the privilege the rig runs at normal priority."""
    try:
        os.sched_setscheduler(0, os.SCHED_RR, os.sched_param(1))
        return "QEMU and kven-sim at real-time priority (SCHED_RR 1)"
    except PermissionError:
        return "normal priority (no privilege for real-time scheduling)"


def boot(args, report):
    """A machine whose guest has said HELLO: with KVM when it works, else with TCG."""
    if os.access("/dev/kvm", os.R_OK | os.W_OK):
        try:
            machine = Machine(args, "kvm")
        except OSError:
            machine = None
        kernel = machine and hello(machine, KVM_LIMIT)
        if kernel:
            return machine, "KVM", kernel
        if machine:
            machine.close(wait=0)
        report.note(f"KVM is there but its guest did not start within {KVM_LIMIT} s; TCG ran "
                    "instead.")
    machine = Machine(args, "tcg")
    kernel = hello(machine, BOOT_LIMIT)
    if not kernel:
        machine.close(wait=0)
        raise Failure(f"the guest did not start within {BOOT_LIMIT} s")
    return machine, "TCG", kernel


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", type=Path, default=Path("build"))
    parser.add_argument("--out", type=Path, default=Path("build-hil"))
    parser.add_argument("--line", choices=("socket", "pty"), default="socket",
                        help="the far ends of the serial lines: unix sockets (default) or "
                             "pseudo-terminals, whose round trips stall for seconds on a "
                             "loaded machine")
    args = parser.parse_args()
    args.build, args.out = args.build.resolve(), args.out.resolve()
    started = time.monotonic()
    for old in args.out.glob("*.log"):
        old.unlink()
    priority = raise_priority()
    report = Report()
    guest, accel = Guest(), "-"
    try:
        machine, accel, kernel = boot(args, report)
        guest.facts["kernel"] = [kernel]
        try:
            serve(machine, guest)
        except BaseException:
            machine.close(wait=0)
            raise
        machine.close()  # the guest powers off after DONE
    except (Failure, OSError, ValueError) as e:
        report.check(False, f"the run broke off: {e} (see {args.out}/console.log)")
    if guest.jobs:
        judge(args, guest, report)
    timings = replay(args, guest.jobs) if guest.jobs else {}
    passed = write_report(args, report, timings, guest.facts, accel, priority, started)
    sys.exit(0 if passed else 1)


if __name__ == "__main__":
    main()
