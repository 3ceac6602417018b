@echo off
rem Undoes what install.cmd did, as it recorded it under
rem HKLM\SOFTWARE\Tarrowind\Velquin\Install, and nothing else. Each step
rem drops its record when done, so a stopped run can simply be started again.
rem Exit codes: 0 done (or nothing installed), 1 usage, 2 not an
rem administrator, 4 stopped part way (start it again once the cause is gone).
setlocal enableextensions enabledelayedexpansion

rem A 32-bit prompt on 64-bit Windows starts again in the native one.
if defined PROCESSOR_ARCHITEW6432 goto native_prompt

if not "%~1"=="" (
  echo Usage: uninstall.cmd
  echo Undoes what install.cmd did. See README.ja.md.
  exit /b 1
)

call :is_administrator
if errorlevel 1 (
  echo Velquin: uninstall.cmd must run as administrator.
  echo Open a command prompt with "Run as administrator" and start it there.
  echo Nothing was changed.
  exit /b 2
)

set "STATEKEY=HKLM\SOFTWARE\Tarrowind\Velquin\Install"
set "IFEO=HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Image File Execution Options\notepad.exe"
set "VIEW_N="
set "VIEW_64=/reg:64"
set "VIEW_32=/reg:32"

reg query "%STATEKEY%" >nul 2>&1
if errorlevel 1 (
  echo Velquin: no installation is recorded. Nothing was changed.
  exit /b 0
)
call :get Mode
set "MODE=!VAL!"

set "FAILED="
rem The redirect.
for %%V in (N 64 32) do call :undo_view %%V
if defined FAILED goto failed

call :get Program
if defined VAL (
  if exist "!VAL!" (
    del /f "!VAL!"
    if exist "!VAL!" goto failed
    echo Velquin: removed !VAL!
  )
  call :drop Program
  if errorlevel 1 goto failed
)
call :get ProgramDir
if defined VAL (
  if exist "!VAL!\" rd "!VAL!" 2>nul
  if exist "!VAL!\" echo Velquin: !VAL! holds other files: left in place.
  call :drop ProgramDir
  if errorlevel 1 goto failed
)

rem Notepad back in its place, then the copies that install.cmd made.
for %%R in (W S X) do call :undo_replaced %%R
if defined FAILED goto failed
for %%R in (W S X) do call :undo_copy %%R
if defined FAILED goto failed

rem Last, the record itself and the keys made for it.
call :get CreatedKey
set "CREATED=!VAL!"
reg delete "%STATEKEY%" /f >nul
if errorlevel 1 goto failed
if defined CREATED (
  call :key_is_empty "HKLM\SOFTWARE\Tarrowind\Velquin" ""
  if not errorlevel 1 reg delete "HKLM\SOFTWARE\Tarrowind\Velquin" /f >nul
  if /i "!CREATED!"=="HKLM\SOFTWARE\Tarrowind" (
    call :key_is_empty "HKLM\SOFTWARE\Tarrowind" ""
    if not errorlevel 1 reg delete "HKLM\SOFTWARE\Tarrowind" /f >nul
  )
)
echo Velquin: uninstalled ^(/%MODE%^).
exit /b 0

:failed
echo Velquin: uninstall stopped part way. Start it again once the cause is gone.
exit /b 4

:native_prompt
if not exist "%SystemRoot%\Sysnative\cmd.exe" (
  echo Velquin: run uninstall.cmd from a 64-bit command prompt, %SystemRoot%\System32\cmd.exe.
  exit /b 2
)
"%SystemRoot%\Sysnative\cmd.exe" /c ""%~f0" %*"
exit /b %errorlevel%

rem --- helpers ---------------------------------------------------------------

:is_administrator
rem Wine gives every user the administrator's rights; the refusal is checked
rem there by setting VELQUIN_TEST_NOT_ADMIN, which real Windows ignores.
if defined VELQUIN_TEST_NOT_ADMIN (
  reg query "HKLM\Software\Wine" >nul 2>&1
  if not errorlevel 1 exit /b 1
)
net session >nul 2>&1
if not errorlevel 1 exit /b 0
fltmc >nul 2>&1
if not errorlevel 1 exit /b 0
exit /b 1

:undo_view
if defined FAILED exit /b 1
set "VF=!VIEW_%~1!"
call :get Debugger_%~1
if not defined VAL goto undo_view_key
set "WROTE=!VAL!"
call :debugger_value "!VF!"
if "!VAL!"=="!WROTE!" (
  reg delete "%IFEO%" /v Debugger /f !VF! >nul
  if errorlevel 1 goto step_failed
  echo Velquin: removed the Debugger value of notepad.exe !VF!
) else if defined VAL (
  echo Velquin: the Debugger value now names !VAL!, not velquin.exe: left as it is.
)
call :drop Debugger_%~1
if errorlevel 1 goto step_failed
:undo_view_key
call :get IfeoKey_%~1
if not defined VAL exit /b 0
call :key_is_empty "%IFEO%" "!VF!"
if errorlevel 1 goto undo_view_kept
reg delete "%IFEO%" /f !VF! >nul
if errorlevel 1 goto step_failed
:undo_view_kept
call :drop IfeoKey_%~1
if errorlevel 1 goto step_failed
exit /b 0

:undo_replaced
if defined FAILED exit /b 1
call :get Replaced_%~1
if not defined VAL exit /b 0
set "TARGET=!VAL!"
call :beside "!TARGET!" notepa~.exe
if not exist "!COPY!" (
  echo Velquin: !COPY! is missing, so !TARGET! cannot be given back. Restore it by hand.
  goto step_failed
)
copy /y "!COPY!" "!TARGET!" >nul
if errorlevel 1 goto step_failed
call :get Owner_%~1
if not defined VAL goto undo_replaced_done
rem The owner and rights that Windows gives its own files.
icacls "!TARGET!" /setowner "NT SERVICE\TrustedInstaller" >nul
icacls "!TARGET!" /grant:r *S-1-5-32-544:RX >nul
call :drop Owner_%~1
if errorlevel 1 goto step_failed
:undo_replaced_done
call :drop Replaced_%~1
if errorlevel 1 goto step_failed
echo Velquin: Notepad is back in !TARGET!
exit /b 0

:undo_copy
if defined FAILED exit /b 1
call :get Copy_%~1
if not defined VAL exit /b 0
if exist "!VAL!" (
  del /f "!VAL!"
  if exist "!VAL!" goto step_failed
  echo Velquin: removed !VAL!
)
call :drop Copy_%~1
if errorlevel 1 goto step_failed
exit /b 0

:beside
set "COPY=%~dp1%~2"
exit /b 0

:step_failed
set "FAILED=1"
exit /b 1

:get
set "VAL="
for /f "tokens=2,*" %%a in ('reg query "%STATEKEY%" /v %~1 2^>nul ^| find "REG_"') do set "VAL=%%b"
exit /b 0

:drop
reg delete "%STATEKEY%" /v %~1 /f >nul
exit /b %errorlevel%

:debugger_value
set "VAL="
for /f "tokens=2,*" %%a in ('reg query "%IFEO%" /v Debugger %~1 2^>nul ^| find "REG_"') do set "VAL=%%b"
exit /b 0

rem errorlevel 0 when the key holds no value and no subkey.
:key_is_empty
set /a KEYS=0, VALUES=0
for /f "delims=" %%L in ('reg query "%~1" %~2 2^>nul') do (
  set "LINE=%%L"
  if /i "!LINE:~0,5!"=="HKEY_" set /a KEYS+=1
  if not "!LINE:REG_=!"=="!LINE!" set /a VALUES+=1
)
if %KEYS% LEQ 1 if %VALUES%==0 exit /b 0
exit /b 1
