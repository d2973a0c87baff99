#!/usr/bin/env python3
"""Signing the release's program for tools/dist/pack_release.py.

The packer signs the program with Authenticode (osslsigncode, SHA-256) when the maintainer's key
is named by the environment, in one of two ways:
  - a key that stays on a PKCS#11 token: DADAROR_SIGN_PKCS11_MODULE (the token's module, which
    osslsigncode loads through OpenSSL's pkcs11 engine), DADAROR_SIGN_KEY (the key's PKCS#11
    URI) and DADAROR_SIGN_CERT (the certificate with its chain, PEM or DER);
  - a .pfx/.p12 file: DADAROR_SIGN_PKCS12.
DADAROR_SIGN_PASSWORD_FILE names a file holding the token's PIN or the file's password, which
osslsigncode reads itself, so that it is on no command line. A key needs DADAROR_SIGN_TIMESTAMP_URL
(an RFC 3161 time-stamp server): a signature without a time stamp turns invalid when the
certificate expires, so without one nothing is signed or packed. The time stamp that comes back
must verify against the authority's root, DADAROR_SIGN_TSA_CAFILE (PEM; by default the system's
roots): the protocol runs over plain http, and a stamp nobody trusts would die with the
certificate all the same. The signature carries no program name: its field holds ASCII only, and
Windows shows the version record's description instead.
"""
import os
import subprocess
import sys


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


def sign(source, target, options, url, env=os.environ):
    """Writes the program signed with the osslsigncode options key_arguments gives to target,
    once its time stamp has verified (verify_timestamp)."""
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
    verify_timestamp(tmp, env)
    os.replace(tmp, target)


def verify_timestamp(target, env):
    """Exits with one line, target removed, unless the time stamp of the signed target verifies against the
    authority's root (DADAROR_SIGN_TSA_CAFILE, else osslsigncode's default: the system's roots).
    The signing certificate's own chain is not judged here: a private authority's is fine."""
    command = ["osslsigncode", "verify", "-in", target]
    if env.get("DADAROR_SIGN_TSA_CAFILE"):
        command[2:2] = ["-TSA-CAfile", existing_file(env, "DADAROR_SIGN_TSA_CAFILE")]
    result = subprocess.run(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, text=True, errors="replace")
    verdicts = [line.split(":", 1)[1].strip() for line in result.stdout.splitlines()
                if line.startswith("Timestamp Server Signature verification:")]
    if not verdicts or any(verdict != "ok" for verdict in verdicts):
        os.remove(target)
        sys.exit("pack_release: the time stamp from %s does not verify against %s; not packing "
                 "a signature that would die with the certificate"
                 % (env.get("DADAROR_SIGN_TIMESTAMP_URL", "the authority"),
                    env.get("DADAROR_SIGN_TSA_CAFILE") or "the system's roots"))
