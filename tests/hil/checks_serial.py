"""The rows of the 8250 UART and FTDI adapter legs (leg-uart-ftdi.sh, leg-ftdi-pull.sh)."""

import re

from checks import host_sessions, quoted

# The time-out each pulled job meets: a packet's 1 s, the erase's stated 2 s.
ARMED_SECONDS = {"pull-write": 1.0, "pull-erase": 2.0, "pull-checksum": 1.0}
DENIED = "COM can not be accessed"


def judge_uart_ftdi(rows, images):
    job, fact, guest = rows.job, rows.fact, rows.guest
    sessions = host_sessions(guest)

    if rows.measured("`kven-cli ports`", "ports"):
        ports = "\n".join(job("ports").lines)
        s1 = re.search(r"^COM(\d+)\s+/dev/ttyS1\s", ports, re.M)
        usb = re.search(r"^COM(\d+)\s+/dev/ttyUSB0\s+0403:6001\s.*\bKVEN0001\s*$", ports, re.M)
        rows.check(job("ports").rc == 0 and s1 and usb,
                   "`kven-cli ports` lists /dev/ttyS1 as COM%s and /dev/ttyUSB0 as COM%s with "
                   "its USB identity 0403:6001, serial KVEN0001"
                   % (s1.group(1) if s1 else "?", usb.group(1) if usb else "?"))

    for name, what, picture in (
            ("s1-program", "/dev/ttyS1 (8250), 64 KiB at 115200", "s1.bin"),
            ("usb-program-115200", "/dev/ttyUSB0 (ftdi_sio), 1 MiB at 115200", "usb-a.bin"),
            ("usb-program-250000", "/dev/ttyUSB0, 1 MiB at 250000 through BOTHER", "usb-b.bin")):
        eep_name = name.replace("program", "eepsum")
        line_fact = "usb-250000-line" if "250000" in name else None
        j, eep = job(name), job(eep_name)
        data = (images / picture).read_bytes()
        program, table = sessions.get(name), sessions.get(eep_name)
        if rows.measured(f"Program over {what}", name, *filter(None, [line_fact])):
            flash = program.flash if program and program.flash else b""
            same_flash = (bool(flash) and flash[:len(data)] == data
                          and flash[len(data):].count(0xFF) == len(flash) - len(data))
            line = fact(line_fact) if line_fact else ""
            rows.check(j.rc == 0 and same_flash and " Complete at " in program.line
                       and ("speed=250000 bother=1" in line or not line),
                       f"Program over {what}: exit {j.rc} {quoted(j)}, the simulator's flash "
                       f"{'equals' if same_flash else 'DIFFERS FROM'} the image"
                       + (f"; the driver reads back `{line}`" if line else ""))
        if rows.measured(f"EEP Sum over {what}", name, eep_name):
            same_table = bool(table and program and table.sums and table.sums == program.sums)
            rows.check(eep.rc == 0 and " Complete at " in (table.line if table else "")
                       and same_table,
                       f"EEP Sum over {what}: exit {eep.rc} {quoted(eep)}, the simulator got "
                       f"{'the same' if same_table else 'ANOTHER'} checksum table as from the "
                       "Program")

    for tag, device in (("s1-hold", "/dev/ttyS1"), ("usb-hold", "/dev/ttyUSB0")):
        judge_hold(rows, tag, device)
        if rows.measured(f"Low latency on {device}", f"{tag}-before", f"{tag}-during",
                         f"{tag}-after"):
            flags = low_latency(rows, tag)
            rows.check(flags == ["0", "1", "0"],
                       f"Low latency on {device}, read with TIOCGSERIAL in the guest: "
                       f"{flags[0]} before, {flags[1]} during, {flags[2]} after the job")

    for tag, device in (("s1", "/dev/ttyS1 (8250)"), ("usb", "/dev/ttyUSB0 (ftdi_sio)")):
        for parity in ("mark", "space"):
            name = f"{tag}-{parity}"
            if not rows.measured(f"{parity.capitalize()} parity on {device}", name,
                                 f"{name}-line"):
                continue
            j, line = job(name), fact(f"{name}-line")
            worked = j.rc == 0 and j.results() == ["Writing is OK"] and f"parity={parity}" in line
            refused = j.rc == 10 and j.says("Open COM fail")
            kernel = guest.facts.get(f"{name}-kernel", [])
            if worked and kernel:
                rows.note(f"{parity.capitalize()} parity on {device}: the driver logged "
                          f"\"{kernel[0].split('] ', 1)[-1]}\" yet reads the setting back, so "
                          "no program can see the refusal; the job ran and worked because the "
                          "far end carries bytes without parity.")
            rows.check(worked or refused,
                       f"{parity.capitalize()} parity on {device}: exit {j.rc} "
                       + (quoted(j) if not refused else " / ".join(j.lines))
                       + f"; the driver reads back `{line}`"
                       + (f"; the kernel logged \"{kernel[0]}\"" if kernel else ""))

    if rows.measured("250000 bit/s on /dev/ttyS1", "s1-250000"):
        j = job("s1-250000")
        hint = next((line.strip() for line in j.lines if "does not run" in line), "no hint")
        rows.check(j.rc == 10 and j.says("Open COM fail") and "instead" in hint,
                   f"250000 bit/s on /dev/ttyS1, above the 8250's 115200: exit {j.rc}, "
                   f"\"Open COM fail\" rather than a silent fall-back; {hint}")


def judge_hold(rows, tag, device):
    """The row of a second kven-cli while the job TAG holds DEVICE (see hold in init.sh)."""
    job, fact = rows.job, rows.fact
    if not rows.measured(f"A second kven-cli while a job holds {device}", tag, f"{tag}-user",
                         f"{tag}-root", f"{tag}-user-open", f"{tag}-held"):
        return
    user, root, main = job(f"{tag}-user"), job(f"{tag}-root"), job(tag)
    rows.check(user.rc == 10 and user.says(DENIED) and root.rc == 10 and root.says(DENIED)
               and fact(f"{tag}-held") == "yes" and main.rc == 0
               and fact(f"{tag}-user-open") == "open=EBUSY",
               f"While a job holds {device}, a second kven-cli exits {user.rc} with "
               f"\"{DENIED}\" as an unprivileged user (its open() gets "
               f"{fact(f'{tag}-user-open')[5:]}: TIOCEXCL) and {root.rc} as root (flock); "
               f"the holding job carries on (exit {main.rc})")
    rows.note(f"Second kven-cli on {device} as root: exit {root.rc}: " + " / ".join(root.lines)
              + f". As an unprivileged user: exit {user.rc}: " + " / ".join(user.lines))


def low_latency(rows, tag):
    """The driver's low-latency flag before, during and after the job TAG."""
    flags = [re.search(r"low_latency=(\S+)", rows.fact(f"{tag}-{when}"))
             for when in ("before", "during", "after")]
    return [m.group(1) if m else "?" for m in flags]


def judge_ftdi_pull(rows):
    job, guest = rows.job, rows.guest
    for name, phase in (("pull-write", "the write phase"), ("pull-erase", "the erase"),
                        ("pull-checksum", "the checksum phase")):
        what = f"Cable pulled during {phase} (device_del)"
        if not rows.measured(what, name, f"after-{name}"):
            continue
        j, after = job(name), job(f"after-{name}")
        armed = ARMED_SECONDS[name]
        pulled = guest.unplugged.get(name)
        took = j.ended - pulled if pulled and j.ended else None
        rows.check(j.rc == 2 and j.results() == ["Time out"] and took is not None
                   and took <= armed + 0.5 and name not in guest.facts
                   and after.rc == 0 and after.results() == ["Writing is OK"],
                   f"{what}: the job's process exits {j.rc} with {quoted(j)}, "
                   + (f"{took:.2f} s after the unplug" if took is not None else "never")
                   + f" (armed time-out {armed:.0f} s + 0.5 s allowed); after device_add the "
                   f"next job on the new /dev/ttyUSB0 exits {after.rc} {quoted(after)}")
