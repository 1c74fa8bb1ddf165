#include "storage/ini.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/fault.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "storage/ini_text.h"
#include "tests/unit/test_folder.h"

namespace {

using platform::FileOp;
using testing_support::TestFolder;

TEST(CIni, GetStringAnswersTheValueOrTheDefault) {
  TestFolder dir;
  dir.Write("Settings.ini", "[ConfigSetting]\r\nDEBUG=1\r\nEMPTY=\r\n[Other]\r\nDELAY=5\r\n");
  storage::CIni ini;
  ini.SetPath((dir / "Settings.ini").c_str());
  struct Case {
    const char* key;
    const char* defaultValue;
    const char* value;
  } cases[] = {
      {"DEBUG", "0", "1"},   {"debug", nullptr, "1"},  {"EMPTY", "x", ""},          {"DELAY", "3", "3"},
      {"MISSING", "d", "d"}, {"MISSING", nullptr, ""}, {nullptr, "raw  ", "raw  "}, {nullptr, nullptr, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ini.GetString(c.key, c.defaultValue), c.value) << (c.key ? c.key : "(null key)");
}

TEST(CIni, MissingFileOrNoPathGivesDefaults) {
  TestFolder dir;
  storage::CIni ini;
  EXPECT_EQ(ini.GetString("DEBUG", "0"), "0");
  ini.SetPath((dir / "none.ini").c_str());
  EXPECT_EQ(ini.GetString("DEBUG", "0"), "0");
  dir.Write("Settings.ini", "[ConfigSetting]\r\nDEBUG=1\r\n");
  ini.SetPath((dir / "Settings.ini").c_str());
  ini.SetPath(nullptr);
  EXPECT_EQ(ini.path(), "");
  EXPECT_EQ(ini.GetString("DEBUG", "0"), "0");
}

// Each try reads the whole file: a buffer grown by a fixed step made a value of 1 MiB
// cost 2,048 reads of it (47 s in the sanitizer build); doubling costs 13.
// On Windows the profile function's buffer doubles until the value is not cut; off
// Windows our engine reads the file once and takes the whole value, however long.
TEST(CIni, LongValuesAreReadWhole) {
  for (const std::size_t length : {510, 511, 1022, 1023, 3000, 1024 * 1024}) {
    TestFolder dir;
    const std::string value(length, 'v');
    dir.Write("Settings.ini", "[ConfigSetting]\r\nLONG=" + value + "\r\n");
    storage::CIni ini;
    ini.SetPath((dir / "Settings.ini").c_str());
    int opens = 0;
    platform::ScopedFaultHook hook([&](FileOp op, const std::string&) {
      opens += op == FileOp::Open;
      return false;
    });
    EXPECT_EQ(ini.GetString("LONG", ""), value) << length;
#ifndef _WIN32
    // The profile function's own file access cannot be counted.
    EXPECT_EQ(opens, 1) << length;
#endif
  }
}

TEST(CIni, WriteStringCreatesFileSectionAndKey) {
  TestFolder dir;
  storage::CIni ini;
  ini.SetPath((dir / "Settings.ini").c_str());
  ini.WriteString("DEBUG", "1");
  ini.WriteString("DELAY", nullptr);
  ini.WriteString("DEBUG", "0");
  EXPECT_EQ(dir.Read("Settings.ini"), "[ConfigSetting]\r\nDEBUG=0\r\nDELAY=\r\n");
  EXPECT_EQ(ini.GetString("DEBUG", "x"), "0");
  EXPECT_EQ(ini.GetString("DELAY", "x"), "");
}

TEST(CIni, WriteStringKeepsOtherSectionsAndLines) {
  TestFolder dir;
  dir.Write("Settings.ini", "[Other]\r\nA=1\r\n[ConfigSetting]\r\nDEBUG=0\r\nDELAY=3\r\n");
  storage::CIni ini;
  ini.SetPath((dir / "Settings.ini").c_str());
  ini.WriteString("DEBUG", "1");
  EXPECT_EQ(dir.Read("Settings.ini"), "[Other]\r\nA=1\r\n[ConfigSetting]\r\nDEBUG=1\r\nDELAY=3\r\n");
}

TEST(CIni, BadWritesRaiseAndChangeNothing) {
  TestFolder dir;
  const std::string old = "[ConfigSetting]\r\nDEBUG=0\r\n";
  dir.Write("Settings.ini", old);
  storage::CIni ini;
  ini.SetPath((dir / "Settings.ini").c_str());
  EXPECT_THROW(ini.WriteString("DEBUG", "1\r\nHOST=evil"), storage::IniValueError);
  EXPECT_THROW(ini.WriteString(nullptr, "1"), storage::IniValueError);
  EXPECT_EQ(dir.Read("Settings.ini"), old);

  storage::CIni nowhere;
  EXPECT_THROW(nowhere.WriteString("DEBUG", "1"), platform::FileError);
  storage::CIni missingFolder;
  missingFolder.SetPath((dir / "no-such-folder" + platform::PathSeparator() + "Settings.ini").c_str());
  EXPECT_THROW(missingFolder.WriteString("DEBUG", "1"), platform::FileError);
}

}  // namespace
