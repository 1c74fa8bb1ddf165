@echo off
rem Detection: exit 0 when this kiosk holds the site's settings, 1 when a key differs
rem (one line per key on standard output, at most 2048 bytes), 2 or 3 when a settings
rem file cannot be read or does not decipher.
rem usage: detect-settings.cmd [STATE.json]   (default: quandor-settings.json beside this script)
rem quandorctl: %QUANDORCTL%, else quandorctl.exe beside this script, else the installed one.
setlocal
set "STATE=%~1"
if "%STATE%"=="" set "STATE=%~dp0quandor-settings.json"
if not defined QUANDORCTL set "QUANDORCTL=%~dp0quandorctl.exe"
if not exist "%QUANDORCTL%" set "QUANDORCTL=C:\Quandor-Authenticator\quandorctl.exe"
"%QUANDORCTL%" settings check "%STATE%"
exit /b %ERRORLEVEL%
