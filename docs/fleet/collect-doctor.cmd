@echo off
rem Leaves this kiosk's health report, quandorctl doctor --format json, in a folder
rem (usually a share) as COMPUTERNAME.json, for Summarize-QuandorDoctor.ps1. Run it from
rem a start-up script, a scheduled task or Configuration Manager's Run Scripts.
rem usage: collect-doctor.cmd REPORT-FOLDER
rem Exit 0: written (whatever the kiosk's health; that is in the report); 1: no folder
rem given; 2: the report could not be written.
setlocal
if "%~1"=="" (
  echo usage: collect-doctor.cmd REPORT-FOLDER 1>&2
  exit /b 1
)
set "QUANDORCTL=C:\Quandor-Authenticator\quandorctl.exe"
if exist "%~dp0quandorctl.exe" set "QUANDORCTL=%~dp0quandorctl.exe"
"%QUANDORCTL%" doctor --format json >"%~1\%COMPUTERNAME%.json.tmp"
set "DOCTOR=%ERRORLEVEL%"
rem 0 and 4 are reports (healthy, a problem); anything else is no report.
if not "%DOCTOR%"=="0" if not "%DOCTOR%"=="4" (
  del "%~1\%COMPUTERNAME%.json.tmp" 2>nul
  exit /b 2
)
move /y "%~1\%COMPUTERNAME%.json.tmp" "%~1\%COMPUTERNAME%.json" >nul
if errorlevel 1 exit /b 2
exit /b 0
