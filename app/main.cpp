// Entry point of QuandorAuthenticator.exe.
#include <windows.h>

#include "app/authenticator_app.h"
#include "audit/report.h"
#include "platform/paths.h"

namespace {
app::CKOVAuthenticatorApp theApp;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  platform::LoadDllsFromSystemFolderOnly();
  audit::SetProgram(audit::Program::Tray);
  theApp.InitInstance(GetCommandLineA());
  return 0;
}
