"""The rig's machinery: QEMU with its serial lines, the monitor (QMP), the guest's control port,
and the kven-sim processes on the host that serve the lines' far ends.

Everything that goes wrong here is the rig's, not Kven's: it raises RigError (or OSError from a
socket), which rig.py reports as a RIG ERROR and retries."""

import json
import os
import socket
import subprocess
import threading
import time

# Every loader erases for 1 s and states 2 s in its information block ('e' loaders send one),
# so a cable pulled during the erase meets a 2 s time-out. "paced" is the adapter's far end for
# the checksum-phase pull: at 9600 bit/s the table takes seconds, not milliseconds.
LOADER = ["--letter", "e", "--erase-units", "1", "--erase-scale", "0.5"]
PACED = LOADER + ["--baud", "9600"]
ADAPTER = "usb-serial,id=us0,chardev=c2,serial=KVEN0001"
BOOT_LIMIT = 240  # seconds until the guest says HELLO under TCG
KVM_LIMIT = 15  # the same with KVM, which boots in a few seconds when it works
# Seconds of silence from the guest before the run is given up. The guest kills a job after
# 60 s (init.sh), so silence this long is the machine's, not a job's.
STEP_LIMIT = 120


class RigError(Exception):
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
            raise RigError(f"kven-sim {tag} did not start")
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
    """QEMU with the two serial lines, its monitor (QMP) and the guest's control port. The
    guest runs the legs named in `legs` (init.sh reads them from the kernel command line)."""

    def __init__(self, args, accel, legs):
        out = args.out
        self.out, self.sim_exe, self.sims = out, str(args.build / "sim/kven-sim"), {}
        self.log = open(out / "guest.log", "a")
        self.log.write(f"{time.monotonic():.3f} boot {accel}: {' '.join(legs)}\n")
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
             "-append", f"console=ttyS0 panic=-1 quiet hil.legs={','.join(legs)}",
             "-chardev", f"file,id=con,path={out / 'console.log'}", "-serial", "chardev:con",
             "-chardev", ends["c1"], "-device", "isa-serial,chardev=c1",
             "-chardev", f"socket,id=ctl,path={out / 'control.sock'}",
             "-device", "isa-serial,chardev=ctl",
             "-chardev", f"socket,id=qmp,path={out / 'qmp.sock'}",
             "-mon", "chardev=qmp,mode=control",
             "-device", "qemu-xhci", "-chardev", ends["c2"], "-device", ADAPTER],
            stdout=subprocess.DEVNULL, stderr=open(out / "qemu.log", "a"))
        try:
            self._connect(args, listeners)
        except BaseException:
            self.close(wait=0)
            raise

    def _connect(self, args, listeners):
        """Takes QEMU's monitor and control connections and starts the lines' simulators."""
        self.qmp_sock = listeners["qmp"].accept()[0]
        self.control = listeners["control"].accept()[0]
        self.qmp_file = self.qmp_sock.makefile("rw")
        self.control_file = self.control.makefile("r", encoding="utf-8", errors="replace")
        self.events = []
        self._qmp_line()  # greeting
        self.qmp("qmp_capabilities")
        if args.line == "pty":
            self.ends = {c["label"]: c["filename"][4:] for c in self.qmp("query-chardev")
                         if c["filename"].startswith("pty:")}
        else:
            self.ends = {c: str(self.out / f"{c}.sock") for c in ("c1", "c2")}
        self.sims["s1"] = Sim(self.sim_exe, LOADER, self.out, "s1", self.ends["c1"])
        self.sims["usb"] = Sim(self.sim_exe, LOADER, self.out, "usb", self.ends["c2"])
        self.usb_config = "loader"

    def _qmp_line(self):
        text = self.qmp_file.readline()
        if not text:
            raise RigError("the QEMU monitor closed")
        return json.loads(text)

    def qmp(self, command, **arguments):
        self.qmp_file.write(json.dumps({"execute": command, "arguments": arguments}) + "\n")
        self.qmp_file.flush()
        while True:
            reply = self._qmp_line()
            if "error" in reply:
                raise RigError(f"{command}: {reply['error']}")
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
            self.events.append(self._qmp_line())

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
            raise RigError(f"the guest said nothing for {limit} s")
        if not text:
            raise RigError("the guest's control port closed")
        self.log.write(f"{time.monotonic():.3f} < {text}")
        self.log.flush()
        return text.rstrip("\n")

    def answer(self, text):
        self.log.write(f"{time.monotonic():.3f} > {text}\n")
        self.control.sendall((text + "\n").encode())

    def post_mortem(self):
        """What the machine looked like when the rig broke: QEMU's state and the last lines
        of its log and of the guest's console."""
        state = ("QEMU still running" if self.qemu.poll() is None
                 else f"QEMU exited with status {self.qemu.returncode}")
        tails = []
        for name in ("qemu.log", "console.log"):
            try:
                lines = (self.out / name).read_text(errors="replace").strip().splitlines()
            except OSError:
                lines = []
            # TCG's warnings about CPU features it lacks say nothing about the break.
            lines = [line for line in lines if "doesn't support requested feature" not in line]
            if lines:
                tails.append(f"{name} ends \"{lines[-1].strip()}\"")
        return "; ".join([state] + tails)

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


def hello(machine, limit):
    """Waits for the guest's HELLO; its kernel release, or None when it never came."""
    try:
        line = machine.line(limit)
    except (RigError, OSError):
        return None
    return line[6:] if line.startswith("HELLO ") else None


def boot(args, legs, notes, kvm_failed):
    """A machine whose guest has said HELLO, with KVM when it works, else with TCG; and the
    accelerator and kernel release. `kvm_failed` (a one-element list) remembers across boots
    that KVM did not work, so a second boot does not wait for it again."""
    if os.access("/dev/kvm", os.R_OK | os.W_OK) and not kvm_failed[0]:
        try:
            machine = Machine(args, "kvm", legs)
        except (RigError, OSError):
            machine = None
        kernel = machine and hello(machine, KVM_LIMIT)
        if kernel:
            return machine, "KVM", kernel
        if machine:
            machine.close(wait=0)
        kvm_failed[0] = True
        notes.append(f"KVM is there but its guest did not start within {KVM_LIMIT} s; TCG ran "
                     "instead.")
    machine = Machine(args, "tcg", legs)
    kernel = hello(machine, BOOT_LIMIT)
    if not kernel:
        why = machine.post_mortem()
        machine.close(wait=0)
        raise RigError(f"the guest did not start within {BOOT_LIMIT} s ({why})")
    return machine, "TCG", kernel
