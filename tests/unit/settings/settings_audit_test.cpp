#include "settings/settings_audit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "settings/settings_record.h"
#include "tests/unit/test_folder.h"

namespace {

using Values = std::map<std::string, std::string>;

// The texts of a record that holds the defaults with `changes` over them.
audit::KeyTexts TextsOf(const Values& changes) {
  settings::SettingsRecord record;
  for (const auto& [name, text] : changes) record.*settings::FindSettingKey(name)->field = text;
  return settings::RecordTexts(record);
}

TEST(SaveAudit, NamesTheKeysWhoseStoredTextTheSaveChanges) {
  const audit::KeyTexts whole = TextsOf({{"HOST", "h"}});
  struct Case {
    const char* label;
    audit::KeyTexts before;
    Values written;
    const char* names;
  } cases[] = {
      {"one key of many", TextsOf({}), {{"HOST", "rd1"}}, "HOST"},
      {"a key written as it was", TextsOf({{"DELAY", "700"}}), {{"DELAY", "700"}, {"HOST", ""}}, "none"},
      {"both files, in store order",
       TextsOf({{"HOST", "rd1"}, {"LocalPassword", "Old-Pw"}}),
       {{"LocalPassword", "New-Pw"}, {"PRINTERS", "0"}, {"HOST", "rd1"}},
       "PRINTERS, LocalPassword"},
      {"ENABLE is stored as 0 whatever is written", TextsOf({{"ENABLE", "1"}}), {{"ENABLE", "1"}}, "ENABLE"},
      {"DAILYKEY too", TextsOf({{"DAILYKEY", "0"}}), {{"DAILYKEY", "5"}}, "none"},
      {"nothing known before: every written key", {}, {{"HOST", "rd1"}, {"DELAY", "500"}}, "DELAY, HOST"},
      {"a whole record written unchanged", whole, Values(whole.begin(), whole.end()), "none"},
  };
  for (const Case& c : cases) {
    const settings::SaveAudit trail(c.before);
    const audit::Event event = trail.Saved(c.written);
    EXPECT_EQ(event.id, audit::kSettingsSaved) << c.label;
    EXPECT_EQ(event.strings, std::vector<std::string>{c.names}) << c.label;
  }
}

TEST(SaveAudit, AFailureKeepsTheOldAndTheTypedLocalPasswordOut) {
  const settings::SaveAudit trail(TextsOf({{"LocalPassword", "Stored-Pw"}}));
  const audit::Event event = trail.Failed("x: Stored-Pw, Typed-Pw and Marbled refused", "Typed-Pw");
  EXPECT_EQ(event.id, audit::kSettingsNotSaved);
  EXPECT_EQ(event.strings, std::vector<std::string>{"x: (secret), (secret) and (secret) refused"});
}

TEST(StoredTexts, ReadsTheFilesOrNothing) {
  testing_support::TestFolder dir;
  settings::StoreSettingValues(dir.path(), {{"HOST", "rd9"}, {"LocalPassword", "pw"}});
  EXPECT_EQ(settings::StoredTexts(dir.path()), TextsOf({{"HOST", "rd9"}, {"LocalPassword", "pw"}}));
  // A folder where the enciphered file should be cannot be read.
  testing_support::TestFolder unreadable;
  std::filesystem::create_directory(unreadable / settings::kEncipheredFileName);
  EXPECT_EQ(settings::StoredTexts(unreadable.path()), audit::KeyTexts{});
}

}  // namespace
