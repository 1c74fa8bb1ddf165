#include "app/tray_rules.h"

namespace app {
namespace {

// The low four bits of a system command are used by the system itself.
constexpr std::uint32_t CommandPart(std::uint32_t systemCommand) { return systemCommand & 0xFFF0u; }

}  // namespace

bool DebugSwitchOn(const std::string& value) { return value != "0"; }

int PictureForService(ServiceQuery outcome, std::uint32_t currentState) {
  if (outcome != ServiceQuery::Answered) return kInactivePicture;
  return currentState == kServiceStopped ? kInactivePicture : kActivePicture;
}

std::string StripProgramName(std::string_view commandLine) {
  // The C runtime's rule for WinMain's command line: the name runs to the first blank
  // or control character outside double quotes; everything up to a printable
  // character after it goes too.
  auto blankOrControl = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  std::size_t i = 0;
  bool quoted = false;
  while (i < commandLine.size() && commandLine[i] != '\0' && (quoted || !blankOrControl(commandLine[i]))) {
    if (commandLine[i] == '"') quoted = !quoted;
    ++i;
  }
  while (i < commandLine.size() && commandLine[i] != '\0' && blankOrControl(commandLine[i])) ++i;
  const std::size_t end = commandLine.find('\0', i);
  return std::string(commandLine.substr(i, end == std::string_view::npos ? std::string_view::npos : end - i));
}

TrayDispatch DispatchTrayCallback(std::uintptr_t iconId, std::uint32_t mouseMessage) {
  if (iconId != kTrayIconId) return {TrayHandler::None, 0};
  switch (mouseMessage) {
    case kRightButtonDown:
    case kContextMenu:
      return {TrayHandler::RightButtonDown, 1};
    case kLeftButtonDown:
      return {TrayHandler::LeftButtonDown, 1};
    case kLeftDoubleClick:
      return {TrayHandler::LeftDoubleClick, 1};
    case kRightDoubleClick:
      return {TrayHandler::RightDoubleClick, 1};
    case kMouseMove:
      return {TrayHandler::MouseMove, 1};
    default:
      return {TrayHandler::None, 1};
  }
}

MinimizeAction MinimizeRule(bool hideOnMinimize, bool iconAdded, std::uint32_t systemCommand) {
  if (!hideOnMinimize || CommandPart(systemCommand) != kMinimizeCommand) return MinimizeAction::Default;
  return iconAdded ? MinimizeAction::Nothing : MinimizeAction::AddAndHide;
}

bool IsAboutCommand(std::uint32_t systemCommand) { return CommandPart(systemCommand) == kAboutCommand; }

}  // namespace app
