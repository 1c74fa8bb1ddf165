// The password gate in front of the settings dialog (QDPasswordDlg). There are no
// accounts and no attempt counter: one fixed password, compared whole and exactly.
#pragma once

#include <optional>
#include <string>

namespace settings {

inline constexpr char kSettingsPassword[] = "Marbled";
inline constexpr char kEmptyPasswordMessage[] = "Kindly enter the password";
inline constexpr char kWrongPasswordMessage[] = "Kindly enter the correct password";

struct GateVerdict {
  bool accepted = false;               // close the gate with OK
  std::optional<std::string> message;  // shown with the warning icon; the gate stays open
  bool clearField = false;             // empty the password field after the message
};

// What "Submit" does with the typed text.
GateVerdict CheckGatePassword(const std::string& typed);

}  // namespace settings
