"""The rows of the USB CDC-ACM leg (leg-acm.sh): kven-cli on cdc-acm's /dev/ttyACM0, kven-sim on
g_serial's /dev/ttyGS0, both ends in the guest over dummy_hcd."""

import hashlib
import re
import statistics

from checks import quoted
from checks_serial import judge_hold, low_latency

FLASH_BYTES = 4 * 1024 * 1024  # kven-sim's flash model, erased to 0xFF
ARMED_SECONDS = {"acm-pull-write": 1.0, "acm-pull-checksum": 1.0}  # a packet's time-out
ROUNDS = 3


def flash_digest(image):
    """The SHA-256 of the simulator's flash after a Program of IMAGE."""
    return hashlib.sha256(image + b"\xff" * (FLASH_BYTES - len(image))).hexdigest()


def port(job):
    """The device a job ran on (its --port, or the blocking host's second argument)."""
    args = job.args
    for previous, word in zip(args, args[1:]):
        if previous == "--port":
            return word
    return next((a for a in args if a.startswith("/dev/")), "?")


def judge_acm(rows, images):
    job, fact = rows.job, rows.fact
    image = (images / "acm.bin").read_bytes()
    expected = flash_digest(image)

    def completed(name):
        return " Complete at " in fact(f"{name}-session")

    if "acm-sim-start" in rows.guest.facts:
        rows.note(f"kven-sim did not start on /dev/ttyGS0: {fact('acm-sim-start')}")

    if rows.measured("`kven-cli ports` on the ACM link", "acm-ports"):
        ports = job("acm-ports")
        listed = next((line for line in ports.lines if re.match(r"COM\d+\s+/dev/ttyACM\d", line)),
                      "")
        rows.check(ports.rc == 0 and re.search(r"\s0525:a4a7\s.*\bKVEN0002\s*$", listed),
                   f"`kven-cli ports` lists the ACM device with its USB identity (g_serial's "
                   f"0525:a4a7, serial KVEN0002): `{' '.join(listed.split()) or 'not listed'}`")

    what = "Program over /dev/ttyACM0 (cdc-acm), 256 KiB"
    if rows.measured(what, "acm-program", "acm-program-flash"):
        j = job("acm-program")
        same = fact("acm-program-flash") == expected
        rows.check(j.rc == 0 and j.results() == ["Writing is OK"] and same
                   and completed("acm-program"),
                   f"{what}: exit {j.rc} {quoted(j)}, the simulator's flash "
                   f"{'equals' if same else 'DIFFERS FROM'} the image")
    what = "EEP Sum over /dev/ttyACM0 (cdc-acm), 256 KiB"
    if rows.measured(what, "acm-program-sums", "acm-eepsum", "acm-eepsum-sums"):
        j = job("acm-eepsum")
        same = fact("acm-eepsum-sums") == fact("acm-program-sums")
        rows.check(j.rc == 0 and j.results() == ["Writing is OK"] and same
                   and completed("acm-eepsum"),
                   f"{what}: exit {j.rc} {quoted(j)}, the simulator got "
                   f"{'the same' if same else 'ANOTHER'} checksum table as from the Program")

    judge_hold(rows, "acm-hold", port(job("acm-hold")) if "acm-hold" in rows.guest.jobs
               else "/dev/ttyACM0")
    if all(rows.guest.arrived(f"acm-hold-{when}") for when in ("before", "during", "after")):
        flags = low_latency(rows, "acm-hold")
        rows.note(f"Low latency on the ACM device, read with TIOCGSERIAL in the guest: "
                  f"{flags[0]} before, {flags[1]} during, {flags[2]} after the job (cdc-acm "
                  "keeps no such flag).")

    what = "Line settings on the ACM device"
    if rows.measured(what, "acm-115200-line", "acm-250000", "acm-250000-line"):
        j = job("acm-250000")
        low, high = fact("acm-115200-line"), fact("acm-250000-line")
        rows.check(j.rc == 0 and j.results() == ["Writing is OK"]
                   and "speed=115200 " in low and "speed=250000 " in high,
                   f"{what}: cdc-acm takes any rate (it only passes it on to the device); "
                   f"after the Program at 115200 the driver reads back `{low}`, after an EEP "
                   f"Sum at 250000 (exit {j.rc} {quoted(j)}) `{high}`")

    for name, phase in (("acm-pull-write", "the write phase"),
                        ("acm-pull-checksum", "the checksum phase")):
        judge_pull(rows, name, phase)

    judge_speed(rows, expected)


def judge_pull(rows, name, phase):
    job, fact, guest = rows.job, rows.fact, rows.guest
    what = f"Cable pulled during {phase} (the USB host's port switched off)"
    if not rows.measured(what, name, f"{name}-unplugged", f"after-{name}"):
        return
    j, after = job(name), job(f"after-{name}")
    armed = ARMED_SECONDS[name]
    took = j.t1 - float(fact(f"{name}-unplugged")) if j.t1 is not None else None
    rows.check(j.rc == 2 and j.results() == ["Time out"] and took is not None
               and took <= armed + 0.5 and name not in guest.facts
               and after.rc == 0 and after.results() == ["Writing is OK"],
               f"{what}: the job's process exits {j.rc} with {quoted(j)}, "
               + (f"{took:.2f} s after the unplug (guest clock)" if took is not None
                  else "never")
               + f" (armed time-out {armed:.0f} s + 0.5 s allowed); with the port on again the "
               f"next job on the new {port(after)} exits {after.rc} {quoted(after)}")
    kernel = [line.split("] ", 1)[-1] for line in guest.facts.get(f"{name}-kernel", [])]
    rows.note(f"Cable pulled during {phase}: kven-cli said "
              + " / ".join(line for line in j.lines if not line.startswith(("Writing:", "Burn")))
              + f"; the loader's side: {fact(f'{name}-session')}; the guest's kernel: "
              + (" / ".join(kernel) or "nothing"))


def judge_speed(rows, expected):
    """The same 256 KiB Program through kven-cli and through the blocking host, alternated: a
    figure, not a check. A job that failed is a FAIL row of its own."""
    names = [f"acm-speed-{side}-{r}" for r in range(1, ROUNDS + 1) for side in ("kven", "host")]
    if not rows.measured("The speed figure on the ACM link", *names):
        return
    failed = [n for n in names if rows.job(n).rc != 0 or rows.fact(f"{n}-flash") != expected]
    if failed:
        rows.check(False, "The speed jobs on the ACM link: "
                   + ", ".join(f"{n} exit {rows.job(n).rc} {quoted(rows.job(n))}"
                               + ("" if rows.fact(f"{n}-flash") == expected
                                  else ", flash DIFFERS FROM the image") for n in failed))
    times = {side: [rows.job(f"acm-speed-{side}-{r}").t1 - rows.job(f"acm-speed-{side}-{r}").t0
                    for r in range(1, ROUNDS + 1)] for side in ("kven", "host")}
    kven, host = statistics.median(times["kven"]), statistics.median(times["host"])
    rows.figure(
        f"Speed on the ACM link: the same 256 KiB Program (no erase time), alternated "
        f"{ROUNDS} times in the guest: kven-cli "
        + " / ".join(f"{t:.2f}" for t in times["kven"]) + " s, kven-blocking-host "
        + " / ".join(f"{t:.2f}" for t in times["host"]) + f" s; medians {kven:.2f} s and "
        f"{host:.2f} s, ratio **{kven / host:.2f}**"
        + ("" if failed else " (every job exit 0, every flash equal to the image)"))
