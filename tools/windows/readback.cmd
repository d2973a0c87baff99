@echo off
rem Prints what the nine rows of DADAROR.exe change, in the order of the rows, so that the state
rem can be compared before and after an apply. It only reads: nothing on the machine changes,
rem and it writes no file of its own. Each tool's answer is read where the tool writes it.
rem
rem Run it from an elevated Command Prompt (fsutil and bcdedit answer only to administrators),
rem by its full path, from the new folder of your own under your profile that the release was
rem unpacked into. Such a prompt starts in the system folder: change to that folder first.
rem   cd /d "%USERPROFILE%\DADAROR"
rem   "%USERPROFILE%\DADAROR\readback.cmd"                      shows the state, waits for a key
rem   "%USERPROFILE%\DADAROR\readback.cmd" /nopause > a.txt     writes it to a file, e.g. before
rem   %SystemRoot%\System32\fc.exe a.txt b.txt                  and after an apply, then shows
rem                          what changed; the last line, the time of the read, always differs
rem
rem Each result is decided by the tool's exit code and by the field its answer must hold, never
rem by the words of its messages, which Windows translates. A tool that fails is reported as
rem FAILED, with its exit code, the likely reason and its own message: a state that could not
rem be read is never shown as a default.
rem
rem Every tool is called by its full path in the system folder, never by its bare name: a file of
rem the same name in the current folder would run instead. Started from a 32-bit program on
rem 64-bit Windows, the 64-bit tools are reached through Sysnative. Delayed expansion stays off
rem whatever the registry says, so that a "!" in a tool's answer is printed as it is.
rem
rem A tool's answer is never kept in a file (%TEMP% is the user's, and the user's environment
rem names it) and never passed to call or to a label, which would expand its "%" signs again:
rem its lines exist only as the loop variables of the for /f that reads them. That for /f runs
rem its command through %ComSpec% /c, so ComSpec is set to the system's cmd here; the child drops
rem the outer quotes of the command, and the tool inside is named by its full path.
rem
rem A variable defined in the environment takes the place of cmd's own DATE, TIME and ERRORLEVEL,
rem and it is expanded before the line is split into commands: a DATE holding an ampersand and a
rem program name would run that program elevated. They are cleared here, so that the built-in
rem values answer; the computer's name is read from hostname.exe, never from the environment,
rem and printed as a loop variable.
setlocal EnableExtensions DisableDelayedExpansion
set "DATE="
set "TIME="
set "ERRORLEVEL="
set "ComSpec=%SystemRoot%\System32\cmd.exe"
set "SYS=%SystemRoot%\System32"
if exist "%SystemRoot%\Sysnative\reg.exe" set "SYS=%SystemRoot%\Sysnative"
set "MM=HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Memory Management"
set "PWR=HKLM\SYSTEM\CurrentControlSet\Control\Power"

echo DADAROR read-back
for /f "delims=" %%N in ('""%SYS%\hostname.exe" 2>nul"') do echo Computer %%N
rem The Windows version decides which rows this Windows can answer, never a tool's words: XP
rem (5.x) has no powercfg /a and no power plans with an active mark, and no boot configuration
rem data (bcdedit), and it keeps no HibernateEnabled. ver prints "... [Version 5.1.2600]" (the
rem word translated): its last word.
set "NTVERSION=?"
set "VERLINE="
for /f "delims=" %%L in ('ver') do set "VERLINE=%%L"
for %%W in (%VERLINE%) do set "NTVERSION=%%W"
set "NTVERSION=%NTVERSION:]=%"
set "OLDNT="
for /f "tokens=1 delims=." %%M in ("%NTVERSION%") do if "%%M"=="5" set "OLDNT=1"
echo Windows %NTVERSION%
set "ADMIN=unknown"
if not exist "%SYS%\fltmc.exe" goto checked
set "ADMIN=yes"
rem Compared as text: an exit code that is an error number can be negative, which "if errorlevel"
rem takes for success.
"%SYS%\fltmc.exe" >nul 2>&1
if not "%ERRORLEVEL%"=="0" set "ADMIN=no"
:checked
if "%ADMIN%"=="no" echo NOT ELEVATED: fsutil and bcdedit answer only to administrators and will fail
if "%ADMIN%"=="unknown" echo Administrator rights not checked: no fltmc on this Windows

echo 1 Virtual memory: PagingFiles, DisablePagingExecutive (Memory Management)
set READ="%SYS%\reg.exe" query "%MM%" /v PagingFiles
call :answer reg PagingFiles "reg query PagingFiles" "" "%MM%"
set READ="%SYS%\reg.exe" query "%MM%" /v DisablePagingExecutive
call :answer reg DisablePagingExecutive "reg query DisablePagingExecutive" "" "%MM%"

echo 2 Windows Search: service WSearch
set READ="%SYS%\sc.exe" qc WSearch
call :answer sc START_TYPE "sc qc WSearch"
set READ="%SYS%\sc.exe" query WSearch
call :answer sc STATE "sc query WSearch"

echo 3 Superfetch: service SysMain
set READ="%SYS%\sc.exe" qc SysMain
call :answer sc START_TYPE "sc qc SysMain"
set READ="%SYS%\sc.exe" query SysMain
call :answer sc STATE "sc query SysMain"

echo 4 Auto Trim: fsutil behavior query disabledeletenotify
set READ="%SYS%\fsutil.exe" behavior query disabledeletenotify
call :answer fsutil DisableDeleteNotify "fsutil behavior query disabledeletenotify"

echo 5 Last FileAccess: fsutil behavior query disablelastaccess
set READ="%SYS%\fsutil.exe" behavior query disablelastaccess
call :answer fsutil DisableLastAccess "fsutil behavior query disablelastaccess"

echo 6 Hibernation: HibernateEnabled (Control\Power), and the sleep states powercfg /a offers
rem XP switches hibernation in Power Options (and powercfg /hibernate) and keeps it in no value
rem that can be read here: a HibernateEnabled found there would not follow it.
if defined OLDNT goto nohibernation
set READ="%SYS%\reg.exe" query "%PWR%" /v HibernateEnabled
call :answer reg HibernateEnabled "reg query HibernateEnabled" "" "%PWR%"
set READ="%SYS%\powercfg.exe" /a
call :answer powercfg - "powercfg /a"
goto hibernation
:nohibernation
call :unavailable "reg query HibernateEnabled"
call :unavailable "powercfg /a"
:hibernation

echo 7 Disk defragmentation: service defragsvc (the schedule itself is a Task Scheduler task)
set READ="%SYS%\sc.exe" qc defragsvc
call :answer sc START_TYPE "sc qc defragsvc"
set READ="%SYS%\sc.exe" query defragsvc
call :answer sc STATE "sc query defragsvc"

rem The product's plan is b152c1ee-6d00-4b8d-9324-e8edf86cf92b, Balanced is 381b4222-f694-41f0-9685-ff5bb260df2e.
echo 8 Power plan, * = active: product b152c1ee-6d00-4b8d-9324-e8edf86cf92b
if defined OLDNT goto noplans
set READ="%SYS%\powercfg.exe" /list
call :answer powercfg - "powercfg /list"
goto plans
:noplans
call :unavailable "powercfg /list"
:plans

echo 9 GUI boot: quietboot in bcdedit /enum {current}
if defined OLDNT goto nobootdata
set READ="%SYS%\bcdedit.exe" /enum {current}
call :answer bcdedit quietboot "bcdedit /enum {current}" "quietboot not set (boot animation shown)"
goto bootdata
:nobootdata
call :unavailable "bcdedit /enum {current}"
:bootdata

echo Read %DATE% %TIME%
if /i not "%~1"=="/nopause" pause
endlocal
goto :eof

rem A row this Windows cannot answer. %1 what would have been run.
:unavailable
echo     %~1: not available on this Windows
goto :eof

rem One result of the command in READ. %1 the tool, %2 the field a good answer holds (- for the
rem whole answer), %3 what was run, %4 what a good answer without the field means (when that
rem means something), %5 for a registry value: its key, read when the value is missing.
rem The exit code decides, from a run whose answer is not kept; what is shown is then read from
rem a second run, so a tool that answers differently the second time can show a failure's
rem message under a success, never a state under a failure.
:answer
%READ% >nul 2>&1
set "RC=%ERRORLEVEL%"
rem Every code but 0 is a failure, compared as text: a crash or an HRESULT is a negative code.
if not "%~5"=="" if "%RC%"=="1" goto novalue
if not "%RC%"=="0" goto failed
if "%~2"=="-" goto whole
rem The field is the first or the second word of its line (fsutil of Windows 10 writes "NTFS"
rem before it), in any case (XP's fsutil writes its names in lower case). The line is shown by
rem its words, one blank between them.
set "FOUND="
for /f "tokens=1,2*" %%A in ('"%READ% 2>&1"') do (
  set "THIS="
  if /i "%%A"=="%~2" set "THIS=1"
  if /i "%%B"=="%~2" set "THIS=1"
  if defined THIS echo     %%A %%B %%C
  if defined THIS set "FOUND=1"
)
if defined FOUND goto :eof
if "%~4"=="" goto nofield
echo     %~4
goto :eof
:nofield
echo     %~3 FAILED: its answer holds no %~2
goto message
:novalue
"%SYS%\reg.exe" query "%~5" >nul 2>&1
if errorlevel 1 goto failed
echo     %~2 not set (Windows decides)
goto :eof
:failed
set "WHY="
if "%RC%"=="5" set "WHY=, access denied"
if "%RC%"=="1060" set "WHY=, no such service on this Windows"
if "%WHY%"=="" if "%ADMIN%"=="no" set "WHY=, likely because it was not run as administrator"
if not exist "%SYS%\%~1.exe" set "WHY=: %~1.exe is not on this Windows"
echo     %~3 FAILED (exit %RC%)%WHY%
:message
for /f "delims=" %%L in ('"%READ% 2>&1"') do echo         %%L
goto :eof
:whole
for /f "delims=" %%L in ('"%READ% 2>&1"') do echo     %%L
goto :eof
