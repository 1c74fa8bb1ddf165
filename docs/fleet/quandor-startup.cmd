@echo off
rem Group Policy computer start-up script (Computer Configuration > Policies > Windows
rem Settings > Scripts > Startup). Runs as SYSTEM before anyone logs on: puts the site's
rem settings on this kiosk and leaves its health report on a share.
rem   %1  the desired state, e.g. \\example.com\NETLOGON\quandor\quandor-settings.json
rem   %2  optional: a folder (share) where this computer's doctor report goes as
rem       COMPUTERNAME.json; domain computers need write access to it
rem A log of each run: %SystemRoot%\Temp\quandor-startup.log
setlocal
set "QUANDORCTL=C:\Quandor-Authenticator\quandorctl.exe"
if exist "%~dp0quandorctl.exe" set "QUANDORCTL=%~dp0quandorctl.exe"
set "LOG=%SystemRoot%\Temp\quandor-startup.log"
if "%~1"=="" (
  echo quandor-startup: the desired state is missing: quandor-startup.cmd STATE.json [REPORT-FOLDER]>>"%LOG%"
  exit /b 1
)
echo %DATE% %TIME% apply %1>>"%LOG%"
"%QUANDORCTL%" settings apply "%~1" >>"%LOG%" 2>&1
set "APPLIED=%ERRORLEVEL%"
echo exit status %APPLIED%>>"%LOG%"
if not "%~2"=="" (
  "%QUANDORCTL%" doctor --format json >"%~2\%COMPUTERNAME%.json" 2>>"%LOG%"
)
exit /b %APPLIED%
