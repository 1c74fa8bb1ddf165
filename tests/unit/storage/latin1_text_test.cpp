#include "storage/latin1_text.h"

#include <gtest/gtest.h>

namespace {

TEST(Latin1Text, RoundTripsEveryByte) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(storage::Utf8ToLatin1(storage::Latin1ToUtf8(all)), all);
  EXPECT_EQ(storage::Latin1ToUtf8("Jos\xE9"), "Jos\xC3\xA9");
  const std::string refused[] = {"\xE2\x82\xAC", "\xC3", "\xC3x", "\xA9", "\xC0\x80", "\xF0\x9F\x98\x80"};
  for (const std::string& text : refused) EXPECT_FALSE(storage::Utf8ToLatin1(text).has_value()) << text;
}

}  // namespace
