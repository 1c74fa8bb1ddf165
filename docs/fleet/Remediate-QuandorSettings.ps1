# Intune Remediations, remediation script: runs after the detection script exited with 1.
# Writes only the keys that differ, tells the service "Quandor-Authenticator" and prints
# the names of the keys it changed ("unchanged" when none differs, e.g. a second run).
# Exit 0 done; 1 the state is refused and nothing was written; 2 a file cannot be read or
# written (the output names the keys that went in); 3 SettingsHost.ini does not decipher.
# $State must be the same as in Detect-QuandorSettings.ps1.
$State = @'
{
  "HOST": "rd01.example.com",
  "DELAY": 600,
  "PRINTERS": "0"
}
'@
$Tool = 'C:\Quandor-Authenticator\quandorctl.exe'

$file = Join-Path $env:TEMP ("quandor-settings-{0}.json" -f [guid]::NewGuid())
try {
  [IO.File]::WriteAllText($file, $State)
  & $Tool settings apply $file
  $code = $LASTEXITCODE
} finally {
  Remove-Item -LiteralPath $file -ErrorAction SilentlyContinue
}
exit $code
