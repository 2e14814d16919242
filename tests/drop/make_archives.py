#!/usr/bin/env python3
"""Makes the archives the drop tests unpack, into the folder given as the first argument.

Each good archive holds the same two files: a.txt ("abc\\n") and 資料/日本語.txt (500 numbered
lines). Made by the real tools where Debian has one (Info-ZIP zip, jlha-utils, gcab); written here
from the formats' published descriptions where it has none (RAR 4 and RAR 5, stored), or where the
tool cannot write what we need (a ZIP with CP932 names and no UTF-8 flag, hostile ZIPs).

Output: lzh.lzh, zip.zip, cp932.zip, cab.cab, cp932.cab (CP932 names, as Windows cabinet tools
write them), rar4.rar, rar5.rar, dotdot.zip, absolute.zip, symlink.zip, truncated.zip; cut.zip and
cut.lzh (a.txt whole, then big.txt cut off in its data); links that would lead out only by way of
other links: via_users_link.zip (through a link "up" the target folder already holds),
link_before_link.zip, link_over_folder.zip, hardlink_to_link.rar; twice.zip (one name twice);
entries that cannot be read: encrypted.zip (both files under a password, zip -P) and
half_encrypted.zip (a.txt as it is, then the Japanese entry under a password).
"""
import hashlib
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

JAPANESE_DIR = "資料"
JAPANESE_FILE = "日本語.txt"
LINES = "".join(f"{i}\n" for i in range(1, 501)).encode()
FILES = [("a.txt", b"abc\n"), (f"{JAPANESE_DIR}/{JAPANESE_FILE}", LINES)]


def dos_time():
    # 2001-02-03 04:05:06
    return (4 << 11) | (5 << 5) | 3, ((2001 - 1980) << 9) | (2 << 5) | 3


def stored_zip(entries):
    """entries: (name bytes, data, flags, external attributes)."""
    t, d = dos_time()
    local, central = b"", b""
    for name, data, flags, external in entries:
        crc = zlib.crc32(data)
        header = struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, flags, 0, t, d, crc, len(data), len(data),
                             len(name), 0)
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 0x0314, 20, flags, 0, t, d, crc, len(data),
                               len(data), len(name), 0, 0, 0, 0, external, len(local)) + name
        local += header + name + data
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(entries), len(entries), len(central), len(local), 0)
    return local + central + end


REGULAR = 0o100644 << 16
LINK = 0o120777 << 16


def crc16(data):
    crc = 0
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def stand_in_tree(work, name):
    # a.txt and the Japanese entry under ASCII names of the CP932 names' byte lengths, for tools
    # that cannot be given the CP932 names themselves.
    src = os.path.join(work, name)
    os.makedirs(os.path.join(src, "XXXX"))
    with open(os.path.join(src, "a.txt"), "wb") as f:
        f.write(b"abc\n")
    with open(os.path.join(src, "XXXX", "YYYYYY.txt"), "wb") as f:
        f.write(LINES)
    return src


def lzh(work, out):
    # jlha names entries in its own way with non-ASCII names, so the files are made with ASCII
    # names of the same byte length as the CP932 ones and the names are written in afterwards, as a
    # Japanese Windows archiver writes them (level 2 headers: the header's CRC-16 is made again).
    src = stand_in_tree(work, "lzh")
    subprocess.run(["lha", "ao5", "t.lzh", "a.txt", "XXXX/YYYYYY.txt"], cwd=src, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    data = bytearray(open(os.path.join(src, "t.lzh"), "rb").read())
    assert b"-lh5-" in data, "jlha did not compress with -lh5-"
    pos = 0
    while pos < len(data) and data[pos] != 0:
        size = data[pos] | data[pos + 1] << 8
        assert data[pos + 20] == 2, "expected a level 2 header"
        packed = struct.unpack_from("<I", data, pos + 7)[0]
        header = data[pos:pos + size]
        for old, new in ((b"XXXX", JAPANESE_DIR.encode("cp932")), (b"YYYYYY", JAPANESE_FILE[:3].encode("cp932"))):
            assert len(old) == len(new)
            header = header.replace(old, new)
        # The CRC ext header (type 0) is the first ext header, at 24 + 3.
        crc_at = 27
        assert header[crc_at - 1] == 0
        header[crc_at:crc_at + 2] = b"\0\0"
        header[crc_at:crc_at + 2] = struct.pack("<H", crc16(bytes(header)))
        data[pos:pos + size] = header
        pos += size + packed
    with open(out, "wb") as f:
        f.write(data)


def source_tree(work, name):
    """FILES laid out in a folder of work named name, for an archiver to take; the folder."""
    src = os.path.join(work, name)
    os.makedirs(os.path.join(src, JAPANESE_DIR))
    for path, content in FILES:
        with open(os.path.join(src, path), "wb") as f:
            f.write(content)
    return src


def info_zip(work, out):
    src = source_tree(work, "zip")
    subprocess.run(["zip", "-q", "-r", out, "a.txt", JAPANESE_DIR], cwd=src, check=True,
                   env=dict(os.environ, LC_ALL="C.UTF-8"))


def encrypted_zips(work, whole, half):
    src = source_tree(work, "encrypted")
    env = dict(os.environ, LC_ALL="C.UTF-8")
    subprocess.run(["zip", "-q", "-r", "-P", "pw", whole, "a.txt", JAPANESE_DIR], cwd=src, check=True, env=env)
    subprocess.run(["zip", "-q", half, "a.txt"], cwd=src, check=True, env=env)
    subprocess.run(["zip", "-q", "-r", "-P", "pw", half, JAPANESE_DIR], cwd=src, check=True, env=env)


def cab(work, out):
    src = source_tree(work, "cab")
    subprocess.run(["gcab", "-c", "-z", out, "a.txt", f"{JAPANESE_DIR}/{JAPANESE_FILE}"], cwd=src, check=True)


def cp932_cab(work, out):
    # gcab writes non-ASCII names as UTF-8 with the UTF-8 attribute (0x80); Windows cabinet tools
    # write the ANSI code page's bytes without it. So gcab gets ASCII names of the CP932 names'
    # byte lengths, and the names are written in afterwards (no checksum covers a CFFILE).
    src = stand_in_tree(work, "cp932_cab")
    subprocess.run(["gcab", "-c", "-z", "t.cab", "a.txt", "XXXX/YYYYYY.txt"], cwd=src, check=True)
    data = bytearray(open(os.path.join(src, "t.cab"), "rb").read())
    old = b"XXXX\\YYYYYY.txt\0"
    new = f"{JAPANESE_DIR}\\{JAPANESE_FILE}".encode("cp932") + b"\0"
    assert len(old) == len(new) and data.count(old) == 1, "gcab wrote the name otherwise"
    at = data.index(old)
    attributes = struct.unpack_from("<H", data, at - 2)[0]
    assert not attributes & 0x80
    data[at:at + len(old)] = new
    with open(out, "wb") as f:
        f.write(data)


BIG = "".join(f"{i} {hashlib.sha1(str(i).encode()).hexdigest()}\n" for i in range(12000)).encode()


def cut(work, name, command, out):
    """a.txt and then big.txt archived by command (given the archive's name, then the files), the
    archive cut off inside big.txt's data."""
    src = os.path.join(work, name)
    os.makedirs(src)
    with open(os.path.join(src, "a.txt"), "wb") as f:
        f.write(b"abc\n")
    with open(os.path.join(src, "big.txt"), "wb") as f:
        f.write(BIG)
    archive = os.path.join(src, "t" + os.path.splitext(out)[1])
    subprocess.run(command + [archive, "a.txt", "big.txt"], cwd=src, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    data = open(archive, "rb").read()
    assert len(data) > len(BIG) // 4, "big.txt is expected to fill most of the archive"
    with open(out, "wb") as f:
        f.write(data[: len(data) // 2])


def rar4(out):
    def block(kind, flags, body, data=b""):
        size = 7 + len(body)
        head = struct.pack("<BHH", kind, flags, size) + body
        return struct.pack("<H", zlib.crc32(head) & 0xFFFF) + head + data

    t, d = dos_time()
    blob = b"Rar!\x1a\x07\x00" + block(0x73, 0, b"\0" * 6)
    for name, data in FILES:
        encoded = name.replace("/", "\\").encode()
        # LONG_BLOCK, and UNICODE: a name with no NUL in it is UTF-8.
        flags = 0x8000 | (0x200 if encoded != name.encode("ascii", "replace") else 0)
        body = struct.pack("<IIBIHHBBHI", len(data), len(data), 2, zlib.crc32(data), t, d, 20, 0x30, len(encoded),
                           0x20) + encoded
        blob += block(0x74, flags, body, data)
    blob += block(0x7B, 0x4000, b"")
    with open(out, "wb") as f:
        f.write(blob)


def vint(value):
    out = b""
    while True:
        byte = value & 0x7F
        value >>= 7
        if value:
            out += bytes([byte | 0x80])
        else:
            return out + bytes([byte])


def rar5_header(body, data=b""):
    # body starts with the type; the size covers type to end.
    block = vint(len(body)) + body
    return struct.pack("<I", zlib.crc32(block)) + block + data


def rar5_file(name, data=b"", redirect=None):
    """A stored file; redirect: (1 for a Unix symbolic link, 4 for a hard link, target)."""
    encoded = name.encode()
    extra = b""
    if redirect:
        kind, target = redirect
        record = vint(5) + vint(kind) + vint(0) + vint(len(target)) + target.encode()
        extra = vint(len(record)) + record
    body = (vint(2) + vint(0x02 | (0x01 if extra else 0))  # file header with a data area (and extra area)
            + (vint(len(extra)) if extra else b"") + vint(len(data))
            + vint(0x04)  # file flags: CRC32 present
            + vint(len(data)) + vint(0o644) + struct.pack("<I", zlib.crc32(data))
            + vint(0)  # compression: version 0, stored
            + vint(1)  # host: Unix
            + vint(len(encoded)) + encoded + extra)
    return rar5_header(body, data)


def rar5(out, files):
    blob = b"Rar!\x1a\x07\x01\x00"
    blob += rar5_header(vint(1) + vint(0) + vint(0))  # main header, no flags, archive flags 0
    for name, data, redirect in files:
        blob += rar5_file(name, data, redirect)
    blob += rar5_header(vint(5) + vint(0) + vint(0))  # end of archive
    with open(out, "wb") as f:
        f.write(blob)


def main():
    out = os.path.abspath(sys.argv[1])
    os.makedirs(out, exist_ok=True)
    work = tempfile.mkdtemp()
    try:
        lzh(work, os.path.join(out, "lzh.lzh"))
        info_zip(work, os.path.join(out, "zip.zip"))
        cab(work, os.path.join(out, "cab.cab"))
        cp932_cab(work, os.path.join(out, "cp932.cab"))
        cut(work, "cut_zip", ["zip", "-q"], os.path.join(out, "cut.zip"))
        cut(work, "cut_lzh", ["lha", "ao5"], os.path.join(out, "cut.lzh"))
        encrypted_zips(work, os.path.join(out, "encrypted.zip"), os.path.join(out, "half_encrypted.zip"))
    finally:
        shutil.rmtree(work)
    rar4(os.path.join(out, "rar4.rar"))
    rar5(os.path.join(out, "rar5.rar"), [(n, d, None) for n, d in FILES])
    entries = [(n.encode("cp932"), d, 0, REGULAR) for n, d in FILES]
    with open(os.path.join(out, "cp932.zip"), "wb") as f:
        f.write(stored_zip(entries))
    for name, hostile in (("dotdot.zip", b"../escaped.txt"), ("absolute.zip", os.path.join(out, "escaped.txt").encode())):
        with open(os.path.join(out, name), "wb") as f:
            f.write(stored_zip([(b"a.txt", b"abc\n", 0, REGULAR), (hostile, b"bad\n", 0, REGULAR)]))
    # A link out of the folder, then a file written through it.
    with open(os.path.join(out, "symlink.zip"), "wb") as f:
        f.write(stored_zip([(b"out", b"..", 0, LINK), (b"out/escaped.txt", b"bad\n", 0, REGULAR)]))
    # Links that stay inside by their own text but would lead out by way of another link: one the
    # user's folder holds ("up", made by the test), one made later in the archive, one made in place
    # of a folder, and a hard link to a link (which reads its target from its own place).
    DIR = 0o040755 << 16
    for name, hostile in (
            ("via_users_link.zip", [(b"evil", b"up/escaped.txt", 0, LINK)]),
            ("link_before_link.zip", [(b"sub/dir/", b"", 0, DIR), (b"evil", b"sub/dir/u/../../../escaped.txt", 0, LINK),
                                      (b"sub/dir/u", b"..", 0, LINK)]),
            ("link_over_folder.zip", [(b"L/", b"", 0, DIR), (b"evil", b"L/../escaped.txt", 0, LINK),
                                      (b"L", b".", 0, LINK)]),
            ("twice.zip", [(b"a.txt", b"first\n", 0, REGULAR), (b"a.txt", b"second\n", 0, REGULAR)])):
        with open(os.path.join(out, name), "wb") as f:
            f.write(stored_zip(hostile))
    rar5(os.path.join(out, "hardlink_to_link.rar"),
         [("a/a.txt", b"abc\n", None), ("a/b/s", b"", (1, "../a.txt")), ("evil", b"", (4, "a/b/s")),
          ("fine", b"", (4, "a/a.txt"))])
    good = stored_zip(entries)
    with open(os.path.join(out, "truncated.zip"), "wb") as f:
        f.write(good[: len(good) // 2])


if __name__ == "__main__":
    main()
