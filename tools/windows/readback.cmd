@echo off
rem Prints what the nine rows of DADAROR.exe change, in the order of the rows, so that the state
rem can be compared before and after an apply. It only reads: nothing on the machine changes.
rem
rem Run it from an elevated Command Prompt (fsutil and bcdedit answer only to administrators):
rem   readback.cmd                      shows the state and waits for a key
rem   readback.cmd /nopause > a.txt     writes it to a file, e.g. before and after an apply,
rem   fc a.txt b.txt                    then shows what changed
rem
rem Every tool is called by its full path in the system folder, never by its bare name: a file of
rem the same name in the current folder would run instead. Started from a 32-bit program on
rem 64-bit Windows, the 64-bit tools are reached through Sysnative.
setlocal
set "SYS=%SystemRoot%\System32"
if exist "%SystemRoot%\Sysnative\reg.exe" set "SYS=%SystemRoot%\Sysnative"
set "MM=HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Memory Management"
set "PWR=HKLM\SYSTEM\CurrentControlSet\Control\Power"

echo DADAROR read-back, %DATE% %TIME%, %COMPUTERNAME%
"%SYS%\fltmc.exe" >nul 2>&1 || echo NOT ELEVATED: fsutil and bcdedit answer only to administrators

echo 1 Virtual memory: PagingFiles, DisablePagingExecutive (Memory Management)
"%SYS%\reg.exe" query "%MM%" /v PagingFiles 2>nul | "%SYS%\findstr.exe" /i /c:"PagingFiles" || echo     PagingFiles missing
"%SYS%\reg.exe" query "%MM%" /v DisablePagingExecutive 2>nul | "%SYS%\findstr.exe" /i /c:"DisablePagingExecutive" || echo     DisablePagingExecutive missing

echo 2 Windows Search: service WSearch
"%SYS%\sc.exe" qc WSearch | "%SYS%\findstr.exe" /c:"START_TYPE" /c:"FAILED"
"%SYS%\sc.exe" query WSearch | "%SYS%\findstr.exe" /c:"STATE"

echo 3 Superfetch: service SysMain
"%SYS%\sc.exe" qc SysMain | "%SYS%\findstr.exe" /c:"START_TYPE" /c:"FAILED"
"%SYS%\sc.exe" query SysMain | "%SYS%\findstr.exe" /c:"STATE"

echo 4 Auto Trim: fsutil behavior query disabledeletenotify
"%SYS%\fsutil.exe" behavior query disabledeletenotify

echo 5 Last FileAccess: fsutil behavior query disablelastaccess
"%SYS%\fsutil.exe" behavior query disablelastaccess

echo 6 Hibernation: HibernateEnabled (Control\Power)
"%SYS%\reg.exe" query "%PWR%" /v HibernateEnabled 2>nul | "%SYS%\findstr.exe" /i /c:"HibernateEnabled" || echo     HibernateEnabled missing

echo 7 Disk defragmentation: service defragsvc
"%SYS%\sc.exe" qc defragsvc | "%SYS%\findstr.exe" /c:"START_TYPE" /c:"FAILED"
"%SYS%\sc.exe" query defragsvc | "%SYS%\findstr.exe" /c:"STATE"

rem The product's plan is b152c1ee-6d00-4b8d-9324-e8edf86cf92b, Balanced is 381b4222-f694-41f0-9685-ff5bb260df2e.
echo 8 Power plan, * = active: product b152c1ee-6d00-4b8d-9324-e8edf86cf92b
"%SYS%\powercfg.exe" /list | "%SYS%\findstr.exe" /r /c:"[0-9a-f]-[0-9a-f]"

echo 9 GUI boot: quietboot in bcdedit /enum {current}
if not exist "%SYS%\bcdedit.exe" goto nobcdedit
"%SYS%\bcdedit.exe" /enum {current} | "%SYS%\findstr.exe" /i /c:"quietboot" || echo     quietboot not set (boot animation shown)
goto done
:nobcdedit
echo     no bcdedit on this Windows (before Vista the row is disabled)

:done
if /i not "%~1"=="/nopause" pause
endlocal
