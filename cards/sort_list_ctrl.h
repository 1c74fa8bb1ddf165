// The report list that sorts on a column click (CSortListCtrl) and its header, which
// draws the sort column's heading with an embossed triangle (CSortHeaderCtrl). The
// rules are in sort_list_rules.h and header_drawing.h; these classes carry values
// between the list-view and header controls and those rules.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cards/sort_list_rules.h"
#include "ui/list_view.h"

namespace cards {

class CSortHeaderCtrl {
 public:
  void Attach(HWND header) { m_header.Attach(header); }
  HWND hwnd() const { return m_header.hwnd(); }
  int ItemCount() const { return m_header.ItemCount(); }

  // The list and the header keep the sort state together (the header for drawing).
  void SetSortState(SortState sort) { m_sort = sort; }

  // Marks a heading as drawn by DrawItem (kept for good once set) and redraws the header.
  void MakeOwnerDrawn(int item);

  // A stored column-width record: applied when its count matches the header's items.
  void LoadColumnWidths(const std::string& record);

  // The header's WM_DRAWITEM for one heading.
  void DrawItem(const DRAWITEMSTRUCT& item);

 private:
  ui::HeaderControl m_header;
  SortState m_sort;
};

class CSortListCtrl {
 public:
  CSortListCtrl() = default;
  ~CSortListCtrl();
  CSortListCtrl(const CSortListCtrl&) = delete;
  CSortListCtrl& operator=(const CSortListCtrl&) = delete;

  // Takes over the dialog's list-view control (and with it its header).
  void Attach(HWND list);
  HWND hwnd() const { return m_list.hwnd(); }

  void SetExtendedStyle(DWORD mask, DWORD style) { m_list.SetExtendedStyle(mask, style); }

  // Appends the columns of a specification ("Username,150;Card Number,80"); false at
  // the first column the control refuses.
  bool DefineColumns(const std::string& spec);

  // Appends a row holding its own copy of the texts (one per column; texts for columns
  // the control refused are kept but not shown) and its tag; the row's index, or -1
  // when the control refused the row.
  int AppendRow(const RowRecord& row);
  // Replaces every row by `rows`, appended in their order. The list paints once, after
  // the last row (painted a row at a time, a visible list of thousands of rows repaints
  // for seconds). Throws, changing nothing, when a row lacks a text for a column.
  void ReplaceRows(const std::vector<RowRecord>& rows);

  // Column widths stored for this list in the profile (section "ListCtrls", entry the
  // list's control id), when such a value exists and fits the columns.
  void RestoreColumnWidths();

  // LVN_COLUMNCLICK from the list.
  void OnColumnClick(int column);

  // Makes `row` the only selected row, with the focus and the selection mark.
  void SelectOnly(int row);

  // The tag of the first selected row; nothing when no row is selected.
  std::optional<std::size_t> SelectedTag() const;

 private:
  static LRESULT CALLBACK ListProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                        DWORD_PTR self);
  static int CALLBACK CompareItems(LPARAM row1, LPARAM row2, LPARAM self);
  void CheckTexts(const RowRecord& row) const;  // throws std::invalid_argument
  void ReleaseRows();

  ui::ListView m_list;
  CSortHeaderCtrl m_header;
  int m_columnCount = 0;
  SortState m_sort;
  // The row records; each row's item data points at its record.
  std::vector<std::unique_ptr<RowRecord>> m_rows;
};

}  // namespace cards
