#include <windows.h>

#include <cstdio>
#include <string>

#include "audit/report.h"
#include "settings/service_request.h"

namespace settings {
namespace {

// The first step that failed, for the audit trail: the later ones only fail after it.
struct FirstFailure {
  const char* step = nullptr;
  DWORD error = 0;
};

// Line-ended, so that the texts of one request stay apart on a console.
void Report(const char* text, const char* step, FirstFailure& first, std::string* failedSteps) {
  const DWORD error = GetLastError();
  char line[128];
  std::snprintf(line, sizeof line, text, static_cast<unsigned>(error));
  std::printf("%s\n", line);
  std::fflush(stdout);
  if (first.step == nullptr) first = FirstFailure{step, error};
  if (failedSteps != nullptr) *failedSteps += (failedSteps->empty() ? "" : "; ") + std::string(line);
}

}  // namespace

ServiceNotice SendServiceRequest(std::string* failedSteps) {
  FirstFailure first;
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (manager == nullptr) Report("Open SCM failed with error %u", "OpenSCManager", first, failedSteps);
  SC_HANDLE service = OpenServiceA(manager, QUANDOR_SERVICE_NAME, SERVICE_USER_DEFINED_CONTROL);
  if (service == nullptr) Report("Open SCM failed with error %u", "OpenService", first, failedSteps);
  SERVICE_STATUS status = {};
  const bool delivered = ControlService(service, kSettingsChangedControl, &status) != FALSE;
  if (!delivered) Report("Control Service failed with error %u", "ControlService", first, failedSteps);
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
  if (first.step != nullptr) audit::Report(audit::ServiceNotTold(first.step, first.error));
  return delivered ? ServiceNotice::Delivered : ServiceNotice::Failed;
}

}  // namespace settings
