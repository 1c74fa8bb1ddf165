// What the operating system knows of the product beyond its files: the log-on service
// and the Run value that starts the tray program at log-on. Only Windows has them; the
// other platform says so instead of guessing.
#pragma once

#include <string>

namespace platform {

struct ServiceInfo {
  enum class Presence {
    NotChecked,    // no service control manager on this platform
    NotInstalled,  // the manager knows no service of that name
    Installed,
    Unreadable,  // the manager or the service could not be asked (error)
  };
  Presence presence = Presence::NotChecked;
  unsigned error = 0;     // with Unreadable: the system's error code
  unsigned state = 0;     // SERVICE_STOPPED (1) ... SERVICE_PAUSED (7)
  unsigned startType = 0; // SERVICE_BOOT_START (0) ... SERVICE_DISABLED (4)
  bool delayedStart = false;
};

inline constexpr unsigned kServiceStopped = 1, kServiceStartPending = 2, kServiceStopPending = 3,
                          kServiceRunning = 4, kServiceContinuePending = 5, kServicePausePending = 6,
                          kServicePaused = 7;
inline constexpr unsigned kServiceBootStart = 0, kServiceSystemStart = 1, kServiceAutoStart = 2,
                          kServiceDemandStart = 3, kServiceDisabled = 4;

// The service's state and start type, asked with query rights only.
ServiceInfo QueryServiceInfo(const std::string& name);

struct RunValueInfo {
  bool checked = false;  // false where there is no registry
  bool present = false;
  std::string command;   // the value's text
};

// The value `name` under HKLM\Software\Microsoft\Windows\CurrentVersion\Run, in the
// 32-bit registry view (where the 32-bit package writes it) and, failing that, the 64-bit one.
RunValueInfo ReadMachineRunValue(const std::string& name);

}  // namespace platform
