// The password gate in front of the settings dialog. It asks for the fixed password
// each time and ends with IDOK only when it was typed exactly.
#pragma once

#include "ui/dialog.h"

namespace settings {

class QDPasswordDlg : public ui::Dialog {
 public:
  QDPasswordDlg();

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code) override;

 private:
  void OnSubmit();
};

}  // namespace settings
