#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#include <sddl.h>
#else
#include <sys/stat.h>
#endif

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
      {"*.dll", "1234.dll", true},
      {"*.dll", "AB99.DLL", true},
      {"*.dll", ".dll", true},
      {"*.dll", "12.dll34.dll", true},
      {"*.dll", "1234.dll.tmp", false},
      {"*.dll", "1234.dl", false},
      {"*.dll", "dll", false},
      {"a?c", "abc", true},
      {"a?c", "ac", false},
      {"*", "", true},
      {"**x", "x", true},
      {"*a*b", "xaxxb", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(platform::WildcardMatch(c.pattern, c.name), c.match) << c.pattern << " " << c.name;
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
    EXPECT_THROW(platform::ReplaceFileContent(dir / "a.ini", "new"), platform::FileError)
        << platform::FileOpName(failing);
    EXPECT_EQ(dir.Read("a.ini"), "old") << platform::FileOpName(failing);
    EXPECT_EQ(dir.Listing(), "a.ini") << platform::FileOpName(failing);
  }
}

#ifndef _WIN32
int ModeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

// The protection of a card file is all that guards its password.
TEST(ReplaceFileContent, KeepsTheFileMode) {
  for (const int mode : {0600, 0640, 0644, 0400}) {
    TestFolder dir;
    dir.Write("card.dll", "old");
    ASSERT_EQ(::chmod((dir / "card.dll").c_str(), mode), 0);
    platform::ReplaceFileContent(dir / "card.dll", "new");
    EXPECT_EQ(ModeOf(dir / "card.dll"), mode) << std::oct << mode;
    EXPECT_EQ(dir.Read("card.dll"), "new");
  }
}
#else
std::string DaclOf(const std::string& path) {
  char buffer[4096];
  DWORD needed = 0;
  if (!GetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, buffer, sizeof buffer, &needed)) return "error";
  char* text = nullptr;
  if (!ConvertSecurityDescriptorToStringSecurityDescriptorA(buffer, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text,
                                                            nullptr))
    return "error";
  std::string result = text;
  LocalFree(text);
  return result;
}

// ReplaceFileA keeps what a rename of a fresh file would lose: the file's own access
// list and its attributes.
TEST(ReplaceFileContent, KeepsTheSecurityDescriptorAndAttributes) {
  TestFolder dir;
  const std::string path = dir / "card.dll";
  dir.Write("card.dll", "old");
  // The file's own list: what a new file of the folder gets, with the entry for
  // everyone taken out (or, where there is none, put in). Wine keeps a file's list as
  // its Unix mode, so the change must be one the mode can hold.
  const std::string fresh = DaclOf(path);
  ASSERT_EQ(fresh.rfind("D:", 0), 0u) << fresh;
  std::string own = "D:P";
  bool everyone = false;
  for (std::size_t at = fresh.find('('); at != std::string::npos; at = fresh.find('(', at + 1)) {
    const std::string ace = fresh.substr(at, fresh.find(')', at) - at + 1);
    if (ace.size() > 4 && ace.compare(ace.size() - 4, 4, ";WD)") == 0) {
      everyone = true;
    } else {
      own += ace;
    }
  }
  if (!everyone) own += "(A;;FR;;;WD)";
  PSECURITY_DESCRIPTOR sd = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(own.c_str(), SDDL_REVISION_1, &sd, nullptr)) << own;
  ASSERT_TRUE(SetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, sd));
  LocalFree(sd);
  const std::string dacl = DaclOf(path);
  ASSERT_NE(dacl, fresh) << "the file's own access list did not take";
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  platform::ReplaceFileContent(path, "new");
  EXPECT_EQ(dir.Read("card.dll"), "new");
  EXPECT_EQ(DaclOf(path), dacl);
  EXPECT_EQ(GetFileAttributesA(path.c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE),
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}
#endif

// Whatever someone plants where the sibling is about to be made (a link to another
// file, a file of their own) is never written through, truncated or taken over: the
// sibling is created exclusively under the next name of its own.
TEST(ReplaceFileContent, NeverWritesThroughWhatIsPlantedAtTheSiblingName) {
  enum class Plant { File, LinkToVictim };
  std::vector<Plant> plants = {Plant::File};
#ifndef _WIN32
  plants.push_back(Plant::LinkToVictim);
#endif
  for (const Plant plant : plants) {
    TestFolder dir;
    dir.Write("card.dll", "old");
    dir.Write("victim", "precious");
    dir.Write("card.dll.tmp", "planted at the old fixed name");
    std::vector<std::string> planted;
    platform::ScopedFaultHook hook([&](FileOp op, const std::string& path) {
      if (op == FileOp::Open && planted.empty()) {
        planted.push_back(path);
        if (plant == Plant::File)
          dir.Write(path.substr(dir.path().size()), "planted");
        else
          std::filesystem::create_symlink(dir / "victim", path);
      }
      return false;
    });
    platform::ReplaceFileContent(dir / "card.dll", "new");
    ASSERT_EQ(planted.size(), 1u);
    EXPECT_EQ(dir.Read("card.dll"), "new");
    EXPECT_EQ(dir.Read("victim"), "precious");
    EXPECT_EQ(dir.Read("card.dll.tmp"), "planted at the old fixed name");
    EXPECT_FALSE(std::filesystem::is_symlink(dir / "card.dll"));
    EXPECT_EQ(dir.Listing(), "card.dll " + planted[0].substr(dir.path().size()) + " card.dll.tmp victim");
  }
}

TEST(ReadWholeFileUpTo, GivesNothingForALargerFile) {
  TestFolder dir;
  dir.Write("a", std::string(100, 'x'));
  EXPECT_EQ(platform::ReadWholeFileUpTo(dir / "a", 100), std::string(100, 'x'));
  EXPECT_EQ(platform::ReadWholeFileUpTo(dir / "a", 99), std::nullopt);
}

// A second writer of the same file (here a thread, as a second process would) waits
// until the first has let go, and nothing is left behind in the folder.
TEST(RewriteLock, ASecondWriterWaitsForTheFirst) {
  TestFolder dir;
  std::atomic<bool> secondHasIt{false};
  std::thread second;
  {
    platform::RewriteLock first(dir / "SettingsHost.ini");
    second = std::thread([&] {
      platform::RewriteLock lock(dir / "SettingsHost.ini");
      secondHasIt = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(secondHasIt) << "two writers held the lock at once";
  }
  second.join();
  EXPECT_TRUE(secondHasIt);
  EXPECT_EQ(dir.Listing(), "");
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

// Another program appended since this one looked at the length: the append still lands
// after its bytes instead of over them.
TEST(SharedFile, AnAppendLandsAtTheEndAsItIsThen) {
  TestFolder dir;
  dir.Write("log", "head");
  platform::SharedFile ours(dir / "log");
  ASSERT_EQ(ours.Size(), 4u);
  platform::SharedFile(dir / "log").Append("THEIRS");
  ours.Append("ours");
  EXPECT_EQ(dir.Read("log"), "headTHEIRSours");
}

}  // namespace
