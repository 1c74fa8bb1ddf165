#include "app/tray_dialog.h"

#include <cstring>

#include "app/tray_rules.h"

namespace app {
namespace {

// The shell takes the full ANSI record, balloon and GUID fields included.
static_assert(sizeof(void*) != 4 || sizeof(NOTIFYICONDATAA) == 508, "the 32-bit record is 508 bytes");

// The tray rules are portable and type the system's values again.
static_assert(kTrayCallbackMessage == WM_USER + 1);
static_assert(kMouseMove == WM_MOUSEMOVE && kLeftButtonDown == WM_LBUTTONDOWN && kLeftDoubleClick == WM_LBUTTONDBLCLK);
static_assert(kRightButtonDown == WM_RBUTTONDOWN && kRightDoubleClick == WM_RBUTTONDBLCLK);
static_assert(kContextMenu == WM_CONTEXTMENU && kMinimizeCommand == SC_MINIMIZE);

}  // namespace

CTrayDialog::CTrayDialog(int templateId)
    : ui::Dialog(templateId), m_taskbarCreatedMessage(RegisterWindowMessageA("TaskbarCreated")) {
  std::memset(&m_notifyData, 0, sizeof m_notifyData);
  m_notifyData.cbSize = sizeof m_notifyData;
  m_notifyData.uID = kTrayIconId;
  m_notifyData.uFlags = NIF_MESSAGE;
  m_notifyData.uCallbackMessage = kTrayCallbackMessage;
}

CTrayDialog::~CTrayDialog() {
  if (m_trayMenu) DestroyMenu(m_trayMenu);
}

INT_PTR CTrayDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      m_notifyData.hWnd = hwnd();
      m_notifyData.uID = kTrayIconId;
      return ui::Dialog::HandleMessage(message, wParam, lParam);
    case WM_DESTROY:
      if (m_notifyData.hWnd && m_notifyData.uID != 0 && m_iconAdded) Shell_NotifyIconA(NIM_DELETE, &m_notifyData);
      return FALSE;
    case WM_SYSCOMMAND:
      return OnSystemCommand(wParam);
    case kTrayCallbackMessage:
      return OnTrayCallback(wParam, lParam);
    default:
      if (message == m_taskbarCreatedMessage && m_taskbarCreatedMessage != 0) {
        OnShellRestarted();
        return FALSE;
      }
      return ui::Dialog::HandleMessage(message, wParam, lParam);
  }
}

INT_PTR CTrayDialog::OnTrayCallback(WPARAM iconId, LPARAM mouseMessage) {
  const TrayDispatch dispatch = DispatchTrayCallback(iconId, static_cast<std::uint32_t>(mouseMessage));
  if (dispatch.result == 0) return Answer(0);
  POINT point{};
  GetCursorPos(&point);
  switch (dispatch.handler) {
    case TrayHandler::RightButtonDown:
      OnIconRightButtonDown(point);
      break;
    case TrayHandler::LeftButtonDown:
      OnIconLeftButtonDown(point);
      break;
    case TrayHandler::LeftDoubleClick:
      OnIconLeftDoubleClick(point);
      break;
    case TrayHandler::RightDoubleClick:
      OnIconRightDoubleClick(point);
      break;
    case TrayHandler::MouseMove:
      OnIconMouseMove(point);
      break;
    case TrayHandler::None:
      break;
  }
  return Answer(dispatch.result);
}

void CTrayDialog::OnIconRightButtonDown(POINT point) {
  HMENU submenu = m_trayMenu ? GetSubMenu(m_trayMenu, 0) : nullptr;
  if (!submenu) return;
  SetForegroundWindow(hwnd());
  TrackPopupMenu(submenu, TPM_BOTTOMALIGN | TPM_RIGHTBUTTON, point.x, point.y, 0, hwnd(), nullptr);
  // Set after the menu closes, so the default item shows from the second popup on.
  SetMenuDefaultItem(submenu, m_defaultItemPos, TRUE);
}

INT_PTR CTrayDialog::OnSystemCommand(WPARAM command) {
  switch (MinimizeRule(m_hideOnMinimize != FALSE, m_iconAdded != FALSE, static_cast<std::uint32_t>(command))) {
    case MinimizeAction::Default:
      return FALSE;
    case MinimizeAction::Nothing:
      return TRUE;
    case MinimizeAction::AddAndHide:
      if (Shell_NotifyIconA(NIM_ADD, &m_notifyData)) {
        m_iconAdded = TRUE;
        ShowWindow(hwnd(), SW_HIDE);
      }
      return TRUE;
  }
  return FALSE;
}

void CTrayDialog::SetTrayIcon(int iconResource) {
  if (HICON icon = LoadIconResource(iconResource)) {
    m_notifyData.uFlags |= NIF_ICON;
    m_notifyData.hIcon = icon;
  }
}

void CTrayDialog::SetTrayTip(const char* tip) {
  lstrcpynA(m_notifyData.szTip, tip ? tip : "", sizeof m_notifyData.szTip);
  m_notifyData.uFlags |= NIF_TIP;
}

void CTrayDialog::SetTrayMenu(int menuResource) {
  if (m_trayMenu) DestroyMenu(m_trayMenu);
  m_trayMenu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(menuResource));
}

void CTrayDialog::SetHideOnMinimize(bool hide) { m_hideOnMinimize = hide ? TRUE : FALSE; }

void CTrayDialog::AddTrayIcon() {
  if (m_iconAdded) return;
  if (Shell_NotifyIconA(NIM_ADD, &m_notifyData)) m_iconAdded = TRUE;
}

void CTrayDialog::UpdateTrayIcon() {
  if (m_iconAdded) Shell_NotifyIconA(NIM_MODIFY, &m_notifyData);
}

void CTrayDialog::RestoreTrayIcon() {
  AddTrayIcon();
  if (!m_iconAdded && Shell_NotifyIconA(NIM_MODIFY, &m_notifyData)) m_iconAdded = TRUE;
}

void CTrayDialog::OnShellRestarted() {
  // A new shell holds none of the old icons.
  m_iconAdded = FALSE;
  RestoreTrayIcon();
}

}  // namespace app
