// The main window's settings and card actions: the Show Settings command, the left
// double-click on the icon, the Manage Registered Cards command and the start with a
// command line. They open the settings and card dialogs, which are not built yet;
// until then each action does nothing and the program runs on.
#include "app/authenticator_dlg.h"

namespace app {

void CKOVAuthenticatorDlg::OnShowSettingsCommand() {}

void CKOVAuthenticatorDlg::OnIconLeftDoubleClick(POINT) {}

void CKOVAuthenticatorDlg::OnManageCardsCommand() {}

void CKOVAuthenticatorDlg::StartFromCommandLine() {}

}  // namespace app
