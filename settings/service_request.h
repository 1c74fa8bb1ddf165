// Tells the authenticator service that its settings changed. The service lies outside
// this program; no reply is looked at and nothing is shown to the user.
#pragma once

#include <string>

#include "res/product.h"

namespace settings {

inline constexpr unsigned kSettingsChangedControl = 134;  // user-defined control code

enum class ServiceNotice {
  Delivered,        // the service accepted the control request
  Failed,           // a step failed; its text went to standard output
  NothingToNotify,  // a platform without the service control manager
};

// On Windows: OpenSCManagerA (local, active database, SC_MANAGER_CONNECT), OpenServiceA
// (QUANDOR_SERVICE_NAME, SERVICE_USER_DEFINED_CONTROL), ControlService (134), then both handles
// closed. Every failing step writes its text with GetLastError to standard output, one
// line each: "Open SCM failed with error %u" (manager and service alike) or "Control
// Service failed with error %u". A failing step never cuts the sequence short. When one
// failed, the audit trail gets the first failing step and its error. `failedSteps`, when
// given, receives the texts too, separated by "; ".
ServiceNotice SendServiceRequest(std::string* failedSteps = nullptr);

}  // namespace settings
