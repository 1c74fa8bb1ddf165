// Helpers for the common controls that ui::Dialog's text and tick helpers do not cover:
// the date-time picker and the drop-down list. Each takes the control's window.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace ui {

struct ClockTime {
  int hour = 0;
  int minute = 0;
};

// Date-time picker. The format is the picker's display format ("HH:mm").
void SetPickerFormat(HWND picker, const char* format);
// Shows today's date at that hour and minute, seconds 0.
void SetPickerTime(HWND picker, ClockTime time);
// The time the picker holds; nothing when it holds none.
std::optional<ClockTime> PickerTime(HWND picker);

// Drop-down list. Items stay where they are inserted (the list does not sort them).
void InsertListItem(HWND list, int position, const std::string& text);
void SelectListItem(HWND list, int index);  // -1: no selection
int SelectedListItem(HWND list);            // -1: no selection

}  // namespace ui
