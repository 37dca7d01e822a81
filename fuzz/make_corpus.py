#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpora (fuzz/corpus/<target>/) from the cases the test
suites use: the demo catalogue and cache, option files from the settings tests, the line rules
of the text-file tests, and the recorded MariaDB conversation of the protocol tests."""
import os
import re
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
OUT = os.path.join(HERE, "corpus")


def put(target, name, data):
    folder = os.path.join(OUT, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def read(path):
    with open(os.path.join(ROOT, path), "rb") as f:
        return f.read()


# --- text files -----------------------------------------------------------------------------
catalogue = read("demo/SNES_screens.dat")
lines = catalogue.split(b"\r\n")
put("fuzz_text_lines", "catalogue_head", b"\r\n".join(lines[:8]) + b"\r\n")
put("fuzz_text_lines", "line_rules", b"a\r\nb\rc\nd\r\n\ne\r\r\nf\x1ag\r\n")
put("fuzz_text_lines", "numbers", b"1.25\r\n 1,25\r\n-$7fffffff\r\n0x80000000\r\n2147483648\r\n"
    b"-2147483648\r\n1E-7\r\n2.5E20\r\n 12 \r\n+x1F\r\n1e400\r\n1e-400\r\n")
put("fuzz_text_lines", "split", b"Title (E);t.jpg;i.png; 8;1 \r\nno separator\r\n;;;;\r\na;b;c;d;e;f\r\n")

for name, text in [
        ("full", b"s/\r\nr/\r\nn/\r\nz/\r\n3000\r\n0\r\n"),
        ("five_lines", b"s/\r\nr/\r\nn/\r\nz/\r\n1000\r\n"),
        ("ctrl_z", b"s/\r\nr\x1a/\r\nn/\r\nz/\r\n1000\r\n1\r\n"),
        ("hex", b"\r\n\r\n\r\n\r\n$10\r\n2\r\n"),
        ("lf_only", b"s/\nr/\nn/\nz/\n1000\n0\n"),
        ("cache", b"\x05" + b"\r\n".join(read("demo/scanned.dat").split(b"\r\n")[:12])),
        ("cache_bad", b"\x031\r\n0\r\n1 \r\n1\r\n")]:
    put("fuzz_options_cache", name, text)

# --- the recorded conversation -------------------------------------------------------------
capture = read("tests/mysql/data/mariadb-10.11-conversation.txt").decode("latin-1")
server = []  # (seq, payload) of every packet the server sent, in order
current = None
for line in capture.splitlines():
    m = re.match(r"(<<|>>) packet seq=(\d+) len=(\d+)", line)
    if m:
        current = [m.group(1), int(m.group(2)), bytearray()]
        if m.group(1) == "<<":
            server.append(current)
        continue
    m = re.match(r"\s+[0-9a-f]{4}  ((?:[0-9a-f]{2} ?)+)", line)
    if m and current is not None:
        current[2] += bytes.fromhex(m.group(1).replace(" ", "")[:96])


def plain(seq, payload):
    return len(payload).to_bytes(3, "little") + bytes([seq]) + bytes(payload)


greeting, auth_switch, login_ok = server[0], server[1], server[2]
result = server[3:]
put("fuzz_mysql_packets", "greeting", b"\x01" + greeting[2])
put("fuzz_mysql_packets", "auth_switch", b"\x02" + b"dI!f`1pb" + auth_switch[2])
put("fuzz_mysql_packets", "auth_short", b"\x02" + b"dI!f`1pb" + b"\xfe")
put("fuzz_mysql_packets", "ok", b"\x03" + login_ok[2])
put("fuzz_mysql_packets", "error", b"\x04" + b"\xff\x28\x04You have an error in your SQL syntax")
put("fuzz_mysql_packets", "field", b"\x05" + result[1][2])
put("fuzz_mysql_packets", "row", bytes([6, 28]) + result[-2][2])
put("fuzz_mysql_packets", "length_codes", b"\x00\x05hello\xfb\xfc\x2c\x01" + b"x" * 300 +
    b"\xfe\x01\x00\x00\x00\x02\x00\x00\x00")

login = b"".join(plain(s, p) for _, s, p in (greeting, auth_switch, login_ok))
reply = b"".join(plain(s, p) for _, s, p in result)
ok_for_ping = plain(1, bytes([0, 0, 0, 2, 0, 0, 0]))
# mode bits: 1 reconnect (ping first), 2 compression, 4 password, 8 database, 16 buffered
put("fuzz_mysql_conversation", "plain_unbuffered", bytes([0x04, 0]) + login + reply + reply + ok_for_ping)
put("fuzz_mysql_conversation", "plain_buffered_pieces", bytes([0x14, 3]) + login + reply + reply + ok_for_ping)
put("fuzz_mysql_conversation", "plain_ping_first", bytes([0x05, 0]) + login + ok_for_ping + reply +
    ok_for_ping + reply + ok_for_ping)

# The same result with a row whose values use the wider length codes: 2 bytes (0xFC) for a
# value with a zero byte of its own and for one of 300 bytes, 8 bytes (0xFE) and NULL (0xFB),
# read into the buffered row list and unbuffered.
wide_row = (b"\xfc\x03\x00a\x00b" + b"\xfe\x02" + b"\x00" * 7 + b"xy" + b"\xfb" +
            b"\xfc\x2c\x01" + b"x" * 300 + b"\x017" * 24)
wide_reply = b"".join(plain(s, wide_row if i == len(result) - 2 else p)
                      for i, (_, s, p) in enumerate(result))
put("fuzz_mysql_conversation", "buffered_wide_length_codes", bytes([0x14, 0]) + login +
    wide_reply + reply + ok_for_ping)
put("fuzz_mysql_conversation", "unbuffered_wide_length_codes", bytes([0x04, 0]) + login +
    wide_reply + reply + ok_for_ping)


def compressed_frames(seq, packets, deflate=True):
    """One compressed frame (from `seq`) carrying the plain packets given."""
    body = b"".join(plain(0, p) for p in packets)
    if deflate and len(body) >= 50:
        data = zlib.compress(body)
        return len(data).to_bytes(3, "little") + bytes([seq]) + len(body).to_bytes(3, "little") + data
    return len(body).to_bytes(3, "little") + bytes([seq]) + b"\0\0\0" + body


payloads = [p for _, _, p in result]
half = len(payloads) // 2
zreply = compressed_frames(1, payloads[:half]) + compressed_frames(2, payloads[half:], deflate=False)
put("fuzz_mysql_conversation", "compressed", bytes([0x06, 0]) + login + zreply + zreply +
    compressed_frames(1, [bytes([0, 0, 0, 2, 0, 0, 0])]))

put("fuzz_compressed_frames", "one_frame_many_packets", b"\x00" + compressed_frames(0, payloads))
put("fuzz_compressed_frames", "split_packets", b"\x03" + compressed_frames(0, payloads[:3]) +
    compressed_frames(1, payloads[3:], deflate=False))
# A packet cut across two frames.
body = b"".join(plain(0, p) for p in payloads[:4])
cut = len(body) - 7
put("fuzz_compressed_frames", "packet_across_frames", b"\x01" +
    len(body[:cut]).to_bytes(3, "little") + b"\x00\0\0\0" + body[:cut] +
    (7).to_bytes(3, "little") + b"\x01\0\0\0" + body[cut:])
put("fuzz_compressed_frames", "plain", b"\x80" + reply)

# --- DAT files and zip archives ---------------------------------------------------------------
dats = "tests/catalogue/data/"
for name in ("snes-genre-excerpt.dat", "snes-no-intro-excerpt.dat"):
    text = read(dats + name)
    put("fuzz_dat_zip", name.replace(".dat", "_head"), text[:text.index(b"\ngame (", 1500) + 1])
put("fuzz_dat_zip", "text_edges", b"\xef\xbb\xbfclrmamepro ( name x )\r\nresource ( rom ( crc 0 ) )\r\n"
    b"game ( name \"a \\\"b\\\" \\\\\" users 3 driver ( x ( y ) ) rom ( name r size 4 crc 0A0b0C0d ) )\r\n")
put("fuzz_dat_zip", "logiqx", b"<?xml version=\"1.0\"?>\n<!DOCTYPE datafile [ <!ENTITY x \"y\"> ]>\n"
    b"<!-- c -->\n<datafile><header><name>n</name></header>\n"
    b"<game name=\"A &amp; B\"><description>&lt;&#65;&#x42;<![CDATA[<c>]]></description>"
    b"<rom name='a.sfc' size=\"1024\" crc=\"d0c6e2aa\"/></game>\n"
    b"<machine name=\"m\"><genre>Racing</genre><rom name=\"m\" size=\"0\"></rom></machine></datafile>\n")


def stored_zip(entries, comment=b""):
    out, directory = b"", b""
    for name, content in entries:
        crc = zlib.crc32(content).to_bytes(4, "little")
        size = len(content).to_bytes(4, "little")
        offset = len(out).to_bytes(4, "little")
        out += (b"PK\x03\x04" + (20).to_bytes(2, "little") + bytes(8) + crc + size + size +
                len(name).to_bytes(2, "little") + bytes(2) + name + content)
        directory += (b"PK\x01\x02" + (20).to_bytes(2, "little") * 2 + bytes(8) + crc + size +
                      size + len(name).to_bytes(2, "little") + bytes(8) + bytes(4) + offset + name)
    count = len(entries).to_bytes(2, "little")
    return (out + directory + b"PK\x05\x06" + bytes(4) + count + count +
            len(directory).to_bytes(4, "little") + len(out).to_bytes(4, "little") +
            len(comment).to_bytes(2, "little") + comment)


put("fuzz_dat_zip", "zip_one", stored_zip([(b"Game (USA).sfc", b"\x01" * 600)]))
put("fuzz_dat_zip", "zip_several", stored_zip([(b"readme.txt", b"r" * 90), (b"dir/", b""),
                                               (b"g.SMC", b"s" * 40)], b"comment"))
