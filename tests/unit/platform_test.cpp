#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "platform/fault.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/wildcard.h"
#include "tests/unit/test_folder.h"

namespace {

using platform::FileOp;
using testing_support::TestFolder;

TEST(WildcardMatch, MatchesAsADirectorySearchDoes) {
  struct Case {
    const char* pattern;
    const char* name;
    bool match;
  } cases[] = {
      {"*.dll", "1234.dll", true},     {"*.dll", "AB99.DLL", true},    {"*.dll", ".dll", true},
      {"*.dll", "12.dll34.dll", true}, {"*.dll", "1234.dll.tmp", false}, {"*.dll", "1234.dl", false},
      {"*.dll", "dll", false},         {"a?c", "abc", true},           {"a?c", "ac", false},
      {"*", "", true},                 {"**x", "x", true},             {"*a*b", "xaxxb", true},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::WildcardMatch(c.pattern, c.name), c.match) << c.pattern << " " << c.name;
}

TEST(DirectoryOf, KeepsTheLastSeparator) {
  const std::string s(1, platform::PathSeparator());
  EXPECT_EQ(platform::DirectoryOf("C:" + s + "kiosk" + s + "app.exe"), "C:" + s + "kiosk" + s);
  EXPECT_EQ(platform::DirectoryOf("app.exe"), "app.exe");
  EXPECT_EQ(platform::DirectoryOf(s), s);
}

TEST(ReplaceFileContent, ReplacesWholeAndLeavesNoSibling) {
  TestFolder dir;
  dir.Write("a.ini", "old");
  platform::ReplaceFileContent(dir / "a.ini", "new content");
  EXPECT_EQ(dir.Read("a.ini"), "new content");
  EXPECT_EQ(dir.Listing(), "a.ini");
}

TEST(ReplaceFileContent, AFailureAtAnyStepKeepsTheOldFile) {
  for (FileOp failing : {FileOp::Open, FileOp::Write, FileOp::Flush, FileOp::Rename}) {
    TestFolder dir;
    dir.Write("a.ini", "old");
    platform::ScopedFaultHook hook([&](FileOp op, const std::string&) { return op == failing; });
    EXPECT_THROW(platform::ReplaceFileContent(dir / "a.ini", "new"), platform::FileError) << platform::FileOpName(failing);
    EXPECT_EQ(dir.Read("a.ini"), "old") << platform::FileOpName(failing);
    EXPECT_EQ(dir.Listing(), "a.ini") << platform::FileOpName(failing);
  }
}

TEST(ReadWholeFile, MissingFileNamesThePath) {
  TestFolder dir;
  try {
    platform::ReadWholeFile(dir / "missing.ini");
    FAIL() << "no error";
  } catch (const platform::FileError& e) {
    EXPECT_EQ(e.path(), dir / "missing.ini");
    EXPECT_NE(std::string(e.what()).find("missing.ini"), std::string::npos);
  }
}

TEST(ListDirectory, TellsFoldersFromFilesAndMissingFolderIsEmpty) {
  TestFolder dir;
  dir.Write("1.dll", "x");
  dir.Write("2.txt", "x");
  ASSERT_TRUE(platform::MakeDirectory(dir / "sub.dll"));
  auto entries = platform::ListDirectory(dir.path(), "*.dll");
  ASSERT_EQ(entries.size(), 2u);
  int folders = 0;
  for (const auto& e : entries) folders += e.isDirectory && e.name == "sub.dll";
  EXPECT_EQ(folders, 1);
  EXPECT_TRUE(platform::ListDirectory(dir / "none" + platform::PathSeparator(), "*.dll").empty());
}

#ifndef _WIN32
// A link counts as what it points to: a link to a folder is no card file.
TEST(ListDirectory, ALinkIsWhatItPointsTo) {
  TestFolder dir;
  dir.Write("file", "x");
  ASSERT_TRUE(platform::MakeDirectory(dir / "folder"));
  std::filesystem::create_symlink(dir / "file", dir / "to-file.dll");
  std::filesystem::create_directory_symlink(dir / "folder", dir / "to-folder.dll");
  std::map<std::string, bool> kinds;
  for (const auto& e : platform::ListDirectory(dir.path(), "*.dll")) kinds[e.name] = e.isDirectory;
  EXPECT_EQ(kinds, (std::map<std::string, bool>{{"to-file.dll", false}, {"to-folder.dll", true}}));
}
#endif

TEST(SharedFile, CreatesWithoutTruncatingAndWritesAtOffsets) {
  TestFolder dir;
  dir.Write("log", "abcdef");
  {
    platform::SharedFile f(dir / "log");
    EXPECT_EQ(f.Size(), 6u);
    f.WriteAt(6, "gh");
    char two[2];
    f.ReadAt(1, two, 2);
    EXPECT_EQ(std::string(two, 2), "bc");
    f.Truncate(3);
  }
  EXPECT_EQ(dir.Read("log"), "abc");
  platform::SharedFile created(dir / "new");
  EXPECT_EQ(created.Size(), 0u);
}

}  // namespace
