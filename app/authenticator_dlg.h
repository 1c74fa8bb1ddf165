// The program's only long-lived window: never seen (it sits off-screen and off the
// taskbar); what the user sees is its tray icon, whose picture shows every three
// seconds whether the authenticator service is active, and the icon's popup menu.
#pragma once

#include <string>

#include "app/tray_dialog.h"
#include "storage/ini.h"

namespace app {

class CKOVAuthenticatorDlg : public CTrayDialog {
 public:
  CKOVAuthenticatorDlg();

  // The command line without the program's name; set before the modal run.
  void SetCommandLine(const std::string& commandLine) { m_commandLine = commandLine; }

 protected:
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code) override;
  void OnIconLeftDoubleClick(POINT point) override;

 private:
  void OnStatusTimer(WPARAM timerId);
  INT_PTR OnSystemCommand(UINT message, WPARAM wParam, LPARAM lParam);

  // Log-on commands: start the sibling program; with DEBUG on, log the action.
  void MenuLogin();
  void MenuSave();
  void StartServiceUi(const char* parameter, const char* procedure, const char* description);
  bool DebugOn() const;

  // The settings and card commands (admin_commands.cpp).
  void OnShowSettingsCommand();
  void OnManageCardsCommand();
  void StartFromCommandLine();
  void RunGatedSettings();
  void ShowSettings();
  static bool SettingsWindowOpen();

  storage::CIni m_settingsIni;  // "Settings.ini" in the program folder, for DEBUG
  std::string m_commandLine;
};

}  // namespace app
