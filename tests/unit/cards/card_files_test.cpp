#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "cards/card_files.h"
#include "platform/fault.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "storage/ini_text.h"
#include "tests/unit/cards/card_fixture.h"

namespace {

using card_fixture::CardText;
using card_fixture::MakeCard;
using platform::FileOp;
using testing_support::TestFolder;

std::vector<std::string> FileNames(const std::vector<cards::CardFile>& list) {
  std::vector<std::string> names;
  for (const cards::CardFile& c : list) names.push_back(c.fileName);
  return names;
}

TEST(EnumerateCards, ListsCardFilesInDirectoryOrderAndSkipsFolders) {
  TestFolder dir;
  MakeCard(dir, "ABCDEF.dll", "alice", "a-pw");
  MakeCard(dir, "12.dll34.dll", "bob", "b-pw");
  MakeCard(dir, ".dll", "carol", "");
  MakeCard(dir, "AB99.DLL", "dave", "d-pw");
  dir.Write("readme.txt", "not a card");
  dir.Write("9999.dll.tmp", "not a card");
  ASSERT_TRUE(platform::MakeDirectory(dir / "x.dll"));

  const std::vector<cards::CardFile> list = cards::EnumerateCards(dir.path());
  std::vector<std::string> directoryOrder;
  for (const auto& e : platform::ListDirectory(dir.path(), "*.dll")) {
    if (!e.isDirectory) directoryOrder.push_back(e.name);
  }
  EXPECT_EQ(FileNames(list), directoryOrder);
  ASSERT_EQ(list.size(), 4u);

  struct Expected {
    const char *fileName, *number, *mask, *user, *password;
  } expected[] = {
      {"ABCDEF.dll", "ABCDEF", "ABXXXXEF", "alice", "a-pw"},
      {"12.dll34.dll", "1234", "12XXXX34", "bob", "b-pw"},
      {".dll", "", "", "carol", ""},
      {"AB99.DLL", "AB99.DLL", "ABXXXXLL", "dave", "d-pw"},
  };
  for (const Expected& e : expected) {
    const auto it = std::find_if(list.begin(), list.end(), [&](const cards::CardFile& c) { return c.fileName == e.fileName; });
    ASSERT_NE(it, list.end()) << e.fileName;
    EXPECT_EQ(it->path, dir / e.fileName);
    EXPECT_EQ(it->number, e.number) << e.fileName;
    EXPECT_EQ(it->mask, e.mask) << e.fileName;
    EXPECT_EQ(it->user, e.user) << e.fileName;
    EXPECT_EQ(it->password, e.password) << e.fileName;
    EXPECT_EQ(it->readError, "") << e.fileName;
  }
}

TEST(EnumerateCards, ReadsEachCardFileOnceForBothKeys) {
  // One reading per card: the account shown is that of one version of the file, even
  // when the card is rewritten between the two keys.
  TestFolder dir;
  MakeCard(dir, "1111.dll", "alice", "a-pw");
  MakeCard(dir, "2222.dll", "bob", "b-pw");
  std::map<std::string, int> opens;
  std::vector<cards::CardFile> list;
  {
    platform::ScopedFaultHook hook([&](FileOp op, const std::string& path) {
      opens[path] += op == FileOp::Open;
      return false;
    });
    list = cards::EnumerateCards(dir.path());
  }
  EXPECT_EQ(opens, (std::map<std::string, int>{{dir / "1111.dll", 1}, {dir / "2222.dll", 1}}));
  ASSERT_EQ(list.size(), 2u);
  for (const cards::CardFile& card : list)
    EXPECT_EQ(card.user + "/" + card.password, card.number == "1111" ? "alice/a-pw" : "bob/b-pw");
}

TEST(EnumerateCards, AMissingOrEmptyFolderHasNoCards) {
  TestFolder dir;
  EXPECT_TRUE(cards::EnumerateCards(dir.path()).empty());
  EXPECT_TRUE(cards::EnumerateCards(dir / "missing" + platform::PathSeparator()).empty());
  ASSERT_TRUE(platform::MakeDirectory(dir / "only.dll"));
  EXPECT_TRUE(cards::EnumerateCards(dir.path()).empty());
}

TEST(EnumerateCards, AFileThatDoesNotDecipherHasAnEmptyAccount) {
  TestFolder dir;
  dir.Write("5555.dll", "garbage that is no cipher text");
  dir.Write("6666.dll", "");
  const auto list = cards::EnumerateCards(dir.path());
  ASSERT_EQ(list.size(), 2u);
  for (const auto& c : list) {
    EXPECT_EQ(c.user + c.password, "") << c.fileName;
    EXPECT_EQ(c.readError, "") << c.fileName;
  }
}

TEST(EnumerateCards, ACardThatCannotBeReadIsListedEmptyAndTheOthersAreRead) {
  for (const FileOp failing : {FileOp::Open, FileOp::Read}) {
    const char* failingKey = platform::FileOpName(failing);
    TestFolder dir;
    MakeCard(dir, "1111.dll", "u1", "p1");
    MakeCard(dir, "2222.dll", "u2", "p2");
    MakeCard(dir, "3333.dll", "u3", "p3");
    platform::ScopedFaultHook hook([&](FileOp op, const std::string& path) { return op == failing && path == dir / "2222.dll"; });
    const auto list = cards::EnumerateCards(dir.path());
    ASSERT_EQ(list.size(), 3u) << failingKey;
    for (const auto& c : list) {
      if (c.fileName == "2222.dll") {
        EXPECT_EQ(c.user + c.password, "") << failingKey;
        EXPECT_NE(c.readError.find("2222.dll"), std::string::npos) << c.readError;
        EXPECT_EQ(c.mask, "22XXXX22");
      } else {
        EXPECT_EQ(c.user, "u" + c.number.substr(0, 1)) << c.fileName;
        EXPECT_EQ(c.readError, "");
      }
    }
  }
}

TEST(RewriteCardAccount, WritesUserThenPasswordAndKeepsTheRest) {
  TestFolder dir;
  storage::CCryptIni file;
  file.m_strFileName = dir / "4242.dll";
  file.Write("S-1-5-21", "SID", "Card");
  file.Write("7", "SLOT", "Settings");
  cards::RewriteCardAccount(dir / "4242.dll", "newuser", "newpw");
  const std::string text = CardText(dir, "4242.dll");
  EXPECT_EQ(storage::IniGetString(text, "Card", "SID", "?", 1024).value, "S-1-5-21");
  EXPECT_EQ(storage::IniGetString(text, "Settings", "SLOT", "?", 1024).value, "7");
  EXPECT_EQ(storage::IniGetString(text, "Settings", "USER", "?", 1024).value, "newuser");
  EXPECT_EQ(storage::IniGetString(text, "Settings", "PASSWORD", "?", 1024).value, "newpw");
  EXPECT_LT(text.find("USER="), text.find("PASSWORD=")) << text;
}

TEST(RewriteCardAccount, AnEmptyPasswordIsStoredAsAnEmptyValue) {
  TestFolder dir;
  MakeCard(dir, "1.dll", "u", "old");
  cards::RewriteCardAccount(dir / "1.dll", "u", "");
  const std::string text = CardText(dir, "1.dll");
  EXPECT_EQ(storage::IniGetString(text, "Settings", "PASSWORD", "<missing>", 1024).value, "");
  EXPECT_NE(text.find("PASSWORD="), std::string::npos);
}

TEST(RewriteCardAccount, NeverCreatesACard) {
  TestFolder dir;
  EXPECT_THROW(cards::RewriteCardAccount(dir / "gone.dll", "u", "p"), platform::FileError);
  ASSERT_TRUE(platform::MakeDirectory(dir / "folder.dll"));
  EXPECT_THROW(cards::RewriteCardAccount(dir / "folder.dll", "u", "p"), platform::FileError);
  EXPECT_EQ(dir.Listing(), "folder.dll");
}

TEST(RewriteCardAccount, ALineBreakIsRefusedAndTheCardIsUnchanged) {
  TestFolder dir;
  MakeCard(dir, "1.dll", "u", "p");
  const std::string before = dir.Read("1.dll");
  EXPECT_THROW(cards::RewriteCardAccount(dir / "1.dll", "u\r\nPASSWORD=x", "p"), storage::IniValueError);
  EXPECT_EQ(dir.Read("1.dll"), before);
}

TEST(RewriteCardAccount, AFailedWriteRaisesAndKeepsTheFile) {
  TestFolder dir;
  MakeCard(dir, "1.dll", "u", "p");
  const std::string before = dir.Read("1.dll");
  platform::ScopedFaultHook hook([](FileOp op, const std::string&) { return op == FileOp::Rename; });
  EXPECT_THROW(cards::RewriteCardAccount(dir / "1.dll", "v", "q"), platform::FileError);
  EXPECT_EQ(dir.Read("1.dll"), before);
}

TEST(DeleteCard, DeletesThatFileOnly) {
  TestFolder dir;
  MakeCard(dir, "1.dll", "u", "p");
  MakeCard(dir, "2.dll", "u", "p");
  EXPECT_TRUE(cards::DeleteCard(dir / "1.dll"));
  EXPECT_EQ(dir.Listing(), "2.dll");
  EXPECT_FALSE(cards::DeleteCard(dir / "1.dll"));
}

TEST(DeleteAllCards, DeletesEveryCardFileAndLeavesFolders) {
  TestFolder dir;
  MakeCard(dir, "1.dll", "u", "p");
  MakeCard(dir, "2.DLL", "u", "p");
  dir.Write("keep.txt", "x");
  ASSERT_TRUE(platform::MakeDirectory(dir / "x.dll"));
  const cards::CardReset reset = cards::DeleteAllCards(dir.path());
  EXPECT_EQ(reset.found, 2);
  EXPECT_TRUE(reset.notDeleted.empty());
  EXPECT_EQ(dir.Listing(), "keep.txt x.dll");
}

TEST(DeleteAllCards, NothingToClear) {
  TestFolder dir;
  EXPECT_EQ(cards::DeleteAllCards(dir.path()).found, 0);
  EXPECT_EQ(cards::DeleteAllCards(dir / "missing" + platform::PathSeparator()).found, 0);
}

TEST(DeleteAllCards, ACardThatCannotBeDeletedStillCountsAndIsNamed) {
  TestFolder dir;
  MakeCard(dir, "1.dll", "u", "p");
  MakeCard(dir, "2.dll", "u", "p");
  platform::ScopedFaultHook hook([&](FileOp op, const std::string& path) { return op == FileOp::Delete && path == dir / "2.dll"; });
  const cards::CardReset reset = cards::DeleteAllCards(dir.path());
  EXPECT_EQ(reset.found, 2);
  EXPECT_EQ(reset.notDeleted, std::vector<std::string>{dir / "2.dll"});
  EXPECT_EQ(dir.Listing(), "2.dll");
}

TEST(ReadExpiryText, FromTheSettingsFile) {
  struct Case {
    const char* settings;  // null: no file
    const char* text;
  } cases[] = {
      {nullptr, "on Restart"},
      {"[ConfigSetting]\r\nEXPIRES=1\r\nEXPIRESAT=03:30\r\n", "03:30"},
      {"[ConfigSetting]\r\nEXPIRESAT=03:30\r\n", "on Restart"},
      {"[ConfigSetting]\r\nEXPIRES=0\r\nEXPIRESAT=03:30\r\n", "on Restart"},
      {"[ConfigSetting]\r\nEXPIRES=yes\r\n", "02:00"},
      {"[ConfigSetting]\r\nEXPIRES=\r\nEXPIRESAT=7:5\r\n", "7:5"},
  };
  for (const Case& c : cases) {
    TestFolder dir;
    if (c.settings) dir.Write("Settings.ini", c.settings);
    EXPECT_EQ(cards::ReadExpiryText(dir.path()), c.text) << (c.settings ? c.settings : "(no file)");
  }
}

}  // namespace
