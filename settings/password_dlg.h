// The password gate in front of the settings dialog. It asks for the fixed password
// each time and ends with IDOK only when it was typed exactly.
#pragma once

#include "ui/dialog.h"

namespace settings {

class QDPasswordDlg : public ui::Dialog {
 public:
  QDPasswordDlg();

 protected:
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL OnInitDialog() override;

 private:
  void OnSubmit();

  HICON m_appIcon;
};

}  // namespace settings
