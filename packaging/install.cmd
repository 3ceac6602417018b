@echo off
rem Installs Velquin in Notepad's place. velquin-setup does the work; this
rem script starts the build that this Windows runs natively.
rem   install.cmd /replace   velquin.exe takes the place of notepad.exe
rem   install.cmd /redirect  Windows runs velquin.exe instead of notepad.exe
rem                          ("Image File Execution Options", value Debugger)
rem   install.cmd /user      for this user alone, without an administrator:
rem                          Default apps and "Open with"
rem   /quiet: only errors and refusals printed; /whatif: every change it
rem   would make printed, with the value each replaces, and nothing changed.
rem The machine-wide forms need an administrator's command prompt; run
rem again, an install puts back what a Windows update reset. Exit codes:
rem 0 done (or already installed), 1 usage, 2 not an administrator,
rem 3 refused before any change, 4 stopped part way (what was changed is
rem put back).
setlocal
set "SETUP=%~dp0velquin-setup.exe"
if /i "%PROCESSOR_ARCHITECTURE%"=="AMD64" set "SETUP=%~dp0velquin-setup64.exe"
if /i "%PROCESSOR_ARCHITEW6432%"=="AMD64" set "SETUP=%~dp0velquin-setup64.exe"
if not exist "%SETUP%" goto missing
"%SETUP%" %*
exit /b %errorlevel%

:missing
echo Velquin: a file of the package is missing next to install.cmd (%SETUP%). Nothing was changed.
exit /b 3
