#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <new>
#include <thread>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "cards/card_files.h"
#include "platform/fault.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/sibling_names.h"
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
    const auto it =
        std::find_if(list.begin(), list.end(), [&](const cards::CardFile& c) { return c.fileName == e.fileName; });
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

// A list that will not show passwords keeps none in memory.
TEST(EnumerateCards, WithoutPasswordsTakesOnlyTheUserNames) {
  TestFolder dir;
  MakeCard(dir, "1111.dll", "alice", "a-pw");
  const std::vector<cards::CardFile> list = cards::EnumerateCards(dir.path(), cards::CardPasswords::Skip);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].user, "alice");
  EXPECT_EQ(list[0].password, "");
  EXPECT_EQ(list[0].readError, "");
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
    platform::ScopedFaultHook hook(
        [&](FileOp op, const std::string& path) { return op == failing && path == dir / "2222.dll"; });
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

// A card file is a few hundred bytes. One of millions of empty lines cost about 150
// bytes of memory a line, and the failure of that one hid every card: now a file above
// the bound reads as damaged, and whatever fails on one card leaves the others listed.
TEST(EnumerateCards, AMonstrousOrFailingCardLeavesTheOthersListed) {
  struct Case {
    const char* what;
    std::function<void(const TestFolder&)> spoil;  // spoils 2222.dll
    std::function<bool(FileOp, const std::string&)> fault;
    bool readError;
  } cases[] = {
      {"larger than 1 MiB",
       [](const TestFolder& dir) {
         dir.Write("2222.dll", *storage::EncipherIniText("[Settings]\r\nUSER=u2\r\n" + std::string(1024 * 1024, '\n')));
       },
       nullptr, false},
      {"out of memory while read", nullptr,
       [](FileOp op, const std::string& path) -> bool {
         if (op == FileOp::Read && path.find("2222.dll") != std::string::npos) throw std::bad_alloc();
         return false;
       },
       true},
  };
  for (const Case& c : cases) {
    TestFolder dir;
    MakeCard(dir, "1111.dll", "u1", "p1");
    MakeCard(dir, "2222.dll", "u2", "p2");
    MakeCard(dir, "3333.dll", "u3", "p3");
    if (c.spoil) c.spoil(dir);
    platform::ScopedFaultHook hook(c.fault);
    std::map<std::string, std::string> users;
    for (const cards::CardFile& card : cards::EnumerateCards(dir.path())) {
      users[card.fileName] = card.user + "/" + card.password;
      EXPECT_EQ(card.readError.empty(), !(c.readError && card.fileName == "2222.dll"))
          << c.what << ": " << card.readError;
    }
    EXPECT_EQ(users,
              (std::map<std::string, std::string>{{"1111.dll", "u1/p1"}, {"2222.dll", "/"}, {"3333.dll", "u3/p3"}}))
        << c.what;
  }
}

// On Windows the search for "*.dll" also matches a name's 8.3 short form: "1234.dll_old"
// is 1234~1.DLL. Only names that end in ".dll" are card files, for every use of the list.
TEST(EnumerateCards, OnlyLongNamesEndingInDllAreCards) {
  TestFolder dir;
  MakeCard(dir, "1234.dll", "u", "p");
  dir.Write("1234.dll_old", "a program's old library");
  dir.Write("5678.dllx", "x");
  EXPECT_EQ(FileNames(cards::EnumerateCards(dir.path())), std::vector<std::string>{"1234.dll"});
  EXPECT_EQ(cards::DeleteAllCards(dir.path()).found, 1);
  EXPECT_EQ(dir.Listing(), "1234.dll_old 5678.dllx");
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

// Both keys are checked before either is written, and go in one replace: a refused
// password never leaves the new user name beside the old password.
TEST(RewriteCardAccount, ARefusedValueLeavesTheCardUnchanged) {
  const std::pair<std::string, std::string> refused[] = {
      {"u\r\nPASSWORD=x", "p"}, {"new-user", std::string("p\0w", 3)}, {"new-user", "line\nbreak"}};
  for (const auto& [user, password] : refused) {
    TestFolder dir;
    MakeCard(dir, "1.dll", "u", "p");
    const std::string before = dir.Read("1.dll");
    EXPECT_THROW(cards::RewriteCardAccount(dir / "1.dll", user, password), storage::IniValueError) << user;
    EXPECT_EQ(dir.Read("1.dll"), before) << user;
  }
}

TEST(RewriteCardAccount, AFailedReplaceWritesNeitherKey) {
  TestFolder dir;
  MakeCard(dir, "1.dll", "u", "p");
  const std::string before = dir.Read("1.dll");
  int replacements = 0;
  {
    platform::ScopedFaultHook count(
        [&](FileOp op, const std::string&) { return replacements += op == FileOp::Rename, false; });
    cards::RewriteCardAccount(dir / "1.dll", "v", "q");
  }
  EXPECT_EQ(replacements, 1) << "USER and PASSWORD in one replace";
  MakeCard(dir, "1.dll", "u", "p");
  platform::ScopedFaultHook hook([](FileOp op, const std::string&) { return op == FileOp::Rename; });
  EXPECT_THROW(cards::RewriteCardAccount(dir / "1.dll", "v", "q"), platform::FileError);
  EXPECT_EQ(CardText(dir, "1.dll"), "[Settings]\r\nUSER=u\r\nPASSWORD=p\r\n");
}

// What the card's creator stored must not be dropped for a new text of two keys.
TEST(RewriteCardAccount, ACardThatDoesNotDecipherOrIsTooLargeIsNotRewritten) {
  const std::string tooLarge = *storage::EncipherIniText("[Settings]\r\nUSER=u\r\n" + std::string(1024 * 1024, ' '));
  for (const std::string& bytes : {std::string("not a cipher text at all"), tooLarge}) {
    TestFolder dir;
    dir.Write("1.dll", bytes);
    try {
      cards::RewriteCardAccount(dir / "1.dll", "v", "q");
      ADD_FAILURE() << "rewritten";
    } catch (const storage::UndecipherableFileError& e) {
      EXPECT_NE(std::string(e.what()).find("1.dll: does not decipher"), std::string::npos) << e.what();
    } catch (const platform::FileError& e) {
      EXPECT_NE(std::string(e.what()).find("larger than 1 MiB"), std::string::npos) << e.what();
    }
    EXPECT_EQ(dir.Read("1.dll"), bytes);
    EXPECT_EQ(dir.Listing(), "1.dll");
  }
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
  platform::ScopedFaultHook hook(
      [&](FileOp op, const std::string& path) { return op == FileOp::Delete && path == dir / "2.dll"; });
  const cards::CardReset reset = cards::DeleteAllCards(dir.path());
  EXPECT_EQ(reset.found, 2);
  EXPECT_EQ(reset.notDeleted, std::vector<std::string>{dir / "2.dll"});
  EXPECT_EQ(dir.Listing(), "2.dll");
}

// A card deleted (by quandorctl, the card dialog or a reset) while a rewrite waited for
// the card's turn stays deleted: the rewrite looks again in its turn.
TEST(RewriteCardAccount, ACardDeletedWhileTheRewriteWaitedStaysDeleted) {
  TestFolder dir;
  MakeCard(dir, "1.dll", "u", "p");
  std::future<std::string> rewrite;
  {
    const platform::RewriteLock deleter(dir / "1.dll");  // a delete holds the card's turn
    rewrite = std::async(std::launch::async, [&] {
      try {
        cards::RewriteCardAccount(dir / "1.dll", "v", "q");
        return std::string("rewritten");
      } catch (const platform::FileError& e) {
        return std::string(e.what());
      }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the rewrite saw the card and waits
    ASSERT_TRUE(platform::RemoveFile(dir / "1.dll"));
  }
  const std::string outcome = rewrite.get();
  EXPECT_NE(outcome.find("1.dll: no such card"), std::string::npos) << outcome;
  EXPECT_EQ(dir.Listing(), "");
}

// A delete takes the card's turn: a rewrite under way ends first.
TEST(DeleteCard, WaitsForTheTurnOfARewriteUnderWay) {
  struct Case {
    const char* what;
    std::function<void(const TestFolder&)> remove;
  } cases[] = {
      {"DeleteCard", [](const TestFolder& dir) { EXPECT_TRUE(cards::DeleteCard(dir / "1.dll")); }},
      {"DeleteAllCards", [](const TestFolder& dir) { EXPECT_EQ(cards::DeleteAllCards(dir.path()).found, 1); }},
  };
  for (const Case& c : cases) {
    TestFolder dir;
    MakeCard(dir, "1.dll", "u", "p");
    std::thread remover;
    {
      const platform::RewriteLock writer(dir / "1.dll");
      remover = std::thread([&] { c.remove(dir); });
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      EXPECT_EQ(dir.Listing(), "1.dll") << c.what << " did not wait for the rewrite's turn";
    }
    remover.join();
    EXPECT_EQ(dir.Listing(), "") << c.what;
  }
}

// A writer killed between writing its sibling and the replace leaves the card's new
// account beside it: the list never shows such a file, and a reset removes it with the
// cards, also one of a card that is gone already; other files stay.
TEST(DeleteAllCards, RemovesWhatKilledWritersLeftOfCards) {
  TestFolder dir;
  const std::string longName = dir.NameNearTheLimit('4');
  MakeCard(dir, "1.dll", "u", "p");
  MakeCard(dir, longName, "u", "p");
  const std::string longStem = platform::SiblingStemOf(dir / longName).substr(dir.path().size());
  for (const char* leftover : {"1.dll.77-0.tmp", "1.dll.78-3.tmp", "gone.dll.77-2.tmp"})
    dir.Write(leftover, "a killed writer's new account");
  dir.Write(longStem + ".77-1.tmp", "a killed writer's new account");
  dir.Write("notes.txt.77-3.tmp", "not of a card");
  dir.Write("1.dll.tmp", "not a sibling name");
  EXPECT_EQ(FileNames(cards::EnumerateCards(dir.path())).size(), 2u);
  const cards::CardReset reset = cards::DeleteAllCards(dir.path());
  EXPECT_EQ(reset.found, 2);
  EXPECT_TRUE(reset.notDeleted.empty());
  EXPECT_TRUE(reset.leftoversKept.empty());
  EXPECT_EQ(dir.Listing(), "1.dll.tmp notes.txt.77-3.tmp");
}

TEST(DeleteCard, RemovesWhatAKilledWriterLeftOfThatCard) {
  TestFolder dir;
  MakeCard(dir, "1.dll", "u", "p");
  MakeCard(dir, "2.dll", "u", "p");
  dir.Write("1.dll.77-0.tmp", "a killed writer's new account");
  dir.Write("2.dll.77-0.tmp", "of another card");
  EXPECT_TRUE(cards::DeleteCard(dir / "1.dll"));
  EXPECT_EQ(dir.Listing(), "2.dll 2.dll.77-0.tmp");
}

// A card name near the file system's limit can be rewritten, and the messages name it.
TEST(RewriteCardAccount, ACardNameNearTheLimit) {
  TestFolder dir;
  const std::string name = dir.NameNearTheLimit('9');
  MakeCard(dir, name, "u", "p");
  cards::RewriteCardAccount(dir / name, "v", "q");
  EXPECT_EQ(CardText(dir, name), "[Settings]\r\nUSER=v\r\nPASSWORD=q\r\n");
  platform::ScopedFaultHook hook([](FileOp op, const std::string&) { return op == FileOp::Flush; });
  try {
    cards::RewriteCardAccount(dir / name, "w", "r");
    ADD_FAILURE() << "no error";
  } catch (const platform::FileError& e) {
    EXPECT_EQ(e.path(), dir / name);
  }
  EXPECT_EQ(dir.Listing(), name);
}

#ifndef _WIN32
// A named pipe named like a card is listed as unreadable at once, the other cards beside it.
TEST(EnumerateCards, APipeNamedLikeACardIsUnreadable) {
  TestFolder dir;
  MakeCard(dir, "1.dll", "alice", "a-pw");
  ASSERT_EQ(::mkfifo((dir / "2.dll").c_str(), 0600), 0);
  auto listing = std::async(std::launch::async, [&] { return cards::EnumerateCards(dir.path()); });
  if (listing.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
    const int writer = ::open((dir / "2.dll").c_str(), O_WRONLY | O_NONBLOCK);
    if (writer >= 0) ::close(writer);
    ADD_FAILURE() << "the listing waits on the pipe";
  }
  std::map<std::string, cards::CardFile> byName;
  for (cards::CardFile& card : listing.get()) byName[card.fileName] = card;
  ASSERT_EQ(byName.size(), 2u);
  EXPECT_EQ(byName["1.dll"].user, "alice");
  EXPECT_EQ(byName["1.dll"].readError, "");
  EXPECT_NE(byName["2.dll"].readError.find("not a regular file"), std::string::npos) << byName["2.dll"].readError;
  EXPECT_EQ(cards::DeleteAllCards(dir.path()).found, 2);
}
#endif

}  // namespace
