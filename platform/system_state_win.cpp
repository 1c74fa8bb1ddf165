#include <windows.h>

#include <memory>
#include <vector>

#include "platform/system_state.h"

namespace platform {
namespace {

struct ServiceHandleCloser {
  void operator()(SC_HANDLE h) const { CloseServiceHandle(h); }
};
using ServiceHandle = std::unique_ptr<std::remove_pointer_t<SC_HANDLE>, ServiceHandleCloser>;

ServiceInfo Unreadable(DWORD error) {
  ServiceInfo info;
  info.presence = ServiceInfo::Presence::Unreadable;
  info.error = error;
  return info;
}

}  // namespace

ServiceInfo QueryServiceInfo(const std::string& name) {
  const ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return Unreadable(GetLastError());
  const ServiceHandle service(OpenServiceA(manager.get(), name.c_str(), SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG));
  if (!service) {
    const DWORD error = GetLastError();
    if (error == ERROR_SERVICE_DOES_NOT_EXIST) {
      ServiceInfo info;
      info.presence = ServiceInfo::Presence::NotInstalled;
      return info;
    }
    return Unreadable(error);
  }
  ServiceInfo info;
  info.presence = ServiceInfo::Presence::Installed;
  SERVICE_STATUS_PROCESS status{};
  DWORD needed = 0;
  if (!QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status,
                            &needed))
    return Unreadable(GetLastError());
  info.state = status.dwCurrentState;
  QueryServiceConfigA(service.get(), nullptr, 0, &needed);
  std::vector<BYTE> config(needed ? needed : sizeof(QUERY_SERVICE_CONFIGA));
  if (!QueryServiceConfigA(service.get(), reinterpret_cast<QUERY_SERVICE_CONFIGA*>(config.data()),
                           static_cast<DWORD>(config.size()), &needed))
    return Unreadable(GetLastError());
  info.startType = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(config.data())->dwStartType;
  SERVICE_DELAYED_AUTO_START_INFO delayed{};
  if (QueryServiceConfig2A(service.get(), SERVICE_CONFIG_DELAYED_AUTO_START_INFO, reinterpret_cast<BYTE*>(&delayed),
                           sizeof delayed, &needed))
    info.delayedStart = delayed.fDelayedAutostart != FALSE;
  return info;
}

RunValueInfo ReadMachineRunValue(const std::string& name) {
  RunValueInfo info;
  info.checked = true;
  for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                      KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
      continue;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
      std::vector<char> text(size + 1, '\0');
      if (RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()), &size) ==
          ERROR_SUCCESS) {
        info.present = true;
        info.command = text.data();
      }
    }
    RegCloseKey(key);
    if (info.present) break;
  }
  return info;
}

}  // namespace platform
