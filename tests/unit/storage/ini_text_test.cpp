#include "storage/ini_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using storage::IniGetString;
using storage::IniValueError;
using storage::IniWriteString;

// The engine's answers that the Windows build checks against the real profile
// functions (tests/diff); here they guard the native build.
TEST(IniGetString, AnswersAsTheProfileFunction) {
  const std::string text =
      "; comment\r\n"
      "orphan=1\r\n"
      "[Settings]\r\n"
      "HOST=abc\r\n"
      "  spaced  =  a b  \r\n"
      "quoted=\"q v\"\r\n"
      "single='s'\r\n"
      "half=\"h\r\n"
      "eq=a=b\r\n"
      "bare\r\n"
      "empty=\r\n"
      "host=second\r\n"
      "[Other]\r\n"
      "HOST=other\r\n"
      "[settings]\r\n"
      "late=1\r\n";
  struct Case {
    const char* section;
    const char* key;
    const char* defaultValue;
    std::size_t size;
    const char* value;
  } cases[] = {
      {"Settings", "HOST", "", 1024, "abc"},
      {"SETTINGS", "host", "", 1024, "abc"},      // names ignore case; the first key wins
      {" Settings ", " HOST ", "", 1024, "abc"},  // the asked names are trimmed
      {"Settings", "spaced", "", 1024, "a b"},
      {"Settings", "quoted", "", 1024, "q v"},
      {"Settings", "single", "", 1024, "s"},
      {"Settings", "half", "", 1024, "\"h"},
      {"Settings", "eq", "", 1024, "a=b"},
      {"Settings", "bare", "d", 1024, "d"},  // a line without '=' has no value
      {"Settings", "empty", "d", 1024, ""},
      {"Settings", "late", "d", 1024, "d"},  // a repeated section is not searched
      {"Settings", "missing", "d", 1024, "d"},
      {"Missing", "HOST", "d", 1024, "d"},
      {"Settings", "orphan", "d", 1024, "d"},  // keys before any section belong to none
      {"Other", "HOST", "", 1024, "other"},
      {"Settings", "HOST", "", 3, "ab"},  // cut to size - 1
      {"Settings", "HOST", "", 1, ""},
      {"Settings", "HOST", "", 0, ""},
      {"Settings", "missing", "dflt   ", 1024, "dflt"},  // trailing blanks of the default go
      {"Settings", "missing", "\"qd\"", 1024, "qd"},
      {"Settings", "quoted", "", 3, "q "},  // unquoted before the cut
  };
  for (const Case& c : cases) {
    const storage::IniLookup r = IniGetString(text, c.section, c.key, c.defaultValue, c.size);
    EXPECT_EQ(r.value, c.value) << c.section << "/" << c.key << " size " << c.size;
    EXPECT_EQ(r.copied, r.value.size()) << c.section << "/" << c.key;
  }
}

TEST(IniGetString, LineBreaksOfEveryKind) {
  for (const char* text :
       {"[s]\r\nk=1\r\nj=2", "[s]\nk=1\nj=2\n", "[s]\rk=1\rj=2\r", "\r\n\r\n[s]\r\n\r\nk=1\r\n\r\nj=2\r\n"}) {
    EXPECT_EQ(IniGetString(text, "s", "k", "", 64).value, "1") << text;
    EXPECT_EQ(IniGetString(text, "s", "j", "", 64).value, "2") << text;
  }
}

TEST(IniWriteString, WritesTheBytesWindowsWrites) {
  struct Case {
    const char* label;
    std::string text;
    const char* section;
    const char* key;
    const char* value;
    std::string expected;
  } cases[] = {
      {"new file", "", "Settings", "HOST", "abc", "[Settings]\r\nHOST=abc\r\n"},
      {"replace", "[s]\r\nk=1\r\nj=2\r\n", "s", "k", "9", "[s]\r\nk=9\r\nj=2\r\n"},
      {"replace keeps the file's spelling", "[s]\r\nKey=1\r\n", "S", "KEY", "9", "[s]\r\nKey=9\r\n"},
      {"new key after the last entry", "[a]\r\nk=1\r\n\r\n[b]\r\nk=2\r\n", "a", "n", "3",
       "[a]\r\nk=1\r\nn=3\r\n\r\n[b]\r\nk=2\r\n"},
      {"new key after a comment", "[a]\r\nk=1\r\n;note\r\n[b]\r\n", "a", "n", "3",
       "[a]\r\nk=1\r\n;note\r\nn=3\r\n[b]\r\n"},
      {"new key in a section without keys", "[a]\r\n\r\n[b]\r\n", "a", "n", "3", "[a]\r\nn=3\r\n\r\n[b]\r\n"},
      {"new section at the end", "[a]\r\nk=1\r\n", "b", "n", "3", "[a]\r\nk=1\r\n[b]\r\nn=3\r\n"},
      {"unended last line", "[a]\r\nk=1", "a", "n", "3", "[a]\r\nk=1\r\nn=3\r\n"},
      {"unended last line, new section", "[a]\r\nk=1", "b", "n", "3", "[a]\r\nk=1\r\n[b]\r\nn=3\r\n"},
      {"other lines keep their bytes", "[a]\n  x = 1 \nk=1\n\n[b]\n", "a", "k", "2", "[a]\n  x = 1 \nk=2\r\n\n[b]\n"},
      {"same value changes nothing", "[a]\n k = 1 \n", "a", "k", "1", "[a]\n k = 1 \n"},
      {"leading blanks of the value go", "[a]\r\n", "a", "k", "  v  ", "[a]\r\nk=v  \r\n"},
      {"empty value", "[a]\r\nk=1\r\n", "a", "k", "", "[a]\r\nk=\r\n"},
      {"repeated section: the first is edited", "[a]\r\nk=1\r\n[a]\r\nj=2\r\n", "a", "j", "3",
       "[a]\r\nk=1\r\nj=3\r\n[a]\r\nj=2\r\n"},
      {"empty section name", "", "", "k", "v", "[]\r\nk=v\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(IniWriteString(c.text, c.section, c.key, c.value), c.expected) << c.label;
}

TEST(IniWriteString, WhatItWritesReadsBack) {
  std::string text;
  const char* keys[] = {"HOST", "LocalPassword", "SERVER", "RDGATEWAY"};
  for (const char* key : keys) text = IniWriteString(text, "Settings", key, std::string(key) + " value");
  text = IniWriteString(text, "Other", "HOST", "x");
  text = IniWriteString(text, "Settings", "HOST", "changed");
  EXPECT_EQ(text,
            "[Settings]\r\nHOST=changed\r\nLocalPassword=LocalPassword value\r\nSERVER=SERVER value\r\n"
            "RDGATEWAY=RDGATEWAY value\r\n[Other]\r\nHOST=x\r\n");
  for (const char* key : {"LocalPassword", "SERVER", "RDGATEWAY"})
    EXPECT_EQ(IniGetString(text, "Settings", key, "", 1024).value, std::string(key) + " value");
}

TEST(IniWriteString, RefusesWhatWouldBreakTheLines) {
  const std::string text = "[s]\r\nk=1\r\n";
  struct Case {
    const char* section;
    const char* key;
    std::string value;
  } cases[] = {
      {"s", "k", "1\r\nINJECTED=1"},
      {"s", "k", "a\nb"},
      {"s", "k", "a\rb"},
      {"s", "k", std::string("a\0b", 3)},
      {"s", "k\n", "v"},
      {"s\r\n[x]", "k", "v"},
      // Keys that would read back as another key, or as a section header.
      {"s", "k=x", "v"},
      {"s", "=", "v"},
      {"s", "[x]", "v"},
      {"s", " \t[x", "y]"},
  };
  for (const Case& c : cases) {
    try {
      IniWriteString(text, c.section, c.key, c.value);
      ADD_FAILURE() << "accepted " << c.key << " = " << c.value;
    } catch (const IniValueError& e) {
      EXPECT_FALSE(std::string(e.what()).empty());
    }
  }
  // Allowed: "=" and brackets inside a value, "[" later in a key.
  EXPECT_EQ(IniWriteString(text, "s", "a[1]", "x=[y]"), "[s]\r\nk=1\r\na[1]=x=[y]\r\n");
}

}  // namespace
