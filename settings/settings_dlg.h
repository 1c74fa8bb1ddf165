// The settings dialog: shows the stored settings, checks and stores them on "Save and
// Close", then tells the service and makes "Read.txt" exist. The rules live in
// settings_form.h; this class moves values between its controls and a SettingsForm.
#pragma once

#include <string>

#include "settings/settings_form.h"
#include "ui/dialog.h"

namespace settings {

class CKOVSettingsDlg : public ui::Dialog {
 public:
  CKOVSettingsDlg();

 protected:
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL OnInitDialog() override;

 private:
  bool OnCommand(WORD id, WORD code);
  void OnSaveAndClose();
  void OnEnableClicked();
  void OnUseGatewayClicked();
  void OnCardsExpireClicked();
  void OnResetCards();
  void ApplyEnablingBoxClick(EnablingBox box);

  SettingsForm ReadForm() const;
  void ShowForm(const SettingsForm& form);
  void ShowEnabledStates(const SettingsForm& form);

  std::string m_programDirectory;
  HICON m_appIcon;
};

}  // namespace settings
