#!/usr/bin/env python3
"""Makes the folder the import-with-DATs figure reads: ROM files and three DAT files.

    make_dat_collection.py DIR FILES GAMES

DIR/roms gets FILES ROM files of 1 MiB named the way today's sets name them: most ".sfc",
some ".smc" with a copier's header of 512 bytes in front, some ".zip" holding one stored
".sfc", a few saves and readmes beside them. DIR/genre.dat, DIR/maxusers.dat and
DIR/no-intro.dat describe GAMES games in the clrmamepro text format of the libretro
database's metadat files, with the CRCs of the files' contents: the first FILES games are the
files (a few of them named otherwise, recognised by content only; a few files are hacks no
DAT knows), the rest are games the folder lacks. DIR/complete marks a finished folder.
"""
import os
import sys
import zipfile
import zlib

WORDS = ["Super", "Mega", "Star", "Dragon", "Quest", "Fighter", "Racer", "Puzzle", "World",
         "Land", "Island", "Knight", "Legend", "Power", "Blast", "Zone", "Force", "Ninja"]
REGIONS = ["(USA)", "(Europe)", "(Japan)", "(USA, Europe)", "(World)", "(Germany)",
           "(Europe) (En,Fr,De)", "(France)", "(Spain)"]
GENRES = ["Action", "Platform", "Role-playing (RPG)", "Sports", "Racing", "Puzzle",
          "Shoot'em Up", "Fighting", "Strategy", "Simulation", "Board", "Adventure"]
SIZE = 1 << 20


def title(i):
    h = (i * 2654435761) & 0xFFFFFFFF
    return (f"{WORDS[h % len(WORDS)]} {WORDS[(h >> 8) % len(WORDS)]} {i} "
            f"{REGIONS[(h >> 16) % len(REGIONS)]}")


def main():
    folder, files, games = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    roms = os.path.join(folder, "roms")
    os.makedirs(roms, exist_ok=True)
    base = bytearray((i * 131 + (i >> 11)) & 0xFF for i in range(SIZE))
    crcs = []
    for i in range(games):
        if i >= files:
            crcs.append((i * 0x9E3779B1) & 0xFFFFFFFF)  # a game nobody has
            continue
        content = base[:]
        content[:16] = i.to_bytes(16, "little")  # every ROM different
        crc = zlib.crc32(content)
        crcs.append(crc)
        kind = i % 20
        name = title(i) if i % 25 else f"{title(i).split(' (')[0]} (Alt Dump)"
        if i % 97 == 0:
            crcs[-1] = (crc ^ 0xFFFFFFFF)  # a hack: its content is in no DAT
            name = f"{title(i).split(' (')[0]} (Hack)"
        if kind < 14:
            with open(os.path.join(roms, name + ".sfc"), "wb") as out:
                out.write(content)
        elif kind < 17:
            with open(os.path.join(roms, name + ".smc"), "wb") as out:
                out.write(bytes(512))
                out.write(content)
        else:
            with zipfile.ZipFile(os.path.join(roms, name + ".zip"), "w",
                                 zipfile.ZIP_STORED) as archive:
                archive.writestr(title(i) + ".sfc", bytes(content))
        if i % 100 == 0:
            open(os.path.join(roms, name + ".srm"), "wb").write(bytes(8192))
    open(os.path.join(roms, "readme.txt"), "w").write("the set\n")

    header = ("clrmamepro (\n\tname \"Nintendo - Super Nintendo Entertainment System\"\n"
              "\tdescription \"Nintendo - Super Nintendo Entertainment System\"\n)\n\n")
    with open(os.path.join(folder, "genre.dat"), "w", encoding="utf-8") as genre, \
            open(os.path.join(folder, "maxusers.dat"), "w", encoding="utf-8") as users, \
            open(os.path.join(folder, "no-intro.dat"), "w", encoding="utf-8") as listing:
        for out in (genre, users, listing):
            out.write(header)
        for i in range(games):
            crc = f"{crcs[i]:08X}"
            name = title(i)
            genre.write(f"game (\n\tcomment \"{name}\"\n\tgenre \"{GENRES[i % len(GENRES)]}\"\n"
                        f"\trom ( crc {crc} )\n)\n\n")
            users.write(f"game (\n\tcomment \"{name}\"\n\tusers {1 + i % 4}\n"
                        f"\trom ( crc {crc} )\n)\n\n")
            region = name[name.index("(") + 1:name.index(")")]
            listing.write(f"game (\n\tname \"{name}\"\n\tregion \"{region}\"\n"
                          f"\trom ( name \"{name}.sfc\" size {SIZE} crc {crc} "
                          f"md5 {crcs[i]:032X} sha1 {crcs[i]:040X} )\n)\n")
    open(os.path.join(folder, "complete"), "wb").close()


if __name__ == "__main__":
    main()
