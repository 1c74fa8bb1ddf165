// Where the header of the sortable list draws a heading: the text rectangle and the
// embossed triangle of the sort column, as pure functions of the item rectangle and state.
#pragma once

#include <vector>

namespace cards {

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const Rect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};

struct Point {
  int x = 0, y = 0;
  bool operator==(const Point& o) const { return x == o.x && y == o.y; }
};

// The platform's values (DT_*, HDF_*, ODS_SELECTED), so that the Win32 header can pass
// them straight through; sort_list_ctrl.cpp checks them against <windows.h>.
inline constexpr unsigned kTextFlagsLeft = 0x8924;  // DT_SINGLELINE|DT_VCENTER|DT_NOPREFIX|DT_NOCLIP|DT_END_ELLIPSIS
inline constexpr unsigned kTextCenter = 0x0001;     // DT_CENTER
inline constexpr unsigned kTextRight = 0x0002;      // DT_RIGHT
inline constexpr unsigned kFormatRight = 0x0001;    // HDF_RIGHT
inline constexpr unsigned kFormatCenter = 0x0002;   // HDF_CENTER
inline constexpr unsigned kItemPressed = 0x0001;    // ODS_SELECTED

struct HeaderItemDrawing {
  Rect textRect;
  bool drawText = false;  // false when the text rectangle has shrunk to nothing
  unsigned textFlags = 0;
  // The sort column's triangle: each stroke is a move to its first point and lines
  // through the others. Empty when the item is not the sort column.
  std::vector<Point> lightStroke;   // COLOR_BTNHIGHLIGHT
  std::vector<Point> shadowStroke;  // COLOR_BTNSHADOW
};

// `item` is the item rectangle in the header's client coordinates, `itemState` the
// draw request's state (only exactly "pressed" shifts the text), `format` the item's
// header format. The triangle points up for ascending order.
HeaderItemDrawing LayoutHeaderItem(const Rect& item, unsigned itemState, unsigned format, bool isSortColumn,
                                   bool ascending);

}  // namespace cards
