#!/usr/bin/env python3
"""Packs the release: the zip a user unpacks and runs, and SHA256SUMS beside it.

    pack_release.py --zip OUT.zip --sums SHA256SUMS [--source-dir DIR] FILE...

The zip holds the files at its top, in the order given. Two runs over the same files give the
same bytes: every entry carries the time of the source commit (SOURCE_DATE_EPOCH when set, else
the commit date from git, else a fixed date), fixed attributes and no extra fields. SHA256SUMS
lists the zip and every file in it, in the format `sha256sum -c` reads; the files are expected
beside it under their own names, as they are after unpacking the zip next to it.
"""
import argparse
import hashlib
import os
import subprocess
import sys
import time
import zipfile

# For a source tree without git and without SOURCE_DATE_EPOCH: 2024-01-01T00:00:00Z.
FALLBACK_EPOCH = 1704067200
# A zip time is an MS-DOS time: from 1980 on, in steps of two seconds.
ZIP_EPOCH_MIN = 315532800


def source_epoch(source_dir):
    value = os.environ.get("SOURCE_DATE_EPOCH", "").strip()
    if value:
        return int(value)
    if source_dir:
        try:
            out = subprocess.run(["git", "-C", source_dir, "log", "-1", "--format=%ct"],
                                 check=True, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                 text=True).stdout.strip()
            if out:
                return int(out)
        except (OSError, subprocess.CalledProcessError, ValueError):
            pass
    return FALLBACK_EPOCH


def sha256(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 16), b""):
            digest.update(block)
    return digest.hexdigest()


def write_zip(path, files, epoch):
    stamp = time.gmtime(max(epoch, ZIP_EPOCH_MIN))[:6]
    names = [os.path.basename(f) for f in files]
    if len(set(names)) != len(names):
        sys.exit("pack_release: two files with the same name: %s" % " ".join(files))
    tmp = path + ".tmp"
    with zipfile.ZipFile(tmp, "w") as archive:
        for source, name in zip(files, names):
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3  # Unix, so that the attributes below mean what they say
            info.external_attr = 0o100644 << 16
            with open(source, "rb") as f:
                archive.writestr(info, f.read(), compresslevel=9)
    os.replace(tmp, path)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--zip", required=True)
    parser.add_argument("--sums", required=True)
    parser.add_argument("--source-dir")
    parser.add_argument("files", nargs="+")
    args = parser.parse_args(argv)
    for f in args.files:
        if not os.path.isfile(f):
            sys.exit("pack_release: %s does not exist" % f)
    write_zip(args.zip, args.files, source_epoch(args.source_dir))
    lines = ["%s  %s\n" % (sha256(f), os.path.basename(f)) for f in [args.zip] + args.files]
    with open(args.sums, "w", newline="\n") as f:
        f.writelines(lines)
    print("pack_release: wrote %s and %s" % (args.zip, args.sums))


if __name__ == "__main__":
    main()
