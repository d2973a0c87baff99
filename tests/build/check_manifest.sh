#!/bin/bash
# Reads the manifest embedded in the built program and checks what it asks of Windows: elevation
# (requireAdministrator, no UI access) and nothing that changes the look of the controls the
# layout was drawn for (no common controls 6).
set -euo pipefail
exe="$1"
rsrc=$(mktemp)
trap 'rm -f "$rsrc"' EXIT
i686-w64-mingw32-objcopy -O binary --only-section=.rsrc "$exe" "$rsrc"
manifest=$(tr -d '\000\r' <"$rsrc" | sed -n '/<assembly/,/<\/assembly>/p')
[ -n "$manifest" ] || { echo "no manifest in $exe"; exit 1; }
bad=0
if ! grep -q 'requestedExecutionLevel level="requireAdministrator" uiAccess="false"' <<<"$manifest"; then
  echo "the manifest does not ask for administrator rights"
  bad=1
fi
if grep -qi 'Microsoft.Windows.Common-Controls' <<<"$manifest"; then
  echo "the manifest binds the common controls 6"
  bad=1
fi
[ $bad = 0 ] && echo "manifest of $(basename "$exe"): elevation, classic controls"
exit $bad
