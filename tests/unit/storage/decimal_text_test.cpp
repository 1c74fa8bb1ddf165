#include "storage/decimal_text.h"

#include <gtest/gtest.h>

namespace {

TEST(DecimalValue, ReadsAsAtoiReads) {
  struct Case {
    const char* text;
    std::int32_t value;
  } cases[] = {
      {"150", 150},
      {" 80", 80},
      {"+7", 7},
      {"-1", -1},
      {"12ab", 12},
      {"", 0},
      {"abc", 0},
      {"- 5", 0},
      {"\t\r\n\v\f 9", 9},
      {"2147483647", 2147483647},
      {"2147483648", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"-99999999999999999999", -2147483647 - 1},
      {"99999999999999999999", 2147483647},
      {"0009", 9},
  };
  for (const Case& c : cases) EXPECT_EQ(storage::DecimalValue(c.text), c.value) << c.text;
}

}  // namespace
