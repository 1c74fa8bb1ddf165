// A dialog that owns one icon in the notification area: it keeps the icon's record,
// adds, changes and removes the icon, turns the shell's mouse notifications into five
// handlers and shows the popup menu on a right click.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "ui/dialog.h"

namespace app {

class CTrayDialog : public ui::Dialog {
 public:
  explicit CTrayDialog(int templateId);
  ~CTrayDialog() override;

 protected:
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  // Mouse activity over the icon, with the cursor position in screen coordinates.
  virtual void OnIconLeftButtonDown(POINT) {}
  virtual void OnIconLeftDoubleClick(POINT) {}
  virtual void OnIconRightButtonDown(POINT point);  // shows the popup menu
  virtual void OnIconRightDoubleClick(POINT) {}
  virtual void OnIconMouseMove(POINT) {}

  // These change the record only; the shell sees it on the next add or update.
  void SetTrayIcon(int iconResource);  // a missing resource keeps the previous icon
  void SetTrayTip(const char* tip);    // cut to the 127 characters the record holds
  void SetTrayMenu(int menuResource);
  void SetHideOnMinimize(bool hide);

  void AddTrayIcon();     // once: nothing happens while the icon is added
  void UpdateTrayIcon();  // sends the whole record, only while the icon is added

  // Adds the icon again when the shell may have lost it (a restart of the shell, or a
  // shell that was not ready when the icon was first added). A shell that still holds
  // the icon refuses the add; the icon then counts as added when it takes an update.
  void RestoreTrayIcon();

  bool IsTrayIconAdded() const { return m_iconAdded != FALSE; }

  BOOL m_hideOnMinimize = TRUE;
  BOOL m_iconAdded = FALSE;
  NOTIFYICONDATAA m_notifyData;
  HMENU m_trayMenu = nullptr;
  UINT m_defaultItemPos = 0;

 private:
  INT_PTR OnTrayCallback(WPARAM iconId, LPARAM mouseMessage);
  INT_PTR OnSystemCommand(WPARAM command);
  void OnShellRestarted();

  // The shell announces its (re)start to every top-level window with this message.
  const UINT m_taskbarCreatedMessage;
};

}  // namespace app
