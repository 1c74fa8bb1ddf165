// The card list of the real program under Wine: its rows, sorting, saving and deleting
// a card, its column widths.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/admin_dialogs.h"
#include "tests/fixtures/standin_service.h"

namespace e2e {
namespace {

// ---- the card list ----

class CardList : public AdminDialogs {
 protected:
  // The masked number of a card file's name (file names of these tests hold one ".dll"):
  // the ends overlap for short numbers, "7" masks to "7XXXX7".
  static std::string MaskOf(const std::string& file) {
    const std::string number = file.substr(0, file.size() - 4);
    return number.substr(0, 2) + "XXXX" + number.substr(number.size() < 2 ? 0 : number.size() - 2);
  }
  std::string CardBytes(const std::string& file) const { return driver::ReadFileText(kCardFolder + file); }
  static std::string CardText(const std::string& user, const std::string& password) {
    return "[Settings]\r\nUSER=" + user + "\r\nPASSWORD=" + password + "\r\n";
  }
};

TEST_F(CardList, ListsThreeCardsAndSavesTheChosenCardOnly) {
  WriteSettings("[ConfigSetting]\r\nEXPIRES=1\r\nEXPIRESAT=03:30\r\n");
  const std::vector<Card> made = {{"ABCDEF.dll", "anna", "pa"}, {"12345678.dll", "ben", "pb"}, {"7.dll", "cleo", "pc"}};
  MakeCards(made);
  StartProgram();
  const std::vector<std::string> order = CardFilesInFolderOrder();
  ASSERT_EQ(order.size(), 3u);
  auto cardOf = [&](const std::string& file) {
    return *std::find_if(made.begin(), made.end(), [&](const Card& c) { return c.file == file; });
  };
  std::map<std::string, std::string> before;
  for (const Card& c : made) before[c.file] = CardBytes(c.file);

  HWND cards = OpenCardList();
  ASSERT_NE(cards, nullptr);
  std::vector<std::vector<std::string>> expected;
  for (const std::string& file : order) expected.push_back({cardOf(file).user, MaskOf(file), "03:30"});
  EXPECT_EQ(Rows(cards), expected) << "rows in the folder's order";
  HWND list = driver::Control(cards, kCardList);
  EXPECT_EQ(driver::remote::ListSelectedRow(list), 0);
  EXPECT_EQ(Text(cards, kCardUser), cardOf(order[0]).user);
  EXPECT_EQ(Text(cards, kCardPassword), cardOf(order[0]).password);
  EXPECT_TRUE(Masked(cards, kCardPassword));
  EXPECT_TRUE(Enabled(cards, kSaveCard));
  EXPECT_TRUE(HasExtendedStyle(cards, WS_EX_APPWINDOW)) << "a taskbar button";

  // Escape after edits writes nothing.
  Type(cards, kCardUser, "nobody");
  PressKey(driver::Control(cards, kCardUser), VK_ESCAPE);
  ASSERT_TRUE(WaitClosed(cards));
  for (const Card& c : made) EXPECT_EQ(CardBytes(c.file), before[c.file]) << c.file;

  cards = OpenCardList();
  ASSERT_NE(cards, nullptr);
  list = driver::Control(cards, kCardList);
  ASSERT_TRUE(driver::remote::ListSelectRow(list, 1));
  const Card second = cardOf(order[1]);
  EXPECT_EQ(Text(cards, kCardUser), second.user) << "the chosen card's account shows";
  EXPECT_EQ(Text(cards, kCardPassword), second.password);
  // An empty user name is refused; an empty password is not.
  Type(cards, kCardUser, "");
  Click(cards, kSaveCard);
  ExpectMessage(cards, "Kindly enter username and password ", "information", "empty user name");
  EXPECT_TRUE(IsWindow(cards));
  for (const Card& c : made) EXPECT_EQ(CardBytes(c.file), before[c.file]) << c.file;
  Type(cards, kCardUser, "bertha");
  Type(cards, kCardPassword, "");
  Click(cards, kSaveCard);
  ASSERT_TRUE(WaitClosed(cards));
  EXPECT_EQ(Dump(kCardFolder + second.file), CardText("bertha", ""));
  for (const Card& c : made) {
    if (c.file != second.file) {
      EXPECT_EQ(CardBytes(c.file), before[c.file]) << c.file << " was touched";
    }
  }
}

TEST_F(CardList, EachRowStandsForItsOwnCardInAnyOrder) {
  // Two cards share masked number and user name.
  const std::vector<Card> made = {{"12AB34.dll", "zoe", "z"},
                                  {"12CD34.dll", "zoe", "y"},
                                  {"99887766.dll", "adam", "a"},
                                  {"55443322.dll", "mia", "m"}};
  MakeCards(made);
  StartProgram();
  // Selects `row`, types a new user name and saves with Enter; expects that only the
  // card whose account the edit boxes showed was rewritten.
  auto saveRow = [&](HWND cards, int row, const std::string& newUser) {
    std::map<std::string, std::string> before;
    for (const Card& c : made) before[c.file] = CardBytes(c.file);
    const auto rowTexts = Rows(cards)[row];
    ASSERT_TRUE(driver::remote::ListSelectRow(driver::Control(cards, kCardList), row));
    const std::string user = Text(cards, kCardUser), password = Text(cards, kCardPassword);
    std::string chosen;
    for (const Card& c : made)
      if (Dump(kCardFolder + c.file) == CardText(user, password)) chosen = c.file;
    ASSERT_FALSE(chosen.empty()) << "the edit boxes show no card of row " << row;
    EXPECT_EQ(user, rowTexts[0]) << "the edit boxes show another row's card";
    EXPECT_EQ(MaskOf(chosen), rowTexts[1]) << "the edit boxes show another row's card";
    Type(cards, kCardUser, newUser);
    PressKey(driver::Control(cards, kCardUser), VK_RETURN);  // Enter is Save and Close
    ASSERT_TRUE(WaitClosed(cards));
    EXPECT_EQ(Dump(kCardFolder + chosen), CardText(newUser, password));
    for (const Card& c : made) {
      if (c.file != chosen) {
        EXPECT_EQ(CardBytes(c.file), before[c.file]) << c.file << " was touched";
      }
    }
  };

  // The second of the two identical rows: only its card is written.
  HWND cards = OpenCardList();
  ASSERT_NE(cards, nullptr);
  const auto listed = Rows(cards);
  ASSERT_EQ(listed.size(), 4u);
  std::vector<int> twins;
  for (int r = 0; r < 4; ++r)
    if (listed[r][0] == "zoe") twins.push_back(r);
  ASSERT_EQ(twins.size(), 2u);
  EXPECT_EQ(listed[twins[0]], listed[twins[1]]);
  saveRow(cards, twins[1], "zed");

  cards = OpenCardList();
  ASSERT_NE(cards, nullptr);
  const auto enumerated = Rows(cards);
  auto column = [&](int c) {
    std::vector<std::string> texts;
    for (const auto& row : Rows(cards)) texts.push_back(row[c]);
    return texts;
  };
  using Texts = std::vector<std::string>;
  ClickHeading(cards, 0);
  ASSERT_TRUE(driver::WaitFor(
      [&] {
        return column(0) == Texts{"adam", "mia", "zed", "zoe"};
      },
      3000))
      << "first click: ascending";
  EXPECT_TRUE(driver::remote::HeaderItemFormat(Header(cards), 0).value_or(0) & HDF_OWNERDRAW)
      << "the sort column's heading is drawn by the list";
  ClickHeading(cards, 0);
  ASSERT_TRUE(driver::WaitFor(
      [&] {
        return column(0) == Texts{"zoe", "zed", "mia", "adam"};
      },
      3000))
      << "second click: descending";
  ClickHeading(cards, 1);
  ASSERT_TRUE(driver::WaitFor(
      [&] {
        return column(1) == Texts{"12XXXX34", "12XXXX34", "55XXXX22", "99XXXX66"};
      },
      3000))
      << "another column starts ascending";
  // Sorted by user name in the direction that differs from the folder's order, a row
  // that now stands where another card stood is saved.
  Texts listedUsers;
  for (const auto& r : enumerated) listedUsers.push_back(r[0]);
  ClickHeading(cards, 0);
  ASSERT_TRUE(driver::WaitFor([&] { return column(0).front() == "adam"; }, 3000));
  if (column(0) == listedUsers) {
    ClickHeading(cards, 0);
    ASSERT_TRUE(driver::WaitFor([&] { return column(0).front() == "zoe"; }, 3000));
  }
  const Texts sortedUsers = column(0);
  int row = 0;
  while (row < 4 && sortedUsers[row] == listedUsers[row]) ++row;
  ASSERT_LT(row, 4);
  saveRow(cards, row, "sorted-" + sortedUsers[row]);
}

TEST_F(CardList, DeletingTheOnlyCardAndAMissingFolder) {
  WriteSettings("[ConfigSetting]\r\nDEBUG=1\r\n");
  StartProgram();
  // No card folder: the list opens all the same and says so while it sets up.
  driver::Post(MainWindow(), WM_COMMAND, kManageCards, 0);
  HWND cards = nullptr;
  ASSERT_TRUE(driver::WaitFor(
      [&] {
        const auto found =
            driver::TopWindows(driver::WindowFilter(program().id(), "#32770", "Manage Registered Cards"));
        cards = found.empty() ? nullptr : found.front();
        return cards != nullptr;
      },
      10000));
  ExpectMessage(cards, "No registered cards available", "information", "no card folder");
  ASSERT_TRUE(driver::WaitFor([&] { return IsWindowVisible(cards) != FALSE; }, 5000));
  EXPECT_EQ(driver::remote::ListRowCount(driver::Control(cards, kCardList)), 0);
  Click(cards, kSaveCard);  // no row: closes without writing
  ASSERT_TRUE(WaitClosed(cards));

  MakeCards({{"CAFE0001.dll", "solo", "s"}});
  cards = OpenCardList();
  ASSERT_NE(cards, nullptr);
  EXPECT_EQ(Text(cards, kCardUser), "solo");
  // The card's file goes while the dialog is open: the save says so and creates nothing.
  ASSERT_TRUE(DeleteFileA((std::string(kCardFolder) + "CAFE0001.dll").c_str()));
  Click(cards, kSaveCard);
  ExpectErrorStartingWith(cards,
                          "The card's account could not be saved:\n" + std::string(kCardFolder) + "CAFE0001.dll");
  EXPECT_TRUE(IsWindow(cards));
  EXPECT_FALSE(driver::FileExists(std::string(kCardFolder) + "CAFE0001.dll")) << "the save brought the card back";

  MakeCards({{"CAFE0001.dll", "solo", "s"}});
  PressKey(cards, VK_ESCAPE);
  ASSERT_TRUE(WaitClosed(cards));
  cards = OpenCardList();
  ASSERT_NE(cards, nullptr);
  Click(cards, kDeleteCard);
  ExpectMessage(cards, "No registered cards available", "information", "the only card deleted");
  EXPECT_FALSE(driver::FileExists(std::string(kCardFolder) + "CAFE0001.dll"));
  EXPECT_EQ(driver::remote::ListRowCount(driver::Control(cards, kCardList)), 0);
  EXPECT_EQ(Text(cards, kCardUser), "");
  EXPECT_EQ(Text(cards, kCardPassword), "");
  EXPECT_TRUE(IsWindow(cards)) << "the dialog closed";
  // Without a row Delete Card only empties the edit boxes.
  Type(cards, kCardUser, "x");
  Click(cards, kDeleteCard);
  EXPECT_TRUE(driver::WaitFor([&] { return Text(cards, kCardUser).empty(); }, 2000));
  ExpectNoMessage(cards, "Delete Card without a row");
  PressKey(cards, VK_ESCAPE);
  EXPECT_TRUE(WaitClosed(cards));
  EXPECT_FALSE(driver::FileExists(LogPath())) << "the card list is never logged";
}

TEST_F(CardList, ColumnWidthsComeFromTheProfileWhenTheyFit) {
  MakeCards({{"CAFE0001.dll", "solo", "s"}});
  StartProgram();
  auto widthsRecord = [](std::vector<int> values) {
    std::string bytes;
    for (int v : values)
      for (int i = 0; i < 4; ++i) bytes += static_cast<char>((v >> (8 * i)) & 0xFF);
    return bytes;
  };
  // Which stored records fit is the list's rule (tests/unit/cards/sort_list_rules_test.cpp);
  // one that fits and one that does not show the wiring.
  const struct {
    const char* what;
    std::string stored;
    std::vector<int> widths;
  } cases[] = {
      {"three widths", widthsRecord({3, 210, 60, 90}), {210, 60, 90}},
      {"a count of two", widthsRecord({2, 210, 60}), {150, 80, 100}},
  };
  const std::string section = std::string(kProfileKey) + "\\ListCtrls";
  for (const auto& c : cases) {
    RegDeleteTreeA(HKEY_CURRENT_USER, kProfileKey);
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, section.c_str(), "1019", REG_BINARY, c.stored.data(),
                              static_cast<DWORD>(c.stored.size())),
              ERROR_SUCCESS);
    HWND cards = OpenCardList();
    ASSERT_NE(cards, nullptr);
    HWND list = driver::Control(cards, kCardList);
    std::vector<int> widths;
    for (int column = 0; column < 3; ++column) widths.push_back(driver::remote::ListColumnWidth(list, column));
    EXPECT_EQ(widths, c.widths) << c.what;
    PressKey(cards, VK_ESCAPE);
    ASSERT_TRUE(WaitClosed(cards));
    // Read, never written.
    char bytes[64];
    DWORD size = sizeof bytes;
    ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, section.c_str(), "1019", RRF_RT_REG_BINARY, nullptr, bytes, &size),
              ERROR_SUCCESS)
        << c.what;
    EXPECT_EQ(std::string(bytes, size), c.stored) << c.what;
  }
}

}  // namespace
}  // namespace e2e
