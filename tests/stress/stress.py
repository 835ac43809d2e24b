#!/usr/bin/env python3
"""Whole jobs on a loaded machine: Kven next to the minimal blocking host.

    tests/stress/stress.py [--build DIR] [--jobs N] [--fault-jobs N] [--seed S] [--sessions K]

Three simulated loaders (kven-sim: packet sizes 255, 64 and 16, with and without the
information block) serve fault-free jobs of mixed sizes, Program and EEP Sum. The same jobs run
first on a quiet machine (a few, for the slow-down), then under tests/stress/load.sh, each job
through kven-cli and right after it through kven-blocking-host, so both meet the same load.
Every failure is false: the loaders never fail. Then, under the same load, fault jobs whose
time-out must end them (faults.py), each side in turn: how far each time-out fell from its armed
time, and any wrong verdict. Exit status 0 when Kven had no false failure, and no more wrong
verdicts and late time-outs than the blocking host.
"""

import argparse
import json
import random
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time
from pathlib import Path

import faults

HERE = Path(__file__).resolve().parent
# (packet size, letter, largest image): small packets get small images, so a loaded job stays
# within minutes.
LOADERS = [(255, "A", 1 << 20), (64, "e", 256 << 10), (16, "d", 64 << 10)]
SIZES = [1024, 4096, 16 << 10, 64 << 10, 100_000, 256 << 10, 1 << 20]
JOB_LIMIT_S = 900


def start_loader(build, packet, letter):
    sim = subprocess.Popen(
        [str(build / "sim/kven-sim"), "--packet-size", str(packet), "--letter", letter,
         "--erase-units", "1", "--erase-scale", "0.05", "--idle-timeout", "60000"],
        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    device = sim.stdout.readline().strip()
    if not device.startswith("/"):
        sys.exit(f"kven-sim did not start: {device!r}")
    # It reports every session on stdout: drain the pipe, or a long run fills it and the
    # simulator blocks in a write.
    threading.Thread(target=sim.stdout.read, daemon=True).start()
    return sim, device


def make_jobs(count, seed):
    rng = random.Random(seed)
    jobs = []
    for i in range(count):
        loader = i % len(LOADERS)
        size = rng.choice([s for s in SIZES if s <= LOADERS[loader][2]])
        mode = "eepsum" if rng.random() < 0.25 else "program"
        jobs.append((loader, size, mode))
    return jobs


def run(cmd):
    t0 = time.monotonic()
    try:
        p = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                           timeout=JOB_LIMIT_S)
        code, out = p.returncode, p.stdout
    except subprocess.TimeoutExpired:
        code, out = -1, "hung"
    return code, time.monotonic() - t0, out


def json_of(out):
    """kven-cli's --json object, or {} when it printed none."""
    try:
        return json.loads(out.strip().splitlines()[-1])
    except (ValueError, IndexError):
        return {}


class Side:
    def __init__(self, name):
        self.name, self.times, self.failures, self.extended = name, [], [], []

    def add(self, job, code, seconds, out):
        self.times.append(seconds)
        if self.name == "kven":
            self.extended.append(json_of(out).get("timeoutExtensionMs", 0))
        if code != 0:
            lines = out.strip().splitlines()
            self.failures.append((job, code, lines[-1] if lines else ""))


def one_job(side, build, ini, images, devices, job):
    loader, size, mode = job
    image = images[size]
    if side.name == "kven":
        cmd = [str(build / "cli/kven-cli"), mode, "--json", "--ini", ini, "--baud", "115200",
               "--port", devices[loader], image]
    else:
        cmd = [str(build / "bench/kven-blocking-host"), mode, devices[loader], image, "115200"]
    code, seconds, out = run(cmd)
    side.add(job, code, seconds, out)
    return seconds


def load_figures():
    figures = Path("/proc/loadavg").read_text().split()[0]
    pressure = Path("/proc/pressure/cpu")
    if pressure.exists():
        some = pressure.read_text().split()[1]
        figures += f", cpu pressure {some}"
    return figures


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default="build")
    ap.add_argument("--jobs", type=int, default=300)
    ap.add_argument("--fault-jobs", type=int, default=10, help="jobs per fault, each side")
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--sessions", type=int, default=3, help="other sessions under load")
    args = ap.parse_args()
    build = Path(args.build).resolve()

    work = Path(tempfile.mkdtemp(prefix="kven-stress-"))
    ini = str(work / "stress.INI")
    Path(ini).write_text("")
    rng = random.Random(args.seed)
    images = {}
    for size in SIZES:
        images[size] = str(work / f"image-{size}.bin")
        Path(images[size]).write_bytes(rng.randbytes(size))
    loaders = [start_loader(build, p, letter) for p, letter, _ in LOADERS]
    devices = [device for _, device in loaders]
    jobs = make_jobs(args.jobs, args.seed)
    kven, host = Side("kven"), Side("blocking host")
    load = None
    try:
        # The slow-down: a few of the same jobs on the quiet machine.
        quiet = {"kven": [], "host": []}
        for job in jobs[: min(12, len(jobs))]:
            quiet["kven"].append(one_job(Side("kven"), build, ini, images, devices, job))
            quiet["host"].append(one_job(Side("host"), build, ini, images, devices, job))

        load = subprocess.Popen([str(HERE / "load.sh"), "--sessions", str(args.sessions), "--",
                                 "sleep", "infinity"])
        time.sleep(5)  # let the load build up before the first job (not a synchronisation)
        print(f"under load: {load_figures()}", flush=True)
        loaded = {"kven": [], "host": []}
        for i, job in enumerate(jobs, 1):
            loaded["kven"].append(one_job(kven, build, ini, images, devices, job))
            loaded["host"].append(one_job(host, build, ini, images, devices, job))
            if i % 25 == 0 or i == len(jobs):
                print(f"{i}/{len(jobs)} jobs: kven {len(kven.failures)} failed, "
                      f"blocking host {len(host.failures)} failed; load {load_figures()}",
                      flush=True)
        fault_kven, fault_host = faults.run_faults(
            build, ini, images[SIZES[2]], args.fault_jobs, json_of,
            lambda text: print(f"{text}; load {load_figures()}", flush=True))
    finally:
        if load:
            load.send_signal(signal.SIGTERM)
            load.wait()
        for sim, _ in loaders:
            sim.terminate()
            sim.wait()

    n = min(12, len(jobs))
    print()
    for side, key in ((kven, "kven"), (host, "host")):
        slow = statistics.mean(loaded[key][:n]) / max(statistics.mean(quiet[key]), 1e-6)
        print(f"{side.name:14s} {len(side.times)} jobs, {len(side.failures)} false failures, "
              f"mean {statistics.mean(side.times):.2f} s a job, {slow:.1f} x slower than quiet")
        for (loader, size, mode), code, last in side.failures:
            print(f"    {mode} {size} bytes, packet {LOADERS[loader][0]}: exit {code} {last}")
    ratio = statistics.mean(kven.times) / max(statistics.mean(host.times), 1e-6)
    print(f"job time ratio, kven / blocking host: {ratio:.2f}")
    ext = [e for e in kven.extended if e > 0]
    print(f"kven good jobs extended: {len(ext)} of {len(kven.extended)}"
          + (f", by {min(ext)} to {max(ext)} ms (mean {statistics.mean(ext):.0f})" if ext else ""))
    print()
    faults.print_faults(fault_kven, fault_host)
    late = [sum(1 for s in side.late if s > faults.LATE_S) for side in (fault_kven, fault_host)]
    ok = (not kven.failures and len(fault_kven.wrong) <= len(fault_host.wrong)
          and late[0] <= late[1])
    print("PASS" if ok else "FAIL")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
