// The card list's date comparison and row order. Whatever the texts, CompareDates is a
// consistent order (reflexive, antisymmetric, transitive), and between two date texts
// the row order is that of (year, month, day).
//
// Input: A NUL B NUL C.
#include <cstdint>
#include <string>
#include <tuple>

#include "cards/sort_list_rules.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

std::string Three(const std::string& a, const std::string& b, const std::string& c) {
  return fuzz::Shown(a) + ", " + fuzz::Shown(b) + ", " + fuzz::Shown(c);
}

std::tuple<int, int, int> YearMonthDay(const std::string& date) {
  return {std::stoi(date.substr(6, 4)), std::stoi(date.substr(3, 2)), std::stoi(date.substr(0, 2))};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Fields fields(data, size);
  const std::string a(fields.Next()), b(fields.Next()), c(fields.Rest());
  const std::string all = Three(a, b, c);
  const int ab = cards::CompareDates(a, b), ba = cards::CompareDates(b, a);
  const int bc = cards::CompareDates(b, c), ac = cards::CompareDates(a, c);
  FUZZ_CHECK(ab >= -1 && ab <= 1, all);
  FUZZ_CHECK(cards::CompareDates(a, a) == 0, all);
  FUZZ_CHECK(ab == -ba, all);
  if (ab <= 0 && bc <= 0) FUZZ_CHECK(ac <= 0, all);
  if (ab == 0 && bc == 0) FUZZ_CHECK(ac == 0, all);

  if (cards::IsDateText(a) && cards::IsDateText(b)) {
    const auto x = YearMonthDay(a), y = YearMonthDay(b);
    const int expected = x < y ? -1 : (y < x ? 1 : 0);
    FUZZ_CHECK(ab == expected, all);
    const cards::RowRecord r1{{a}, 0}, r2{{b}, 1};
    FUZZ_CHECK(cards::CompareRows(r1, r2, cards::SortState{0, true}) == expected, all);
    FUZZ_CHECK(cards::CompareRows(r1, r2, cards::SortState{0, false}) == -expected, all);
  }
  return 0;
}
