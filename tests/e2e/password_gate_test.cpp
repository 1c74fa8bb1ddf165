// The password gate of the real program under Wine, and the commands that open it.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/admin_dialogs.h"
#include "tests/fixtures/standin_service.h"

namespace e2e {
namespace {

// ---- the password gate and the commands that open the settings ----

using PasswordGate = AdminDialogs;

TEST_F(PasswordGate, RefusesAnythingButThePasswordThenOpensTheSettings) {
  WriteSettings("[ConfigSetting]\r\nDEBUG=1\r\n");
  StartProgram();
  HWND gate = OpenGate();
  ASSERT_NE(gate, nullptr);
  EXPECT_TRUE(Masked(gate, kGatePassword));
  EXPECT_EQ(Text(gate, kGatePassword), "");
  EXPECT_TRUE(HasExtendedStyle(gate, WS_EX_TOPMOST)) << "kept above other windows";
  // Which passwords pass is the gate's rule (tests/unit/settings/password_gate_test.cpp);
  // here one refusal shows its wiring: the rule's message, the gate stays, the field empties.
  Type(gate, kGatePassword, "marbled");
  Click(gate, IDOK);
  ExpectMessage(gate, "Kindly enter the correct password", "warning", "a wrong password");
  EXPECT_TRUE(IsWindow(gate)) << "the gate closed for a wrong password";
  EXPECT_EQ(Text(gate, kGatePassword), "");
  EXPECT_TRUE(SettingsDialogs().empty());

  // Cancel, Escape and the close box end the gate without a message, and nothing follows.
  const struct {
    const char* what;
    std::function<void(HWND)> close;
  } cancels[] = {
      {"Cancel", [](HWND g) { Click(g, IDCANCEL); }},
      {"Escape", [](HWND g) { PressKey(driver::Control(g, kGatePassword), VK_ESCAPE); }},
      {"close box", [](HWND g) { driver::Post(g, WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  for (const auto& c : cancels) {
    c.close(gate);
    ASSERT_TRUE(WaitClosed(gate)) << c.what;
    EXPECT_TRUE(SettingsDialogs().empty()) << c.what;
    // The double-click opens the same gate; each one starts with an empty field.
    gate = OpenGate(/*byDoubleClick=*/true);
    ASSERT_NE(gate, nullptr);
    EXPECT_EQ(Text(gate, kGatePassword), "") << "after " << c.what;
    Type(gate, kGatePassword, "Marbled");  // typed, never submitted
  }
  EXPECT_FALSE(driver::FileExists(LogPath())) << "a cancelled gate was logged";

  // Enter submits: the settings open; they are logged once they have closed.
  PressKey(driver::Control(gate, kGatePassword), VK_RETURN);
  ASSERT_TRUE(WaitClosed(gate));
  HWND settings = WaitDialog(kCaption, kHost);
  ASSERT_NE(settings, nullptr);
  EXPECT_FALSE(driver::FileExists(LogPath())) << "logged while the settings are open";
  PressKey(settings, VK_ESCAPE);
  ASSERT_TRUE(WaitClosed(settings));
  ASSERT_TRUE(driver::WaitFor([&] { return LogEntries().size() == 1; }, 5000));
  EXPECT_EQ(LogEntries(), std::vector<std::string>{"ShowSettings/Settings UI"});

  // A new gate after a successful one starts empty again.
  gate = OpenGate();
  ASSERT_NE(gate, nullptr);
  EXPECT_EQ(Text(gate, kGatePassword), "");
  Click(gate, IDCANCEL);
  EXPECT_TRUE(WaitClosed(gate));
  EXPECT_TRUE(program().Running());
}

TEST_F(PasswordGate, OpensNoSecondSettingsWhileAGateOrTheSettingsAreOpen) {
  WriteSettings("[ConfigSetting]\r\nDEBUG=1\r\n");
  StartProgram();
  HWND first = OpenGate();
  ASSERT_NE(first, nullptr);
  // Another gate opens from the tray, by the command and by the double-click; passing
  // it opens nothing while the first gate is there.
  for (bool byDoubleClick : {false, true}) {
    HWND second = OpenGate(byDoubleClick);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(Gates().size(), 2u);
    Type(second, kGatePassword, "Marbled");
    Click(second, IDOK);
    ASSERT_TRUE(WaitClosed(second));
    EXPECT_EQ(WaitDialog(kCaption, kHost, {}, 1000), nullptr) << "a settings dialog opened beside the first gate";
    EXPECT_TRUE(IsWindow(first));
  }
  Type(first, kGatePassword, "Marbled");
  Click(first, IDOK);
  ASSERT_TRUE(WaitClosed(first));
  HWND settings = WaitDialog(kCaption, kHost);
  ASSERT_NE(settings, nullptr);
  // With the settings open, a gate passed opens no second one.
  HWND gate = OpenGate();
  ASSERT_NE(gate, nullptr);
  Type(gate, kGatePassword, "Marbled");
  Click(gate, IDOK);
  ASSERT_TRUE(WaitClosed(gate));
  EXPECT_EQ(WaitDialog(kCaption, kHost, {settings}, 1000), nullptr) << "a second settings dialog opened";
  EXPECT_EQ(SettingsDialogs(), std::vector<HWND>{settings});
  PressKey(settings, VK_ESCAPE);
  ASSERT_TRUE(WaitClosed(settings));
  ASSERT_TRUE(driver::WaitFor([&] { return !LogEntries().empty(); }, 5000));
  Sleep(300);
  EXPECT_EQ(LogEntries(), std::vector<std::string>{"ShowSettings/Settings UI"})
      << "only the settings that opened are logged";
}
}  // namespace
}  // namespace e2e
