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

--sign NAME signs the file of that name with Authenticode (osslsigncode, SHA-256) when the
maintainer's key is named by the environment, in one of two ways:
  - a key that stays on a PKCS#11 token: DADAROR_SIGN_PKCS11_MODULE (the token's module, which
    osslsigncode loads through OpenSSL's pkcs11 engine), DADAROR_SIGN_KEY (the key's PKCS#11
    URI) and DADAROR_SIGN_CERT (the certificate with its chain, PEM or DER);
  - a .pfx/.p12 file: DADAROR_SIGN_PKCS12.
DADAROR_SIGN_PASSWORD_FILE names a file holding the token's PIN or the file's password, which
osslsigncode reads itself, so that it is on no command line. A key needs DADAROR_SIGN_TIMESTAMP_URL
(an RFC 3161 time-stamp server): a signature without a time stamp turns invalid when the
certificate expires, so without one nothing is signed or packed. The signature carries no program
name: its field holds ASCII only, and Windows shows the version record's description instead.
The signed copy is the one packed and summed; the file given stays as it was. Without a key the
file is packed unsigned, and one line says so.
"""
import argparse
import hashlib
import os
import shutil
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


TOKEN_VARIABLES = ("DADAROR_SIGN_PKCS11_MODULE", "DADAROR_SIGN_KEY", "DADAROR_SIGN_CERT")


def existing_file(env, name):
    path = env.get(name, "")
    if not os.path.isfile(path):
        sys.exit("pack_release: %s names no file: %s" % (name, path))
    return path


def key_arguments(env):
    """The osslsigncode options naming the key, its password and the time-stamp server, with a
    word for the key; None when the environment names no key. Exits with one line saying why when
    what it names cannot make a lasting signature without a secret on a command line."""
    token = [env.get(name, "") for name in TOKEN_VARIABLES]
    pkcs12 = env.get("DADAROR_SIGN_PKCS12", "")
    if not pkcs12 and not any(token):
        return None
    if pkcs12 and any(token):
        sys.exit("pack_release: DADAROR_SIGN_PKCS12 and a key on a token are both named; "
                 "name one of them")
    if pkcs12:
        arguments = ["-pkcs12", existing_file(env, "DADAROR_SIGN_PKCS12")]
        key = os.path.basename(pkcs12)
    else:
        missing = [name for name, value in zip(TOKEN_VARIABLES, token) if not value]
        if missing:
            sys.exit("pack_release: a key on a token needs %s as well" % " and ".join(missing))
        key = env["DADAROR_SIGN_KEY"]
        if "pin-value" in key.lower():
            sys.exit("pack_release: DADAROR_SIGN_KEY holds the PIN; put it in the file "
                     "DADAROR_SIGN_PASSWORD_FILE names")
        arguments = ["-pkcs11module", existing_file(env, "DADAROR_SIGN_PKCS11_MODULE"),
                     "-key", key, "-certs", existing_file(env, "DADAROR_SIGN_CERT")]
    if not env.get("DADAROR_SIGN_TIMESTAMP_URL"):
        sys.exit("pack_release: not signing without a time stamp (the signature would turn "
                 "invalid when the certificate expires): set DADAROR_SIGN_TIMESTAMP_URL")
    if env.get("DADAROR_SIGN_PASSWORD_FILE"):
        arguments += ["-readpass", existing_file(env, "DADAROR_SIGN_PASSWORD_FILE")]
    return arguments + ["-ts", env["DADAROR_SIGN_TIMESTAMP_URL"]], key


def sign(source, target, options, url):
    """Writes the program signed with the osslsigncode options key_arguments gives to target."""
    command = ["osslsigncode", "sign"] + options + ["-h", "sha256", "-i", url]
    tmp = target + ".tmp"
    if os.path.exists(tmp):
        os.remove(tmp)
    try:
        result = subprocess.run(command + ["-in", source, "-out", tmp], stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    except OSError as e:
        sys.exit("pack_release: cannot run osslsigncode (scripts/setup.sh installs it): %s" % e)
    if result.returncode != 0 or not os.path.isfile(tmp):
        if os.path.exists(tmp):
            os.remove(tmp)
        sys.exit("pack_release: signing %s failed (osslsigncode exit code %d):\n%s"
                 % (source, result.returncode, result.stdout.strip()))
    os.replace(tmp, target)


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
