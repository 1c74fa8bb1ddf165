// The main window's settings and card actions: the Show Settings command and the left
// double-click on the icon open the settings behind the password gate, a start with a
// command line opens them without it, Manage Registered Cards opens the card list.
#include <windows.h>

#include <cstdlib>

#include "app/authenticator_dlg.h"
#include "audit/report.h"
#include "cards/manage_cards_dlg.h"
#include "log/log_file.h"
#include "platform/paths.h"
#include "res/product.h"
#include "settings/password_dlg.h"
#include "settings/password_gate.h"
#include "settings/settings_dlg.h"
#include "settings/settings_record.h"

namespace app {

void CKOVAuthenticatorDlg::OnShowSettingsCommand() { RunGatedSettings(); }

void CKOVAuthenticatorDlg::OnIconLeftDoubleClick(POINT) { RunGatedSettings(); }

void CKOVAuthenticatorDlg::RunGatedSettings() {
  settings::QDPasswordDlg gate;
  if (gate.RunModal() == IDOK) ShowSettings();
}

// The gate and the settings dialog bear the product's name as caption: while either is
// open (another gate included), no second settings dialog opens.
bool CKOVAuthenticatorDlg::SettingsWindowOpen() { return FindWindowA(nullptr, QUANDOR_PRODUCT_NAME) != nullptr; }

void CKOVAuthenticatorDlg::ShowSettings() {
  if (SettingsWindowOpen()) return;
  settings::CKOVSettingsDlg dialog;
  dialog.RunModal();
  if (DebugOn()) {
    g_logFile.SetProcedure("ShowSettings");
    g_logFile.WriteLogEntry("Settings UI");
  }
}

void CKOVAuthenticatorDlg::StartFromCommandLine() {
  // Whoever can start the program can open the settings this way: the trail says so.
  if (!SettingsWindowOpen())
    audit::Report(audit::OpenedFromCommandLine(m_commandLine, {audit::Secret(settings::kSettingsPassword)}));
  ShowSettings();
  // The process ends here, inside the main window's initialisation; the icon the
  // initialisation added is not taken away first.
  std::exit(0);
}

void CKOVAuthenticatorDlg::OnManageCardsCommand() {
  cards::QDCardAuthenticatorManageCardsDlg dialog(settings::ReadCardExpiryText(platform::ProgramDirectory()));
  dialog.RunModal();
}

}  // namespace app
