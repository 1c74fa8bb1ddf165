// The tray program's decisions that need no window: which picture the service state
// gets, when the DEBUG switch is on, what the command line holds, which handler a tray
// notification reaches, what a minimise request does and the order of the popup steps.
// The Win32 classes in this folder only carry values between the system and these rules.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace app {

// Icon resources: the picture for an active service and for one that is not active.
inline constexpr int kActivePicture = 128;
inline constexpr int kInactivePicture = 130;

// The tooltip of the tray icon, whatever the state of the service.
inline constexpr const char kTrayTip[] = "Quandor Systems Card Authenticator";

// The service whose state the icon shows.
inline constexpr const char kServiceName[] = "Quandor-Authenticator";

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

inline constexpr std::uint32_t kServiceStopped = 1;

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

// The steps of showing the tray popup; the Win32 tray dialog performs them on its menu.
class PopupSteps {
 public:
  virtual ~PopupSteps() = default;
  virtual bool HasMenu() const = 0;
  virtual void BringToForeground() = 0;
  virtual void TrackFirstSubmenu() = 0;  // returns when the menu closes
  virtual void MarkDefaultItem(unsigned position) = 0;
};

// Foreground, track, then mark the default item: the mark is set after the menu
// closes, so it shows from the second popup on. Without a menu nothing happens.
void ShowPopup(PopupSteps& steps, unsigned defaultItemPosition);

}  // namespace app
