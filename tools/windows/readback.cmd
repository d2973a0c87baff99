@echo off
rem Prints what the nine rows of DADAROR.exe change, in the order of the rows, so that the state
rem can be compared before and after an apply. It only reads: nothing on the machine changes
rem (its scratch files in %TEMP% are deleted at the end).
rem
rem Run it from an elevated Command Prompt (fsutil and bcdedit answer only to administrators).
rem Such a prompt starts in the system folder: change to a folder of your own first.
rem   cd /d "C:\DADAROR"                folder of the program, where the files below go
rem   readback.cmd                      shows the state and waits for a key
rem   readback.cmd /nopause > a.txt     writes it to a file, e.g. before and after an apply,
rem   fc a.txt b.txt                    then shows what changed; the last line, the time of
rem                                     the read, always differs
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
setlocal EnableExtensions DisableDelayedExpansion
set "SYS=%SystemRoot%\System32"
if exist "%SystemRoot%\Sysnative\reg.exe" set "SYS=%SystemRoot%\Sysnative"
set "MM=HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Memory Management"
set "PWR=HKLM\SYSTEM\CurrentControlSet\Control\Power"
set "OUT=%TEMP%\dadaror-readback-%RANDOM%.txt"
set "HIT=%OUT%.hit"

echo DADAROR read-back on %COMPUTERNAME%
rem The Windows version decides which rows this Windows can answer, never a tool's words: XP
rem (5.x) has no powercfg /a and no power plans with an active mark, and no boot configuration
rem data (bcdedit). ver prints "... [Version 5.1.2600]" (the word translated): its last word.
set "NTVERSION=?"
ver > "%OUT%" 2>&1
for /f "usebackq delims=" %%L in ("%OUT%") do call :lastword %%L
set "NTVERSION=%NTVERSION:]=%"
set "OLDNT="
for /f "tokens=1 delims=." %%M in ("%NTVERSION%") do if "%%M"=="5" set "OLDNT=1"
echo Windows %NTVERSION%
set "ADMIN=unknown"
if not exist "%SYS%\fltmc.exe" goto checked
set "ADMIN=yes"
rem Compared as text: an exit code that is an error number can be negative, which "if errorlevel"
rem takes for success.
"%SYS%\fltmc.exe" > "%OUT%" 2>&1
if not "%ERRORLEVEL%"=="0" set "ADMIN=no"
:checked
if "%ADMIN%"=="no" echo NOT ELEVATED: fsutil and bcdedit answer only to administrators and will fail
if "%ADMIN%"=="unknown" echo Administrator rights not checked: no fltmc on this Windows

echo 1 Virtual memory: PagingFiles, DisablePagingExecutive (Memory Management)
"%SYS%\reg.exe" query "%MM%" /v PagingFiles > "%OUT%" 2>&1
call :answer %ERRORLEVEL% reg PagingFiles "reg query PagingFiles" "" "%MM%"
"%SYS%\reg.exe" query "%MM%" /v DisablePagingExecutive > "%OUT%" 2>&1
call :answer %ERRORLEVEL% reg DisablePagingExecutive "reg query DisablePagingExecutive" "" "%MM%"

echo 2 Windows Search: service WSearch
"%SYS%\sc.exe" qc WSearch > "%OUT%" 2>&1
call :answer %ERRORLEVEL% sc START_TYPE "sc qc WSearch"
"%SYS%\sc.exe" query WSearch > "%OUT%" 2>&1
call :answer %ERRORLEVEL% sc STATE "sc query WSearch"

echo 3 Superfetch: service SysMain
"%SYS%\sc.exe" qc SysMain > "%OUT%" 2>&1
call :answer %ERRORLEVEL% sc START_TYPE "sc qc SysMain"
"%SYS%\sc.exe" query SysMain > "%OUT%" 2>&1
call :answer %ERRORLEVEL% sc STATE "sc query SysMain"

echo 4 Auto Trim: fsutil behavior query disabledeletenotify
"%SYS%\fsutil.exe" behavior query disabledeletenotify > "%OUT%" 2>&1
call :answer %ERRORLEVEL% fsutil DisableDeleteNotify "fsutil behavior query disabledeletenotify"

echo 5 Last FileAccess: fsutil behavior query disablelastaccess
"%SYS%\fsutil.exe" behavior query disablelastaccess > "%OUT%" 2>&1
call :answer %ERRORLEVEL% fsutil DisableLastAccess "fsutil behavior query disablelastaccess"

echo 6 Hibernation: HibernateEnabled (Control\Power), and the sleep states powercfg /a offers
"%SYS%\reg.exe" query "%PWR%" /v HibernateEnabled > "%OUT%" 2>&1
call :answer %ERRORLEVEL% reg HibernateEnabled "reg query HibernateEnabled" "" "%PWR%"
if defined OLDNT goto nosleepstates
"%SYS%\powercfg.exe" /a > "%OUT%" 2>&1
call :answer %ERRORLEVEL% powercfg - "powercfg /a"
goto sleepstates
:nosleepstates
call :unavailable "powercfg /a"
:sleepstates

echo 7 Disk defragmentation: service defragsvc (the schedule itself is a Task Scheduler task)
"%SYS%\sc.exe" qc defragsvc > "%OUT%" 2>&1
call :answer %ERRORLEVEL% sc START_TYPE "sc qc defragsvc"
"%SYS%\sc.exe" query defragsvc > "%OUT%" 2>&1
call :answer %ERRORLEVEL% sc STATE "sc query defragsvc"

rem The product's plan is b152c1ee-6d00-4b8d-9324-e8edf86cf92b, Balanced is 381b4222-f694-41f0-9685-ff5bb260df2e.
echo 8 Power plan, * = active: product b152c1ee-6d00-4b8d-9324-e8edf86cf92b
if defined OLDNT goto noplans
"%SYS%\powercfg.exe" /list > "%OUT%" 2>&1
call :answer %ERRORLEVEL% powercfg - "powercfg /list"
goto plans
:noplans
call :unavailable "powercfg /list"
:plans

echo 9 GUI boot: quietboot in bcdedit /enum {current}
if defined OLDNT goto nobootdata
"%SYS%\bcdedit.exe" /enum {current} > "%OUT%" 2>&1
call :answer %ERRORLEVEL% bcdedit quietboot "bcdedit /enum {current}" "quietboot not set (boot animation shown)"
goto bootdata
:nobootdata
call :unavailable "bcdedit /enum {current}"
:bootdata

echo Read %DATE% %TIME%
del "%OUT%" 2>nul
del "%HIT%" 2>nul
if /i not "%~1"=="/nopause" pause
endlocal
goto :eof

rem The version: the last of the words given.
:lastword
if "%~2"=="" goto lastfound
shift
goto lastword
:lastfound
set "NTVERSION=%~1"
goto :eof

rem A row this Windows cannot answer. %1 what would have been run.
:unavailable
echo     %~1: not available on this Windows
goto :eof

rem One result. %1 the tool's exit code, %2 the tool, %3 the field a good answer holds (- for the
rem whole answer), %4 what was run, %5 what a good answer without the field means (when that
rem means something), %6 for a registry value: its key, read when the value is missing.
:answer
set "RC=%~1"
rem Every code but 0 is a failure, compared as text: a crash or an HRESULT is a negative code.
if not "%~6"=="" if "%RC%"=="1" goto novalue
if not "%RC%"=="0" goto failed
if "%~3"=="-" goto whole
rem The field is looked for in any case (XP's fsutil may write its names in lower case); a find
rem without /i (Wine's) is asked again as it is.
"%SYS%\find.exe" /i "%~3" < "%OUT%" > "%HIT%" 2>nul
if errorlevel 2 "%SYS%\find.exe" "%~3" < "%OUT%" > "%HIT%"
if errorlevel 2 goto nofind
if errorlevel 1 goto nofield
for /f "usebackq delims=" %%L in ("%HIT%") do echo     %%L
goto :eof
:nofield
if "%~5"=="" goto nofield2
echo     %~5
goto :eof
:nofield2
echo     %~4 FAILED: its answer holds no %~3
goto message
:nofind
echo     %~4 answered, but find could not search the answer
goto message
:novalue
"%SYS%\reg.exe" query "%~6" > "%OUT%" 2>&1
if errorlevel 1 goto failed
echo     %~3 not set (Windows decides)
goto :eof
:failed
set "WHY="
if "%RC%"=="5" set "WHY=, access denied"
if "%RC%"=="1060" set "WHY=, no such service on this Windows"
if "%WHY%"=="" if "%ADMIN%"=="no" set "WHY=, likely because it was not run as administrator"
if not exist "%SYS%\%~2.exe" set "WHY=: %~2.exe is not on this Windows"
echo     %~4 FAILED (exit %RC%)%WHY%
:message
for /f "usebackq delims=" %%L in ("%OUT%") do echo         %%L
goto :eof
:whole
for /f "usebackq delims=" %%L in ("%OUT%") do echo     %%L
goto :eof
