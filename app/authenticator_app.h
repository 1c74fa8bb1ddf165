// The application object: prepares the common controls, keeps one running copy per
// user and runs the main tray window modally for the life of the process.
#pragma once

#include <windows.h>

#include <string>

namespace app {

class CKOVAuthenticatorApp {
 public:
  // Runs the program; `processCommandLine` is the whole command line of the process.
  // Always false: the program ends when this returns.
  bool InitInstance(const char* processCommandLine);

 private:
  HANDLE m_instanceMutex = nullptr;  // held until the process ends, never released
};

// "<user name>QuandorAUTH": one instance per user and log-on session (no namespace
// prefix, so each session has its own).
std::string InstanceMutexName(const std::string& userName);

}  // namespace app
