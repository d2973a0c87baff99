#!/bin/bash
# Installs what the build and the tests need on a Debian 12 machine, only what is missing.
set -euo pipefail

PKGS=(wine wine32:i386 wine64 mingw-w64 g++-mingw-w64-i686-posix xvfb xdotool imagemagick
      locales fonts-nanum googletest cmake ninja-build python3 zip osslsigncode openssl
      softhsm2 libengine-pkcs11-openssl python3-hivex python3-libregf reglookup
      libparse-win32registry-perl clang-format
      clang clang-tidy libclang-rt-dev)

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${PKGS[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Korean locale: Wine takes its ANSI code page (949) from it.
if ! locale -a 2>/dev/null | grep -qi '^ko_KR.utf8$'; then
  echo "setup: generating ko_KR.UTF-8"
  $SUDO sed -i 's/^# *\(ko_KR.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ko_KR.UTF-8 UTF-8' /etc/locale.gen || echo 'ko_KR.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
