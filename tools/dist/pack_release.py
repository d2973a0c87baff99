#!/usr/bin/env python3
"""Packs the release: the zip a user unpacks and runs, and SHA256SUMS beside it.

    pack_release.py --zip OUT.zip --sums SHA256SUMS [--source-dir DIR]
                    [--sign NAME --sign-url URL] FILE...

The files are copied beside SHA256SUMS, under their own names, and the zip holds them at its top,
in the order given. Two runs over the same files give the
same bytes: every entry carries the time of the source commit (SOURCE_DATE_EPOCH when set, else
the commit date from git, else a fixed date), fixed attributes and no extra fields. SHA256SUMS
lists the zip and every file in it, in the format `sha256sum -c` reads; the files are expected
beside it under their own names, as they are after unpacking the zip next to it. The zip and
SHA256SUMS of an earlier run are removed first, so that a run that fails leaves neither.

--sign NAME signs the file of that name with Authenticode when the maintainer's key is named by
the environment; tools/dist/signing.py says how. The signed copy is the one packed and summed; the
file given stays as it was. Without a key the file is packed unsigned, and one line says so.
"""
import argparse
import hashlib
import os
import shutil
import subprocess
import sys
import time
import zipfile

from signing import key_arguments, sign

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


def stage(files, folder, sign_name, key, url):
    """Copies the files into folder (signing the one named sign_name with key, the options and
    word key_arguments gives, when there is one); returns the copies."""
    staged = []
    for source in files:
        name = os.path.basename(source)
        target = os.path.join(folder, name)
        if name == sign_name and key:
            sign(source, target, key[0], url)
            print("pack_release: %s is signed with %s" % (name, key[1]))
        elif name == sign_name:
            print("pack_release: %s is NOT signed (no key: neither DADAROR_SIGN_PKCS12 nor "
                  "DADAROR_SIGN_KEY is set); not for publishing, the guide promises a signature"
                  % name)
            shutil.copyfile(source, target)
        elif os.path.abspath(source) != os.path.abspath(target):
            shutil.copyfile(source, target)
        staged.append(target)
    return staged


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--zip", required=True)
    parser.add_argument("--sums", required=True)
    parser.add_argument("--source-dir")
    parser.add_argument("--sign", help="name of the file to sign when a key is given")
    parser.add_argument("--sign-url", default="")
    parser.add_argument("files", nargs="+")
    args = parser.parse_args(argv)
    for f in args.files:
        if not os.path.isfile(f):
            sys.exit("pack_release: %s does not exist" % f)
    for earlier in (args.zip, args.sums):
        if os.path.exists(earlier):
            os.remove(earlier)
    key = key_arguments(os.environ) if args.sign else None
    folder = os.path.dirname(os.path.abspath(args.sums))
    os.makedirs(folder, exist_ok=True)
    args.files = stage(args.files, folder, args.sign, key, args.sign_url)
    write_zip(args.zip, args.files, source_epoch(args.source_dir))
    lines = ["%s  %s\n" % (sha256(f), os.path.basename(f)) for f in [args.zip] + args.files]
    with open(args.sums, "w", newline="\n") as f:
        f.writelines(lines)
    print("pack_release: wrote %s and %s" % (args.zip, args.sums))


if __name__ == "__main__":
    main()
