"""Fault jobs for the stress run: loaders that fall silent, or whose erase outlasts the time they
announced, so that each host's time-out must end the job. Each job gets a fresh kven-sim, kept
serving until the host has exited; the simulator's session line tells when the last byte crossed
the line (CLOCK_MONOTONIC, as Python's time.monotonic), so how far each time-out fell from its
armed time is measured outside both hosts, the same way for each.
"""

import re
import subprocess
import time
from dataclasses import dataclass, field

# (name, simulator options, mode, armed time-out in seconds after the last byte)
FAULTS = [
    ("silent at the link", ["--fault", "silent:link"], "program", 2.0),
    ("silent at an acknowledgement", ["--fault", "silent:ack:3"], "program", 1.0),
    ("silent in the checksum phase", ["--fault", "silent:sum-ack:2"], "eepsum", 1.0),
    # The information block announces 2 s; the erase takes 8 s.
    ("erase past its stated time", ["--letter", "e", "--erase-units", "1", "--erase-scale", "4"],
     "program", 2.0),
]
LATE_S = 0.7
LAST_BYTE = re.compile(r"last byte at ([0-9.]+)")


@dataclass
class FaultSide:
    name: str
    late: list = field(default_factory=list)       # seconds past the armed time, per job
    wrong: list = field(default_factory=list)      # (fault, exit status, last line)
    extended: list = field(default_factory=list)   # Kven's own report, ms, per job

    def summary(self):
        n = len(self.late)
        worst = max(self.late, default=0.0)
        mean = sum(self.late) / n if n else 0.0
        over = sum(1 for s in self.late if s > LATE_S)
        return (f"{self.name:14s} {n} fault jobs, {len(self.wrong)} wrong verdicts, "
                f"{over} time-outs over {LATE_S} s late; past the armed time: "
                f"mean {mean:.3f} s, worst {worst:.3f} s")


def _start_sim(build, options):
    sim = subprocess.Popen([str(build / "sim/kven-sim"), "--idle-timeout", "60000", *options],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    device = sim.stdout.readline().strip()
    return sim, device


def run_fault_job(side, build, ini, image, fault, json_of):
    """One job of `fault` through `side` ("kven" or "host"); returns (exit, late s, ext ms)."""
    name, options, mode, armed = fault
    sim, device = _start_sim(build, options)
    if side == "kven":
        cmd = [str(build / "cli/kven-cli"), mode, "--json", "--ini", ini, "--baud", "115200",
               "--port", device, image]
    else:
        cmd = [str(build / "bench/kven-blocking-host"), mode, device, image, "115200"]
    try:
        p = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                           timeout=120)
        code, out = p.returncode, p.stdout
    except subprocess.TimeoutExpired:
        code, out = -1, "hung"
    exited = time.monotonic()
    sim.terminate()
    lines = sim.communicate(timeout=60)[0]
    stamps = [float(m.group(1)) for m in LAST_BYTE.finditer(lines)]
    late = exited - stamps[0] - armed if stamps else float("inf")
    extended = json_of(out).get("timeoutExtensionMs", 0) if side == "kven" else 0
    last = out.strip().splitlines()[-1] if out.strip() else ""
    return code, late, extended, last


def run_faults(build, ini, image, per_fault, json_of, progress):
    kven, host = FaultSide("kven"), FaultSide("blocking host")
    jobs = [f for f in FAULTS for _ in range(per_fault)]
    for i, fault in enumerate(jobs, 1):
        for side, record in (("kven", kven), ("host", host)):
            code, late, extended, last = run_fault_job(side, build, ini, image, fault, json_of)
            record.late.append(late)
            if side == "kven":
                record.extended.append(extended)
            if code != 2:
                record.wrong.append((fault[0], code, last))
        if i % 10 == 0 or i == len(jobs):
            progress(f"{i}/{len(jobs)} fault jobs: kven {len(kven.wrong)} wrong, "
                     f"{sum(1 for s in kven.late if s > LATE_S)} late; blocking host "
                     f"{len(host.wrong)} wrong, {sum(1 for s in host.late if s > LATE_S)} late")
    return kven, host


def print_faults(kven, host):
    for side in (kven, host):
        print(side.summary())
        for name, code, last in side.wrong:
            print(f"    {name}: exit {code} {last}")
    ext = [e for e in kven.extended if e > 0]
    print(f"kven fault jobs extended: {len(ext)} of {len(kven.extended)}"
          + (f", by {min(ext)} to {max(ext)} ms" if ext else ""))
