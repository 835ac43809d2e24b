#!/usr/bin/env python3
"""Sets up a Wine prefix for the desktop program's tests, while no Wine server runs.

    tests/windows/wine_prefix.py PREFIX WIDTHxHEIGHT

- One virtual desktop of the given size (HKCU\\Software\\Wine\\Explorer "Desktop" and
  ...\\Explorer\\Desktops "Default"): Wine then paints the windows' captions, frames and menus
  itself, as Windows does, inside one X window ("Default - Wine desktop"), instead of leaving
  them to a window manager.
- The dialog font "Microsoft Sans Serif", which Wine does not ship, is Liberation Sans
  (HKLM\\...\\FontSubstitutes), whose letters are as wide as Arial's and so as that font's;
  Wine's Tahoma, which stands for "MS Shell Dlg", is wider and would cut the dialog's texts.
"""

import re
import sys
import time
from pathlib import Path

USER = {
    r"Software\\Wine\\Explorer": '"Desktop"="Default"',
    r"Software\\Wine\\Explorer\\Desktops": '"Default"="{size}"',
}
SUBSTITUTES = r"Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes"
SUBSTITUTE = '"Microsoft Sans Serif"="Liberation Sans"'


def section(block):
    """The name of the section a block opens, as the file writes it ([name] time)."""
    match = re.match(r"\[(.*)\] \d+", block)
    return match.group(1) if match else None


def edit(reg, change):
    text = reg.read_text(encoding="utf-8", errors="surrogateescape")
    # A section runs from its "[name] time" line to the next section.
    blocks = re.split(r"\n(?=\[)", text)
    reg.write_text(change(blocks), encoding="utf-8", errors="surrogateescape")


def main():
    prefix, size = Path(sys.argv[1]), sys.argv[2]
    if not re.fullmatch(r"\d+x\d+", size):
        sys.exit(f"not a size: {size}")
    stamp = int(time.time())

    def desktop(blocks):
        kept = [b for b in blocks if section(b) not in USER]
        added = [f"[{name}] {stamp}\n{value.format(size=size)}\n" for name, value in USER.items()]
        return "\n".join(kept).rstrip("\n") + "\n\n" + "\n".join(added)

    def substitute(blocks):
        out = []
        for b in blocks:
            if section(b) == SUBSTITUTES:
                lines = [l for l in b.rstrip("\n").split("\n")
                         if not l.startswith('"Microsoft Sans Serif"=')]
                b = "\n".join(lines + [SUBSTITUTE]) + "\n"
            out.append(b)
        return "\n".join(out)

    edit(prefix / "user.reg", desktop)
    edit(prefix / "system.reg", substitute)


if __name__ == "__main__":
    main()
