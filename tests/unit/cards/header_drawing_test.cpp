#include <gtest/gtest.h>

#include "cards/header_drawing.h"

namespace {

using cards::LayoutHeaderItem;
using cards::Point;
using cards::Rect;

TEST(LayoutHeaderItem, TextRectangle) {
  // A 100 x 20 heading at x 50: o = 5.
  const Rect item{50, 0, 150, 20};
  struct Case {
    const char* what;
    unsigned state;
    bool sortColumn;
    Rect text;
  } cases[] = {
      {"plain", 0, false, {55, 0, 145, 20}},
      {"sort column leaves room for the triangle", 0, true, {55, 0, 130, 20}},
      {"pressed shifts the text", cards::kItemPressed, false, {56, 2, 146, 20}},
      {"pressed sort column", cards::kItemPressed, true, {56, 2, 131, 20}},
      {"pressed and focused is not exactly pressed", cards::kItemPressed | 0x10, false, {55, 0, 145, 20}},
  };
  for (const Case& c : cases) {
    const auto d = LayoutHeaderItem(item, c.state, 0, c.sortColumn, true);
    EXPECT_EQ(d.textRect, c.text) << c.what;
    EXPECT_TRUE(d.drawText) << c.what;
  }
}

TEST(LayoutHeaderItem, AlignmentFlags) {
  const Rect item{0, 0, 100, 20};
  struct Case {
    unsigned format;
    unsigned flags;
  } cases[] = {
      {0, 0x8924}, {cards::kFormatRight, 0x8926}, {cards::kFormatCenter, 0x8925}, {0x0003, 0x8925}, {0x4000, 0x8924}};
  for (const Case& c : cases)
    EXPECT_EQ(LayoutHeaderItem(item, 0, c.format, false, true).textFlags, c.flags) << c.format;
}

TEST(LayoutHeaderItem, TriangleStrokes) {
  // R = 150, B = 20, o = 5.
  const Rect item{50, 0, 150, 20};
  const auto up = LayoutHeaderItem(item, 0, 0, true, true);
  EXPECT_EQ(up.lightStroke, (std::vector<Point>{{140, 5}, {145, 14}, {133, 14}}));
  EXPECT_EQ(up.shadowStroke, (std::vector<Point>{{134, 14}, {140, 4}}));
  const auto down = LayoutHeaderItem(item, 0, 0, true, false);
  EXPECT_EQ(down.lightStroke, (std::vector<Point>{{144, 5}, {139, 15}}));
  EXPECT_EQ(down.shadowStroke, (std::vector<Point>{{138, 15}, {134, 5}, {144, 5}}));
  const auto pressed = LayoutHeaderItem(item, cards::kItemPressed, 0, true, true);
  EXPECT_EQ(pressed.lightStroke, up.lightStroke) << "the pressed shift moves only the text";
  const auto other = LayoutHeaderItem(item, 0, 0, false, true);
  EXPECT_TRUE(other.lightStroke.empty());
  EXPECT_TRUE(other.shadowStroke.empty());
}

TEST(LayoutHeaderItem, ANarrowSortColumnLosesItsTextButKeepsItsTriangle) {
  const Rect narrow{0, 0, 20, 22};  // o = 5: the text rectangle is 5..0
  const auto d = LayoutHeaderItem(narrow, 0, 0, true, true);
  EXPECT_FALSE(d.drawText);
  EXPECT_EQ(d.lightStroke.size(), 3u);
  EXPECT_EQ(d.shadowStroke.size(), 2u);
  EXPECT_FALSE(LayoutHeaderItem(Rect{0, 0, 10, 20}, 0, 0, false, true).drawText) << "10 - 2*5 leaves nothing";
}

TEST(LayoutHeaderItem, OffsetIsAQuarterOfTheHeightTruncated) {
  const auto d = LayoutHeaderItem(Rect{0, 0, 100, 23}, 0, 0, false, true);  // o = 5
  EXPECT_EQ(d.textRect, (Rect{5, 0, 95, 23}));
  const auto flat = LayoutHeaderItem(Rect{0, 0, 100, 3}, 0, 0, true, true);  // o = 0
  EXPECT_EQ(flat.textRect, (Rect{0, 0, 100, 3}));
  EXPECT_EQ(flat.lightStroke, (std::vector<Point>{{100, 0}, {100, 2}, {98, 2}}));
}

}  // namespace
