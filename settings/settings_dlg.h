// The settings dialog: shows the stored settings, checks and stores them on "Save and
// Close", then tells the service and makes "Read.txt" exist. The rules live in
// settings_form.h; this class moves values between its controls and a SettingsForm.
#pragma once

#include <string>

#include "audit/events.h"
#include "settings/settings_form.h"
#include "ui/dialog.h"

namespace settings {

class CKOVSettingsDlg : public ui::Dialog {
 public:
  CKOVSettingsDlg();

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code) override;

 private:
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
  audit::KeyTexts m_loadedTexts;  // as shown when the dialog opened: the audit trail's "before"
};

}  // namespace settings
