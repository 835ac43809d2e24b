#!/usr/bin/env python3
"""The host's side of `make hil`: Kven against the kernel's real serial drivers.

Boots the guest that make-guest.sh built in QEMU (KVM when it works, else TCG) with two serial
devices whose far ends kven-sim serves: an 8250 UART (guest /dev/ttyS1) and an emulated FTDI
USB adapter (guest /dev/ttyUSB0), which the QEMU monitor unplugs and plugs back in. The guest's
/init (init.sh) runs the legs (leg-*.sh) and reports over its /dev/ttyS2: the 8250 and FTDI
jobs, the FTDI cable pulls, and a USB CDC-ACM link that lives wholly inside the guest. This
script answers the guest's requests, checks each case, replays the host-side jobs over a plain
pseudo-terminal for their timings, and writes OUT/report.md.

When the rig itself breaks (QEMU or its monitor goes away, the guest falls silent), the legs
that did not run to their end run again on a fresh boot, up to three boots. Rows that were
never measured are RIG ERROR rows, never FAIL; a row that was measured and failed stays a FAIL
whatever a later boot shows. The exit status is 0 when every row passed, 1 when a row failed,
and 3 when only the rig failed (0 with --rig-errors warn).

The far ends are unix sockets unless --line pty asks for host pseudo-terminals: a pty moves its
bytes through the kernel's flip-buffer work items, which run at normal priority, so on a
machine loaded by other work a pty round trip stalls for seconds and the guest's 1 s packet
time-outs would measure the neighbours rather than the drivers.

    tests/hil/rig.py --build BUILD_DIR --out OUT_DIR [--line socket|pty] [--legs LEG,...]
                     [--rig-errors fail|warn]
"""

import argparse
import os
import sys
import time
from pathlib import Path

sys.dont_write_bytecode = True  # no __pycache__ in the source tree

from checks import Rows  # noqa: E402
from checks_acm import judge_acm  # noqa: E402
from checks_serial import judge_ftdi_pull, judge_uart_ftdi  # noqa: E402
from guest import Guest, serve  # noqa: E402
from machine import RigError, boot  # noqa: E402
from replay import replay  # noqa: E402
from report import FAIL, PASS, RIG_ERROR, write_report  # noqa: E402

LEGS = {
    "uart-ftdi": judge_uart_ftdi,
    "ftdi-pull": lambda rows, images: judge_ftdi_pull(rows),
    "acm": judge_acm,
}
BOOTS = 3  # a leg the rig broke off runs again on a fresh boot, up to this many boots
RIG_STATUS = 3


class Run:
    """Everything the report needs: the rows and figures, the boots and what broke them."""

    def __init__(self, args, priority):
        self.line, self.priority, self.started = args.line, priority, time.monotonic()
        self.guests, self.rows, self.figures, self.notes, self.rig_errors = [], [], [], [], []
        self.kernel = self.accel = None
        self.timings = {}


def run_legs(args, legs, attempt, notes, kvm_failed):
    """One boot of the guest running LEGS; what it reported, with `broken` set when the rig
    broke off."""
    guest = Guest(attempt, legs)
    try:
        machine, guest.accel, guest.kernel = boot(args, legs, notes, kvm_failed)
    except (RigError, OSError, ValueError) as e:
        guest.broken = str(e)
        return guest
    try:
        serve(machine, guest)
    except (RigError, OSError, ValueError) as e:
        guest.broken = f"{e}; {machine.post_mortem()}"
        machine.close(wait=0)
        return guest
    except BaseException:
        machine.close(wait=0)
        raise
    machine.close()  # the guest powers off after DONE
    return guest


def leg_rows(run, leg, images):
    """The rows of LEG: those of the boot that ran it to its end, else those of the last boot
    that began it; with every measured FAIL of a boot that the rig broke off in this leg."""
    judged = []
    for guest in run.guests:
        if leg in guest.begun:
            rows = Rows(guest, leg)
            LEGS[leg](rows, images)
            judged.append(rows)
    if not judged:
        why = run.guests[-1].broken if run.guests else "no boot"
        run.rows.append((RIG_ERROR, f"The {leg} leg did not run: {why}"))
        return
    kept = next((rows for rows in judged if rows.complete), judged[-1])
    for rows in judged:
        if rows is not kept:
            run.rows += [(status, f"(boot {rows.guest.attempt}, before the rig broke off) {text}")
                         for status, text in rows.rows if status == FAIL]
    run.rows += kept.rows
    run.figures += kept.figures
    run.notes += kept.notes


def raise_priority():
    """The guest's time-outs (1 s a packet) must measure the drivers, not the neighbours: on a
    busy machine a normal-priority emulator stalls for seconds. QEMU and the simulators inherit
    this. Without the privilege the rig runs at normal priority."""
    try:
        os.sched_setscheduler(0, os.SCHED_RR, os.sched_param(1))
        return "QEMU and kven-sim at real-time priority (SCHED_RR 1)"
    except PermissionError:
        return "normal priority (no privilege for real-time scheduling)"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", type=Path, default=Path("build"))
    parser.add_argument("--out", type=Path, default=Path("build-hil"))
    parser.add_argument("--line", choices=("socket", "pty"), default="socket",
                        help="the far ends of the serial lines: unix sockets (default) or "
                             "pseudo-terminals, whose round trips stall for seconds on a "
                             "loaded machine")
    parser.add_argument("--legs", default=",".join(LEGS),
                        help=f"the legs to run, comma-separated (default {','.join(LEGS)})")
    parser.add_argument("--rig-errors", choices=("fail", "warn"), default="fail",
                        help="when only the rig failed: exit 3 (fail, the default) or 0 with a "
                             "warning (warn)")
    args = parser.parse_args()
    args.build, args.out = args.build.resolve(), args.out.resolve()
    legs = args.legs.split(",")
    if any(leg not in LEGS for leg in legs):
        parser.error(f"--legs takes {', '.join(LEGS)}")
    for old in args.out.glob("*.log"):
        old.unlink()
    run = Run(args, raise_priority())
    kvm_failed = [False]
    pending = legs
    for attempt in range(1, BOOTS + 1):
        guest = run_legs(args, pending, attempt, run.notes, kvm_failed)
        run.guests.append(guest)
        run.kernel, run.accel = run.kernel or guest.kernel, run.accel or guest.accel
        pending = [leg for leg in pending if leg not in guest.ended]
        if guest.broken:
            more = "; the legs left run again on a fresh boot" if attempt < BOOTS else ""
            run.rig_errors.append(f"Boot {attempt} ({', '.join(guest.legs)}) broke off"
                                  + (f" in leg {guest.begun[-1]}" if guest.begun else "")
                                  + f": {guest.broken}{more}")
        if not pending or not guest.broken:
            break
    for leg in legs:
        leg_rows(run, leg, args.out / "images")
    jobs = {}
    for guest in run.guests:
        jobs.update(guest.jobs)
    run.timings = replay(args, jobs.values())
    result = write_report(args.out, run)
    if result == RIG_ERROR:
        print(f"make hil: RIG ERROR: the rig broke off {len(run.guests)} times, so some rows "
              "were not measured (see the report's Rig errors); no measured row failed",
              file=sys.stderr)
    if result == PASS or (result == RIG_ERROR and args.rig_errors == "warn"):
        sys.exit(0)
    sys.exit(RIG_STATUS if result == RIG_ERROR else 1)


if __name__ == "__main__":
    main()
