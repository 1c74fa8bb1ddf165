#include "settings/password_gate.h"

namespace settings {

GateVerdict CheckGatePassword(const std::string& typed) {
  GateVerdict verdict;
  if (typed.empty()) {
    verdict.message = kEmptyPasswordMessage;
  } else if (typed != kSettingsPassword) {
    verdict.message = kWrongPasswordMessage;
    verdict.clearField = true;
  } else {
    verdict.accepted = true;
  }
  return verdict;
}

}  // namespace settings
