# Configuration Manager configuration item, discovery script of a script setting (data
# type String). Configuration Manager reads a discovery script's output, and counts a
# non-zero exit as an error rather than as non-compliance, so this prints "Compliant" or
# "NonCompliant" and exits 0. Compliance rule: the value returned equals "Compliant",
# with "Run the specified remediation script when this setting is noncompliant" ticked
# and Remediate-QuandorSettings.ps1 as the remediation script (same $State).
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
  $report = & $Tool settings check $file 2>&1
  $code = $LASTEXITCODE
} finally {
  Remove-Item -LiteralPath $file -ErrorAction SilentlyContinue
}
switch ($code) {
  0 { 'Compliant' }
  1 { 'NonCompliant' }
  default { Write-Error ($report -join "`n"); exit $code }  # reported as a discovery error
}
