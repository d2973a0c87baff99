#!/usr/bin/env python3
"""Checks on what a user downloads, run on the build machine (not under Wine).

    check_release.py size EXE LIMIT_BYTES
    check_release.py version EXE VERSION
    check_release.py guide GUIDE RC_FILE
    check_release.py pack PACK_SCRIPT
"""
import os
import re
import struct
import subprocess
import sys
import tempfile
import zipfile

failures = []


def fail(message):
    failures.append(message)
    print("FAIL: " + message)


def check_size(exe, limit):
    size = os.path.getsize(exe)
    print("%s: %d bytes (%.1f KiB), limit %d bytes" % (exe, size, size / 1024.0, limit))
    if size > limit:
        fail("the program is %d bytes, over the limit of %d" % (size, limit))


def utf16(text):
    return text.encode("utf-16-le")


def check_version(exe, version):
    data = open(exe, "rb").read()
    parts = [int(p) for p in version.split(".")]
    while len(parts) < 4:
        parts.append(0)
    ms, ls = (parts[0] << 16) | parts[1], (parts[2] << 16) | parts[3]

    # The fixed part of the version record: signature 0xFEEF04BD, then the structure version,
    # then file version (most, least significant) and product version.
    at = data.find(struct.pack("<I", 0xFEEF04BD))
    if at < 0:
        fail("no version record in %s" % exe)
    else:
        file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<4I", data, at + 8)
        if (file_ms, file_ls) != (ms, ls) or (product_ms, product_ls) != (ms, ls):
            fail("version record says file %08x.%08x, product %08x.%08x; expected %08x.%08x"
                 % (file_ms, file_ls, product_ms, product_ls, ms, ls))

    # The record's texts: key, its terminator, padding to four bytes, then the value.
    for key in ("FileVersion", "ProductVersion"):
        pattern = re.escape(utf16(key + "\0")) + b"(?:\0\0)?" + re.escape(utf16(version + "\0"))
        if not re.search(pattern, data):
            fail("the version record's %s is not %s" % (key, version))

    match = re.search(rb'<assemblyIdentity[^>]*\bversion="([^"]*)"', data)
    if not match:
        fail("no manifest with an assembly identity in %s" % exe)
    elif match.group(1).decode("ascii", "replace") != version:
        fail("the manifest's version is %r, expected %s" % (match.group(1), version))
    if b"@PROJECT_VERSION" in data:
        fail("an unfilled version placeholder is in %s" % exe)


def row_captions(rc_file):
    """The caption control of each option row, top to bottom, from the rows' table."""
    rows = os.path.join(os.path.dirname(rc_file), "..", "src", "console", "OptionRows.cpp")
    table = open(rows, encoding="utf-8").read().split("kOptionRows[", 1)[1].split("\n};", 1)[0]
    return re.findall(r"\{(IDC_\w+),", table)


def row_labels(rc_file):
    text = open(rc_file, encoding="utf-8").read()
    labels = []
    for control in row_captions(rc_file):
        match = re.search(r'CONTROL\s+"((?:[^"]|"")*)"\s*,\s*%s\s*,' % control, text)
        if not match:
            fail("no control %s in %s" % (control, rc_file))
            continue
        labels.append(match.group(1).replace('""', '"'))
    return labels


def check_guide(guide, rc_file):
    data = open(guide, "rb").read()
    if not data.startswith(b"\xef\xbb\xbf"):
        fail("%s does not begin with the UTF-8 byte order mark" % guide)
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as e:
        fail("%s is not valid UTF-8: %s" % (guide, e))
        return
    bare_lf = len(re.findall(r"(?<!\r)\n", text))
    bare_cr = len(re.findall(r"\r(?!\n)", text))
    if bare_lf or bare_cr:
        fail("%s has %d line ends without CR and %d CRs without LF" % (guide, bare_lf, bare_cr))
    if not text.endswith("\r\n"):
        fail("%s does not end with a line end" % guide)
    labels = row_labels(rc_file)
    print("row labels in the dialog: %s" % ", ".join(repr(l) for l in labels))
    for label in labels:
        # The label as the dialog shows it, not split across lines.
        if label.strip() not in text:
            fail("the guide does not name the row %r" % label)


def check_pack(pack_script):
    """Two packs of the same files, with other modification times, another time zone and another
    umask, give the same zip and the same sums; the sums check."""
    with tempfile.TemporaryDirectory() as root:
        sources = os.path.join(root, "in")
        os.mkdir(sources)
        names = ["DADAROR.exe", "velo-ssd.cfg", "README-KO.txt"]
        for i, name in enumerate(names):
            with open(os.path.join(sources, name), "wb") as f:
                f.write(bytes(range(256)) * (i + 1))
        outputs = []
        for run, (tz, mtime, mask) in enumerate([("UTC", 1000000000, 0o022),
                                                 ("Asia/Seoul", 1700000000, 0o077)]):
            for name in names:
                os.utime(os.path.join(sources, name), (mtime, mtime))
            out = os.path.join(root, "out%d" % run)
            os.mkdir(out)
            env = dict(os.environ, TZ=tz, SOURCE_DATE_EPOCH="1704067200")
            old = os.umask(mask)
            try:
                subprocess.run([sys.executable, "-B", pack_script, "--zip",
                                os.path.join(out, "r.zip"), "--sums", os.path.join(out, "SUMS")]
                               + [os.path.join(sources, n) for n in names], check=True, env=env,
                               stdout=subprocess.DEVNULL)
            finally:
                os.umask(old)
            outputs.append([open(os.path.join(out, n), "rb").read() for n in ("r.zip", "SUMS")])
            result = subprocess.run(["sha256sum", "-c", "SUMS"], cwd=out,
                                    stdout=subprocess.PIPE, text=True)
            print(result.stdout.strip())
            if result.returncode != 0:
                fail("sha256sum -c does not accept the sums of run %d" % run)
        if outputs[0][0] != outputs[1][0]:
            fail("two packs of the same files give different zips")
        if outputs[0][1] != outputs[1][1]:
            fail("two packs of the same files give different sums")
        with zipfile.ZipFile(os.path.join(root, "out0", "r.zip")) as archive:
            entries = archive.infolist()
            if [e.filename for e in entries] != names:
                fail("zip entries %s, expected %s" % ([e.filename for e in entries], names))
            for e in entries:
                if e.date_time != (2024, 1, 1, 0, 0, 0):
                    fail("%s carries the time %s, not SOURCE_DATE_EPOCH" % (e.filename, e.date_time))
                if e.extra:
                    fail("%s carries extra fields" % e.filename)


def main(argv):
    command = argv[1] if len(argv) > 1 else ""
    if command == "size" and len(argv) == 4:
        check_size(argv[2], int(argv[3]))
    elif command == "version" and len(argv) == 4:
        check_version(argv[2], argv[3])
    elif command == "guide" and len(argv) == 4:
        check_guide(argv[2], argv[3])
    elif command == "pack" and len(argv) == 3:
        check_pack(argv[2])
    else:
        sys.exit(__doc__)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
