#include "cards/sort_list_rules.h"

#include "cards/list_text_order.h"
#include "storage/decimal_text.h"

namespace cards {

std::vector<ColumnSpec> ParseColumnSpec(const std::string& spec) {
  std::vector<ColumnSpec> columns;
  std::size_t position = 0;
  while (position < spec.size()) {
    const std::size_t comma = spec.find(',', position);
    if (comma == std::string::npos) break;
    const std::size_t semicolon = spec.find(';', comma + 1);
    const bool toEnd = semicolon == std::string::npos || comma + 1 == spec.size();
    const std::size_t widthEnd = toEnd ? spec.size() : semicolon;
    ColumnSpec column;
    column.heading = spec.substr(position, comma - position);
    column.width = storage::DecimalValue(std::string_view(spec).substr(comma + 1, widthEnd - (comma + 1)));
    columns.push_back(std::move(column));
    position = toEnd ? spec.size() : semicolon + 1;
  }
  return columns;
}

bool IsDateText(const std::string& text) {
  if (text.size() != 10 || text[2] != '/' || text[5] != '/') return false;
  for (const std::size_t i : {0, 1, 3, 4, 6, 7, 8, 9}) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  return true;
}

namespace {

std::int32_t Field(const std::string& text, std::size_t at, std::size_t length) {
  return at < text.size() ? storage::DecimalValue(std::string_view(text).substr(at, length)) : 0;
}

int Sign(std::int32_t a, std::int32_t b) { return a < b ? -1 : (a > b ? 1 : 0); }

const std::string& TextOf(const RowRecord& row, int column) {
  static const std::string kEmpty;
  return column >= 0 && static_cast<std::size_t>(column) < row.texts.size() ? row.texts[column] : kEmpty;
}

}  // namespace

int CompareDates(const std::string& a, const std::string& b) {
  const struct { std::size_t at, length; } fields[] = {{6, 4}, {3, 2}, {0, 2}};  // year, month, day
  for (const auto& f : fields) {
    if (const int order = Sign(Field(a, f.at, f.length), Field(b, f.at, f.length))) return order;
  }
  return 0;
}

SortState ClickColumn(SortState state, int column) {
  return SortState{column, column == state.column ? !state.ascending : true};
}

int CompareRows(const RowRecord& r1, const RowRecord& r2, const SortState& state) {
  const std::string& t1 = TextOf(r1, state.column);
  const std::string& t2 = TextOf(r2, state.column);
  const std::string& first = state.ascending ? t1 : t2;
  const std::string& second = state.ascending ? t2 : t1;
  return IsDateText(t1) ? CompareDates(first, second) : CompareListText(first, second);
}

std::optional<std::vector<std::int32_t>> ReadColumnWidths(const std::string& record, int headerColumns) {
  auto readInt32 = [&](std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(record[at + i]);
    return static_cast<std::int32_t>(value);
  };
  if (record.size() < 4) return std::nullopt;
  const std::int32_t count = readInt32(0);
  if (count != headerColumns || count < 0) return std::nullopt;
  if ((record.size() - 4) / 4 < static_cast<std::size_t>(count)) return std::nullopt;
  std::vector<std::int32_t> widths;
  for (std::int32_t i = 0; i < count; ++i) widths.push_back(readInt32(4 + 4 * static_cast<std::size_t>(i)));
  return widths;
}

std::string ColumnWidthsEntry(int controlId) { return std::to_string(controlId); }

}  // namespace cards
