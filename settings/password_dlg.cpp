#include "settings/password_dlg.h"

#include "res/resource.h"
#include "settings/password_gate.h"

namespace settings {

QDPasswordDlg::QDPasswordDlg() : ui::Dialog(IDD_PASSWORD), m_appIcon(LoadIconResource(IDI_ACTIVE)) {}

BOOL QDPasswordDlg::OnInitDialog() {
  SetWindowIcons(m_appIcon);
  return TRUE;  // the focus goes to the password field
}

INT_PTR QDPasswordDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      return PaintIconWhileMinimised(m_appIcon) ? TRUE : FALSE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        OnSubmit();
        return TRUE;
      }
      return ui::Dialog::HandleMessage(message, wParam, lParam);
    default:
      return ui::Dialog::HandleMessage(message, wParam, lParam);
  }
}

void QDPasswordDlg::OnSubmit() {
  const GateVerdict verdict = CheckGatePassword(ItemText(IDC_GATEPASSWORD));
  if (verdict.message) ShowMessage(*verdict.message, MB_ICONWARNING);
  if (verdict.clearField) SetItemText(IDC_GATEPASSWORD, "");
  if (verdict.accepted) End(IDOK);
}

}  // namespace settings
