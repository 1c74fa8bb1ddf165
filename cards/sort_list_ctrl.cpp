#include "cards/sort_list_ctrl.h"

#include <stdexcept>

#include "cards/header_drawing.h"
#include "ui/profile.h"

namespace cards {
namespace {

// The rules are portable and type the system's values again.
static_assert(kTextFlagsLeft == (DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_NOCLIP | DT_END_ELLIPSIS));
static_assert(kTextCenter == DT_CENTER && kTextRight == DT_RIGHT);
static_assert(kFormatRight == HDF_RIGHT && kFormatCenter == HDF_CENTER && kHeaderOwnerDraw == HDF_OWNERDRAW);
static_assert(kItemPressed == ODS_SELECTED);

constexpr UINT_PTR kSubclassId = 1;
constexpr char kWidthsSection[] = "ListCtrls";

// A pen selected into a device context for one stroke set, put back afterwards.
class SelectedPen {
 public:
  SelectedPen(HDC dc, int colour) : m_dc(dc), m_pen(CreatePen(PS_SOLID, 1, GetSysColor(colour))) {
    m_previous = SelectObject(dc, m_pen);
  }
  ~SelectedPen() {
    SelectObject(m_dc, m_previous);
    DeleteObject(m_pen);
  }
  SelectedPen(const SelectedPen&) = delete;
  SelectedPen& operator=(const SelectedPen&) = delete;

 private:
  HDC m_dc;
  HPEN m_pen;
  HGDIOBJ m_previous;
};

void DrawStroke(HDC dc, int colour, const std::vector<Point>& points) {
  if (points.empty()) return;
  SelectedPen pen(dc, colour);
  MoveToEx(dc, points.front().x, points.front().y, nullptr);
  for (std::size_t i = 1; i < points.size(); ++i) LineTo(dc, points[i].x, points[i].y);
}

}  // namespace

void CSortHeaderCtrl::MakeOwnerDrawn(int item) {
  m_header.SetItemFormat(item, m_header.ItemFormat(item) | kHeaderOwnerDraw);
  m_header.Invalidate();
}

void CSortHeaderCtrl::LoadColumnWidths(const std::string& record) {
  if (const auto widths = ReadColumnWidths(record, m_header.ItemCount())) {
    for (std::size_t i = 0; i < widths->size(); ++i) m_header.SetItemWidth(static_cast<int>(i), (*widths)[i]);
  }
  m_header.Invalidate();
}

void CSortHeaderCtrl::DrawItem(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  const RECT& rc = item.rcItem;
  const int saved = SaveDC(dc);
  HRGN clip = CreateRectRgnIndirect(&rc);
  SelectClipRgn(dc, clip);
  DeleteObject(clip);
  FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));

  const int index = static_cast<int>(item.itemID);
  const std::string text = m_header.ItemText(index);
  const HeaderItemDrawing d = LayoutHeaderItem({rc.left, rc.top, rc.right, rc.bottom}, item.itemState,
                                               m_header.ItemFormat(index), index == m_sort.column, m_sort.ascending);
  if (d.drawText) {
    RECT textRect{d.textRect.left, d.textRect.top, d.textRect.right, d.textRect.bottom};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawTextA(dc, text.c_str(), -1, &textRect, d.textFlags);
  }
  DrawStroke(dc, COLOR_BTNHIGHLIGHT, d.lightStroke);
  DrawStroke(dc, COLOR_BTNSHADOW, d.shadowStroke);
  RestoreDC(dc, saved);
}

CSortListCtrl::~CSortListCtrl() {
  if (m_list.hwnd()) RemoveWindowSubclass(m_list.hwnd(), ListProcedure, kSubclassId);
}

void CSortListCtrl::Attach(HWND list) {
  m_list.Attach(list);
  // The header sends its draw requests to the list, its parent; the list passes
  // them to the header object here, and releases the row records as it goes.
  SetWindowSubclass(list, ListProcedure, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  m_header.Attach(m_list.Header());
}

LRESULT CALLBACK CSortListCtrl::ListProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                              DWORD_PTR self) {
  auto* list = reinterpret_cast<CSortListCtrl*>(self);
  switch (message) {
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->CtlType != ODT_HEADER || item->hwndItem != list->m_header.hwnd()) break;
      list->m_header.DrawItem(*item);
      return TRUE;
    }
    case WM_DESTROY:
      list->ReleaseRows();
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, ListProcedure, kSubclassId);
      list->m_list.Attach(nullptr);
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

bool CSortListCtrl::DefineColumns(const std::string& spec) {
  for (const ColumnSpec& column : ParseColumnSpec(spec)) {
    // Counted only once the control holds it: rows carry one text per counted column.
    if (!m_list.InsertColumn(m_columnCount, column.heading, column.width)) return false;
    ++m_columnCount;
  }
  return true;
}

void CSortListCtrl::ReplaceRows(const std::vector<RowRecord>& rows) {
  for (const RowRecord& row : rows) CheckTexts(row);
  // Each message to a subclassed window first looks its subclass up, a window property:
  // under Wine every look-up is a request to the wineserver, and a row takes several
  // messages. Nothing the subclass handles (the header's drawing, the window's end) comes
  // during a fill with painting paused, so the fill goes to the list's own procedure.
  struct FillScope {
    CSortListCtrl& self;
    explicit FillScope(CSortListCtrl& list) : self(list) {
      self.m_list.SetRedraw(false);
      RemoveWindowSubclass(self.m_list.hwnd(), ListProcedure, kSubclassId);
    }
    ~FillScope() {
      SetWindowSubclass(self.m_list.hwnd(), ListProcedure, kSubclassId, reinterpret_cast<DWORD_PTR>(&self));
      self.m_list.SetRedraw(true);
    }
    FillScope(const FillScope&) = delete;
    FillScope& operator=(const FillScope&) = delete;
  };
  const FillScope fill(*this);
  // The items go before their records, so that no notification of the list sees a
  // record that is gone.
  m_list.DeleteAllItems();
  m_rows.clear();
  m_list.ReserveRows(static_cast<int>(rows.size()));
  for (const RowRecord& row : rows) AppendRow(row);
}

void CSortListCtrl::CheckTexts(const RowRecord& row) const {
  // Texts beyond the columns the control accepted stay in the record only.
  if (row.texts.size() < static_cast<std::size_t>(m_columnCount))
    throw std::invalid_argument("a row needs one text per column");
}

int CSortListCtrl::AppendRow(const RowRecord& row) {
  CheckTexts(row);
  auto record = std::make_unique<RowRecord>(row);
  const int index = m_list.InsertItem(m_list.ItemCount(), record->texts.empty() ? "" : record->texts[0],
                                      reinterpret_cast<LPARAM>(record.get()));
  if (index < 0) return index;
  for (int column = 1; column < m_columnCount; ++column) m_list.SetItemText(index, column, record->texts[column]);
  m_rows.push_back(std::move(record));
  return index;
}

void CSortListCtrl::ReleaseRows() {
  // The item data goes before the records, so that no notification of the list sees
  // a record that is gone.
  for (int row = 0; row < m_list.ItemCount(); ++row) m_list.SetItemData(row, 0);
  m_rows.clear();
}

void CSortListCtrl::RestoreColumnWidths() {
  const int id = GetDlgCtrlID(m_list.hwnd());
  if (const auto record = ui::ReadProfileBinary(kWidthsSection, ColumnWidthsEntry(id))) {
    if (!record->empty()) m_header.LoadColumnWidths(*record);
  }
}

void CSortListCtrl::OnColumnClick(int column) {
  m_sort = ClickColumn(m_sort, column);
  m_header.SetSortState(m_sort);
  m_header.MakeOwnerDrawn(column);
  m_list.SortItems(CompareItems, reinterpret_cast<LPARAM>(this));
}

int CALLBACK CSortListCtrl::CompareItems(LPARAM row1, LPARAM row2, LPARAM self) {
  static const RowRecord kNoRow;
  const auto* r1 = reinterpret_cast<const RowRecord*>(row1);
  const auto* r2 = reinterpret_cast<const RowRecord*>(row2);
  return CompareRows(r1 ? *r1 : kNoRow, r2 ? *r2 : kNoRow, reinterpret_cast<const CSortListCtrl*>(self)->m_sort);
}

void CSortListCtrl::SelectOnly(int row) {
  m_list.SetItemState(-1, 0, LVIS_SELECTED);
  m_list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  m_list.SetSelectionMark(row);
}

std::optional<std::size_t> CSortListCtrl::SelectedTag() const {
  const int row = m_list.NextSelected();
  if (row < 0) return std::nullopt;
  const auto* record = reinterpret_cast<const RowRecord*>(m_list.ItemData(row));
  if (!record) return std::nullopt;
  return record->tag;
}

}  // namespace cards
