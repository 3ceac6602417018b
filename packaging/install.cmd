@echo off
rem Installs Velquin in Notepad's place.
rem   install.cmd /replace   velquin.exe takes the place of notepad.exe
rem   install.cmd /redirect  Windows runs velquin.exe instead of notepad.exe
rem                          ("Image File Execution Options", value Debugger)
rem   /quiet as a second argument: no window, only errors and refusals printed.
rem Both keep the system's Notepad as notepa~.exe, put velquin.exe,
rem velquin-settings.exe and uninstall.cmd in Program Files\Velquin, give
rem the settings program an all-users Start-menu shortcut, register Velquin for Default apps
rem and in Apps & features, need an administrator's command prompt, and
rem record what they did under HKLM\SOFTWARE\Tarrowind\Velquin\Install so
rem that uninstall.cmd undoes exactly that. Run again, an install puts back
rem what a Windows update reset. Exit codes: 0 done (or already installed),
rem 1 usage, 2 not an administrator, 3 refused before any change, 4 stopped
rem part way (uninstall.cmd undoes what was done).
setlocal enableextensions enabledelayedexpansion

rem A 32-bit prompt on 64-bit Windows starts again in the native one.
if defined PROCESSOR_ARCHITEW6432 goto native_prompt

set "MODE="
if /i "%~1"=="/replace" set "MODE=replace"
if /i "%~1"=="/redirect" set "MODE=redirect"
set "QUIET="
if /i "%~2"=="/quiet" (set "QUIET=1") else if not "%~2"=="" set "MODE="
if not "%~3"=="" set "MODE="
if not defined MODE (
  echo Usage: install.cmd /replace ^| /redirect [/quiet]
  echo   /replace   put velquin.exe in the place of notepad.exe
  echo   /redirect  let Windows run velquin.exe whenever notepad.exe is started
  echo   /quiet     open no window and print only errors and refusals
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

set "VERSION=2.33.0.1"
set "STATEKEY=HKLM\SOFTWARE\Tarrowind\Velquin\Install"
set "IFEO=HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Image File Execution Options\notepad.exe"
set "CLASSES=HKLM\SOFTWARE\Classes"
set "CAPS=HKLM\SOFTWARE\Tarrowind\Velquin\Capabilities"
set "REGAPPS=HKLM\SOFTWARE\RegisteredApplications"
set "ARP=HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Velquin"
set "TYPES=.txt .text .log .ini .inf .scp .wtx"
set "PACKAGE=%~dp0"
rem The native build goes to Program Files, the Windows directory and
rem System32; SysWOW64 holds 32-bit programs and gets the i686 build.
set "SOURCE=%PACKAGE%velquin.exe"
set "SOURCE32=%PACKAGE%velquin.exe"
set "SETTINGS_SOURCE=%PACKAGE%velquin-settings.exe"
set "DIR_W=%SystemRoot%"
set "DIR_S=%SystemRoot%\System32"
set "DIR_X="
set "VIEWS=N"
set "VIEW_N="
set "VIEW_64=/reg:64"
set "VIEW_32=/reg:32"
set "ROLES=W S"
if /i not "%PROCESSOR_ARCHITECTURE%"=="x86" (
  set "SOURCE=%PACKAGE%velquin64.exe"
  set "SETTINGS_SOURCE=%PACKAGE%velquin-settings64.exe"
  set "VIEWS=64 32"
  if exist "%SystemRoot%\SysWOW64\" (
    set "DIR_X=%SystemRoot%\SysWOW64"
    set "ROLES=W S X"
  )
)
set "SRC_W=%SOURCE%"
set "SRC_S=%SOURCE%"
set "SRC_X=%SOURCE32%"
rem The images Windows matches against the numbered IFEO subkeys.
set "IMAGES="%SystemRoot%\System32\notepad.exe" "%SystemRoot%\SysWOW64\notepad.exe" "%SystemRoot%\notepad.exe""
set "PROGRAMDIR=%ProgramFiles%\Velquin"
set "PROGRAM=%PROGRAMDIR%\velquin.exe"

rem Installed with the same way already: this run is a repair.
set "REPAIR="
call :load_record
if defined R_Mode (
  call :get Mode
  if /i not "!VAL!"=="%MODE%" (
    echo Velquin: already installed ^(/!VAL!^). Run uninstall.cmd before installing with /%MODE%.
    echo Nothing was changed.
    exit /b 3
  )
  set "REPAIR=1"
)

set "MISSING="
for %%F in ("%SOURCE%" "%SOURCE32%" "%SETTINGS_SOURCE%" "%PACKAGE%uninstall.cmd") do if not exist "%%~F" set "MISSING=%%~F"
if defined MISSING (
  echo Velquin: a file of the package is missing next to install.cmd ^(!MISSING!^). Nothing was changed.
  exit /b 3
)
if not exist "%DIR_S%\notepad.exe" (
  echo Velquin: the classic Notepad ^(%DIR_S%\notepad.exe^) is missing. Nothing was changed.
  echo On Windows 11 it is an optional feature: add "Notepad (system)" in
  echo Settings ^> System ^> Optional features ^> View features, then run install.cmd again.
  exit /b 3
)

rem Every check comes before the first change.
set "REFUSED="
set "OURS="
if defined REPAIR set "OURS=%R_Debugger%"
if not defined REPAIR for %%R in (%ROLES%) do call :check_role %%R
if "%MODE%"=="redirect" for %%V in (%VIEWS%) do call :check_view %%V
if defined REFUSED (
  echo Nothing was changed.
  exit /b 3
)

rem The record comes first, so that uninstall.cmd can undo a stopped install.
set "FAILED="
set "REPAIRED="
if not defined REPAIR (
  call :record_vendor_key
  call :put Mode %MODE%
  if errorlevel 1 goto failed
  for %%R in (%ROLES%) do call :copy_role %%R
  if defined FAILED goto failed
)

call :program_files
if defined FAILED goto failed
rem Values written to the registry must not start with a quote: the launcher
rem reads a quoted start as a browser's, so the path is in its short form.
for %%I in ("%PROGRAM%") do set "SHORT=%%~sI"
if not "%SHORT%"=="%SHORT: =%" set "SHORT="

set "VERB=%SHORT%"
if "%MODE%"=="redirect" goto redirect
for %%R in (%ROLES%) do call :replace_role %%R
if defined FAILED goto failed
rem Without a short name the verbs start velquin.exe as notepad.exe.
if not defined SHORT set "VERB=%DIR_S%\notepad.exe"
goto ifeo
:redirect
if not defined SHORT goto no_short_name
set "DEBUGGER=%SHORT%"
if not defined REPAIR call :put Debugger "%SHORT%"
if errorlevel 1 goto failed

:ifeo

rem The IFEO values of both views are recorded before the first is written:
rem on Windows the two views are one key, so a write through one shows in the
rem other and must not be taken for its previous state.
for %%V in (%VIEWS%) do call :ifeo_view %%V record
if defined FAILED goto failed
for %%V in (%VIEWS%) do call :ifeo_view %%V write
if defined FAILED goto failed

call :registration
if defined FAILED goto failed

rem Wine's cmd misreads an "else" block inside another block: one level only.
if defined REPAIRED call :say "Velquin: repaired (/%MODE%): what a Windows update had reset is back."
if defined REPAIR if not defined REPAIRED call :say "Velquin: already installed (/%MODE%). Nothing was changed."
if defined REPAIR exit /b 0
if "%MODE%"=="redirect" call :say "Velquin: Windows now runs %DEBUGGER% whenever notepad.exe is started."
call :say "Velquin: installed (/%MODE%). uninstall.cmd, or Settings > Apps > Installed apps, undoes it."
call :default_apps
exit /b 0

:no_short_name
echo Velquin: "%PROGRAMDIR%" has no short name without spaces (8.3 names are off on this drive).
goto failed

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
  call :is_wine
  if not errorlevel 1 exit /b 1
)
net session >nul 2>&1
if not errorlevel 1 exit /b 0
fltmc >nul 2>&1
if not errorlevel 1 exit /b 0
exit /b 1

rem errorlevel 0 when file %1 is velquin.exe: it names its vendor, or (for
rem Wine's find, which reads no binary file) it is as large as build %2.
:is_velquin
if not exist "%~1" exit /b 1
find "Tarrowind" "%~1" >nul 2>&1
if not errorlevel 1 exit /b 0
if "%~z1"=="%~z2" exit /b 0
exit /b 1

:is_wine
reg query "HKLM\Software\Wine" >nul 2>&1
exit /b %errorlevel%

rem Progress and results; /quiet keeps only errors and refusals.
:say
if defined QUIET exit /b 0
set "MSG=%~1"
echo !MSG!
exit /b 0

:check_role
set "D=!DIR_%~1!"
call :is_velquin "!D!\notepad.exe" "!SRC_%~1!"
if not errorlevel 1 (
  echo Velquin: !D!\notepad.exe is already velquin.exe, not the system's Notepad.
  set "REFUSED=1"
)
if "%MODE%"=="replace" if exist "!D!\notepa~.exe" (
  echo Velquin: !D!\notepa~.exe already exists. Remove it, or use /redirect, which keeps it.
  set "REFUSED=1"
)
exit /b 0

rem Another program's Debugger, on the key or in a subkey that Windows uses
rem for a system notepad.exe, is never overwritten.
:check_view
call :load_view %~1
call :check_debugger -
for %%S in (%SUBS%) do call :check_debugger %%S
exit /b 0

:check_debugger
call :iv %1 Debugger
if not defined VTYPE exit /b 0
if defined OURS if "!VTYPE! !VDATA!"=="REG_SZ !OURS!" exit /b 0
if "%~1"=="-" (set "KEY=%IFEO%") else set "KEY=%IFEO%\%~1"
echo Velquin: Windows already runs another program instead of notepad.exe:
echo   "!KEY!" Debugger = !VDATA! !VF!
echo Velquin does not overwrite it. Remove that program's redirect first.
set "REFUSED=1"
exit /b 0

rem One view of the IFEO key read at once (each reg.exe start is slow):
rem IV_<subkey>_<name> holds "type data" (subkey - for the key itself), and
rem SUBS the numbered subkeys whose FilterFullPath (REG_SZ) names one of the
rem system's notepad.exe, compared as Windows does, without regard to case.
rem Without UseFilter Windows ignores the subkeys, and so does SUBS.
:load_view
for /f "delims==" %%v in ('set IV_ 2^>nul') do set "%%v="
set "VF=!VIEW_%~1!"
set "CUR=-"
set "ALLSUBS="
set "SUBS="
for /f "delims=" %%L in ('reg query "%IFEO%" /s !VF! 2^>nul') do call :load_line "%%L"
if not defined IV_-_UseFilter exit /b 0
for %%S in (%ALLSUBS%) do call :match_sub %%S
exit /b 0

:load_line
rem Percent expansion throughout: Wine's cmd cuts no delayed variables.
set "L=%~1"
if not "%L:~0,5%"=="HKEY_" goto load_value
set "CUR=%L:*notepad.exe=%"
if not defined CUR set "CUR=\-"
set "CUR=%CUR:~1%"
rem Direct subkeys only, and only names that can stand in a record name.
if "%CUR%"=="-" exit /b 0
if not "%CUR%"=="%CUR:\=%" exit /b 0
if not "%CUR%"=="%CUR: =%" exit /b 0
if not "%CUR%"=="%CUR:_=%" exit /b 0
set "ALLSUBS=%ALLSUBS% %CUR%"
exit /b 0
:load_value
for /f "tokens=1,2,*" %%a in ("%L%") do set "IV_%CUR%_%%a=%%b %%c"
exit /b 0

:match_sub
call :iv %1 FilterFullPath
if not "!VTYPE!"=="REG_SZ" exit /b 0
for %%P in (%IMAGES%) do if /i "!VDATA!"=="%%~P" set "SUBS=!SUBS! %~1"
exit /b 0

rem VTYPE and VDATA of a value read by load_view; VTYPE empty when absent.
:iv
set "VTYPE="
set "VDATA="
set "X=!IV_%~1_%~2!"
if not defined X exit /b 0
for /f "tokens=1,*" %%a in ("%X%") do (
  set "VTYPE=%%a"
  set "VDATA=%%b"
)
exit /b 0

rem The IFEO state of one view, as the way installed needs it. Pass "record"
rem notes the previous type and data of every value about to change (once:
rem a repair keeps the original record); pass "write" changes them.
rem   redirect: Debugger on the key, so that Windows uses it with UseFilter 0;
rem             UseFilter 0 and the key's store redirect off; and, should an
rem             update set UseFilter again, a Debugger in each subkey too.
rem   replace:  the store redirect off wherever Windows would use it.
rem Without UseFilter (Windows 10 without the store app) only the redirect's
rem Debugger on the key is written. No subkey is ever created.
:ifeo_view
if defined FAILED exit /b 1
set "V=%~1"
set "PASS=%~2"
call :load_view %V%
if "%PASS%"=="record" if "%MODE%"=="redirect" if not defined REPAIR (
  reg query "%IFEO%" !VF! >nul 2>&1
  if errorlevel 1 (
    call :put IfeoKey_%V% 1
    if errorlevel 1 goto step_failed
  )
)
if "%MODE%"=="redirect" call :target - Debugger REG_SZ "!DEBUGGER!"
if not defined IV_-_UseFilter exit /b 0
if "%MODE%"=="redirect" call :target - UseFilter REG_DWORD 0x0
call :target_off -
for %%S in (%SUBS%) do call :target_sub %%S
if defined FAILED exit /b 1
exit /b 0

:target_sub
if "%MODE%"=="redirect" call :target %1 Debugger REG_SZ "!DEBUGGER!"
call :target_off %1
exit /b 0

rem The store redirect off where it is on.
:target_off
call :iv %1 AppExecutionAliasRedirect
if not defined VTYPE exit /b 0
call :target %1 AppExecutionAliasRedirect REG_DWORD 0x0
exit /b 0

rem One value of the view: subkey (- for the key itself), name, type, data.
:target
if defined FAILED exit /b 1
if "%~1"=="-" (set "KEY=%IFEO%") else set "KEY=%IFEO%\%~1"
set "REC=Was_%V%_%~1_%~2"
call :iv %1 %2
if "!VTYPE! !VDATA!"=="%~3 %~4" exit /b 0
if "%PASS%"=="write" goto target_write
if defined R_%REC% exit /b 0
if defined VTYPE (set "PRIOR=!VTYPE! !VDATA!") else set "PRIOR=-"
call :put %REC% "!PRIOR!"
if errorlevel 1 goto step_failed
exit /b 0
:target_write
reg add "!KEY!" /v %~2 /t %~3 /d "%~4" /f !VF! >nul
if errorlevel 1 goto step_failed
if defined REPAIR (
  call :say "Velquin: repaired: %~2 of !KEY! !VF!"
  set "REPAIRED=1"
)
exit /b 0

:copy_role
if defined FAILED exit /b 1
set "D=!DIR_%~1!"
if exist "!D!\notepa~.exe" (
  call :say "Velquin: keeping the existing !D!\notepa~.exe"
  exit /b 0
)
set "FROM=!D!\notepad.exe"
if not exist "!FROM!" set "FROM=%DIR_S%\notepad.exe"
copy /y "!FROM!" "!D!\notepa~.exe" >nul
if errorlevel 1 goto step_failed
call :put Copy_%~1 "!D!\notepa~.exe"
if errorlevel 1 goto step_failed
call :say "Velquin: copied !FROM! to !D!\notepa~.exe"
exit /b 0

rem Program Files\Velquin holds velquin.exe, the settings program and
rem uninstall.cmd in both ways: Apps & features and the Default apps verbs
rem name them, the Start menu the settings program.
:program_files
if not exist "%PROGRAMDIR%\" (
  if not defined REPAIR (
    call :put ProgramDir "%PROGRAMDIR%"
    if errorlevel 1 goto step_failed
  )
  mkdir "%PROGRAMDIR%"
  if errorlevel 1 goto step_failed
)
call :program_file Program "%SOURCE%" "%PROGRAM%"
call :program_file Uninstaller "%PACKAGE%uninstall.cmd" "%PROGRAMDIR%\uninstall.cmd"
call :program_file Settings "%SETTINGS_SOURCE%" "%PROGRAMDIR%\velquin-settings.exe"
call :shortcut
if defined FAILED exit /b 1
exit /b 0

rem The shortcut's name is not ASCII, so the settings program makes it (and
rem removes it for uninstall.cmd). "start /wait" waits for a GUI program
rem and passes its exit code on.
:shortcut
if defined FAILED exit /b 1
if defined REPAIR exit /b 0
call :put Shortcut 1
if errorlevel 1 goto step_failed
start "" /wait "%PROGRAMDIR%\velquin-settings.exe" /add-shortcut
if errorlevel 1 goto step_failed
call :say "Velquin: added the settings program to the Start menu"
exit /b 0

:program_file
if defined FAILED exit /b 1
if defined REPAIR if exist "%~3" exit /b 0
if not defined REPAIR (
  call :put %~1 "%~3"
  if errorlevel 1 goto step_failed
)
copy /y "%~2" "%~3" >nul
if errorlevel 1 goto step_failed
if not defined REPAIR call :say "Velquin: copied %~nx2 to %~3"
if not defined REPAIR exit /b 0
call :say "Velquin: repaired: %~3"
set "REPAIRED=1"
exit /b 0

:replace_role
if defined FAILED exit /b 1
set "D=!DIR_%~1!"
if not exist "!D!\notepad.exe" exit /b 0
if not defined REPAIR goto replace_file
rem A Windows update puts the system's file back over velquin.exe.
call :get Replaced_%~1
if not defined VAL exit /b 0
call :is_velquin "!D!\notepad.exe" "!SRC_%~1!"
if not errorlevel 1 exit /b 0
:replace_file
copy /y "!SRC_%~1!" "!D!\notepad.exe" >nul 2>&1
if not errorlevel 1 goto replaced
rem Protected by the system: the administrators take it over.
takeown /f "!D!\notepad.exe" /a >nul
if errorlevel 1 goto step_failed
call :put Owner_%~1 1
if errorlevel 1 goto step_failed
icacls "!D!\notepad.exe" /grant *S-1-5-32-544:F >nul
if errorlevel 1 goto step_failed
copy /y "!SRC_%~1!" "!D!\notepad.exe" >nul
if errorlevel 1 goto step_failed
:replaced
if defined REPAIR (
  call :say "Velquin: repaired: velquin.exe stands in !D!\notepad.exe again"
  set "REPAIRED=1"
  exit /b 0
)
call :put Replaced_%~1 "!D!\notepad.exe"
if errorlevel 1 goto step_failed
call :say "Velquin: velquin.exe now stands in !D!\notepad.exe"
exit /b 0

rem Default apps (a ProgID, Capabilities and RegisteredApplications), "Open
rem with" (Applications\velquin.exe) and Apps & features. Every key is
rem Velquin's own; a repair writes them again when one is gone.
:registration
if defined REPAIR goto registration_repair
reg query "%REGAPPS%" >nul 2>&1
if errorlevel 1 call :put RegAppsKey 1
call :put Registered 1
if errorlevel 1 goto step_failed
goto registration_write
:registration_repair
set "GONE="
reg query "%REGAPPS%" /v Velquin >nul 2>&1
if errorlevel 1 set "GONE=1"
reg query "%CLASSES%\Velquin.Text\shell\open\command" >nul 2>&1
if errorlevel 1 set "GONE=1"
reg query "%ARP%" /v UninstallString >nul 2>&1
if errorlevel 1 set "GONE=1"
if not defined GONE exit /b 0
call :say "Velquin: repaired: the Default apps and Apps & features entries"
set "REPAIRED=1"
:registration_write
set "PT=%CLASSES%\Velquin.Text"
reg add "%PT%" /ve /d "Text Document (Velquin)" /f >nul
if errorlevel 1 goto step_failed
reg add "%PT%\DefaultIcon" /ve /d "%PROGRAM%,0" /f >nul
if errorlevel 1 goto step_failed
call :verbs "%PT%"
if errorlevel 1 goto step_failed
reg add "%CLASSES%\Applications\velquin.exe" /v FriendlyAppName /d "Velquin" /f >nul
if errorlevel 1 goto step_failed
call :verbs "%CLASSES%\Applications\velquin.exe"
if errorlevel 1 goto step_failed
reg add "%CAPS%" /v ApplicationName /d "Velquin" /f >nul
if errorlevel 1 goto step_failed
reg add "%CAPS%" /v ApplicationDescription /d "Opens text files in the editor of your choice, in Notepad's place." /f >nul
if errorlevel 1 goto step_failed
for %%E in (%TYPES%) do call :file_type %%E
if defined FAILED exit /b 1
reg add "%REGAPPS%" /v Velquin /d "SOFTWARE\Tarrowind\Velquin\Capabilities" /f >nul
if errorlevel 1 goto step_failed
set "SIZE=0"
for %%F in ("%PROGRAM%" "%PROGRAMDIR%\uninstall.cmd") do set /a SIZE+=%%~zF
set /a SIZE=(SIZE+1023)/1024
reg add "%ARP%" /v DisplayName /d "Velquin %VERSION%" /f >nul
if errorlevel 1 goto step_failed
reg add "%ARP%" /v DisplayVersion /d "%VERSION%" /f >nul
if errorlevel 1 goto step_failed
reg add "%ARP%" /v Publisher /d "Tarrowind" /f >nul
if errorlevel 1 goto step_failed
reg add "%ARP%" /v DisplayIcon /d "%PROGRAM%,0" /f >nul
if errorlevel 1 goto step_failed
reg add "%ARP%" /v InstallLocation /d "%PROGRAMDIR%" /f >nul
if errorlevel 1 goto step_failed
reg add "%ARP%" /v EstimatedSize /t REG_DWORD /d %SIZE% /f >nul
if errorlevel 1 goto step_failed
reg add "%ARP%" /v NoModify /t REG_DWORD /d 1 /f >nul
if errorlevel 1 goto step_failed
reg add "%ARP%" /v NoRepair /t REG_DWORD /d 1 /f >nul
if errorlevel 1 goto step_failed
rem Settings starts the UninstallString without elevation: /elevate asks
rem for it. Both strings run a copy in %TEMP%, which outlives the folder.
set "RUNCOPY=%ComSpec% /c copy /y \"%PROGRAMDIR%\uninstall.cmd\" \"%%TEMP%%\velquin-uninstall-0.cmd\" >nul & \"%%TEMP%%\velquin-uninstall-0.cmd\""
reg add "%ARP%" /v UninstallString /d "!RUNCOPY! /elevate" /f >nul
if errorlevel 1 goto step_failed
reg add "%ARP%" /v QuietUninstallString /d "!RUNCOPY! /quiet" /f >nul
if errorlevel 1 goto step_failed
exit /b 0

rem Each Velquin type for Default apps and for "Open with".
:file_type
reg add "%CAPS%\FileAssociations" /v %1 /d Velquin.Text /f >nul
if errorlevel 1 goto step_failed
reg add "%CLASSES%\Applications\velquin.exe\SupportedTypes" /v %1 /d "" /f >nul
if errorlevel 1 goto step_failed
exit /b 0

rem The verbs start Velquin without a leading quote, so that it reads the
rem file and never takes the start for a browser's.
:verbs
reg add "%~1\shell\open\command" /ve /d "%VERB% \"%%1\"" /f >nul
if errorlevel 1 exit /b 1
reg add "%~1\shell\print\command" /ve /d "%VERB% /p \"%%1\"" /f >nul
if errorlevel 1 exit /b 1
reg add "%~1\shell\printto\command" /ve /d "%VERB% /pt \"%%1\" \"%%2\" \"%%3\" \"%%4\"" /f >nul
if errorlevel 1 exit /b 1
exit /b 0

rem Windows lets only the user choose the default: say how, and open the
rem page (Velquin's own from Windows 11 on). Wine has no Settings app.
:default_apps
set "PAGE=ms-settings:defaultapps"
rem CurrentBuild is read in the native view, whichever view was read last.
set "VF="
call :value "HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion" CurrentBuild
set "BUILD=0"
if defined VDATA for /f "delims=0123456789" %%X in ("%VDATA%x") do if "%%X"=="x" set "BUILD=!VDATA!"
if !BUILD! GEQ 22000 set "PAGE=ms-settings:defaultapps?registeredAppMachine=Velquin"
call :say "Velquin: to open text files with Velquin, choose it in Settings > Apps > Default apps (%PAGE%)."
if defined QUIET exit /b 0
call :is_wine
if not errorlevel 1 exit /b 0
start "" "%PAGE%"
exit /b 0

:step_failed
set "FAILED=1"
exit /b 1

:put
reg add "%STATEKEY%" /v %~1 /t REG_SZ /d "%~2" /f >nul
if errorlevel 1 exit /b 1
set "R_%~1=%~2"
exit /b 0

rem The record read at once: R_<name> holds each value's data.
:load_record
for /f "tokens=1,2,*" %%a in ('reg query "%STATEKEY%" 2^>nul') do set "R_%%a=%%c"
exit /b 0

:get
set "VAL=!R_%~1!"
exit /b 0

rem VTYPE and VDATA of a value in the current view VF; VTYPE empty when absent.
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

:record_vendor_key
set "CREATED="
rem (No "||" here: Wine's cmd runs its right side after a redirected success.)
reg query "HKLM\SOFTWARE\Tarrowind\Velquin" >nul 2>&1
if errorlevel 1 set "CREATED=HKLM\SOFTWARE\Tarrowind\Velquin"
reg query "HKLM\SOFTWARE\Tarrowind" >nul 2>&1
if errorlevel 1 set "CREATED=HKLM\SOFTWARE\Tarrowind"
if defined CREATED call :put CreatedKey "%CREATED%"
exit /b 0
