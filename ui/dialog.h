// Our small dialog framework over Win32: a modal dialog run from a template id, one
// virtual message handler per dialog with an explicit switch, and helpers that move
// values between the dialog's controls and the portable models.
#pragma once

#include <windows.h>

#include <string>

namespace ui {

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
  // system-modal dialog above other windows, calls OnInitDialog), paints the window's
  // icon while it is minimised, passes WM_COMMAND to OnCommand and then ends the dialog
  // on IDOK and IDCANCEL, and passes WM_NOTIFY to OnNotify. A dialog overrides this only
  // for messages of its own.
  virtual INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  // Runs once the controls exist; TRUE lets the system set the initial focus.
  virtual BOOL OnInitDialog() { return TRUE; }

  // A command from control or menu item `id` with notification `code`; true when the
  // dialog handled it (IDOK and IDCANCEL then no longer end the dialog).
  virtual bool OnCommand(WORD /*id*/, WORD /*code*/) { return false; }

  // A notification from a control; the result of a dialog procedure (see Answer).
  virtual INT_PTR OnNotify(const NMHDR& /*header*/) { return FALSE; }

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

  // The window's extended style: bits in `remove` cleared, then bits in `add` set.
  void ChangeExtendedStyle(DWORD remove, DWORD add);

  // The window's large and then its small icon; the window also shows it while minimised.
  void SetWindowIcons(HICON icon);
  HICON windowIcon() const { return m_windowIcon; }

  // A message box owned by this dialog with the program's caption and an OK button;
  // `icon` is MB_ICONERROR, MB_ICONWARNING or MB_ICONINFORMATION.
  void ShowMessage(const std::string& text, UINT icon);

  // A warning question owned by this dialog with the program's caption, Yes and No, and No
  // as the default button (Enter or a stray keystroke must not confirm); true for Yes.
  bool AskYesNo(const std::string& question);

  // The program's own icon resource (shared handle, never destroyed).
  static HICON LoadIconResource(int id);

 private:
  static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  // WM_PAINT: draws the window's icon centred in the client area while minimised and
  // returns true; false (nothing done) while not minimised or without an icon.
  bool PaintIconWhileMinimised();

  int m_templateId;
  HWND m_hwnd = nullptr;
  HICON m_windowIcon = nullptr;
};

}  // namespace ui
