#include "settings/password_dlg.h"

#include "audit/report.h"
#include "res/resource.h"
#include "settings/password_gate.h"

namespace settings {
namespace {

int g_wrongTries = 0;  // of this run of the program, for the audit trail

}  // namespace

QDPasswordDlg::QDPasswordDlg() : ui::Dialog(IDD_PASSWORD) {}

BOOL QDPasswordDlg::OnInitDialog() {
  SetWindowIcons(LoadIconResource(IDI_ACTIVE));
  return TRUE;  // the focus goes to the password field
}

bool QDPasswordDlg::OnCommand(WORD id, WORD) {
  if (id != IDOK) return false;
  OnSubmit();
  return true;
}

void QDPasswordDlg::OnSubmit() {
  const GateVerdict verdict = CheckGatePassword(ItemText(IDC_GATEPASSWORD));
  if (verdict.accepted) audit::Report(audit::GateAccepted());
  if (verdict.message == kWrongPasswordMessage) audit::Report(audit::GateWrong(++g_wrongTries));
  if (verdict.message) ShowMessage(*verdict.message, MB_ICONWARNING);
  if (verdict.clearField) SetItemText(IDC_GATEPASSWORD, "");
  if (verdict.accepted) End(IDOK);
}

}  // namespace settings
