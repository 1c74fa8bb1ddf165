// The card list's column specification ("Username,150;Card Number,80;Expires,100"):
// any text parses without a crash, each column's heading is the text before a comma,
// and the columns written back in the same form parse to the same columns.
#include <cstdint>
#include <string>

#include "cards/sort_list_rules.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string spec(reinterpret_cast<const char*>(data), size);
  const std::vector<cards::ColumnSpec> columns = cards::ParseColumnSpec(spec);
  std::size_t commas = 0;
  for (const char c : spec) commas += c == ',';
  FUZZ_CHECK(columns.size() <= commas, std::to_string(columns.size()) + " columns from " + fuzz::Shown(spec));
  std::string again;
  for (const cards::ColumnSpec& column : columns) {
    FUZZ_CHECK(column.heading.find(',') == std::string::npos, "heading " + fuzz::Shown(column.heading));
    again += column.heading + "," + std::to_string(column.width) + ";";
  }
  FUZZ_CHECK(cards::ParseColumnSpec(again) == columns, fuzz::Shown(spec) + " written back as " + fuzz::Shown(again));
  return 0;
}
