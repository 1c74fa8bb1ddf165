#include "app/tray_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace app {
namespace {

TEST(DebugSwitch, OnForEveryTextButZero) {
  struct Case {
    const char* value;
    bool on;
  } cases[] = {
      {"0", false}, {"1", true}, {"00", true}, {"yes", true}, {"", true}, {" 0", true}, {"0 ", true},
  };
  for (const Case& c : cases) EXPECT_EQ(DebugSwitchOn(c.value), c.on) << '"' << c.value << '"';
}

TEST(ServicePicture, OnlyStoppedMissingOrUnreadableIsInactive) {
  struct Case {
    ServiceQuery outcome;
    std::uint32_t state;
    int picture;
  } cases[] = {
      {ServiceQuery::ManagerUnavailable, 4, kInactivePicture},
      {ServiceQuery::ServiceUnavailable, 4, kInactivePicture},
      {ServiceQuery::QueryFailed, 4, kInactivePicture},
      {ServiceQuery::Answered, 1, kInactivePicture},  // stopped
      {ServiceQuery::Answered, 2, kActivePicture},    // start pending
      {ServiceQuery::Answered, 3, kActivePicture},    // stop pending
      {ServiceQuery::Answered, 4, kActivePicture},    // running
      {ServiceQuery::Answered, 5, kActivePicture},    // continue pending
      {ServiceQuery::Answered, 6, kActivePicture},    // pause pending
      {ServiceQuery::Answered, 7, kActivePicture},    // paused
  };
  for (const Case& c : cases)
    EXPECT_EQ(PictureForService(c.outcome, c.state), c.picture) << static_cast<int>(c.outcome) << " state " << c.state;
}

TEST(CommandLine, ProgramNameAndFollowingBlanksGo) {
  struct Case {
    std::string line;
    std::string rest;
  } cases[] = {
      {"", ""},
      {"QuandorAuthenticator.exe", ""},
      {"QuandorAuthenticator.exe   ", ""},
      {"QuandorAuthenticator.exe \t\r\n\x01 ", ""},
      {"QuandorAuthenticator.exe x", "x"},
      {"QuandorAuthenticator.exe  \t a b  ", "a b  "},
      {"\"C:\\Program Files\\Q\\QuandorAuthenticator.exe\"", ""},
      {"\"C:\\Program Files\\Q\\QuandorAuthenticator.exe\"  settings", "settings"},
      {"\"C:\\Program Files\\Q\\QuandorAuthenticator.exe\"x y", "y"},  // the name runs on after the quote
      {"C:\\Pro\"gram Files\"\\Q.exe -s", "-s"},                       // quotes inside the name
      {"\"C:\\unterminated quote x", ""},
      {"Q.exe \"quoted arg\"", "\"quoted arg\""},
      {std::string("Q.exe a\0b", 9), "a"},
      {"Q.exe \xE9t\xE9", "\xE9t\xE9"},  // characters above 0x7F are not blanks
  };
  for (const Case& c : cases) EXPECT_EQ(StripProgramName(c.line), c.rest) << c.line;
}

TEST(TrayCallback, DispatchTable) {
  struct Case {
    std::uintptr_t iconId;
    std::uint32_t mouse;
    TrayHandler handler;
    long result;
  } cases[] = {
      {1, 0x204, TrayHandler::RightButtonDown, 1},   // WM_RBUTTONDOWN
      {1, 0x07B, TrayHandler::RightButtonDown, 1},   // WM_CONTEXTMENU
      {1, 0x201, TrayHandler::LeftButtonDown, 1},    // WM_LBUTTONDOWN
      {1, 0x203, TrayHandler::LeftDoubleClick, 1},   // WM_LBUTTONDBLCLK
      {1, 0x206, TrayHandler::RightDoubleClick, 1},  // WM_RBUTTONDBLCLK
      {1, 0x200, TrayHandler::MouseMove, 1},         // WM_MOUSEMOVE
      {1, 0x202, TrayHandler::None, 1},              // WM_LBUTTONUP
      {1, 0x205, TrayHandler::None, 1},              // WM_RBUTTONUP
      {1, 0x207, TrayHandler::None, 1},              // WM_MBUTTONDOWN
      {1, 0x400, TrayHandler::None, 1},              // NIN_SELECT
      {0, 0x204, TrayHandler::None, 0},
      {2, 0x204, TrayHandler::None, 0},
      {2, 0x203, TrayHandler::None, 0},
      {0x10001, 0x204, TrayHandler::None, 0},  // id 1 in the low word only
  };
  for (const Case& c : cases) {
    const TrayDispatch d = DispatchTrayCallback(c.iconId, c.mouse);
    EXPECT_EQ(d.handler, c.handler) << "id " << c.iconId << " message 0x" << std::hex << c.mouse;
    EXPECT_EQ(d.result, c.result) << "id " << c.iconId << " message 0x" << std::hex << c.mouse;
  }
}

TEST(Minimize, RuleTable) {
  struct Case {
    bool hide;
    bool added;
    std::uint32_t command;
    MinimizeAction action;
  } cases[] = {
      {false, false, 0xF020, MinimizeAction::Default},  // the main window: minimising as any dialog
      {false, true, 0xF020, MinimizeAction::Default},    {true, false, 0xF020, MinimizeAction::AddAndHide},
      {true, false, 0xF022, MinimizeAction::AddAndHide},  // low bits set by the system
      {true, true, 0xF020, MinimizeAction::Nothing},     {true, false, 0xF030, MinimizeAction::Default},  // SC_MAXIMIZE
      {true, false, 0xF060, MinimizeAction::Default},                                                     // SC_CLOSE
      {true, false, 0x0010, MinimizeAction::Default},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MinimizeRule(c.hide, c.added, c.command), c.action)
        << c.hide << c.added << " 0x" << std::hex << c.command;
}

TEST(AboutCommand, LowFourBitsIgnored) {
  EXPECT_TRUE(IsAboutCommand(0x10));
  EXPECT_TRUE(IsAboutCommand(0x1F));
  EXPECT_FALSE(IsAboutCommand(0x20));
  EXPECT_FALSE(IsAboutCommand(0xF020));
  EXPECT_FALSE(IsAboutCommand(0));
}

}  // namespace
}  // namespace app
