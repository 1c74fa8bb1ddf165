#include "ui/list_view.h"

namespace ui {

int HeaderControl::ItemCount() const { return static_cast<int>(SendMessageA(m_hwnd, HDM_GETITEMCOUNT, 0, 0)); }

std::string HeaderControl::ItemText(int item) const {
  char text[256] = {};
  HDITEMA info{};
  info.mask = HDI_TEXT;
  info.pszText = text;
  info.cchTextMax = sizeof text;
  if (!SendMessageA(m_hwnd, HDM_GETITEMA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&info))) return {};
  return text;
}

UINT HeaderControl::ItemFormat(int item) const {
  HDITEMA info{};
  info.mask = HDI_FORMAT;
  SendMessageA(m_hwnd, HDM_GETITEMA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&info));
  return static_cast<UINT>(info.fmt);
}

void HeaderControl::SetItemFormat(int item, UINT format) {
  HDITEMA info{};
  info.mask = HDI_FORMAT;
  info.fmt = static_cast<int>(format);
  SendMessageA(m_hwnd, HDM_SETITEMA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&info));
}

void HeaderControl::SetItemWidth(int item, int width) {
  HDITEMA info{};
  info.mask = HDI_WIDTH;
  info.cxy = width;
  SendMessageA(m_hwnd, HDM_SETITEMA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&info));
}

void HeaderControl::Invalidate() { InvalidateRect(m_hwnd, nullptr, TRUE); }

HWND ListView::Header() const { return reinterpret_cast<HWND>(SendMessageA(m_hwnd, LVM_GETHEADER, 0, 0)); }

bool ListView::InsertColumn(int index, const std::string& heading, int width) {
  LVCOLUMNA column{};
  column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH;
  column.fmt = LVCFMT_LEFT;
  column.cx = width;
  column.pszText = const_cast<char*>(heading.c_str());
  return SendMessageA(m_hwnd, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column)) != -1;
}

void ListView::SetExtendedStyle(DWORD mask, DWORD style) {
  SendMessageA(m_hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, mask, style);
}

int ListView::ItemCount() const { return static_cast<int>(SendMessageA(m_hwnd, LVM_GETITEMCOUNT, 0, 0)); }

void ListView::ReserveRows(int rows) { SendMessageA(m_hwnd, LVM_SETITEMCOUNT, static_cast<WPARAM>(rows), 0); }

void ListView::SetRedraw(bool redraw) {
  SendMessageA(m_hwnd, WM_SETREDRAW, redraw ? TRUE : FALSE, 0);
  if (redraw) InvalidateRect(m_hwnd, nullptr, TRUE);
}

int ListView::InsertItem(int index, const std::string& text, LPARAM data) {
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = index;
  item.pszText = const_cast<char*>(text.c_str());
  item.lParam = data;
  return static_cast<int>(SendMessageA(m_hwnd, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void ListView::SetItemText(int row, int column, const std::string& text) {
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text.c_str());
  SendMessageA(m_hwnd, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

LPARAM ListView::ItemData(int row) const {
  LVITEMA item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!SendMessageA(m_hwnd, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return 0;
  return item.lParam;
}

void ListView::SetItemData(int row, LPARAM data) {
  LVITEMA item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  item.lParam = data;
  SendMessageA(m_hwnd, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void ListView::DeleteAllItems() { SendMessageA(m_hwnd, LVM_DELETEALLITEMS, 0, 0); }

void ListView::SortItems(PFNLVCOMPARE compare, LPARAM context) {
  SendMessageA(m_hwnd, LVM_SORTITEMS, static_cast<WPARAM>(context), reinterpret_cast<LPARAM>(compare));
}

int ListView::NextSelected(int start) const {
  return static_cast<int>(SendMessageA(m_hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(start), LVNI_SELECTED));
}

void ListView::SetItemState(int row, UINT state, UINT mask) {
  LVITEMA item{};
  item.stateMask = mask;
  item.state = state;
  SendMessageA(m_hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void ListView::SetSelectionMark(int row) { SendMessageA(m_hwnd, LVM_SETSELECTIONMARK, 0, row); }

}  // namespace ui
