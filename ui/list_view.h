// Thin wrappers over a report-style list view and its header: the messages by name,
// nothing more. They hold the window handle only; the window belongs to its dialog.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

namespace ui {

class HeaderControl {
 public:
  void Attach(HWND header) { m_hwnd = header; }
  HWND hwnd() const { return m_hwnd; }

  int ItemCount() const;
  std::string ItemText(int item) const;  // at most 255 characters
  UINT ItemFormat(int item) const;       // HDF_* bits
  void SetItemFormat(int item, UINT format);
  void SetItemWidth(int item, int width);
  void Invalidate();  // the whole header, erased

 private:
  HWND m_hwnd = nullptr;
};

class ListView {
 public:
  void Attach(HWND list) { m_hwnd = list; }
  HWND hwnd() const { return m_hwnd; }
  HWND Header() const;

  // A left-aligned column; false when the control refuses it.
  bool InsertColumn(int index, const std::string& heading, int width);
  void SetExtendedStyle(DWORD mask, DWORD style);

  int ItemCount() const;
  // Room for `rows` rows made at once, so that a long fill does not grow the list step by step.
  void ReserveRows(int rows);
  // WM_SETREDRAW: with false, the control paints nothing until it is turned on again;
  // turned on, the whole control is invalidated and painted once.
  void SetRedraw(bool redraw);
  // A row with its column-0 text and item data; its index, or -1 when refused.
  int InsertItem(int index, const std::string& text, LPARAM data);
  void SetItemText(int row, int column, const std::string& text);
  LPARAM ItemData(int row) const;
  void SetItemData(int row, LPARAM data);
  void DeleteAllItems();
  void SortItems(PFNLVCOMPARE compare, LPARAM context);

  // The first row after `start` (-1: from the top) in the selected state; -1 for none.
  int NextSelected(int start = -1) const;
  // The bits of `mask` set to those of `state`; row -1 changes every row.
  void SetItemState(int row, UINT state, UINT mask);
  void SetSelectionMark(int row);

 private:
  HWND m_hwnd = nullptr;
};

}  // namespace ui
