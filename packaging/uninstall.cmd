@echo off
rem Undoes what install.cmd did, as it recorded it under
rem HKLM\SOFTWARE\Tarrowind\Velquin\Install, and nothing else. Each step
rem drops its record when done, so a stopped run can simply be started again.
rem   uninstall.cmd            from an administrator's command prompt
rem   uninstall.cmd /quiet     the same, printing only errors
rem   uninstall.cmd /elevate   asks for an administrator's rights (UAC)
rem                            first: Apps & features starts it this way
rem Exit codes: 0 done (or nothing installed), 1 usage, 2 not an
rem administrator, 4 stopped part way (start it again once the cause is gone).
setlocal enableextensions enabledelayedexpansion

rem A 32-bit prompt on 64-bit Windows starts again in the native one.
if defined PROCESSOR_ARCHITEW6432 goto native_prompt

set "QUIET="
set "ELEVATE="
set "ELEVATED="
if /i "%~1"=="/quiet" set "QUIET=1"
if /i "%~1"=="/elevate" set "ELEVATE=1"
rem The run that /elevate starts as administrator.
if /i "%~1"=="/elevated" set "ELEVATE=1" & set "ELEVATED=1"
if not "%~1"=="" if not defined QUIET if not defined ELEVATE goto usage
if not "%~2"=="" goto usage

set "STATEKEY=HKLM\SOFTWARE\Tarrowind\Velquin\Install"
set "IFEO=HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Image File Execution Options\notepad.exe"
set "CLASSES=HKLM\SOFTWARE\Classes"
set "REGAPPS=HKLM\SOFTWARE\RegisteredApplications"
set "ARP=HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Velquin"
set "VIEW_N="
set "VIEW_64=/reg:64"
set "VIEW_32=/reg:32"

rem The installed copy removes its own folder: it hands over to a copy in
rem %TEMP%, which deletes itself when done.
call :get Uninstaller
if defined VAL if /i "!VAL!"=="%~f0" (
  set "COPY=%TEMP%\velquin-uninstall-%RANDOM%.cmd"
  copy /y "%~f0" "!COPY!" >nul
  if not errorlevel 1 "!COPY!" %*
)
set "N=%~n0"
set "SELF="
if not defined ELEVATED if /i "%N:~0,18%"=="velquin-uninstall-" set "SELF=1"
call :main
set "RC=%errorlevel%"
if defined SELF (
  del "%~f0" 2>nul
  exit /b %RC%
)
exit /b %RC%

:usage
echo Usage: uninstall.cmd [/quiet ^| /elevate]
echo Undoes what install.cmd did. See README.ja.md.
exit /b 1

:main
call :is_administrator
if errorlevel 1 (
  if defined ELEVATE goto elevate
  echo Velquin: uninstall.cmd must run as administrator.
  echo Open a command prompt with "Run as administrator" and start it there.
  echo Nothing was changed.
  exit /b 2
)

reg query "%STATEKEY%" >nul 2>&1
if errorlevel 1 (
  call :say "Velquin: no installation is recorded. Nothing was changed."
  exit /b 0
)
call :get Mode
set "MODE=!VAL!"
call :get Debugger
set "OURS=!VAL!"

set "FAILED="
rem The IFEO values as they were, then the redirect of older installs.
for /f "tokens=1,2,*" %%a in ('reg query "%STATEKEY%" 2^>nul') do call :undo_was "%%a" "%%c"
if defined FAILED goto failed
for %%V in (N 64 32) do call :undo_view %%V
if defined FAILED goto failed

call :undo_registration
if defined FAILED goto failed

call :undo_shortcut
if defined FAILED goto failed
for %%F in (Program Settings Uninstaller) do call :undo_file %%F
if defined FAILED goto failed
call :get ProgramDir
if defined VAL (
  if exist "!VAL!\" rd "!VAL!" 2>nul
  if exist "!VAL!\" call :say "Velquin: !VAL! holds other files: left in place."
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
call :say "Velquin: uninstalled (/%MODE%)."
if defined ELEVATE if not defined QUIET pause
exit /b 0

rem Apps & features starts the UninstallString without elevation: the same
rem script again, as administrator, through the UAC prompt.
:elevate
set "PS=%SystemRoot%\System32\WindowsPowerShell\v1.0\powershell.exe"
if not exist "%PS%" (
  echo Velquin: uninstall.cmd must run as administrator. Nothing was changed.
  exit /b 2
)
set "VELQUIN_SELF=%~f0"
"%PS%" -NoProfile -NonInteractive -Command "try { $p = Start-Process -FilePath $env:VELQUIN_SELF -ArgumentList '/elevated' -Verb RunAs -Wait -PassThru; exit $p.ExitCode } catch { exit 2 }"
set "RC=%errorlevel%"
if "%RC%"=="2" echo Velquin: the uninstall was not allowed to run as administrator. Nothing was changed.
exit /b %RC%

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

:say
if defined QUIET exit /b 0
set "MSG=%~1"
echo !MSG!
exit /b 0

rem One recorded IFEO value put back: Was_<view>_<subkey or ->_<name> holds
rem its previous "type data", or "-" when it was absent. On Windows both
rem views are one key, so the second finds it put back already.
:undo_was
if defined FAILED exit /b 1
set "REC=%~1"
if not "%REC:~0,4%"=="Was_" exit /b 0
set "PRIOR=%~2"
for /f "tokens=2,3,* delims=_" %%a in ("%REC%") do (
  set "VF=!VIEW_%%a!"
  set "SUB=%%b"
  set "NAME=%%c"
)
if "!SUB!"=="-" (set "KEY=%IFEO%") else set "KEY=%IFEO%\!SUB!"
rem A subkey gone since is never made again.
reg query "!KEY!" !VF! >nul 2>&1
if errorlevel 1 goto undo_was_done
call :value "!KEY!" !NAME!
if /i "!NAME!"=="Debugger" if defined VTYPE if not "!VTYPE! !VDATA!"=="REG_SZ !OURS!" (
  call :say "Velquin: the Debugger value of !KEY! now names !VDATA!, not velquin.exe: left as it is."
  goto undo_was_done
)
if not "!PRIOR!"=="-" goto undo_was_add
if not defined VTYPE goto undo_was_done
reg delete "!KEY!" /v !NAME! /f !VF! >nul
if errorlevel 1 goto step_failed
goto undo_was_done
:undo_was_add
for /f "tokens=1,*" %%t in ("%PRIOR%") do reg add "!KEY!" /v !NAME! /t %%t /d "%%u" /f !VF! >nul
if errorlevel 1 goto step_failed
:undo_was_done
call :drop !REC!
if errorlevel 1 goto step_failed
exit /b 0

rem Velquin's own keys for Default apps, "Open with" and Apps & features.
:undo_registration
call :get Registered
if not defined VAL exit /b 0
for %%K in ("%CLASSES%\Velquin.Text" "%CLASSES%\Applications\velquin.exe" "HKLM\SOFTWARE\Tarrowind\Velquin\Capabilities" "%ARP%") do call :delete_key %%K
if defined FAILED exit /b 1
reg query "%REGAPPS%" /v Velquin >nul 2>&1
if errorlevel 1 goto undo_registration_key
reg delete "%REGAPPS%" /v Velquin /f >nul
if errorlevel 1 goto step_failed
:undo_registration_key
call :get RegAppsKey
if not defined VAL goto undo_registration_done
call :key_is_empty "%REGAPPS%" ""
if not errorlevel 1 reg delete "%REGAPPS%" /f >nul
call :drop RegAppsKey
:undo_registration_done
call :drop Registered
if errorlevel 1 goto step_failed
call :say "Velquin: removed the Default apps and Apps & features entries"
exit /b 0

:delete_key
if defined FAILED exit /b 1
reg query %1 >nul 2>&1
if errorlevel 1 exit /b 0
reg delete %1 /f >nul
if errorlevel 1 goto step_failed
exit /b 0

rem The settings program removes its own Start-menu shortcut, whose name
rem is not ASCII; without the program the shortcut stays.
:undo_shortcut
if defined FAILED exit /b 1
call :get Shortcut
if not defined VAL exit /b 0
call :get Settings
if not defined VAL set "VAL=-"
if exist "!VAL!" (
  start "" /wait "!VAL!" /remove-shortcut
  if errorlevel 1 goto step_failed
  call :say "Velquin: removed the settings program from the Start menu"
)
if not exist "!VAL!" call :say "Velquin: the settings program is missing: remove its Start menu shortcut by hand."
call :drop Shortcut
if errorlevel 1 goto step_failed
exit /b 0

:undo_file
if defined FAILED exit /b 1
call :get %~1
if not defined VAL exit /b 0
if exist "!VAL!" (
  del /f "!VAL!"
  if exist "!VAL!" goto step_failed
  call :say "Velquin: removed !VAL!"
)
call :drop %~1
if errorlevel 1 goto step_failed
exit /b 0

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
  call :say "Velquin: removed the Debugger value of notepad.exe !VF!"
) else if defined VAL (
  call :say "Velquin: the Debugger value now names !VAL!, not velquin.exe: left as it is."
)
call :drop Debugger_%~1
if errorlevel 1 goto step_failed
:undo_view_key
call :get IfeoKey_%~1
if not defined VAL exit /b 0
reg query "%IFEO%" !VF! >nul 2>&1
if errorlevel 1 goto undo_view_kept
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
call :say "Velquin: Notepad is back in !TARGET!"
exit /b 0

:undo_copy
call :undo_file Copy_%~1
exit /b %errorlevel%

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

:value
set "VTYPE="
set "VDATA="
for /f "tokens=1,2,*" %%a in ('reg query "%~1" /v %~2 !VF! 2^>nul ^| find "REG_"') do (
  if /i "%%a"=="%~2" (
    set "VTYPE=%%b"
    set "VDATA=%%c"
  )
)
exit /b 0

:debugger_value
set "VAL="
for /f "tokens=2,*" %%a in ('reg query "%IFEO%" /v Debugger %~1 2^>nul ^| find "REG_"') do set "VAL=%%b"
exit /b 0

rem errorlevel 0 when the key holds no value and no subkey.
:key_is_empty
set /a KEYS=0, VALUES=0
for /f "delims=" %%L in ('reg query "%~1" %~2 2^>nul') do call :count_line "%%L"
if %KEYS% LEQ 1 if %VALUES%==0 exit /b 0
exit /b 1

rem Percent expansion: Wine's cmd cuts no delayed variables.
:count_line
set "LINE=%~1"
if /i "%LINE:~0,5%"=="HKEY_" set /a KEYS+=1
if not "%LINE:REG_=%"=="%LINE%" set /a VALUES+=1
exit /b 0
