// Rules of the sortable list (CSortListCtrl and its header): the column specification,
// the row order, the click state and the stored column widths. The Win32 classes pass
// texts and numbers between the list-view control and these functions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cards {

struct ColumnSpec {
  std::string heading;
  int width = 0;  // pixels
  bool operator==(const ColumnSpec& o) const { return heading == o.heading && width == o.width; }
};

// "Username,150;Card Number,80;Expires,100": pairs of heading and width separated by
// ";", heading and width by ",". A heading runs to the first comma and may be empty or
// hold ";"; the width runs to the next ";" and is read as atoi reads; a piece without a
// comma ends the specification.
std::vector<ColumnSpec> ParseColumnSpec(const std::string& spec);

// dd/mm/yyyy: exactly 10 characters, digits but "/" at indexes 2 and 5.
bool IsDateText(const std::string& text);

// Years, then months, then days (each as atoi reads the field at its fixed place; a
// text too short for a field gives what remains of it): -1, 0 or 1.
int CompareDates(const std::string& a, const std::string& b);

struct SortState {
  int column = -1;  // -1: not sorted yet
  bool ascending = true;
  bool operator==(const SortState& o) const { return column == o.column && ascending == o.ascending; }
};

// A click on column c: the same column reverses the direction, another one starts ascending.
SortState ClickColumn(SortState state, int column);

// What the list keeps per row: its own copy of the column texts, and a number that its
// owner gives the row (the card dialog: which card the row stands for).
struct RowRecord {
  std::vector<std::string> texts;
  std::size_t tag = 0;
};

// Orders two rows by the sort column. Only the first row's text decides the kind: a
// date text compares as dates (the second text read the same way, whatever it holds),
// any other text with CompareListText. Descending swaps the two. A column a row does
// not have counts as empty text.
int CompareRows(const RowRecord& r1, const RowRecord& r2, const SortState& state);

// The header format bit that makes a heading owner-drawn; a sort column keeps it.
inline constexpr unsigned kHeaderOwnerDraw = 0x8000;  // HDF_OWNERDRAW

// Stored column widths: a little-endian 32-bit count, then that many 32-bit widths.
// The widths to apply, or nothing when the count differs from the header's column
// count or the record is shorter than its count says.
std::optional<std::vector<std::int32_t>> ReadColumnWidths(const std::string& record, int headerColumns);

// The profile entry of a list's widths in section "ListCtrls": its control id in decimal.
std::string ColumnWidthsEntry(int controlId);

}  // namespace cards
