// The stored column-width record (registry value "1019" of section ListCtrls): a
// little-endian 32-bit count, then the widths. Any bytes, for any header, read without
// a crash; the widths taken are exactly the record's, and only when the count matches.
//
// Input: the header's column count (one byte, 0-255), then the record's bytes.
#include <cstdint>
#include <string>

#include "cards/sort_list_rules.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

std::int32_t Int32At(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i)
    value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
  return static_cast<std::int32_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int headerColumns = data[0];
  const std::string record(reinterpret_cast<const char*>(data + 1), size - 1);
  const auto widths = cards::ReadColumnWidths(record, headerColumns);
  const bool fits = record.size() >= 4 && Int32At(record, 0) == headerColumns &&
                    record.size() >= 4 + 4 * static_cast<std::size_t>(headerColumns);
  FUZZ_CHECK(widths.has_value() == fits,
             "header of " + std::to_string(headerColumns) + ", record " + fuzz::Shown(record));
  if (!widths) return 0;
  FUZZ_CHECK(widths->size() == static_cast<std::size_t>(headerColumns), "wrong number of widths");
  for (std::size_t i = 0; i < widths->size(); ++i)
    FUZZ_CHECK((*widths)[i] == Int32At(record, 4 + 4 * i), "width " + std::to_string(i) + " of " + fuzz::Shown(record));
  return 0;
}
