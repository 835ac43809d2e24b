"""The guest's jobs on the host-side lines replayed over a plain pseudo-terminal, for the timing
table of the report."""

import subprocess

from guest import Job
from machine import LOADER, PACED, RigError, Sim


def replay(args, jobs):
    """The same jobs over a plain pseudo-terminal: kven-cli on the host against a fresh
    kven-sim with the same loader. A job that fails there (ptys stall on a loaded machine) is
    tried once more, and the cell says so. Returns {name: (seconds in the VM, cell)}."""
    timings = {}
    for job in jobs:
        if job.rc != 0 or job.sim is None or job.program != "kven-cli":
            continue
        cell = "-"
        for attempt in ("", " (2nd try)"):
            try:
                sim = Sim(str(args.build / "sim/kven-sim"),
                          PACED if job.config == "paced" else LOADER, args.out, "pty")
            except RigError as e:
                cell = str(e)
                continue
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
            except subprocess.TimeoutExpired:
                cell = "no end within 120 s"
                continue
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
