"""The report's rows from one leg of one boot of the guest.

A row is PASS or FAIL when what it judges was measured. When the rig broke off a leg (see
machine.RigError), a row whose jobs or facts never came was not measured: it becomes a RIG
ERROR row, never a FAIL."""

from guest import Job


class Rows:
    def __init__(self, guest, leg):
        self.guest, self.leg = guest, leg
        self.complete = leg in guest.ended
        self.rows = []  # (status, text): status PASS, FAIL or RIG ERROR
        self.figures, self.notes = [], []

    def job(self, name):
        return self.guest.jobs.get(name) or Job(name, [], None)

    def fact(self, name):
        return " | ".join(self.guest.facts.get(name, ["(none)"]))

    def measured(self, what, *names):
        """True when the row WHAT can be judged: the leg ran to its end, or every job and fact
        in NAMES came before the rig broke off. Otherwise records WHAT as not measured."""
        missing = [n for n in names if not self.guest.arrived(n)]
        if self.complete or not missing:
            return True
        self.rows.append(("RIG ERROR", f"{what}: not measured, boot {self.guest.attempt} broke "
                                       f"off before `{missing[0]}` (see Rig errors)"))
        return False

    def check(self, ok, text):
        self.rows.append(("PASS" if ok else "FAIL", text))

    def figure(self, text):
        self.figures.append(text)

    def note(self, text):
        self.notes.append(text)


def quoted(job):
    return ", ".join(f'"{r}"' for r in job.results()) or "no result"


def host_sessions(guest):
    """The loader session of each job on a host-side simulator, by job name. Every job that
    reached the loader left one session, in order: the k-th session of a line is the k-th such
    job's. (Session lines trail the jobs by up to the time kven-sim takes to write its files,
    so their arrival times do not tell.)"""
    order = {}
    for j in guest.jobs.values():
        if j.sim and j.rc is not None and j.rc != 10:
            done = sum(1 for sim, _ in order.values() if sim is j.sim)
            order[j.name] = (j.sim, done)
    sessions = {}
    for name, (sim, index) in order.items():
        sessions[name] = sim.sessions[index] if index < len(sim.sessions) else None
    return sessions
