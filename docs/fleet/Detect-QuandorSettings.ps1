# Intune Remediations, detection script. Intune runs the remediation script only when
# this one exits with 1. Exit 0: every key below is as wanted. Exit 1: a key differs; the
# output (what Intune keeps, at most 2048 bytes) names each one. Exit 2 or 3: a settings
# file cannot be read or does not decipher (see the output).
# Put the same $State in Remediate-QuandorSettings.ps1. Leave LocalPassword out unless you
# accept that everyone who can read this script in Intune can read the password.
# Run as SYSTEM, in 64-bit PowerShell or not: quandorctl.exe is a 32-bit program either way.
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
  [IO.File]::WriteAllText($file, $State)  # UTF-8 without a byte-order mark
  & $Tool settings check $file
  $code = $LASTEXITCODE
} finally {
  Remove-Item -LiteralPath $file -ErrorAction SilentlyContinue
}
exit $code
