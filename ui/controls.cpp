#include "ui/controls.h"

#include <commctrl.h>

namespace ui {

void SetPickerFormat(HWND picker, const char* format) {
  SendMessageA(picker, DTM_SETFORMATA, 0, reinterpret_cast<LPARAM>(format));
}

void SetPickerTime(HWND picker, ClockTime time) {
  SYSTEMTIME value;
  GetLocalTime(&value);
  value.wHour = static_cast<WORD>(time.hour);
  value.wMinute = static_cast<WORD>(time.minute);
  value.wSecond = 0;
  value.wMilliseconds = 0;
  SendMessageA(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&value));
}

std::optional<ClockTime> PickerTime(HWND picker) {
  SYSTEMTIME value{};
  if (SendMessageA(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&value)) != GDT_VALID) return std::nullopt;
  return ClockTime{value.wHour, value.wMinute};
}

void InsertListItem(HWND list, int position, const std::string& text) {
  SendMessageA(list, CB_INSERTSTRING, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(text.c_str()));
}

void SelectListItem(HWND list, int index) { SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0); }

int SelectedListItem(HWND list) {
  const LRESULT index = SendMessageA(list, CB_GETCURSEL, 0, 0);
  return index == CB_ERR ? -1 : static_cast<int>(index);
}

}  // namespace ui
