#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#include <sddl.h>
#else
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <future>
#endif

#include "platform/fault.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/sibling_names.h"
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

TEST(SiblingNames, FitTheNameLimitAndStayApart) {
  const std::string shortName = "1234.dll";
  EXPECT_EQ(platform::SiblingStem(shortName, 255), shortName);
  const std::string longA = std::string(240, 'a') + "1.dll", longB = std::string(240, 'a') + "2.dll";
  for (const std::string& name : {longA, longB}) {
    const std::string stem = platform::SiblingStem(name, 255);
    EXPECT_LE(stem.size() + platform::kSiblingSuffixRoom, 255u) << name;
    EXPECT_EQ(stem.compare(0, 200, name, 0, 200), 0) << "the stem begins as the name does: " << stem;
  }
  EXPECT_NE(platform::SiblingStem(longA, 255), platform::SiblingStem(longB, 255));
  EXPECT_EQ(platform::SiblingStem(longA, 255), platform::SiblingStem(longA, 255));
}

TEST(SiblingNames, TellALeftoverFromOtherFiles) {
  struct Case {
    const char* name;
    const char* stem;
    bool foldCase;
    bool sibling;
  } cases[] = {
      {"1234.dll.4711-0.tmp", "1234.dll", false, true},   {"1234.dll.4711-12.tmp", "1234.dll", true, true},
      {"1234.DLL.4711-0.tmp", "1234.dll", true, true},    {"1234.DLL.4711-0.tmp", "1234.dll", false, false},
      {"1234.dll.tmp", "1234.dll", false, false},         {"1234.dll.4711.tmp", "1234.dll", false, false},
      {"1234.dll.4711-.tmp", "1234.dll", false, false},   {"1234.dll.x-1.tmp", "1234.dll", false, false},
      {"1234.dll.1-2.tmp.dll", "1234.dll", false, false}, {"51234.dll.1-2.tmp", "1234.dll", false, false},
      {"1234.dll.1-2.tmp", "234.dll", false, false},      {"Settings.ini.9-3.tmp", "Settings.ini", false, true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(platform::IsSiblingName(c.name, c.stem, c.foldCase), c.sibling) << c.name << " of " << c.stem;
  EXPECT_EQ(platform::StemOfSiblingName("12.dll.3-4.tmp"), std::optional<std::string_view>("12.dll"));
  EXPECT_EQ(platform::StemOfSiblingName("12.dll"), std::nullopt);
}

// A writer killed between writing its sibling and the replace leaves the new secret
// beside the file; the next writer in the file's turn removes it, and only it.
TEST(ReplaceFileContent, RemovesWhatAKilledWriterLeftOfThatFile) {
  TestFolder dir;
  dir.Write("card.dll", "old");
  dir.Write("card.dll.4711-0.tmp", "left by a killed writer");
  dir.Write("card.dll.4711-1.tmp", "and another");
  dir.Write("card.dll.mine.tmp", "not a sibling name");
  dir.Write("other.dll.4711-0.tmp", "a sibling of another file");
  platform::ReplaceFileContent(dir / "card.dll", "new", platform::NewFile::Private);
  EXPECT_EQ(dir.Read("card.dll"), "new");
  EXPECT_EQ(dir.Listing(), "card.dll card.dll.mine.tmp other.dll.4711-0.tmp");
}

// A name near the file system's limit: the sibling's name is shortened to fit, and every
// message names the file, not the sibling.
TEST(ReplaceFileContent, AFileNameNearTheLimitIsRewritten) {
  TestFolder dir;
  const std::string name = dir.NameNearTheLimit('7');
  dir.Write(name, "old");
  platform::ReplaceFileContent(dir / name, "new", platform::NewFile::Private);
  EXPECT_EQ(dir.Read(name), "new");
  EXPECT_EQ(dir.Listing(), name);
  for (const FileOp failing : {FileOp::Write, FileOp::Flush, FileOp::Rename}) {
    platform::ScopedFaultHook hook([&](FileOp op, const std::string&) { return op == failing; });
    try {
      platform::ReplaceFileContent(dir / name, "newer", platform::NewFile::Private);
      ADD_FAILURE() << "no error";
    } catch (const platform::FileError& e) {
      EXPECT_EQ(e.path(), dir / name) << platform::FileOpName(failing);
      EXPECT_EQ(std::string(e.what()).find(".tmp"), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(dir.Read(name), "new");
  EXPECT_EQ(dir.Listing(), name);
}

TEST(ReplaceFileContent, ReplacesWholeAndLeavesNoSibling) {
  TestFolder dir;
  dir.Write("a.ini", "old");
  platform::ReplaceFileContent(dir / "a.ini", "new content", platform::NewFile::Shared);
  EXPECT_EQ(dir.Read("a.ini"), "new content");
  EXPECT_EQ(dir.Listing(), "a.ini");
}

TEST(ReplaceFileContent, AFailureAtAnyStepKeepsTheOldFile) {
  for (FileOp failing : {FileOp::Open, FileOp::Write, FileOp::Flush, FileOp::Rename}) {
    TestFolder dir;
    dir.Write("a.ini", "old");
    platform::ScopedFaultHook hook([&](FileOp op, const std::string&) { return op == failing; });
    EXPECT_THROW(platform::ReplaceFileContent(dir / "a.ini", "new", platform::NewFile::Shared), platform::FileError)
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
    platform::ReplaceFileContent(dir / "card.dll", "new", platform::NewFile::Private);
    EXPECT_EQ(ModeOf(dir / "card.dll"), mode) << std::oct << mode;
    EXPECT_EQ(dir.Read("card.dll"), "new");
  }
}

// A new file holding a secret is the owner's alone, whatever the umask; a plain one
// follows the umask as any new file; an existing one keeps its mode (above).
TEST(ReplaceFileContent, ANewFileGetsTheProtectionOfItsKind) {
  const mode_t umaskBefore = ::umask(022);
  struct Case {
    platform::NewFile kind;
    int mode;
  } cases[] = {{platform::NewFile::Private, 0600}, {platform::NewFile::Shared, 0644}};
  for (const Case& c : cases) {
    TestFolder dir;
    platform::ReplaceFileContent(dir / "new.ini", "content", c.kind);
    EXPECT_EQ(ModeOf(dir / "new.ini"), c.mode) << std::oct << c.mode;
  }
  ::umask(umaskBefore);
}

// A named pipe named like one of our files is refused at once instead of waited on.
TEST(NonRegularFiles, AreRefusedWithoutWaiting) {
  TestFolder dir;
  ASSERT_EQ(::mkfifo((dir / "SettingsHost.ini").c_str(), 0600), 0);
  struct Case {
    const char* what;
    std::function<void()> call;
  } cases[] = {
      {"ReadWholeFile", [&] { platform::ReadWholeFile(dir / "SettingsHost.ini"); }},
      {"ReadWholeFileUpTo", [&] { platform::ReadWholeFileUpTo(dir / "SettingsHost.ini", 1024); }},
      {"ReadOnlyFile", [&] { platform::ReadOnlyFile file(dir / "SettingsHost.ini"); }},
      {"ReplaceFileContent",
       [&] { platform::ReplaceFileContent(dir / "SettingsHost.ini", "x", platform::NewFile::Private); }},
  };
  for (const Case& c : cases) {
    auto done = std::async(std::launch::async, [&] {
      try {
        c.call();
        return std::string("no error");
      } catch (const platform::FileError& e) {
        return std::string(e.what());
      }
    });
    if (done.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
      // Let the waiting call go, so that the test can end and say so.
      const int writer = ::open((dir / "SettingsHost.ini").c_str(), O_WRONLY | O_NONBLOCK);
      if (writer >= 0) ::close(writer);
      ADD_FAILURE() << c.what << " waits on the pipe";
    }
    const std::string message = done.get();
    EXPECT_NE(message.find("not a regular file"), std::string::npos) << c.what << ": " << message;
  }
  platform::TouchFile(dir / "SettingsHost.ini");  // a touch neither waits
}

// The writer runs as another user, as a member of the file's group or not: the file
// keeps its group, or is refused when its group could not be kept.
TEST(ReplaceFileContent, KeepsTheGroupOrRefuses) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  constexpr uid_t kOwner = 4242, kWriter = 4343;
  constexpr gid_t kFileGroup = 4444, kWriterGroup = 4545;
  struct Case {
    const char* what;
    bool writerInFileGroup;
    int mode;
    bool replaced;
  } cases[] = {
      {"a member of the file's group", true, 0660, true},
      {"no member, the group may read what others may not", false, 0660, false},
      {"no member, the group has what others have", false, 0666, true},
  };
  for (const Case& c : cases) {
    TestFolder dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    dir.Write("card.dll", "old");
    const std::string path = dir / "card.dll";
    ASSERT_EQ(::chown(path.c_str(), kOwner, kFileGroup), 0);
    ASSERT_EQ(::chmod(path.c_str(), c.mode), 0);
    const pid_t child = ::fork();
    if (child == 0) {
      const gid_t groups[] = {kWriterGroup, kFileGroup};
      if (::setgroups(c.writerInFileGroup ? 2 : 1, groups) != 0 || ::setgid(kWriterGroup) != 0 ||
          ::setuid(kWriter) != 0)
        ::_exit(3);
      try {
        platform::ReplaceFileContent(path, "new", platform::NewFile::Private);
        ::_exit(0);
      } catch (const platform::FileError& e) {
        ::_exit(std::string(e.what()).find("group") != std::string::npos ? 1 : 2);
      }
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << c.what;
    EXPECT_EQ(WEXITSTATUS(status), c.replaced ? 0 : 1) << c.what;
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(dir.Read("card.dll"), c.replaced ? "new" : "old") << c.what;
    if (c.writerInFileGroup) {
      EXPECT_EQ(st.st_gid, kFileGroup) << c.what;
    }
    EXPECT_EQ(static_cast<int>(st.st_mode & 07777), c.mode) << c.what;
    EXPECT_EQ(dir.Listing(), "card.dll") << c.what;
  }
}

// An access list giving the service's account its own entry is carried over.
TEST(ReplaceFileContent, CarriesTheAccessListOver) {
  TestFolder dir;
  dir.Write("card.dll", "old");
  const std::string path = dir / "card.dll";
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  // The kernel's form of "user::rw-, user:4242:r--, group::r--, mask::r--, other::---".
  struct Entry {
    std::uint16_t tag, perm;
    std::uint32_t id;
  };
  const Entry entries[] = {
      {0x01, 6, 0xFFFFFFFFu}, {0x02, 4, 4242}, {0x04, 4, 0xFFFFFFFFu}, {0x10, 4, 0xFFFFFFFFu}, {0x20, 0, 0xFFFFFFFFu}};
  std::string list(4, '\0');
  list[0] = 2;  // version
  for (const Entry& e : entries) list.append(reinterpret_cast<const char*>(&e), sizeof e);
  if (::setxattr(path.c_str(), "system.posix_acl_access", list.data(), list.size(), 0) != 0)
    GTEST_SKIP() << "no access lists here: " << std::strerror(errno);
  platform::ReplaceFileContent(path, "new", platform::NewFile::Private);
  std::string kept(256, '\0');
  const ssize_t n = ::getxattr(path.c_str(), "system.posix_acl_access", kept.data(), kept.size());
  ASSERT_GT(n, 0) << "the access list was dropped";
  kept.resize(static_cast<std::size_t>(n));
  EXPECT_EQ(kept, list);
  EXPECT_EQ(ModeOf(path), 0640);
  EXPECT_EQ(dir.Read("card.dll"), "new");
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
  platform::ReplaceFileContent(path, "new", platform::NewFile::Private);
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
    platform::ReplaceFileContent(dir / "card.dll", "new", platform::NewFile::Private);
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

#ifdef _WIN32
// Writers meet whichever form of the folder's name they use: its long name, its short
// name (a '~' in it), in any case; the file itself made or not yet.
TEST(RewriteLock, WritersMeetByTheLongOrShortNameOfTheFolder) {
  TestFolder dir;
  const std::string longFolder = dir / "a folder with a long name";
  ASSERT_TRUE(CreateDirectoryA(longFolder.c_str(), nullptr));
  char shortName[MAX_PATH];
  const DWORD n = GetShortPathNameA(longFolder.c_str(), shortName, sizeof shortName);
  ASSERT_TRUE(n > 0 && n < sizeof shortName);
  const std::string shortFolder(shortName, n);
  ASSERT_NE(shortFolder.find('~'), std::string::npos) << shortFolder;
  std::string upper = longFolder;
  CharUpperBuffA(&upper[0], static_cast<DWORD>(upper.size()));
  for (const bool fileExists : {false, true}) {
    if (fileExists) dir.Write("a folder with a long name/Settings.ini", "[s]\r\n");
    for (const std::string& other : {shortFolder, upper}) {
      std::atomic<bool> secondHasIt{false};
      std::thread second;
      {
        platform::RewriteLock first(longFolder + "\\Settings.ini");
        second = std::thread([&] {
          platform::RewriteLock lock(other + "\\Settings.ini");
          secondHasIt = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_FALSE(secondHasIt) << other << (fileExists ? ", the file made" : ", no file yet");
      }
      second.join();
      EXPECT_TRUE(secondHasIt);
    }
  }
}
#endif

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

// A handle that appends puts every write at the end, even one made after another
// handle wrote past the length it saw, and refuses a write at an offset, which the
// system would put at the end instead.
TEST(SharedFile, AHandleThatAppendsWritesOnlyAtTheEnd) {
  TestFolder dir;
  dir.Write("log", "head");
  platform::SharedFile ours(dir / "log", platform::SharedFile::Writes::AtTheEndOnly);
  ASSERT_EQ(ours.Size(), 4u);
  platform::SharedFile(dir / "log").WriteAt(4, "THEIRS");
  ours.Append("ours");
  EXPECT_THROW(ours.WriteAt(0, "over"), std::logic_error);
  EXPECT_EQ(dir.Read("log"), "headTHEIRSours");
}

// Which holds of two handles of one file wait for each other. Appenders share theirs
// where the system appends whole (POSIX); under Wine they must not.
TEST(SharedFile, HoldsToRewriteWaitForEveryOtherHold) {
  enum Hold { ToAppend, ToRewrite };
#ifdef _WIN32
  constexpr bool kAppendersShare = false;
#else
  constexpr bool kAppendersShare = true;
#endif
  struct Case {
    Hold first, second;
    bool waits;
  } cases[] = {
      {ToAppend, ToAppend, !kAppendersShare},
      {ToAppend, ToRewrite, true},
      {ToRewrite, ToAppend, true},
      {ToRewrite, ToRewrite, true},
  };
  auto take = [](platform::SharedFile& f, Hold hold) { hold == ToAppend ? f.HoldToAppend() : f.HoldToRewrite(); };
  for (const Case& c : cases) {
    TestFolder dir;
    auto first = std::make_unique<platform::SharedFile>(dir / "log");
    take(*first, c.first);
    std::atomic<bool> held{false};
    std::thread second([&] {
      platform::SharedFile f(dir / "log");
      take(f, c.second);
      held = true;
    });
    if (c.waits) {
      // Time for a hold that wrongly did not wait to be taken.
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    } else {
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (!held && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(held.load(), !c.waits) << c.first << " then " << c.second;
    first.reset();  // closing the handle gives its hold back
    second.join();
    EXPECT_TRUE(held.load());
  }
}

}  // namespace
