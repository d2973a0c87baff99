#!/bin/bash
# Runs a Windows program under Wine in the project's test prefix, Korean locale (code page 949),
# on the test display. Used by CTest as the emulator of the cross-built tests.
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$HERE/wine-env.sh"
exec wine "$@"
