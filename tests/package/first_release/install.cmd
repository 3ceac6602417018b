@echo off
rem Installs Velquin in Notepad's place.
rem   install.cmd /replace   velquin.exe takes the place of notepad.exe
rem   install.cmd /redirect  Windows runs velquin.exe instead of notepad.exe
rem                          ("Image File Execution Options", value Debugger)
rem Both keep the system's Notepad as notepa~.exe, need an administrator's
rem command prompt, and record what they did under
rem HKLM\SOFTWARE\Tarrowind\Velquin\Install so that uninstall.cmd undoes
rem exactly that. Exit codes: 0 done (or already installed), 1 usage,
rem 2 not an administrator, 3 refused before any change, 4 stopped part way
rem (uninstall.cmd undoes what was done).
setlocal enableextensions enabledelayedexpansion

rem A 32-bit prompt on 64-bit Windows starts again in the native one.
if defined PROCESSOR_ARCHITEW6432 goto native_prompt

set "MODE="
if /i "%~1"=="/replace" set "MODE=replace"
if /i "%~1"=="/redirect" set "MODE=redirect"
if not "%~2"=="" set "MODE="
if not defined MODE (
  echo Usage: install.cmd /replace ^| /redirect
  echo   /replace   put velquin.exe in the place of notepad.exe
  echo   /redirect  let Windows run velquin.exe whenever notepad.exe is started
  echo Both keep the system's Notepad as notepa~.exe. See README.ja.md.
  exit /b 1
)

call :is_administrator
if errorlevel 1 (
  echo Velquin: install.cmd must run as administrator.
  echo Open a command prompt with "Run as administrator" and start it there.
  echo Nothing was changed.
  exit /b 2
)

set "STATEKEY=HKLM\SOFTWARE\Tarrowind\Velquin\Install"
set "IFEO=HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Image File Execution Options\notepad.exe"
set "PACKAGE=%~dp0"
set "SOURCE=%PACKAGE%velquin.exe"
set "DIR_W=%SystemRoot%"
set "DIR_S=%SystemRoot%\System32"
set "DIR_X="
set "VIEWS=N"
set "VIEW_N="
set "VIEW_64=/reg:64"
set "VIEW_32=/reg:32"
set "ROLES=W S"
if /i not "%PROCESSOR_ARCHITECTURE%"=="x86" (
  set "VIEWS=64 32"
  if exist "%SystemRoot%\SysWOW64\" (
    set "DIR_X=%SystemRoot%\SysWOW64"
    set "ROLES=W S X"
  )
)

reg query "%STATEKEY%" >nul 2>&1
if not errorlevel 1 (
  call :get Mode
  if /i "!VAL!"=="%MODE%" (
    echo Velquin: already installed ^(/%MODE%^). Nothing was changed.
    exit /b 0
  )
  echo Velquin: already installed ^(/!VAL!^). Run uninstall.cmd before installing with /%MODE%.
  echo Nothing was changed.
  exit /b 3
)

if not exist "%SOURCE%" (
  echo Velquin: velquin.exe is missing next to install.cmd ^(!SOURCE!^). Nothing was changed.
  exit /b 3
)
if not exist "%DIR_S%\notepad.exe" (
  echo Velquin: the system's Notepad ^(!DIR_S!\notepad.exe^) is missing. Nothing was changed.
  exit /b 3
)

set "PROGRAMDIR=%ProgramFiles%\Velquin"
if defined ProgramFiles(x86) set "PROGRAMDIR=%ProgramFiles(x86)%\Velquin"

rem Every check comes before the first change.
set "REFUSED="
for %%R in (%ROLES%) do call :check_role %%R
if "%MODE%"=="redirect" for %%V in (%VIEWS%) do call :check_view %%V
if defined REFUSED (
  echo Nothing was changed.
  exit /b 3
)

rem The record comes first, so that uninstall.cmd can undo a stopped install.
set "FAILED="
call :record_vendor_key
call :put Mode %MODE%
if errorlevel 1 goto failed
for %%R in (%ROLES%) do call :copy_role %%R
if defined FAILED goto failed
if "%MODE%"=="replace" goto replace
goto redirect

:replace
for %%R in (%ROLES%) do call :replace_role %%R
if defined FAILED goto failed
goto done

:redirect
if not exist "%PROGRAMDIR%\" (
  call :put ProgramDir "%PROGRAMDIR%"
  if errorlevel 1 goto failed
  mkdir "%PROGRAMDIR%"
  if errorlevel 1 goto failed
)
call :put Program "%PROGRAMDIR%\velquin.exe"
if errorlevel 1 goto failed
copy /y "%SOURCE%" "%PROGRAMDIR%\velquin.exe" >nul
if errorlevel 1 goto failed
echo Velquin: copied velquin.exe to %PROGRAMDIR%\velquin.exe
rem The value must not start with a quote: the launcher reads a quoted start
rem as a browser's, so the path is written in its short form, without spaces.
for %%I in ("%PROGRAMDIR%\velquin.exe") do set "DEBUGGER=%%~sI"
if not "%DEBUGGER%"=="%DEBUGGER: =%" goto no_short_name
for %%V in (%VIEWS%) do call :redirect_view %%V
if defined FAILED goto failed
echo Velquin: Windows now runs %DEBUGGER% whenever notepad.exe is started.
goto done

:no_short_name
echo Velquin: "%PROGRAMDIR%" has no short name without spaces (8.3 names are off on this drive).
goto failed

:done
echo Velquin: installed ^(/%MODE%^). uninstall.cmd undoes it.
exit /b 0

:failed
echo Velquin: the installation stopped part way. Run uninstall.cmd to undo what was done.
exit /b 4

rem A 32-bit command prompt on 64-bit Windows sees SysWOW64 as System32 and
rem the 32-bit registry only: start again in the native one.
:native_prompt
if not exist "%SystemRoot%\Sysnative\cmd.exe" (
  echo Velquin: run install.cmd from a 64-bit command prompt, %SystemRoot%\System32\cmd.exe.
  exit /b 3
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

:check_role
set "D=!DIR_%~1!"
find "Tarrowind" "!D!\notepad.exe" >nul 2>&1
if not errorlevel 1 (
  echo Velquin: !D!\notepad.exe is already velquin.exe, not the system's Notepad.
  set "REFUSED=1"
)
if "%MODE%"=="replace" if exist "!D!\notepa~.exe" (
  echo Velquin: !D!\notepa~.exe already exists. Remove it, or use /redirect, which keeps it.
  set "REFUSED=1"
)
exit /b 0

:check_view
set "VF=!VIEW_%~1!"
reg query "%IFEO%" /v Debugger !VF! >nul 2>&1
if errorlevel 1 exit /b 0
call :debugger_value "!VF!"
echo Velquin: Windows already runs another program instead of notepad.exe:
echo   "%IFEO%" Debugger = !VAL! !VF!
echo Velquin does not overwrite it. Remove that program's redirect first.
set "REFUSED=1"
exit /b 0

:copy_role
if defined FAILED exit /b 1
set "D=!DIR_%~1!"
if exist "!D!\notepa~.exe" (
  echo Velquin: keeping the existing !D!\notepa~.exe
  exit /b 0
)
set "FROM=!D!\notepad.exe"
if not exist "!FROM!" set "FROM=%DIR_S%\notepad.exe"
copy /y "!FROM!" "!D!\notepa~.exe" >nul
if errorlevel 1 goto step_failed
call :put Copy_%~1 "!D!\notepa~.exe"
if errorlevel 1 goto step_failed
echo Velquin: copied !FROM! to !D!\notepa~.exe
exit /b 0

:replace_role
if defined FAILED exit /b 1
set "D=!DIR_%~1!"
if not exist "!D!\notepad.exe" exit /b 0
copy /y "%SOURCE%" "!D!\notepad.exe" >nul 2>&1
if not errorlevel 1 goto replaced
rem Protected by the system: the administrators take it over.
takeown /f "!D!\notepad.exe" /a >nul
if errorlevel 1 goto step_failed
call :put Owner_%~1 1
if errorlevel 1 goto step_failed
icacls "!D!\notepad.exe" /grant *S-1-5-32-544:F >nul
if errorlevel 1 goto step_failed
copy /y "%SOURCE%" "!D!\notepad.exe" >nul
if errorlevel 1 goto step_failed
:replaced
call :put Replaced_%~1 "!D!\notepad.exe"
if errorlevel 1 goto step_failed
echo Velquin: velquin.exe now stands in !D!\notepad.exe
exit /b 0

:redirect_view
if defined FAILED exit /b 1
set "VF=!VIEW_%~1!"
reg query "%IFEO%" !VF! >nul 2>&1
if not errorlevel 1 goto ifeo_key_there
call :put IfeoKey_%~1 1
if errorlevel 1 goto step_failed
:ifeo_key_there
call :put Debugger_%~1 "%DEBUGGER%"
if errorlevel 1 goto step_failed
reg add "%IFEO%" /v Debugger /t REG_SZ /d "%DEBUGGER%" /f !VF! >nul
if errorlevel 1 goto step_failed
exit /b 0

:step_failed
set "FAILED=1"
exit /b 1

:put
reg add "%STATEKEY%" /v %~1 /t REG_SZ /d "%~2" /f >nul
exit /b %errorlevel%

:get
set "VAL="
for /f "tokens=2,*" %%a in ('reg query "%STATEKEY%" /v %~1 2^>nul ^| find "REG_"') do set "VAL=%%b"
exit /b 0

:debugger_value
set "VAL="
for /f "tokens=2,*" %%a in ('reg query "%IFEO%" /v Debugger %~1 2^>nul ^| find "REG_"') do set "VAL=%%b"
exit /b 0

:record_vendor_key
set "CREATED="
reg query "HKLM\SOFTWARE\Tarrowind\Velquin" >nul 2>&1 || set "CREATED=HKLM\SOFTWARE\Tarrowind\Velquin"
reg query "HKLM\SOFTWARE\Tarrowind" >nul 2>&1 || set "CREATED=HKLM\SOFTWARE\Tarrowind"
if defined CREATED call :put CreatedKey "%CREATED%"
exit /b 0
