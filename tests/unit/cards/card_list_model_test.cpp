#include <gtest/gtest.h>

#include <algorithm>

#include "cards/card_list_model.h"
#include "platform/files.h"
#include "storage/ini_text.h"
#include "tests/unit/cards/card_fixture.h"

namespace {

using card_fixture::CardText;
using card_fixture::MakeCard;
using cards::CardAccount;
using cards::CardListModel;
using cards::RowRecord;
using testing_support::TestFolder;

std::string StoredUser(const TestFolder& dir, const std::string& fileName) {
  return storage::IniGetString(CardText(dir, fileName), "Settings", "USER", "<missing>", 1024).value;
}
std::string StoredPassword(const TestFolder& dir, const std::string& fileName) {
  return storage::IniGetString(CardText(dir, fileName), "Settings", "PASSWORD", "<missing>", 1024).value;
}

// The list after a click on `column`, as the sortable list orders its row records.
std::vector<RowRecord> Sorted(std::vector<RowRecord> rows, cards::SortState state) {
  std::stable_sort(rows.begin(), rows.end(),
                   [&](const RowRecord& a, const RowRecord& b) { return cards::CompareRows(a, b, state) < 0; });
  return rows;
}

TEST(CardListModel, ReloadListsTheCardsInFolderOrderAndSelectsTheFirst) {
  TestFolder dir;
  MakeCard(dir, "11112222.dll", "carol", "c-pw");
  MakeCard(dir, "33334444.dll", "alice", "a-pw");
  MakeCard(dir, "55556666.dll", "bob", "b-pw");
  CardListModel model(dir.path(), "03:30");
  const cards::CardListView view = model.Reload();
  const auto cardsInOrder = cards::EnumerateCards(dir.path());
  ASSERT_EQ(view.rows.size(), 3u);
  for (std::size_t i = 0; i < view.rows.size(); ++i) {
    EXPECT_EQ(view.rows[i].texts, (std::vector<std::string>{cardsInOrder[i].user, cardsInOrder[i].mask, "03:30"}));
    EXPECT_EQ(view.rows[i].tag, i);
  }
  EXPECT_EQ(view.selectedRow, 0);
  // The dialog selects that row and shows the account of its tag.
  EXPECT_EQ(model.AccountOf(view.rows[0].tag), (CardAccount{cardsInOrder[0].user, cardsInOrder[0].password}));
  EXPECT_FALSE(view.message.has_value());
  EXPECT_TRUE(model.saveEnabled());
}

TEST(CardListModel, AnEmptyFolderSaysSo) {
  TestFolder dir;
  CardListModel model(dir.path(), "on Restart");
  const cards::CardListView view = model.Reload();
  EXPECT_TRUE(view.rows.empty());
  EXPECT_EQ(view.selectedRow, -1);
  EXPECT_EQ(view.message.value_or(""), "No registered cards available");
  // Save and Close then closes without writing; Delete Card has nothing to delete.
  EXPECT_TRUE(model.SaveAndClose(std::nullopt, {"u", "p"}).close);
  EXPECT_FALSE(model.DeleteCard(std::nullopt).has_value());
  EXPECT_EQ(dir.Listing(), "");
}

TEST(CardListModel, TheSelectedRowShowsItsOwnCard) {
  TestFolder dir;
  MakeCard(dir, "1111.dll", "u1", "p1");
  MakeCard(dir, "2222.dll", "u2", "p2");
  CardListModel model(dir.path(), "on Restart");
  const auto view = model.Reload();
  for (const RowRecord& row : view.rows) {
    const cards::CardFile* card = model.CardOf(row.tag);
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(model.AccountOf(row.tag), (CardAccount{card->user, card->password}));
    EXPECT_EQ(row.texts[0], card->user);
  }
  EXPECT_EQ(model.AccountOf(std::nullopt), CardAccount{});
  EXPECT_EQ(model.AccountOf(7), CardAccount{}) << "a tag of no card shows nothing";
}

TEST(CardListModel, SavingAfterASortWritesTheCardShownOnTheRow) {
  TestFolder dir;
  MakeCard(dir, "1111.dll", "zed", "z-pw");
  MakeCard(dir, "2222.dll", "amy", "a-pw");
  MakeCard(dir, "3333.dll", "kim", "k-pw");
  CardListModel model(dir.path(), "on Restart");
  const auto rows = Sorted(model.Reload().rows, cards::ClickColumn({}, 0));
  ASSERT_EQ(rows[0].texts[0], "amy");
  const std::size_t tag = rows[0].tag;
  const auto result = model.SaveAndClose(tag, {"amy2", "new-pw"});
  EXPECT_TRUE(result.close);
  EXPECT_FALSE(result.message.has_value());
  EXPECT_EQ(StoredUser(dir, "2222.dll"), "amy2");
  EXPECT_EQ(StoredPassword(dir, "2222.dll"), "new-pw");
  EXPECT_EQ(StoredUser(dir, "1111.dll"), "zed");
  EXPECT_EQ(StoredUser(dir, "3333.dll"), "kim");
  EXPECT_FALSE(model.saveEnabled()) << "disabled as the dialog closes";
}

TEST(CardListModel, TwoIdenticalRowsStayTwoCards) {
  TestFolder dir;
  MakeCard(dir, "12AB34.dll", "bob", "pw-ab");
  MakeCard(dir, "12CD34.dll", "bob", "pw-cd");
  CardListModel model(dir.path(), "on Restart");
  const auto view = model.Reload();
  ASSERT_EQ(view.rows.size(), 2u);
  EXPECT_EQ(view.rows[0].texts, view.rows[1].texts) << "same user, same mask 12XXXX34";
  const std::size_t second = view.rows[1].tag;
  const std::string secondFile = model.CardOf(second)->fileName;
  const std::string firstFile = model.CardOf(view.rows[0].tag)->fileName;
  EXPECT_EQ(model.AccountOf(second).password, secondFile == "12AB34.dll" ? "pw-ab" : "pw-cd");

  ASSERT_TRUE(model.SaveAndClose(second, {"bob", "changed"}).close);
  EXPECT_EQ(StoredPassword(dir, secondFile), "changed");
  EXPECT_NE(StoredPassword(dir, firstFile), "changed") << "the twin card is not touched";

  CardListModel again(dir.path(), "on Restart");
  const auto before = again.Reload();
  const std::string deleted = again.CardOf(before.rows[1].tag)->fileName;
  const std::string kept = again.CardOf(before.rows[0].tag)->fileName;
  const auto after = again.DeleteCard(before.rows[1].tag);
  ASSERT_TRUE(after.has_value());
  EXPECT_EQ(after->rows.size(), 1u);
  EXPECT_EQ(dir.Listing(), kept) << deleted << " goes, its twin stays";
  EXPECT_FALSE(after->message.has_value());
}

TEST(CardListModel, AnEmptyUserNameIsRefusedAnEmptyPasswordAccepted) {
  TestFolder dir;
  MakeCard(dir, "1111.dll", "u1", "p1");
  CardListModel model(dir.path(), "on Restart");
  model.Reload();
  const std::string before = dir.Read("1111.dll");
  const auto refused = model.SaveAndClose(0, {"", "p"});
  EXPECT_EQ(refused.message.value_or(""), "Kindly enter username and password ");
  EXPECT_FALSE(refused.close);
  EXPECT_EQ(dir.Read("1111.dll"), before);
  EXPECT_TRUE(model.saveEnabled());

  const auto saved = model.SaveAndClose(0, {"u1", ""});
  EXPECT_TRUE(saved.close);
  EXPECT_EQ(StoredPassword(dir, "1111.dll"), "");
}

// The service reads the account with the profile functions, which drop blanks around a
// value and the quotes around it: such an account would fail its log-on without a word.
TEST(CardListModel, AnAccountThatWouldNotReadBackAsTypedIsRefused) {
  const char* blank = "begins or ends with a blank, which the INI file drops when it is read. Nothing was saved.";
  const char* quoted = "is enclosed in quotes, which the INI file takes off when it is read. Nothing was saved.";
  struct Case {
    CardAccount typed;
    std::string message;
  } cases[] = {
      {{"   ", "p"}, std::string("The Selected RDP Username ") + blank},
      {{" bob", "p"}, std::string("The Selected RDP Username ") + blank},
      {{"\"bob\"", "p"}, std::string("The Selected RDP Username ") + quoted},
      {{"bob", "pw "}, std::string("The Selected RDP Password ") + blank},
      {{"bob", "\tpw"}, std::string("The Selected RDP Password ") + blank},
      {{"bob", "'pw'"}, std::string("The Selected RDP Password ") + quoted},
  };
  for (const Case& c : cases) {
    TestFolder dir;
    MakeCard(dir, "1111.dll", "u1", "p1");
    CardListModel model(dir.path(), "on Restart");
    model.Reload();
    const std::string before = dir.Read("1111.dll");
    const auto refused = model.SaveAndClose(0, c.typed);
    EXPECT_EQ(refused.message.value_or("(saved)"), c.message) << c.typed.user << "/" << c.typed.password;
    EXPECT_FALSE(refused.close);
    EXPECT_EQ(dir.Read("1111.dll"), before);
  }
  TestFolder dir;
  MakeCard(dir, "1111.dll", "u1", "p1");
  CardListModel model(dir.path(), "on Restart");
  model.Reload();
  EXPECT_TRUE(model.SaveAndClose(0, {"b o b", "p\"w'"}).close) << "blanks and quotes inside a value read back";
  EXPECT_EQ(StoredPassword(dir, "1111.dll"), "p\"w'");
}

// quandorctl already refused this: a card file that does not decipher is not rebuilt
// from nothing, which would drop whatever its creator stored in it.
TEST(CardListModel, ACardThatDoesNotDecipherIsNotRewritten) {
  TestFolder dir;
  dir.Write("12345678.dll", "damaged");
  CardListModel model(dir.path(), "on Restart");
  model.Reload();
  const auto refused = model.SaveAndClose(0, {"u", "p"});
  EXPECT_EQ(refused.message.value_or("(saved)"),
            "The card 12XXXX78 could not be read (its file does not decipher). Its account was not changed, so that "
            "nothing its file holds is lost.");
  EXPECT_FALSE(refused.close);
  EXPECT_EQ(dir.Read("12345678.dll"), "damaged");
}

TEST(CardListModel, SaveWithoutASelectedRowClosesWithoutWriting) {
  TestFolder dir;
  MakeCard(dir, "1111.dll", "u1", "p1");
  CardListModel model(dir.path(), "on Restart");
  model.Reload();
  const std::string before = dir.Read("1111.dll");
  const auto result = model.SaveAndClose(std::nullopt, {"", ""});
  EXPECT_TRUE(result.close);
  EXPECT_FALSE(result.message.has_value());
  EXPECT_EQ(dir.Read("1111.dll"), before);
}

TEST(CardListModel, SavingACardThatVanishedRaisesAndBringsNothingBack) {
  TestFolder dir;
  MakeCard(dir, "1111.dll", "u1", "p1");
  CardListModel model(dir.path(), "on Restart");
  model.Reload();
  ASSERT_TRUE(platform::RemoveFile(dir / "1111.dll"));
  EXPECT_THROW(model.SaveAndClose(0, {"u", "p"}), platform::FileError);
  EXPECT_EQ(dir.Listing(), "");
  EXPECT_TRUE(model.saveEnabled()) << "the dialog stays open";
}

TEST(CardListModel, DeletingTheOnlyCardEmptiesTheListAndSaysSo) {
  TestFolder dir;
  MakeCard(dir, "1111.dll", "u1", "p1");
  CardListModel model(dir.path(), "on Restart");
  model.Reload();
  const auto view = model.DeleteCard(0);
  ASSERT_TRUE(view.has_value());
  EXPECT_TRUE(view->rows.empty());
  EXPECT_EQ(view->message.value_or(""), "No registered cards available");
  EXPECT_EQ(dir.Listing(), "");
}

TEST(CardListModel, DeleteWithoutASelectedRowDeletesNothing) {
  TestFolder dir;
  MakeCard(dir, "1111.dll", "u1", "p1");
  CardListModel model(dir.path(), "on Restart");
  model.Reload();
  EXPECT_FALSE(model.DeleteCard(std::nullopt).has_value());
  EXPECT_FALSE(model.DeleteCard(5).has_value());
  EXPECT_EQ(dir.Listing(), "1111.dll");
}

TEST(CardListModel, EditsEnableSave) {
  TestFolder dir;
  CardListModel model(dir.path(), "on Restart");
  model.Reload();
  model.SaveAndClose(std::nullopt, {});
  EXPECT_FALSE(model.saveEnabled());
  model.OnAccountEdited();
  EXPECT_TRUE(model.saveEnabled());
}

}  // namespace
