#!/usr/bin/env python3
"""Puts a Wine prefix's programs on one virtual desktop of the given size.

    tests/windows/wine_desktop.py PREFIX/user.reg WIDTHxHEIGHT

Wine then paints the windows' captions, frames and menus itself, as Windows does, inside one X
window ("Default - Wine desktop"), instead of leaving them to a window manager. Edits the
registry file while no Wine server runs: the keys HKCU\\Software\\Wine\\Explorer "Desktop" and
HKCU\\Software\\Wine\\Explorer\\Desktops "Default".
"""

import re
import sys
import time
from pathlib import Path

SECTIONS = {
    r"Software\\Wine\\Explorer": '"Desktop"="Default"',
    r"Software\\Wine\\Explorer\\Desktops": '"Default"="{size}"',
}


def main():
    reg, size = Path(sys.argv[1]), sys.argv[2]
    if not re.fullmatch(r"\d+x\d+", size):
        sys.exit(f"not a size: {size}")
    text = reg.read_text(encoding="utf-8", errors="surrogateescape")
    # Sections run from their "[name] time" line to the next blank line.
    blocks = re.split(r"\n(?=\[)", text)
    names = {f"[{name}]" for name in SECTIONS}
    kept = [b for b in blocks if b.split(" ", 1)[0] not in names]
    stamp = int(time.time())
    added = [f"[{name}] {stamp}\n{value.format(size=size)}\n" for name, value in SECTIONS.items()]
    reg.write_text("\n".join(kept).rstrip("\n") + "\n\n" + "\n".join(added),
                   encoding="utf-8", errors="surrogateescape")


if __name__ == "__main__":
    main()
