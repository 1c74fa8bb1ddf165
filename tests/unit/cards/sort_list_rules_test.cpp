#include <gtest/gtest.h>

#include "cards/sort_list_rules.h"

namespace {

using cards::ColumnSpec;
using cards::RowRecord;
using cards::SortState;

TEST(ParseColumnSpec, ReadsPairsWithTheirQuirks) {
  struct Case {
    const char* spec;
    std::vector<ColumnSpec> columns;
  } cases[] = {
      {"Username,150;Card Number,80;Expires,100", {{"Username", 150}, {"Card Number", 80}, {"Expires", 100}}},
      {"", {}},
      {"NoComma", {}},
      {"A,10;trailing", {{"A", 10}}},
      {"A,10;", {{"A", 10}}},
      {"A,10;;B,2", {{"A", 10}, {";B", 2}}},
      {"a;b,10", {{"a;b", 10}}},
      {",5", {{"", 5}}},
      {"A,", {{"A", 0}}},
      {"A,;B,2", {{"A", 0}, {"B", 2}}},
      {"A,1,2;B,3", {{"A", 1}, {"B", 3}}},
      {"A, 20x;B,-4", {{"A", 20}, {"B", -4}}},
      {"A,abc", {{"A", 0}}},
  };
  for (const Case& c : cases) EXPECT_EQ(cards::ParseColumnSpec(c.spec), c.columns) << c.spec;
}

TEST(IsDateText, DayMonthYearWithSlashes) {
  struct Case {
    const char* text;
    bool date;
  } cases[] = {
      {"31/12/2020", true},  {"00/00/0000", true},  {"1/12/2020", false}, {"31/12/20201", false}, {"31-12-2020", false},
      {"31/12/202a", false}, {"3a/12/2020", false}, {"", false},          {"1234567890", false},  {"31/1/22020", false},
  };
  for (const Case& c : cases) EXPECT_EQ(cards::IsDateText(c.text), c.date) << c.text;
}

TEST(CompareDates, YearsThenMonthsThenDays) {
  struct Case {
    const char *a, *b;
    int order;
  } cases[] = {
      {"31/12/2020", "01/01/2021", -1},
      {"02/03/2021", "01/04/2021", -1},
      {"02/03/2021", "01/03/2021", 1},
      {"15/01/2021", "15/01/2021", 0},
      {"15/01/2021", "abc", 1},
      {"abc", "15/01/2021", -1},
      {"15/01/2021", "", 1},
      {"15/01/20", "15/01/2021", -1},
      {"xx/yy/zzzz", "", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(cards::CompareDates(c.a, c.b), c.order) << c.a << " vs " << c.b;
}

TEST(ClickColumn, SameColumnTogglesAnotherStartsAscending) {
  SortState s;
  EXPECT_EQ(s, (SortState{-1, true}));
  const struct {
    int click;
    SortState after;
  } steps[] = {
      {0, {0, true}}, {0, {0, false}}, {0, {0, true}}, {0, {0, false}}, {2, {2, true}}, {1, {1, true}}, {1, {1, false}},
  };
  for (const auto& step : steps) {
    s = cards::ClickColumn(s, step.click);
    EXPECT_EQ(s, step.after) << "click on " << step.click;
  }
}

TEST(CompareRows, OnlyTheFirstTextDecidesTheKind) {
  auto row = [](const char* text) { return RowRecord{{"user", text}, 0}; };
  struct Case {
    const char *t1, *t2;
    bool ascending;
    int sign;
  } cases[] = {
      {"31/12/2020", "01/01/2021", true, -1},
      {"31/12/2020", "01/01/2021", false, 1},
      {"02/03/2021", "01/04/2021", true, -1},
      {"15/01/2021", "abc", true, 1},  // the date test reads 0 for every field of "abc"
      {"abc", "15/01/2021", true, 1},  // as text: "a" after "1"
      {"10", "9", true, -1},           // digits sort as text
      {"9", "10", false, -1},
      {"", "a", true, -1},
      {"b", "a", true, 1},
      {"b", "a", false, -1},
      {"same", "same", true, 0},
  };
  for (const Case& c : cases) {
    const int result = cards::CompareRows(row(c.t1), row(c.t2), SortState{1, c.ascending});
    EXPECT_EQ((result > 0) - (result < 0), c.sign) << c.t1 << " vs " << c.t2 << (c.ascending ? " asc" : " desc");
  }
}

TEST(CompareRows, ComparesTheSortColumnOnlyAndToleratesShortRows) {
  const RowRecord a{{"b", "1"}, 0};
  const RowRecord b{{"a", "2"}, 1};
  EXPECT_GT(cards::CompareRows(a, b, SortState{0, true}), 0);
  EXPECT_LT(cards::CompareRows(a, b, SortState{1, true}), 0);
  const RowRecord shortRow{{"x"}, 2};
  EXPECT_LT(cards::CompareRows(shortRow, a, SortState{1, true}), 0) << "a missing text counts as empty";
  EXPECT_EQ(cards::CompareRows(a, b, SortState{-1, true}), 0) << "no sort column: all rows equal";
}

std::string WidthRecord(std::vector<std::int32_t> values) {
  std::string bytes;
  for (std::int32_t v : values) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>((u >> (8 * i)) & 0xFF);
  }
  return bytes;
}

TEST(ReadColumnWidths, AppliesOnlyARecordThatFits) {
  using Widths = std::optional<std::vector<std::int32_t>>;
  struct Case {
    const char* what;
    std::string record;
    int headerColumns;
    Widths widths;
  } cases[] = {
      {"three for three", WidthRecord({3, 150, 80, 100}), 3, std::vector<std::int32_t>{150, 80, 100}},
      {"two for three", WidthRecord({2, 150, 80}), 3, std::nullopt},
      {"four for three", WidthRecord({4, 1, 2, 3, 4}), 3, std::nullopt},
      {"short record", WidthRecord({3, 150, 80}), 3, std::nullopt},
      {"a width cut short", WidthRecord({3, 150, 80, 100}).substr(0, 15), 3, std::nullopt},
      {"empty", "", 3, std::nullopt},
      {"count cut short", std::string("\x03\x00", 2), 3, std::nullopt},
      {"negative count", WidthRecord({-1}), -1, std::nullopt},
      {"bytes after the widths", WidthRecord({1, 70, 99}), 1, std::vector<std::int32_t>{70}},
      {"large and negative widths", WidthRecord({2, 0x12345678, -5}), 2, std::vector<std::int32_t>{0x12345678, -5}},
      {"no columns", WidthRecord({0}), 0, std::vector<std::int32_t>{}},
  };
  for (const Case& c : cases) EXPECT_EQ(cards::ReadColumnWidths(c.record, c.headerColumns), c.widths) << c.what;
}

TEST(ColumnWidthsEntry, IsTheControlIdInDecimal) { EXPECT_EQ(cards::ColumnWidthsEntry(1019), "1019"); }

}  // namespace
