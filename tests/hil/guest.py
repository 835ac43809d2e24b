"""What the guest reports over its control port (the protocol is in init.sh), gathered into
jobs and facts, and the host's answers to its requests."""

import re
import time

from machine import STEP_LIMIT, RigError

RESULT_TEXTS = [
    "Writing is OK", "Write failed", "Time out", "Verify failed", "Get LD version failed",
    "Chip erase failed", "Link failed", "Set file length failed", "Write sync failed",
    "Wait end code failed", "Job did not start", "Checksum link failed",
    "Checksum numbers failed", "Checksum sync failed", "Checksum Compare failed",
]


class Job:
    """One program run in the guest: `args` are kven-cli's (or another PROGRAM's). `rc` stays
    None until the guest reported its end; `t0` and `t1` are its start and end on the guest's
    clock (uptime seconds)."""

    def __init__(self, name, args, config, program="kven-cli"):
        self.name, self.args, self.config, self.program = name, args, config, program
        self.rc, self.lines, self.ended, self.sim = None, [], None, None
        self.t0 = self.t1 = None

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


class Guest:
    """What one boot of the guest reported: jobs by name, facts by name, when each pulled job's
    cable was pulled (host monotonic seconds), the legs it began and ended, and what broke the
    run off (None when the guest said DONE)."""

    def __init__(self, attempt, legs):
        self.attempt, self.legs = attempt, legs
        self.jobs, self.facts, self.unplugged = {}, {}, {}
        self.begun, self.ended = [], []
        self.broken = None
        self.accel = self.kernel = None

    def arrived(self, name):
        """True when the job NAME has ended or the fact NAME came."""
        job = self.jobs.get(name)
        return (job is not None and job.rc is not None) or name in self.facts


def serve(machine, guest):
    """Answers the guest and gathers its reports until DONE."""
    jobs, facts, unplugged = guest.jobs, guest.facts, guest.unplugged
    current = last_begun = None
    while True:
        line = machine.line(STEP_LIMIT)
        word, _, rest = line.partition(" ")
        if word == "DONE":
            return
        if word == "LEG":
            guest.begun.append(rest)
        elif word == "LEG-END":
            guest.ended.append(rest)
        elif word == "BEGIN":
            name, program, *args = rest.split()
            device = "usb" if "/dev/ttyUSB0" in args else "s1" if "/dev/ttyS1" in args else ""
            job = jobs[name] = Job(name, args, machine.usb_config if device == "usb" else "loader",
                                   program)
            job.sim = machine.sims.get(device)
            last_begun = name
        elif word == "JOB":
            name, rc, t0, t1 = rest.split()
            current = jobs.setdefault(name, Job(name, [], None))
            current.t0, current.t1 = float(t0), float(t1)
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
            raise RigError(f"unexpected line from the guest: {line}")
