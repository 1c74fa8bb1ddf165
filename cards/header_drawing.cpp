#include "cards/header_drawing.h"

namespace cards {

HeaderItemDrawing LayoutHeaderItem(const Rect& item, unsigned itemState, unsigned format, bool isSortColumn,
                                   bool ascending) {
  const int o = (item.bottom - item.top) / 4;
  HeaderItemDrawing d;
  Rect& text = d.textRect;
  text = item;
  if (itemState == kItemPressed) {
    text.left += 1;
    text.top += 2;
    text.right += 1;
  }
  if (isSortColumn) text.right -= 3 * o;
  text.right -= o;
  text.left += o;
  d.drawText = text.left < text.right;
  d.textFlags = kTextFlagsLeft | ((format & kFormatCenter) ? kTextCenter : (format & kFormatRight) ? kTextRight : 0u);
  if (isSortColumn) {
    const int R = item.right;
    const int B = item.bottom;
    if (ascending) {
      d.lightStroke = {{R - 2 * o, o}, {R - o, B - o - 1}, {R - 3 * o - 2, B - o - 1}};
      d.shadowStroke = {{R - 3 * o - 1, B - o - 1}, {R - 2 * o, o - 1}};
    } else {
      d.lightStroke = {{R - o - 1, o}, {R - 2 * o - 1, B - o}};
      d.shadowStroke = {{R - 2 * o - 2, B - o}, {R - 3 * o - 1, o}, {R - o - 1, o}};
    }
  }
  return d;
}

}  // namespace cards
