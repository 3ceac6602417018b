@echo off
rem Undoes what the install did, as it recorded it, and nothing else: the
rem package's velquin-setup does it, so that the installed folder can go too.
rem   uninstall.cmd            from an administrator's command prompt
rem   uninstall.cmd /quiet     the same, printing only errors
rem   uninstall.cmd /elevate   asks for an administrator's rights (UAC) first
rem   uninstall.cmd /user      the install for this user alone
rem   uninstall.cmd /whatif    prints what it would change, and changes nothing
rem Exit codes: 0 done (or nothing installed), 1 usage, 2 not an
rem administrator, 3 a record it cannot read (nothing changed), 4 stopped
rem part way (what was changed is put back).
setlocal
set "SETUP=%~dp0velquin-setup.exe"
if /i "%PROCESSOR_ARCHITECTURE%"=="AMD64" set "SETUP=%~dp0velquin-setup64.exe"
if /i "%PROCESSOR_ARCHITEW6432%"=="AMD64" set "SETUP=%~dp0velquin-setup64.exe"
if not exist "%SETUP%" goto missing
"%SETUP%" /uninstall %*
exit /b %errorlevel%

:missing
echo Velquin: a file of the package is missing next to uninstall.cmd (%SETUP%). Nothing was changed.
exit /b 3
