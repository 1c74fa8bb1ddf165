// Entry point of QuandorAuthenticator.exe.
#include <windows.h>

#include "app/authenticator_app.h"

namespace {
app::CKOVAuthenticatorApp theApp;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  theApp.InitInstance(GetCommandLineA());
  return 0;
}
