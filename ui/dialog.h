// Our small dialog framework over Win32: a modal dialog run from a template id, one
// virtual message handler per dialog with an explicit switch, and helpers that move
// values between the dialog's controls and the portable models.
#pragma once

#include <windows.h>

#include <string>

namespace ui {

// Every message box of the program bears this caption.
inline constexpr const char kMessageCaption[] = "Quandor Systems Card Authenticator";

class Dialog {
 public:
  explicit Dialog(int templateId);
  virtual ~Dialog() = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Creates the dialog from its template and runs it until End; returns End's result,
  // or -1 when the window could not be created.
  INT_PTR RunModal(HWND owner = nullptr);

  HWND hwnd() const { return m_hwnd; }

 protected:
  // The dialog's messages. Return what a dialog procedure returns: FALSE leaves the
  // message to the system's default handling. The base handles WM_INITDIALOG (keeps a
  // system-modal dialog above other windows, calls OnInitDialog) and ends the dialog on
  // IDOK and IDCANCEL.
  virtual INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  // Runs once the controls exist; TRUE lets the system set the initial focus.
  virtual BOOL OnInitDialog() { return TRUE; }

  void End(INT_PTR result);

  // Answers a message whose result a dialog procedure cannot return directly.
  INT_PTR Answer(LRESULT result);

  // Control helpers, by control id.
  HWND Item(int id) const;
  std::string ItemText(int id) const;
  void SetItemText(int id, const std::string& text);
  bool IsTicked(int id) const;  // any state but unticked counts as ticked
  void SetTick(int id, bool ticked);
  void EnableItem(int id, bool enabled);
  bool IsItemEnabled(int id) const;
  void SetItemIcon(int id, int iconResource);

  // The window's extended style: bits in `remove` cleared, then bits in `add` set.
  void ChangeExtendedStyle(DWORD remove, DWORD add);

  // The window's large and then its small icon.
  void SetWindowIcons(HICON icon);

  // WM_PAINT of a window that shows its icon while minimised: draws `icon` centred in
  // the client area and returns true; false (nothing done) while not minimised.
  bool PaintIconWhileMinimised(HICON icon);

  // A message box owned by this dialog with the program's caption and an OK button;
  // `icon` is MB_ICONERROR, MB_ICONWARNING or MB_ICONINFORMATION.
  void ShowMessage(const std::string& text, UINT icon);

  // The program's own icon resource (shared handle, never destroyed).
  static HICON LoadIconResource(int id);

 private:
  static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  int m_templateId;
  HWND m_hwnd = nullptr;
};

}  // namespace ui
