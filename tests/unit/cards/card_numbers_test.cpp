#include <gtest/gtest.h>

#include "cards/card_files.h"

namespace {

TEST(MaskCardNumber, KeepsTwoCharactersAtEachEnd) {
  struct Case {
    const char* number;
    const char* mask;
  } cases[] = {
      {"ABCDEF", "ABXXXXEF"},
      {"1234", "12XXXX34"},
      {"123", "12XXXX23"},
      {"12", "12XXXX12"},
      {"7", "7XXXX7"},
      {"", ""},
      {"ABCDEFGH", "ABXXXXGH"},
      {"ABZZZZGH", "ABXXXXGH"},
      {"AB99.DLL", "ABXXXXLL"},
      {"\xA0\xFF"
       "x",
       "\xA0\xFFXXXX\xFFx"},
  };
  for (const Case& c : cases) EXPECT_EQ(cards::MaskCardNumber(c.number), c.mask) << c.number;
}

TEST(CardNumberOfFileName, RemovesEveryExactDotDll) {
  struct Case {
    const char* fileName;
    const char* number;
  } cases[] = {
      {"ABCDEF.dll", "ABCDEF"}, {"12.dll34.dll", "1234"}, {".dll", ""},         {"AB99.DLL", "AB99.DLL"},
      {"AB99.Dll", "AB99.Dll"}, {"x.dll.dll", "x"},       {"..dlll.dll", ".l"}, {"a.dl.dll", "a.dl"},
  };
  for (const Case& c : cases) EXPECT_EQ(cards::CardNumberOfFileName(c.fileName), c.number) << c.fileName;
}

TEST(ExpiryText, OnRestartOnlyForExactlyZero) {
  struct Case {
    const char *expires, *expiresAt, *text;
  } cases[] = {
      {"0", "02:00", "on Restart"}, {"1", "03:30", "03:30"}, {"", "03:30", "03:30"},
      {"00", "7:5", "7:5"},         {"1", "", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(cards::ExpiryText(c.expires, c.expiresAt), c.text) << c.expires;
}

}  // namespace
