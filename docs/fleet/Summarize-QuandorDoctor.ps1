# Reads the reports that collect-doctor.cmd (or quandor-startup.cmd) left in a folder,
# one COMPUTERNAME.json per kiosk, and lists every check that is not ok, worst first.
# usage: .\Summarize-QuandorDoctor.ps1 \\server\quandor-reports [-All]
param([Parameter(Mandatory)] [string] $Folder, [switch] $All)
$rank = @{ problem = 0; warning = 1; skipped = 2; ok = 3 }
Get-ChildItem -LiteralPath $Folder -Filter '*.json' | ForEach-Object {
  $computer = $_.BaseName
  $report = Get-Content -LiteralPath $_.FullName -Raw | ConvertFrom-Json
  foreach ($check in $report.checks.PSObject.Properties) {
    if ($All -or $check.Value.status -in 'problem', 'warning') {
      [pscustomobject]@{
        Computer = $computer
        Written  = $_.LastWriteTime
        Check    = $check.Name
        Status   = $check.Value.status
        Reason   = $check.Value.reason
      }
    }
  }
} | Sort-Object { $rank[$_.Status] }, Computer, Check | Format-Table -AutoSize
