@echo off
rem Remediation: writes only the keys that differ from the site's settings, tells the
rem service and prints the names of the keys it changed ("unchanged" when none differs).
rem Exit 0 done, 1 the state file is refused (nothing written), 2 a file cannot be read or
rem written (the message names the keys that went in), 3 SettingsHost.ini does not decipher.
rem usage: remediate-settings.cmd [STATE.json]   (default: quandor-settings.json beside this script)
setlocal
set "STATE=%~1"
if "%STATE%"=="" set "STATE=%~dp0quandor-settings.json"
if not defined QUANDORCTL set "QUANDORCTL=%~dp0quandorctl.exe"
if not exist "%QUANDORCTL%" set "QUANDORCTL=C:\Quandor-Authenticator\quandorctl.exe"
"%QUANDORCTL%" settings apply "%STATE%"
exit /b %ERRORLEVEL%
