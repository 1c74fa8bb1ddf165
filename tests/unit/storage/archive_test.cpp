#include "storage/archive.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using storage::ArchiveError;
using storage::BufferReader;

std::string Prefix(const std::string& serialised, std::size_t payload) {
  return serialised.substr(0, serialised.size() - payload);
}

TEST(ArchiveForms, CountAndLengthPrefixesAtEveryBoundary) {
  struct Case {
    std::size_t n;
    std::string arrayPrefix;
    std::string textPrefix;
  } cases[] = {
      {0, std::string("\0\0", 2), std::string("\0", 1)},
      {22, std::string("\x16\0", 2), "\x16"},
      {254, std::string("\xfe\0", 2), "\xfe"},
      {255, std::string("\xff\0", 2), std::string("\xff\xff\0", 3)},
      {65533, "\xfd\xff", "\xff\xfd\xff"},
      {65534, "\xfe\xff", std::string("\xff\xff\xff\xfe\xff\0\0", 7)},
      {65535, std::string("\xff\xff\xff\xff\0\0", 6), std::string("\xff\xff\xff\xff\xff\0\0", 7)},
      {70000, std::string("\xff\xff\x70\x11\x01\0", 6), std::string("\xff\xff\xff\x70\x11\x01\0", 7)},
  };
  for (const Case& c : cases) {
    const std::string payload(c.n, 'x');
    std::string array, text;
    storage::WriteByteArray(array, payload);
    storage::WriteText(text, payload);
    EXPECT_EQ(Prefix(array, c.n), c.arrayPrefix) << c.n;
    EXPECT_EQ(Prefix(text, c.n), c.textPrefix) << c.n;

    BufferReader arrayIn(array), textIn(text);
    EXPECT_EQ(storage::ReadByteArray(arrayIn), payload) << c.n;
    EXPECT_EQ(storage::ReadText(textIn), payload) << c.n;
    EXPECT_EQ(arrayIn.remaining(), 0u);
    EXPECT_EQ(textIn.remaining(), 0u);
  }
}

TEST(ArchiveForms, FramingCutShortIsAnError) {
  struct Case {
    const char* label;
    std::string bytes;
    bool asText;
  } cases[] = {
      {"no count", "", false},
      {"half a count", "\x05", false},
      {"long count cut", "\xff\xff\x01\x00", false},
      {"fewer bytes than counted", std::string("\x05\0abc", 5), false},
      {"no length", "", true},
      {"long length cut", "\xff\x01", true},
      {"fewer characters than said",
       "\x05"
       "abc",
       true},
      {"wide-character marker",
       "\xff\xfe\xff\x03"
       "abc",
       true},
      {"huge count, nothing behind", "\xff\xff\xff\xff\xff\x7f", false},
  };
  for (const Case& c : cases) {
    BufferReader in(c.bytes);
    if (c.asText)
      EXPECT_THROW(storage::ReadText(in), ArchiveError) << c.label;
    else
      EXPECT_THROW(storage::ReadByteArray(in), ArchiveError) << c.label;
  }
}

TEST(ArchiveForms, BytesAfterThePayloadAreLeftUnread) {
  const std::string bytes = std::string("\x02\0ab", 4) + "tail";
  BufferReader in(bytes);
  EXPECT_EQ(storage::ReadByteArray(in), "ab");
  EXPECT_EQ(in.remaining(), 4u);
}

}  // namespace
