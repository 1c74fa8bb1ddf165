#include "settings/desired_state.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "settings/settings_record.h"
#include "storage/crypt_ini.h"
#include "tests/unit/test_folder.h"

namespace {

using settings::DesiredState;
using settings::DesiredStateError;
using testing_support::TestFolder;

struct Accepted {
  const char* label;
  std::string json;
  DesiredState want;
};

TEST(DesiredState, ParsesFlatObjectsOfTexts) {
  const Accepted cases[] = {
      {"texts", R"({"HOST": "rd01.example", "DELAY": "600", "PRINTERS": "0"})",
       {{"HOST", "rd01.example"}, {"DELAY", "600"}, {"PRINTERS", "0"}}},
      {"empty object", "{}", {}},
      {"a whole number is its decimal text (ConvertTo-Json writes 600 unquoted)", R"({"DELAY": 600})",
       {{"DELAY", "600"}}},
      {"zero as a number", R"({"PRINTERS": 0, "AUDIOPLAYBACK": 2})", {{"PRINTERS", "0"}, {"AUDIOPLAYBACK", "2"}}},
      {"empty texts where a save writes them", R"({"DOMAIN": "", "EVERYHRS": ""})",
       {{"DOMAIN", ""}, {"EVERYHRS", ""}}},
      {"the password may stand in the file", R"({"LocalPassword": "p w;\"x"})", {{"LocalPassword", "p w;\"x"}}},
      {"DAILYKEY as a save writes it", R"({"DAILYKEY": "0", "ENABLE": "0"})", {{"DAILYKEY", "0"}, {"ENABLE", "0"}}},
      {"a UTF-8 byte-order mark (PowerShell's UTF8 encoding writes one)", "\xEF\xBB\xBF{\"HOST\": \"a\"}",
       {{"HOST", "a"}}},
      {"CR LF lines and blanks", "{\r\n  \"HOST\" : \"a\" ,\r\n  \"DELAY\":\"1\"\r\n}\r\n",
       {{"HOST", "a"}, {"DELAY", "1"}}},
      {"characters up to U+00FF become the 8-bit text", R"({"HOST": "Jos\u00e9 \u00ff"})",
       {{"HOST", "Jos\xE9 \xFF"}}},
      {"UTF-8 of the same characters", "{\"HOST\": \"Jos\xC3\xA9\"}", {{"HOST", "Jos\xE9"}}},
  };
  for (const Accepted& c : cases) {
    try {
      EXPECT_EQ(settings::ParseDesiredState(c.json), c.want) << c.label;
    } catch (const DesiredStateError& e) {
      ADD_FAILURE() << c.label << ": refused: " << e.what();
    }
  }
}

struct Refused {
  const char* label;
  std::string json;
  std::string message;  // part of the message
};

TEST(DesiredState, RefusesWithAMessageNamingTheKeyOrTheLine) {
  const Refused cases[] = {
      {"unknown key", R"({"HOST": "a", "HOSTS": "b"})", "unknown key \"HOSTS\" (keys: HOST, LocalPassword"},
      {"key names are case-sensitive", R"({"host": "a"})", "unknown key \"host\""},
      {"DEBUG is never written", R"({"DEBUG": "1"})", "DEBUG \"1\" refused: DEBUG is never written"},
      {"DAILYKEY other than 0", R"({"DAILYKEY": "1"})", "DAILYKEY \"1\" refused"},
      {"a value settings set refuses", R"({"PRINTERS": "yes"})",
       "PRINTERS \"yes\" refused: PRINTERS must be \"1\" (on) or \"0\" (off)"},
      {"a time the picker never writes", R"({"EXPIRESAT": "7:5"})", "EXPIRESAT \"7:5\" refused"},
      {"a negative number", R"({"DELAY": -5})", "DELAY \"-5\" refused: DELAY must be decimal digits"},
      {"a number with a fraction", R"({"DELAY": 600.5})", "DELAY must be a text or a whole number, not a number"},
      {"a number too large for a whole number", R"({"DELAY": 123456789012345678901234567890})",
       "DELAY must be a text or a whole number"},
      {"true", R"({"PRINTERS": true})", "PRINTERS must be a text or a whole number, not true or false"},
      {"null", R"({"HOST": null})", "HOST must be a text or a whole number, not null"},
      {"a nested object", R"({"HOST": {"a": "b"}})", "HOST must be a text or a whole number, not an object"},
      {"a list", R"({"HOST": ["a"]})", "HOST must be a text or a whole number, not a list"},
      {"a blank at the end would not read back", R"({"HOST": "rd01 "})", "HOST \"rd01 \" refused"},
      {"a line break", R"({"HOST": "a\r\nDELAY=1"})", "HOST \"a\\r\\nDELAY=1\" refused: HOST must be one line"},
      {"a NUL", R"({"DOMAIN": "a\u0000b"})", "DOMAIN holds a NUL character"},
      {"a character the 8-bit files cannot store", R"({"HOST": "\u20ac"})",
       "HOST holds a character that the settings files cannot store"},
      {"a duplicate key", R"({"DELAY": "1", "DELAY": "2"})", "DELAY is given twice"},
      {"the masked password that show prints", R"({"LocalPassword": "********"})",
       "LocalPassword is the mask that show prints"},
      {"a list at the top", R"(["HOST"])", "the file must hold one JSON object"},
      {"a text at the top", R"("HOST")", "the file must hold one JSON object"},
      {"an empty file", "", "not valid JSON at line 1, column 1"},
      {"malformed on line 3", "{\n  \"HOST\": \"a\",\n  \"DELAY\" \"1\"\n}", "not valid JSON at line 3, column 13"},
      {"a comma too many", "{\"HOST\": \"a\",}", "not valid JSON at line 1, column 14"},
      {"two objects", "{} {}", "not valid JSON at line 1, column 4"},
      {"a text cut short", "{\"HOST\": \"a", "not valid JSON at line 1"},
  };
  for (const Refused& c : cases) {
    try {
      const DesiredState state = settings::ParseDesiredState(c.json);
      ADD_FAILURE() << c.label << ": accepted " << state.size() << " keys";
    } catch (const DesiredStateError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.label << ": " << e.what();
    }
  }
}

TEST(DesiredState, NoMessageShowsAPassword) {
  const std::string cases[] = {
      R"({"LocalPassword": " s3cret"})",            // refused: would not read back
      R"({"LocalPassword": "s3cret\nx"})",           // refused: line break
      R"({"LocalPassword": "s3cret", "LocalPassword": "s3cret"})",
      "{\"LocalPassword\": \"s3cret\" \"HOST\": 1}",  // malformed just after it
      "{\"LocalPassword\": \"s3cret",                 // cut short inside it
  };
  for (const std::string& json : cases) {
    try {
      settings::ParseDesiredState(json);
      ADD_FAILURE() << "accepted " << json;
    } catch (const DesiredStateError& e) {
      EXPECT_EQ(std::string(e.what()).find("s3cret"), std::string::npos) << e.what();
    }
  }
}

TEST(DesiredState, ReportsEveryRefusalAtOnce) {
  try {
    settings::ParseDesiredState(R"({"PRINTERS": "yes", "HOST": "a", "NOPE": "1", "DELAY": "x"})");
    FAIL() << "accepted";
  } catch (const DesiredStateError& e) {
    const std::string message = e.what();
    for (const char* part : {"PRINTERS", "NOPE", "DELAY"}) EXPECT_NE(message.find(part), std::string::npos) << part;
    EXPECT_EQ(message.find("HOST \""), std::string::npos) << "HOST is fine: " << message;
  }
}

TEST(DesiredState, PasswordFromStandardInput) {
  DesiredState state = settings::ParseDesiredState(R"({"HOST": "a"})");
  settings::AddLocalPassword(state, "p w");
  EXPECT_EQ(state.at("LocalPassword"), "p w");

  DesiredState inFile = settings::ParseDesiredState(R"({"LocalPassword": "a"})");
  EXPECT_THROW(settings::AddLocalPassword(inFile, "b"), DesiredStateError) << "given twice";
  DesiredState masked;
  EXPECT_THROW(settings::AddLocalPassword(masked, "********"), DesiredStateError);
  DesiredState blank;
  try {
    settings::AddLocalPassword(blank, "s3cret ");
    FAIL() << "accepted a password that would not read back";
  } catch (const DesiredStateError& e) {
    EXPECT_EQ(std::string(e.what()).find("s3cret"), std::string::npos) << e.what();
  }
}

TEST(DesiredState, StoredTextsAreWhatTheProgramReads) {
  TestFolder dir;
  dir.Write("Settings.ini", "[ConfigSetting]\r\nPRINTERS=yes\r\nDAILYKEY=7\r\n");
  settings::StoreSettingValues(dir.path(), {{"HOST", "rd01"}});
  const settings::SettingTexts texts = settings::ReadStoredTexts(dir.path());
  EXPECT_EQ(texts.size(), settings::RecordKeys().size());
  EXPECT_EQ(texts.at("HOST"), "rd01");
  EXPECT_EQ(texts.at("LocalPassword"), "");
  EXPECT_EQ(texts.at("PRINTERS"), "yes") << "stored text, not its meaning";
  EXPECT_EQ(texts.at("DELAY"), "500") << "a missing key reads its default";
  EXPECT_EQ(texts.at("DAILYKEY"), "7") << "never read by the program: what the file holds";

  TestFolder empty;
  EXPECT_EQ(settings::ReadStoredTexts(empty.path()).at("DAILYKEY"), "");
}

struct DiffCase {
  const char* label;
  settings::SettingTexts stored;
  DesiredState wanted;
  std::vector<std::string> differing;  // in store order
};

TEST(DesiredState, DiffNamesTheDifferingKeysInStoreOrder) {
  const DiffCase cases[] = {
      {"nothing wanted", {{"HOST", "a"}}, {}, {}},
      {"equal", {{"HOST", "a"}, {"DELAY", "500"}}, {{"HOST", "a"}, {"DELAY", "500"}}, {}},
      {"one differs", {{"HOST", "a"}, {"DELAY", "500"}}, {{"HOST", "a"}, {"DELAY", "600"}}, {"DELAY"}},
      {"exact comparison: case and blanks count", {{"HOST", "rd01"}}, {{"HOST", "RD01"}}, {"HOST"}},
      {"a stored text outside the written forms differs from its written form", {{"PRINTERS", "yes"}},
       {{"PRINTERS", "0"}}, {"PRINTERS"}},
      {"store order, not file or alphabetical order",
       {{"HOST", "a"}, {"FORCENUMKEY", "1"}, {"EVERYHRS", "12"}, {"LocalPassword", "x"}, {"RDGATEWAY", ""}},
       {{"HOST", "b"}, {"FORCENUMKEY", "0"}, {"EVERYHRS", "2"}, {"LocalPassword", "y"}, {"RDGATEWAY", "g"}},
       {"FORCENUMKEY", "RDGATEWAY", "HOST", "LocalPassword", "EVERYHRS"}},
      {"a key missing from the texts read compares as empty", {}, {{"DOMAIN", ""}, {"HOST", "a"}}, {"HOST"}},
  };
  for (const DiffCase& c : cases) {
    std::vector<std::string> names;
    for (const settings::KeyDifference& d : settings::DiffSettings(c.stored, c.wanted)) names.push_back(d.name);
    EXPECT_EQ(names, c.differing) << c.label;
  }
  const auto differences = settings::DiffSettings({{"LocalPassword", "a"}, {"HOST", "x"}},
                                                  {{"LocalPassword", "b"}, {"HOST", "y"}});
  ASSERT_EQ(differences.size(), 2u);
  EXPECT_FALSE(differences[0].secret);
  EXPECT_EQ(differences[0].stored, "x");
  EXPECT_EQ(differences[0].wanted, "y");
  EXPECT_TRUE(differences[1].secret);
}

}  // namespace
