// The sortable list over a real list-view control (Windows only). The hidden window
// needs a display (scripts/test gives one); without it these tests are skipped.
#include "cards/sort_list_ctrl.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <stdexcept>

namespace {

// A list-view control that refuses to take column `refused`, as a control may.
class RefusingList {
 public:
  explicit RefusingList(int refused) : m_refused(refused) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    m_hwnd = CreateWindowExA(0, WC_LISTVIEWA, "", WS_POPUP | LVS_REPORT, 0, 0, 300, 100, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
  }
  ~RefusingList() {
    if (m_hwnd) DestroyWindow(m_hwnd);
  }
  RefusingList(const RefusingList&) = delete;
  RefusingList& operator=(const RefusingList&) = delete;

  HWND hwnd() const { return m_hwnd; }

  // Installed after the list control's own subclass, so that it sees the messages first.
  void StartRefusing() { SetWindowSubclass(m_hwnd, Refuse, 1, reinterpret_cast<DWORD_PTR>(this)); }

 private:
  static LRESULT CALLBACK Refuse(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    const auto* list = reinterpret_cast<const RefusingList*>(self);
    if (message == LVM_INSERTCOLUMNA && static_cast<int>(wParam) == list->m_refused) return -1;
    if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, Refuse, 1);
    return DefSubclassProc(hwnd, message, wParam, lParam);
  }

  int m_refused;
  HWND m_hwnd = nullptr;
};

std::string ItemText(HWND list, int row, int column) {
  char text[64] = {};
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return text;
}

TEST(CSortListCtrl, RowsStillAppendAfterTheControlRefusedAColumn) {
  RefusingList window(1);
  if (!window.hwnd()) GTEST_SKIP() << "no display: the list-view window cannot be made";
  cards::CSortListCtrl list;
  list.Attach(window.hwnd());
  window.StartRefusing();
  EXPECT_FALSE(list.DefineColumns("Username,150;Card Number,80;Expires,100"));
  int row = -1;
  EXPECT_NO_THROW(row = list.AppendRow({{"bob", "12XXXX34", "on Restart"}, 7}));
  EXPECT_EQ(row, 0);
  EXPECT_EQ(ItemText(window.hwnd(), 0, 0), "bob");
  list.SelectOnly(0);
  EXPECT_EQ(list.SelectedTag(), std::optional<std::size_t>(7));
}

TEST(CSortListCtrl, ARowNeedsATextForEveryColumn) {
  RefusingList window(-1);  // takes every column
  if (!window.hwnd()) GTEST_SKIP() << "no display: the list-view window cannot be made";
  cards::CSortListCtrl list;
  list.Attach(window.hwnd());
  EXPECT_TRUE(list.DefineColumns("Username,150;Card Number,80"));
  EXPECT_THROW(list.AppendRow({{"bob"}, 0}), std::invalid_argument);
  EXPECT_EQ(list.AppendRow({{"bob", "12XXXX34"}, 0}), 0);
  EXPECT_EQ(ItemText(window.hwnd(), 0, 1), "12XXXX34");
}

}  // namespace
