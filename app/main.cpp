// Entry point of QuandorAuthenticator.exe.
#include <windows.h>

#include "app/authenticator_app.h"
#include "audit/report.h"

namespace {
app::CKOVAuthenticatorApp theApp;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  audit::SetProgram(audit::Program::Tray);
  theApp.InitInstance(GetCommandLineA());
  return 0;
}
