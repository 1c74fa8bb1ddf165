#include <windows.h>

#include <cstdio>

#include "settings/service_request.h"

namespace settings {
namespace {

// Line-ended, so that the texts of one request stay apart on a console.
void Report(const char* text, DWORD error) {
  std::printf(text, static_cast<unsigned>(error));
  std::printf("\n");
  std::fflush(stdout);
}

}  // namespace

ServiceNotice SendServiceRequest() {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (manager == nullptr) Report("Open SCM failed with error %u", GetLastError());
  SC_HANDLE service = OpenServiceA(manager, QUANDOR_SERVICE_NAME, SERVICE_USER_DEFINED_CONTROL);
  if (service == nullptr) Report("Open SCM failed with error %u", GetLastError());
  SERVICE_STATUS status = {};
  const bool delivered = ControlService(service, kSettingsChangedControl, &status) != FALSE;
  if (!delivered) Report("Control Service failed with error %u", GetLastError());
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return delivered ? ServiceNotice::Delivered : ServiceNotice::Failed;
}

}  // namespace settings
