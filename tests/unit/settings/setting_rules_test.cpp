#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "settings/setting_rules.h"

namespace {

using settings::FindSettingKey;

const settings::SettingKey& Key(const char* name) {
  const settings::SettingKey* key = FindSettingKey(name);
  if (key == nullptr) throw std::invalid_argument(name);
  return *key;
}

TEST(ParseExpiryTime, ReadsHourAndMinuteAsAtoiDoes) {
  struct Case {
    const char* text;
    bool valid;
    int hour, minute;
  } cases[] = {
      {"02:00", true, 2, 0},
      {"7:5", true, 7, 5},
      {"45", true, 0, 45},
      {"23:59", true, 23, 59},
      {"24:00", false, 24, 0},
      {"12:60", false, 12, 60},
      {"-1:00", false, 65535, 0},
      {"", true, 0, 0},
      {":", true, 0, 0},
      {" 7:+5", true, 7, 5},
      {"7x:5y", true, 7, 5},
      {"07:05:59", true, 7, 5},
      {"ab:cd", true, 0, 0},
      {"60", false, 0, 60},
      {"65536:00", true, 0, 0},
      {"\t\n9:\v8", true, 9, 8},
      {"99999999999:1", false, 65535, 1},
  };
  for (const Case& c : cases) {
    const settings::ExpiryTime t = settings::ParseExpiryTime(c.text);
    EXPECT_EQ(t.valid, c.valid) << c.text;
    EXPECT_EQ(t.hour, c.hour) << c.text;
    EXPECT_EQ(t.minute, c.minute) << c.text;
  }
}

TEST(FormatExpiryTime, AlwaysTwoDigits) {
  EXPECT_EQ(settings::FormatExpiryTime(7, 5), "07:05");
  EXPECT_EQ(settings::FormatExpiryTime(0, 0), "00:00");
  EXPECT_EQ(settings::FormatExpiryTime(23, 59), "23:59");
}

TEST(SelectEveryHrsItem, SearchesFromTheSecondItemAndWraps) {
  struct Case {
    const char* stored;
    const char* selected;  // null: no selection
  } cases[] = {
      {"12", "12"},    {"5", "5"},     {"1", "10"},   {"2", "2"},      {"10", "10"},    {"11", "11"},     {"9", "9"},
      {"13", nullptr}, {"0", nullptr}, {"", nullptr}, {" 5", nullptr}, {"5 ", nullptr}, {"120", nullptr},
  };
  for (const Case& c : cases) {
    const int index = settings::SelectEveryHrsItem(c.stored);
    if (c.selected == nullptr) {
      EXPECT_EQ(index, -1) << c.stored;
    } else {
      ASSERT_GE(index, 0) << c.stored;
      EXPECT_STREQ(settings::kEveryHrsItems[index], c.selected) << c.stored;
    }
  }
}

TEST(SelectEveryHrsItem, AStoredItemComesBackAsTheSameItemExceptOne) {
  // Only "1" does not survive a load and a store: it is read as "10".
  for (const char* item : settings::kEveryHrsItems) {
    const std::string back = settings::EveryHrsText(settings::SelectEveryHrsItem(item));
    EXPECT_EQ(back, std::string(item) == "1" ? "10" : item);
  }
  EXPECT_EQ(settings::EveryHrsText(-1), "");
  EXPECT_EQ(settings::EveryHrsText(12), "");
}

TEST(CheckWrittenForm, AcceptsExactlyTheWrittenForms) {
  struct Case {
    const char* key;
    std::string value;
    bool ok;
  } cases[] = {
      {"HOST", "rd.example", true},
      {"HOST", "", true},
      {"HOST", "a\nb", false},
      {"HOST", "a\rb", false},
      {"LocalPassword", std::string(1023, 'p'), true},
      {"LocalPassword", std::string(1024, 'p'), false},
      {"DOMAIN", "", true},
      {"DELAY", "500", true},
      {"DELAY", "0", true},
      {"DELAY", "", false},
      {"DELAY", "-5", false},
      {"DELAY", "5 ", false},
      // A reader stops at the 32-bit bound: a longer number would mean another delay.
      {"DELAY", "2147483647", true},
      {"DELAY", "0002147483647", true},
      {"DELAY", "2147483648", false},
      {"DELAY", "123456789012345678901234", false},
      {"PRINTERS", "1", true},
      {"PRINTERS", "0", true},
      {"PRINTERS", "yes", false},
      {"PRINTERS", "01", false},
      {"RDGUARD", "", false},
      {"EXPIRESAT", "02:00", true},
      {"EXPIRESAT", "23:59", true},
      {"EXPIRESAT", "7:05", false},
      {"EXPIRESAT", "24:00", false},
      {"EXPIRESAT", "02:60", false},
      {"EXPIRESAT", "02:00:00", false},
      {"EVERYHRS", "1", true},
      {"EVERYHRS", "12", true},
      {"EVERYHRS", "", true},
      {"EVERYHRS", "13", false},
      {"EVERYHRS", "05", false},
      {"AUDIORECORDING", "1", true},
      {"AUDIORECORDING", "2", false},
      {"AUDIOPLAYBACK", "2", true},
      {"AUDIOPLAYBACK", "0", true},
      {"AUDIOPLAYBACK", "3", false},
      {"ENABLE", "0", true},
      {"ENABLE", "1", false},
      {"DAILYKEY", "0", true},
      {"DAILYKEY", "7", false},
      {"DEBUG", "1", false},
  };
  for (const Case& c : cases) {
    const auto problem = settings::CheckWrittenForm(Key(c.key), c.value);
    EXPECT_EQ(!problem.has_value(), c.ok) << c.key << "=" << c.value << ": " << problem.value_or("");
  }
}

TEST(CheckWrittenForm, NamesTheAllowedValues) {
  EXPECT_EQ(settings::CheckWrittenForm(Key("PRINTERS"), "yes").value_or(""), "must be \"1\" (on) or \"0\" (off)");
  EXPECT_NE(settings::CheckWrittenForm(Key("AUDIOPLAYBACK"), "9").value_or("").find("\"2\" (do not play)"),
            std::string::npos);
  EXPECT_NE(settings::CheckWrittenForm(Key("EVERYHRS"), "x").value_or("").find("\"1\" to \"12\""), std::string::npos);
}

TEST(DescribeStoredValue, FollowsEachKeysReadRule) {
  struct Case {
    const char* key;
    const char* stored;
    const char* meaning;
  } cases[] = {
      {"PRINTERS", "1", "on"},
      {"PRINTERS", "0", "off"},
      {"PRINTERS", "yes", "off (only \"1\" is on)"},
      {"PRINTERS", "", "off (only \"1\" is on)"},
      {"LOCKBYDISCONNECTION", "01", "off (only \"1\" is on)"},
      {"USEMONITORSALL", "", "on (only \"0\" is off)"},
      {"EXPIRES", "1", "on"},
      {"RDGUARD", "0", "off"},
      {"EXPIRESAT", "02:00", ""},
      {"EXPIRESAT", "7:5", "read as 07:05"},
      {"EXPIRESAT", "24:00", "not a valid time (the settings dialog leaves its expiry time unset)"},
      {"EVERYHRS", "12", ""},
      {"EVERYHRS", "1", "selects list item \"10\""},
      {"EVERYHRS", "", "selects no list item (the next save writes an empty value)"},
      {"AUDIORECORDING", "0", "do not record"},
      {"AUDIORECORDING", "x", "record from this computer"},
      {"AUDIOPLAYBACK", "2", "do not play"},
      {"AUDIOPLAYBACK", "0", "play on this computer"},
      {"AUDIOPLAYBACK", "7", "play on the remote computer"},
      {"HOST", "rd", ""},
      {"DELAY", "500", "500 milliseconds"},
      {"DELAY", "0500", "read as 500 milliseconds"},
      {"DELAY", "12abc", "read as 12 milliseconds"},
      {"DELAY", "abc", "read as 0 milliseconds"},
      {"DELAY", "123456789012345678901234", "read as 2147483647 milliseconds"},
      {"DAILYKEY", "5", "not read; every save writes \"0\""},
      {"DEBUG", "0", "off"},
      {"DEBUG", "yes", "on (only \"0\" is off)"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(settings::DescribeStoredValue(Key(c.key), c.stored), c.meaning) << c.key << "=" << c.stored;
}

TEST(SettingKeys, EveryRecordKeyIsStoredOnceAndTheDefaultsAreTheRecordsDefaults) {
  const settings::SettingsRecord defaults;
  std::set<std::string> names;
  for (const settings::SettingKey& key : settings::RecordKeys()) {
    names.insert(key.name);
    EXPECT_EQ(defaults.*key.field, key.defaultValue) << key.name;
  }
  EXPECT_EQ(names.size(), 18u);
  std::vector<std::string> stored(settings::StoreOrder().begin(), settings::StoreOrder().end());
  std::sort(stored.begin(), stored.end());
  EXPECT_EQ(stored, std::vector<std::string>(names.begin(), names.end()));
}

TEST(SettingKeys, NamesAreExactAndCaseSensitive) {
  EXPECT_NE(FindSettingKey("LocalPassword"), nullptr);
  EXPECT_EQ(FindSettingKey("LOCALPASSWORD"), nullptr);
  EXPECT_EQ(FindSettingKey("host"), nullptr);
  EXPECT_EQ(FindSettingKey("DEBUG"), &settings::DebugKey());
  EXPECT_EQ(settings::DebugKey().field, nullptr);
}

}  // namespace
