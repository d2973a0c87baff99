#!/bin/bash
# Fails when the program imports a DLL that Windows might load from the program's folder.
# Allowed: DLLs Windows always takes from the system folder (KnownDLLs). comctl32.dll is not one
# of them: the program loads it at run time from the system folder, and a static import of it
# would let a copy in the program's folder in. Also fails on an import of a function Windows XP
# lacks: Windows does not start a program whose imports it cannot all find.
set -euo pipefail
exe="$1"
allowed="advapi32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll shell32.dll user32.dll comdlg32.dll shlwapi.dll"
imports=$(i686-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/{print tolower($3)}' | sort -u)
[ -n "$imports" ] || { echo "no imports read from $exe"; exit 1; }
bad=0
for dll in $imports; do
  if ! grep -qw -- "$dll" <<<"$allowed"; then
    echo "not allowed as a static import: $dll"
    bad=1
  fi
done
newer="GetTickCount64 InitializeConditionVariable SleepConditionVariableCS SleepConditionVariableSRW
WakeConditionVariable WakeAllConditionVariable InitializeSRWLock AcquireSRWLockExclusive
AcquireSRWLockShared ReleaseSRWLockExclusive ReleaseSRWLockShared InitOnceExecuteOnce
InitOnceBeginInitialize InitOnceComplete FlsAlloc FlsGetValue FlsSetValue FlsFree GetErrorMode
QueryFullProcessImageNameA QueryFullProcessImageNameW GetSystemTimePreciseAsFileTime
SetDefaultDllDirectories AddDllDirectory CreateEventExA CreateEventExW CancelIoEx"
for name in $(i686-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/{on=1} on && NF==3 && $2 ~ /^[0-9]+$/{print $3}'); do
  if grep -qw -- "$name" <<<"$newer"; then
    echo "imports $name, which Windows XP lacks: the program would not start there"
    bad=1
  fi
done
echo "imports of $(basename "$exe"): $(echo $imports)"
exit $bad
