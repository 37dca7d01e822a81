#!/usr/bin/env python3
"""Makes the folders the import figure reads: a ROM folder and a screenshot folder.

    make_rom_folder.py DIR COUNT

DIR/roms gets COUNT empty files with invented titles, most ".zip", some ".smc", ".fig",
".smd" (a few titles twice, under two extensions) and about 1 in 100 with an extension the
import skips (".sfc"); DIR/shots gets a thumbnail set (Named_Titles and Named_Snaps) for
every fourth title. DIR/complete marks a finished folder.
"""
import os
import sys

WORDS = ["Super", "Mega", "Star", "Dragon", "Quest", "Fighter", "Racer", "Puzzle", "World",
         "Land", "Island", "Knight", "Legend", "Power", "Blast", "Zone", "Force", "Ninja"]
REGIONS = ["(E)", "(U)", "(J)", "(G)", "(F)", "(S)", "(E) (U)"]


def main():
    folder, count = sys.argv[1], int(sys.argv[2])
    roms = os.path.join(folder, "roms")
    titles_dir = os.path.join(folder, "shots", "Named_Titles")
    snaps_dir = os.path.join(folder, "shots", "Named_Snaps")
    for path in (roms, titles_dir, snaps_dir):
        os.makedirs(path, exist_ok=True)
    made = 0
    i = 0
    while made < count:
        h = (i * 2654435761) & 0xFFFFFFFF
        title = (f"{WORDS[h % len(WORDS)]} {WORDS[(h >> 8) % len(WORDS)]} {i}: "
                 f"{REGIONS[(h >> 16) % len(REGIONS)]}")
        kind = h % 100
        extensions = ([".sfc"] if kind == 0 else [".smc", ".zip"] if kind == 1 else
                      [".smc"] if kind < 12 else [".fig"] if kind < 15 else
                      [".smd"] if kind < 17 else [".zip"])
        for extension in extensions[: count - made]:
            open(os.path.join(roms, title + extension), "wb").close()
            made += 1
        if i % 4 == 0:
            thumbnail = title.replace(":", "_") + ".png"
            open(os.path.join(titles_dir, thumbnail), "wb").close()
            open(os.path.join(snaps_dir, thumbnail), "wb").close()
        i += 1
    open(os.path.join(folder, "complete"), "wb").close()


if __name__ == "__main__":
    main()
