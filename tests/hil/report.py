"""OUT/report.md: the rows of every leg, the figures, the timing table, the rig's errors and the
details."""

import time

PASS, FAIL, RIG_ERROR = "PASS", "FAIL", "RIG ERROR"


def verdict(rows):
    """FAIL when a measured row failed; RIG ERROR when none failed but some were not measured;
    else PASS."""
    statuses = {status for status, _ in rows}
    return FAIL if FAIL in statuses else RIG_ERROR if RIG_ERROR in statuses else PASS


def write_report(out, run):
    """Writes OUT/report.md from `run` (see rig.Run) and prints it; returns the verdict."""
    result = verdict(run.rows)
    ends = "unix sockets" if run.line == "socket" else "host pseudo-terminals"
    boots = len(run.guests)
    lines = ["# Kven on real serial drivers (`make hil`)", "",
             f"Guest kernel {run.kernel or '?'} (stock Debian) under QEMU {run.accel or '-'}: "
             f"8250 UART as /dev/ttyS1 and emulated FTDI adapter (ftdi_sio) as /dev/ttyUSB0, "
             f"their far ends {ends} served by kven-sim; a USB CDC-ACM link inside the guest "
             f"(dummy_hcd, g_serial's /dev/ttyGS0 served by kven-sim, cdc-acm's /dev/ttyACM0 "
             f"for kven-cli); {run.priority}. Run time {time.monotonic() - run.started:.0f} s"
             f"{f', {boots} boots' if boots > 1 else ''}. Result: **{result}**.", ""]
    lines += [f"- {status}: {text}" for status, text in run.rows]
    lines += [f"- FIGURE: {text}" for text in run.figures]
    if run.rig_errors:
        lines += ["", "## Rig errors", ""] + [f"- {e}" for e in run.rig_errors]
    lines += ["", "## Job timings (seconds kven-cli reports)", "",
              "| Job | real driver in the VM | plain pseudo-terminal |", "|---|---|---|"]
    for name, (vm, pty) in run.timings.items():
        lines.append(f"| {name} | {vm if vm is not None else '-'} | {pty} |")
    lines += ["", "## Details", ""] + [f"- {n}" for n in run.notes]
    text = "\n".join(lines) + "\n"
    (out / "report.md").write_text(text)
    print(text)
    return result
