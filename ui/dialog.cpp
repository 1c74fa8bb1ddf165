#include "ui/dialog.h"

#include <exception>

#include "res/product.h"

namespace ui {

Dialog::Dialog(int templateId) : m_templateId(templateId) {}

INT_PTR Dialog::RunModal(HWND owner) {
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId), owner, Procedure,
                         reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK Dialog::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // The messages before WM_INITDIALOG (WM_SETFONT) carry no object yet.
  if (message == WM_INITDIALOG) {
    auto* dialog = reinterpret_cast<Dialog*>(lParam);
    SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    dialog->m_hwnd = hwnd;
  }
  auto* dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (!dialog) return FALSE;
  INT_PTR result = FALSE;
  try {
    result = dialog->HandleMessage(message, wParam, lParam);
  } catch (const std::exception& e) {
    // An exception must not cross the system's window code; the user learns what failed
    // and the dialog stays usable.
    dialog->ShowMessage(e.what(), MB_ICONERROR);
  }
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, DWLP_USER, 0);
    dialog->m_hwnd = nullptr;
  }
  return result;
}

INT_PTR Dialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      // A system-modal template asks to stay above other windows; Wine leaves that out.
      if (GetWindowLongPtrA(m_hwnd, GWL_STYLE) & DS_SYSMODAL)
        SetWindowPos(m_hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      return OnInitDialog();
    case WM_PAINT:
      return PaintIconWhileMinimised() ? TRUE : FALSE;
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_COMMAND:
      if (OnCommand(LOWORD(wParam), HIWORD(wParam))) return TRUE;
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        End(LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

void Dialog::End(INT_PTR result) { EndDialog(m_hwnd, result); }

INT_PTR Dialog::Answer(LRESULT result) {
  SetWindowLongPtrA(m_hwnd, DWLP_MSGRESULT, result);
  return TRUE;
}

HWND Dialog::Item(int id) const { return GetDlgItem(m_hwnd, id); }

std::string Dialog::ItemText(int id) const {
  HWND item = Item(id);
  const int length = item ? GetWindowTextLengthA(item) : 0;
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int copied = item ? GetWindowTextA(item, text.data(), length + 1) : 0;
  text.resize(static_cast<std::size_t>(copied));
  return text;
}

void Dialog::SetItemText(int id, const std::string& text) { SetDlgItemTextA(m_hwnd, id, text.c_str()); }

bool Dialog::IsTicked(int id) const { return IsDlgButtonChecked(m_hwnd, id) != BST_UNCHECKED; }

void Dialog::SetTick(int id, bool ticked) { CheckDlgButton(m_hwnd, id, ticked ? BST_CHECKED : BST_UNCHECKED); }

void Dialog::EnableItem(int id, bool enabled) { EnableWindow(Item(id), enabled ? TRUE : FALSE); }

bool Dialog::IsItemEnabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }

void Dialog::ChangeExtendedStyle(DWORD remove, DWORD add) {
  const LONG_PTR style = GetWindowLongPtrA(m_hwnd, GWL_EXSTYLE);
  SetWindowLongPtrA(m_hwnd, GWL_EXSTYLE, (style & ~static_cast<LONG_PTR>(remove)) | static_cast<LONG_PTR>(add));
}

void Dialog::SetWindowIcons(HICON icon) {
  m_windowIcon = icon;
  SendMessageA(m_hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  SendMessageA(m_hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

bool Dialog::PaintIconWhileMinimised() {
  if (!m_windowIcon || !IsIconic(m_hwnd)) return false;
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(m_hwnd, &paint);
  SendMessageA(m_hwnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client;
  GetClientRect(m_hwnd, &client);
  const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, m_windowIcon);
  EndPaint(m_hwnd, &paint);
  return true;
}

void Dialog::ShowMessage(const std::string& text, UINT icon) {
  MessageBoxA(m_hwnd, text.c_str(), QUANDOR_PRODUCT_NAME, MB_OK | icon);
}

bool Dialog::AskYesNo(const std::string& question) {
  return MessageBoxA(m_hwnd, question.c_str(), QUANDOR_PRODUCT_NAME, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

HICON Dialog::LoadIconResource(int id) { return LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id)); }

}  // namespace ui
