// The tray program's decisions that need no window: which picture the service state
// gets, when the DEBUG switch is on, what the command line holds, which handler a tray
// notification reaches and what a minimise request does.
// The Win32 classes in this folder only carry values between the system and these rules.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "res/resource.h"

namespace app {

// Icon resources: the picture for an active service and for one that is not active.
inline constexpr int kActivePicture = IDI_ACTIVE;
inline constexpr int kInactivePicture = IDI_INACTIVE;

// The DEBUG key of "Settings.ini" records tray actions in the log unless it reads "0"
// (exact comparison: "00", "yes" or an empty value all switch it on).
bool DebugSwitchOn(const std::string& value);

// How far one status poll of the service got.
enum class ServiceQuery {
  ManagerUnavailable,  // the service control manager did not open
  ServiceUnavailable,  // not installed, or no right to query it
  QueryFailed,
  Answered,  // `currentState` holds the service's dwCurrentState
};

inline constexpr std::uint32_t kServiceStopped = 1;  // SERVICE_STOPPED

// Picture for a poll: only a stopped, missing or unreadable service is "not active";
// running, paused and every pending state count as active.
int PictureForService(ServiceQuery outcome, std::uint32_t currentState);

// The process's command line without the program's own name (quoted or not) and the
// blanks and control characters after it: empty when nothing but blanks follows.
std::string StripProgramName(std::string_view commandLine);

// The handlers a tray notification can reach.
enum class TrayHandler { None, LeftButtonDown, LeftDoubleClick, RightButtonDown, RightDoubleClick, MouseMove };

inline constexpr unsigned kTrayIconId = 1;
inline constexpr unsigned kTrayCallbackMessage = 0x401;  // WM_USER + 1

// The mouse messages the shell reports for the icon, and the system command of a
// minimise request (the Windows API's values; tray_dialog.cpp checks them).
inline constexpr std::uint32_t kMouseMove = 0x200;         // WM_MOUSEMOVE
inline constexpr std::uint32_t kLeftButtonDown = 0x201;    // WM_LBUTTONDOWN
inline constexpr std::uint32_t kLeftDoubleClick = 0x203;   // WM_LBUTTONDBLCLK
inline constexpr std::uint32_t kRightButtonDown = 0x204;   // WM_RBUTTONDOWN
inline constexpr std::uint32_t kRightDoubleClick = 0x206;  // WM_RBUTTONDBLCLK
inline constexpr std::uint32_t kContextMenu = 0x7B;        // WM_CONTEXTMENU
inline constexpr std::uint32_t kMinimizeCommand = 0xF020;  // SC_MINIMIZE

struct TrayDispatch {
  TrayHandler handler;
  long result;  // what the window answers the shell
};

// The shell's notification for icon `iconId` with mouse message `mouseMessage`: another
// icon's id is answered 0 and reaches nothing; button releases and unknown messages
// reach nothing but are answered 1.
TrayDispatch DispatchTrayCallback(std::uintptr_t iconId, std::uint32_t mouseMessage);

// What a WM_SYSCOMMAND does under the minimise-to-tray rule.
enum class MinimizeAction {
  Default,     // ordinary processing of the system command
  Nothing,     // the icon is already there: neither minimise nor hide
  AddAndHide,  // add the icon; hide the window only if that worked
};
MinimizeAction MinimizeRule(bool hideOnMinimize, bool iconAdded, std::uint32_t systemCommand);

// The About item the main window adds to its system menu.
inline constexpr std::uint32_t kAboutCommand = 0x10;
bool IsAboutCommand(std::uint32_t systemCommand);

}  // namespace app
