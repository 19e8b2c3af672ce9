@echo off
rem Runs the firmware update for Configuration Manager, which takes return codes site-wide:
rem 1602 (downloaded, active after a restart) becomes 3010, a soft reboot; 4000 (nothing to
rem update) becomes 0; every other code, 1618 (another run goes on: retried) among them, is
rem passed on unchanged. Standard input is NUL, so that the final wait ends at once.
rem One command a line: ERRORLEVEL is read after the tool has ended, in Windows' cmd
rem and in Wine's alike. An inherited ERRORLEVEL variable would hide the tool's code.
set ERRORLEVEL=
"%~dp0VELKORAFWUpdateTRVX208K.exe" < nul
if %ERRORLEVEL% EQU 1602 exit /b 3010
if %ERRORLEVEL% EQU 4000 exit /b 0
exit /b %ERRORLEVEL%
