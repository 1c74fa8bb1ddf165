#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <sstream>

#include "platform/fault.h"
#include "platform/files.h"
#include "settings/settings_record.h"
#include "storage/crypt_ini.h"
#include "storage/ini_text.h"
#include "tests/unit/test_folder.h"

namespace {

using platform::FileOp;
using settings::SettingsRecord;
using testing_support::TestFolder;

constexpr char kMissing[] = "<missing>";

// The value of a key in the plain file's raw text, or kMissing.
std::string PlainKey(const TestFolder& dir, const std::string& key) {
  return storage::IniGetString(dir.Read("Settings.ini"), "ConfigSetting", key, kMissing, 4096).value;
}

std::string HostFileText(const TestFolder& dir) {
  if (!platform::PathExists(dir / "SettingsHost.ini")) return std::string();
  return storage::DecipherIniFile(dir.Read("SettingsHost.ini")).value_or("<does not decipher>");
}

std::string EncipheredKey(const TestFolder& dir, const std::string& key) {
  return storage::IniGetString(HostFileText(dir), "Settings", key, kMissing, 4096).value;
}

std::string StoredKey(const TestFolder& dir, const settings::SettingKey& key) {
  return key.file == settings::KeyFile::Enciphered ? EncipheredKey(dir, key.name) : PlainKey(dir, key.name);
}

// The keys of an INI text's section, in file order.
std::vector<std::string> KeyOrder(const std::string& text) {
  std::vector<std::string> keys;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t eq = line.find('=');
    if (eq != std::string::npos) keys.push_back(line.substr(0, eq));
  }
  return keys;
}

// Every key with a distinct text in its written form.
SettingsRecord DistinctRecord() {
  SettingsRecord r;
  r.host = "rd.example";
  r.localPassword = "p@ss word";
  r.rdGateway = "gw.example";
  r.domain = "talo";
  r.lockByDisconnection = "0";
  r.expiresAt = "03:30";
  r.expires = "1";
  r.everyHrs = "7";
  r.printers = "0";
  r.clipboard = "0";
  r.rdGuard = "1";
  r.delay = "1250";
  r.forceNumKey = "0";
  r.useMonitorsAll = "1";
  r.audioRecording = "1";
  r.audioPlayback = "2";
  return r;
}

TEST(LoadSettings, FirstRunGivesTheDefaultsAndCreatesNothing) {
  TestFolder dir;
  EXPECT_EQ(settings::LoadSettings(dir.path()), SettingsRecord{});
  EXPECT_EQ(dir.Listing(), "");
}

TEST(LoadSettings, KeepsEveryStoredTextAsItIs) {
  TestFolder dir;
  dir.Write("Settings.ini",
            "[ConfigSetting]\r\nLOCKBYDISCONNECTION=01\r\nEXPIRESAT=7:5\r\nEXPIRES=\r\nENABLE=yes\r\nEVERYHRS=1\r\n"
            "PRINTERS=yes\r\nCLIPBOARD=1\r\nRDGUARD=2\r\nDELAY=abc\r\nFORCENUMKEY=0\r\nUSEMONITORSALL=\r\n"
            "AUDIORECORDING=9\r\nAUDIOPLAYBACK=7\r\nDAILYKEY=5\r\nDEBUG=1\r\n");
  storage::CCryptIni host;
  host.m_strFileName = dir / "SettingsHost.ini";
  host.Write("rd01", "HOST", "Settings");
  host.Write("pw", "LocalPassword", "Settings");
  host.Write("talo", "DOMAIN", "Settings");  // RDGATEWAY missing: empty
  const SettingsRecord r = settings::LoadSettings(dir.path());
  SettingsRecord expected;
  expected.host = "rd01";
  expected.localPassword = "pw";
  expected.rdGateway = "";
  expected.domain = "talo";
  expected.lockByDisconnection = "01";
  expected.expiresAt = "7:5";
  expected.expires = "";
  expected.enable = "yes";
  expected.everyHrs = "1";
  expected.printers = "yes";
  expected.clipboard = "1";
  expected.rdGuard = "2";
  expected.delay = "abc";
  expected.forceNumKey = "0";
  expected.useMonitorsAll = "";
  expected.audioRecording = "9";
  expected.audioPlayback = "7";
  expected.dailyKey = "0";  // never read
  EXPECT_EQ(r, expected);
  for (const settings::SettingKey& key : settings::RecordKeys())
    EXPECT_EQ(r.*key.field, expected.*key.field) << key.name;
}

TEST(LoadSettings, AMissingEncipheredFileGivesFourEmptyTexts) {
  TestFolder dir;
  dir.Write("Settings.ini", "[ConfigSetting]\r\nDELAY=10\r\n");
  const SettingsRecord r = settings::LoadSettings(dir.path());
  EXPECT_EQ(r.host + r.localPassword + r.rdGateway + r.domain, "");
  EXPECT_EQ(r.delay, "10");
  EXPECT_EQ(r.printers, "1");
}

TEST(LoadSettings, AnEncipheredFileThatDoesNotDecipherGivesEmptyTexts) {
  TestFolder dir;
  dir.Write("SettingsHost.ini", "not enciphered at all");
  EXPECT_EQ(settings::LoadSettings(dir.path()), SettingsRecord{});
}

// How often one load of a folder holding DistinctRecord() opens `fileName`; the load must
// read that record back.
int OpensOfOneLoad(const std::string& fileName) {
  TestFolder dir;
  settings::StoreSettings(dir.path(), DistinctRecord());
  int opens = 0;
  SettingsRecord r;
  {
    platform::ScopedFaultHook hook([&](FileOp op, const std::string& path) {
      opens += op == FileOp::Open && path == dir / fileName;
      return false;
    });
    r = settings::LoadSettings(dir.path());
  }
  EXPECT_EQ(r, DistinctRecord());
  return opens;
}

TEST(LoadSettings, ReadsTheEncipheredFileOnceForItsFourKeys) {
  // The four values then belong to one version of the file, even when the service
  // rewrites it meanwhile.
  EXPECT_EQ(OpensOfOneLoad("SettingsHost.ini"), 1);
}

TEST(LoadSettings, AnEncipheredFileThatCannotBeReadRaises) {
  TestFolder dir;
  dir.Write("SettingsHost.ini", "x");
  platform::ScopedFaultHook hook(
      [&](FileOp op, const std::string& path) { return op == FileOp::Open && path == dir / "SettingsHost.ini"; });
  EXPECT_THROW(settings::LoadSettings(dir.path()), platform::FileError);
}

TEST(StoreSettings, StoreThenLoadGivesTheRecordBack) {
  TestFolder dir;
  const SettingsRecord r = DistinctRecord();
  settings::StoreSettings(dir.path(), r);
  EXPECT_EQ(settings::LoadSettings(dir.path()), r);
  EXPECT_EQ(dir.Listing(), "Settings.ini SettingsHost.ini");
}

TEST(StoreSettings, WritesEnableAndDailyKeyAsZeroAndTheGatewayEvenWhenOff) {
  TestFolder dir;
  SettingsRecord r = DistinctRecord();
  r.enable = "1";
  r.dailyKey = "9";
  r.rdGuard = "0";
  settings::StoreSettings(dir.path(), r);
  EXPECT_EQ(PlainKey(dir, "ENABLE"), "0");
  EXPECT_EQ(PlainKey(dir, "DAILYKEY"), "0");
  EXPECT_EQ(PlainKey(dir, "RDGUARD"), "0");
  EXPECT_EQ(EncipheredKey(dir, "RDGATEWAY"), "gw.example");
}

// The order every store writes the keys in, written out: the service may read while the
// dialog saves, so a change of this order must fail here.
const std::vector<std::string> kWriteOrder = {
    "FORCENUMKEY",
    "RDGATEWAY",
    "DOMAIN",
    "PRINTERS",
    "CLIPBOARD",
    "RDGUARD",
    "DELAY",
    "AUDIORECORDING",
    "USEMONITORSALL",
    "AUDIOPLAYBACK",
    "HOST",
    "LocalPassword",
    "LOCKBYDISCONNECTION",
    "EXPIRES",
    "EXPIRESAT",
    "ENABLE",
    "DAILYKEY",
    "EVERYHRS",
};

std::vector<std::string> KeysOf(settings::KeyFile file) {
  std::vector<std::string> keys;
  for (const std::string& name : kWriteOrder)
    if (settings::FindSettingKey(name)->file == file) keys.push_back(name);
  return keys;
}

TEST(StoreSettings, WritesTheKeysInTheFixedOrder) {
  // On a fresh file every write appends its key, so each file's line order is its write order.
  TestFolder dir;
  std::string filesInWriteOrder;  // one letter a replaced file: P(lain) or E(nciphered)
  {
    platform::ScopedFaultHook hook([&](FileOp op, const std::string& path) {
      if (op == FileOp::Rename) filesInWriteOrder += path == dir / "SettingsHost.ini" ? "E" : "P";
      return false;
    });
    settings::StoreSettings(dir.path(), DistinctRecord());
  }
  const std::vector<std::string> plain = KeyOrder(dir.Read("Settings.ini"));
  const std::vector<std::string> enciphered = KeyOrder(HostFileText(dir));
  EXPECT_EQ(plain, KeysOf(settings::KeyFile::Plain));
  EXPECT_EQ(enciphered, KeysOf(settings::KeyFile::Enciphered));
#ifndef _WIN32
  // Windows writes the plain file with the profile functions, which the hook does not see.
  // Here FORCENUMKEY is one replace, the four enciphered keys one more at RDGATEWAY's place,
  // then each of the 13 other plain keys one replace of its own.
  EXPECT_EQ(filesInWriteOrder, "PEPPPPPPPPPPPPP");
#endif
}

// Where a key's write happens in a store: the four enciphered keys go in one replace, at
// the place of the first of them; a plain key at its own place.
std::ptrdiff_t WritePlace(const std::string& name) {
  const auto own = std::find(kWriteOrder.begin(), kWriteOrder.end(), name);
  if (settings::FindSettingKey(name)->file == settings::KeyFile::Plain) return own - kWriteOrder.begin();
  return std::find_if(
             kWriteOrder.begin(), kWriteOrder.end(),
             [](const std::string& n) { return settings::FindSettingKey(n)->file == settings::KeyFile::Enciphered; }) -
         kWriteOrder.begin();
}

// Runs the store with one write failing and checks that exactly the keys before it were written.
void ExpectStopsAt(const std::string& failingKey, const std::function<void(const TestFolder&)>& store) {
  TestFolder dir;
  store(dir);
  const std::ptrdiff_t stop = WritePlace(failingKey);
  for (const std::string& name : kWriteOrder) {
    const settings::SettingKey& key = *settings::FindSettingKey(name);
    const std::string stored = StoredKey(dir, key);
    if (WritePlace(name) < stop) {
      EXPECT_NE(stored, kMissing) << key.name << " comes before " << failingKey << " and stays written";
    } else {
      EXPECT_EQ(stored, kMissing) << key.name << " is not written after " << failingKey << " failed";
    }
  }
}

// One replace for the four keys: the service never reads the host of one save beside
// the password of another, and a failure leaves none of them written.
TEST(StoreSettings, WritesTheEncipheredKeysInOneReplaceOrNone) {
  TestFolder counted;
  int replacements = 0;
  {
    platform::ScopedFaultHook hook([&](FileOp op, const std::string& path) {
      replacements += op == FileOp::Rename && path == counted / "SettingsHost.ini";
      return false;
    });
    settings::StoreSettings(counted.path(), DistinctRecord());
  }
  EXPECT_EQ(replacements, 1);
  ExpectStopsAt("RDGATEWAY", [&](const TestFolder& dir) {
    platform::ScopedFaultHook hook(
        [&](FileOp op, const std::string& path) { return op == FileOp::Rename && path == dir / "SettingsHost.ini"; });
    EXPECT_THROW(settings::StoreSettings(dir.path(), DistinctRecord()), platform::FileError);
  });
}

// Every value is checked before anything is written.
TEST(StoreSettings, AValueThatCannotBeStoredWritesNothing) {
  struct Case {
    const char* key;
    std::function<void(SettingsRecord&)> change;
  } cases[] = {
      {"HOST", [](SettingsRecord& r) { r.host = "a\r\nEVIL=1"; }},
      {"LocalPassword", [](SettingsRecord& r) { r.localPassword = std::string("p\0w", 3); }},
      {"DELAY", [](SettingsRecord& r) { r.delay = "1\n2"; }},
  };
  for (const Case& c : cases) {
    TestFolder dir;
    SettingsRecord r = DistinctRecord();
    c.change(r);
    EXPECT_THROW(settings::StoreSettings(dir.path(), r), storage::IniValueError) << c.key;
    EXPECT_EQ(dir.Listing(), "") << c.key;
  }
}

#ifndef _WIN32
// Windows writes the plain file with the profile functions, which the fault hook does not reach.
TEST(StoreSettings, StopsAtTheFirstFailingPlainWrite) {
  for (const char* failingKey : {"FORCENUMKEY", "PRINTERS", "LOCKBYDISCONNECTION", "EVERYHRS"}) {
    ExpectStopsAt(failingKey, [&](const TestFolder& dir) {
      const auto plainBefore = std::count_if(
          kWriteOrder.begin(), std::find(kWriteOrder.begin(), kWriteOrder.end(), std::string(failingKey)),
          [](const std::string& n) { return settings::FindSettingKey(n)->file == settings::KeyFile::Plain; });
      std::ptrdiff_t replacements = 0;
      platform::ScopedFaultHook hook([&](FileOp op, const std::string& path) {
        return op == FileOp::Rename && path == dir / "Settings.ini" && replacements++ == plainBefore;
      });
      EXPECT_THROW(settings::StoreSettings(dir.path(), DistinctRecord()), platform::FileError) << failingKey;
    });
  }
}
#endif

TEST(StoreSettingValues, WritesOnlyTheGivenKeysInTheFixedOrder) {
  TestFolder dir;
  const int written = settings::StoreSettingValues(
      dir.path(), {{"EVERYHRS", "3"}, {"HOST", "h2"}, {"PRINTERS", "0"}, {"ENABLE", "1"}, {"FORCENUMKEY", "0"}});
  EXPECT_EQ(written, 5);
  EXPECT_EQ(KeyOrder(dir.Read("Settings.ini")),
            (std::vector<std::string>{"FORCENUMKEY", "PRINTERS", "ENABLE", "EVERYHRS"}));
  EXPECT_EQ(PlainKey(dir, "ENABLE"), "0") << "ENABLE is always written as 0";
  EXPECT_EQ(KeyOrder(HostFileText(dir)), std::vector<std::string>{"HOST"});
  EXPECT_EQ(EncipheredKey(dir, "HOST"), "h2");
}

// quandorctl's keys of one command go into "Settings.ini" in one replace: whichever
// step fails, the file holds all of them or none, and what it holds is what writing
// them one by one in the fixed order gives, byte for byte.
TEST(StoreSettingValues, WritesThePlainKeysAllOrNone) {
  const std::string before = "; kiosk 7\r\n[ConfigSetting]\r\nPRINTERS=1\r\nDELAY=250\r\n\r\n[Other]\r\nX=1\r\n";
  const std::map<std::string, std::string> values = {{"EVERYHRS", "3"}, {"PRINTERS", "0"}, {"FORCENUMKEY", "1"}};
  std::string oneByOne = before;
  for (const char* name : settings::StoreOrder()) {
    if (values.count(name) != 0) oneByOne = storage::IniWriteString(oneByOne, "ConfigSetting", name, values.at(name));
  }
  for (const FileOp failing : {FileOp::Open, FileOp::Write, FileOp::Flush, FileOp::Rename}) {
    for (int failingTime = 0; failingTime < static_cast<int>(values.size()); ++failingTime) {
      TestFolder dir;
      dir.Write("Settings.ini", before);
      int seen = 0;
      bool failed = false;
      {
        platform::ScopedFaultHook hook([&](FileOp op, const std::string& path) {
          const bool plainFile = path.compare(0, (dir / "Settings.ini").size(), dir / "Settings.ini") == 0;
          return op == failing && plainFile && seen++ == failingTime;
        });
        try {
          settings::StoreSettingValues(dir.path(), values);
        } catch (const platform::FileError&) {
          failed = true;
        }
      }
      const std::string after = dir.Read("Settings.ini");
      EXPECT_EQ(after, failed ? before : oneByOne)
          << platform::FileOpName(failing) << " failing the " << failingTime + 1 << ". time";
      EXPECT_EQ(dir.Listing(), "Settings.ini");
    }
  }
}

#ifndef _WIN32
// Windows reads the plain file with the profile functions, which the fault hook does not reach.
TEST(LoadSettings, ReadsThePlainFileOnce) { EXPECT_EQ(OpensOfOneLoad("Settings.ini"), 1); }
#endif

TEST(StoreSettingValues, ANameThatIsNotARecordKeyWritesNothing) {
  for (const char* name : {"NOSUCHKEY", "DEBUG", "host"}) {
    TestFolder dir;
    EXPECT_THROW(settings::StoreSettingValues(dir.path(), {{"PRINTERS", "0"}, {name, "1"}}), std::invalid_argument)
        << name;
    EXPECT_EQ(dir.Listing(), "") << name;
  }
}

TEST(ReadCardExpiryText, FromThePlainFile) {
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
    EXPECT_EQ(settings::ReadCardExpiryText(dir.path()), c.text) << (c.settings ? c.settings : "(no file)");
  }
}

}  // namespace
