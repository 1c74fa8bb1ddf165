#include "storage/crypt_ini.h"

#include <gtest/gtest.h>

#include <functional>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/fault.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "storage/crypto.h"
#include "storage/ini_text.h"
#include "tests/unit/storage/vectors.h"
#include "tests/unit/test_folder.h"

namespace {

namespace fs = std::filesystem;
using platform::FileOp;
using testing_support::TestFolder;

storage::CCryptIni At(const std::string& path) {
  storage::CCryptIni ini;
  ini.m_strFileName = path;
  return ini;
}

TEST(CCryptIni, WriteToANewFileGivesTheFixedBytes) {
  TestFolder dir;
  storage::CCryptIni ini = At(dir / "SettingsHost.ini");
  EXPECT_EQ(ini.Write("abc", "HOST", "Settings"), 1);
  EXPECT_EQ(ini.m_nLastResult, 1);
  EXPECT_EQ(dir.Read("SettingsHost.ini"), storage_vectors::kIniFile);
  EXPECT_EQ(dir.Listing(), "SettingsHost.ini");
}

TEST(CCryptIni, ReadsTheFixedFile) {
  TestFolder dir;
  dir.Write("1234.dll", storage_vectors::kIniFile);
  storage::CCryptIni ini = At(dir / "1234.dll");
  EXPECT_EQ(ini.Read("HOST", "Settings"), "abc");
  EXPECT_EQ(ini.m_nLastResult, 3);
  EXPECT_EQ(ini.Read("host", "SETTINGS"), "abc");
  EXPECT_EQ(ini.Read("USER", "Settings"), "");
  EXPECT_EQ(ini.m_nLastResult, 0);
  EXPECT_EQ(ini.Read("HOST", "Other"), "");
}

TEST(CCryptIni, SeveralWritesKeepEveryKey) {
  TestFolder dir;
  storage::CCryptIni ini = At(dir / "SettingsHost.ini");
  ini.Write("host1", "HOST", "Settings");
  ini.Write("secret", "LocalPassword", "Settings");
  ini.Write("srv", "SERVER", "Settings");
  ini.Write("host2", "HOST", "Settings");
  ini.Write("bob", "USER", "Card");
  EXPECT_EQ(storage::DecipherIniFile(dir.Read("SettingsHost.ini")),
            std::string("[Settings]\r\nHOST=host2\r\nLocalPassword=secret\r\nSERVER=srv\r\n[Card]\r\nUSER=bob\r\n"));
  EXPECT_EQ(ini.Read("LocalPassword", "Settings"), "secret");
}

TEST(CCryptIni, LongValuesAreCutTo1023Characters) {
  TestFolder dir;
  storage::CCryptIni ini = At(dir / "a.ini");
  const std::string value(3000, 'x');
  ini.Write(value, "K", "S");
  EXPECT_EQ(ini.Read("K", "S"), value.substr(0, 1023));
  EXPECT_EQ(ini.m_nLastResult, 1023);
}

TEST(CCryptIni, LargeTextUsesTheLongCountForm) {
  // Count and text of 65546 bytes: 6 + 65546 = 65552 bytes of plaintext, one more block
  // than the 2-byte count would give.
  TestFolder dir;
  storage::CCryptIni ini = At(dir / "a.ini");
  const std::string prefix = "[S]\r\nK=";
  const std::string value(65546 - prefix.size() - 2, 'v');
  ini.Write(value, "K", "S");
  const std::string bytes = dir.Read("a.ini");
  EXPECT_EQ(bytes.size(), 65568u);
  EXPECT_EQ(storage::DecipherIniFile(bytes), prefix + value + "\r\n");
}

TEST(CCryptIni, WhatDoesNotDecipherReadsEmptyAndIsStartedAfresh) {
  storage::ByteArray otherKey, framingCut;
  {
    storage::CCrypto crypto;
    ASSERT_TRUE(crypto.DeriveKey("ANOTHER0000"));
    ASSERT_TRUE(crypto.EncryptObject(storage_vectors::kIniText, otherKey));
  }
  {
    storage::CCrypto crypto;
    ASSERT_TRUE(crypto.DeriveKey(storage::kPassPhrase));
    ASSERT_TRUE(crypto.EncryptString(storage_vectors::kIniText, framingCut));
  }
  struct Case {
    const char* label;
    std::string bytes;
  } cases[] = {
      {"empty file", ""},
      {"plain text", storage_vectors::kIniText},
      {"cut ciphertext", storage_vectors::kIniFile.substr(0, 16)},
      {"another pass phrase", otherKey},
      {"framing cut short", framingCut},
  };
  for (const Case& c : cases) {
    TestFolder dir;
    dir.Write("a.ini", c.bytes);
    storage::CCryptIni ini = At(dir / "a.ini");
    EXPECT_FALSE(storage::DecipherIniFile(c.bytes).has_value()) << c.label;
    EXPECT_EQ(ini.Read("HOST", "Settings"), "") << c.label;
    EXPECT_EQ(ini.m_nLastResult, 0) << c.label;
    EXPECT_EQ(ini.Write("abc", "HOST", "Settings"), 1) << c.label;
    EXPECT_EQ(dir.Read("a.ini"), storage_vectors::kIniFile) << c.label;
  }
}

TEST(CCryptIni, ReadKeysReadsTheFileOnceAndAnswersAsReadDoes) {
  TestFolder dir;
  storage::CCryptIni ini = At(dir / "1234.dll");
  ini.Write("bob", "USER", "Settings");
  ini.Write("pw", "PASSWORD", "Settings");
  ini.Write("elsewhere", "USER", "Other");
  int opens = 0;
  std::vector<std::string> values;
  {
    platform::ScopedFaultHook hook([&](FileOp op, const std::string&) {
      opens += op == FileOp::Open;
      return false;
    });
    values = ini.ReadKeys({"USER", "MISSING", "password"}, "Settings");
  }
  EXPECT_EQ(values, (std::vector<std::string>{"bob", "", "pw"}));
  EXPECT_EQ(opens, 1);
  EXPECT_EQ(ini.m_nLastResult, 2) << "that of the last key";
  for (const char* key : {"USER", "MISSING", "password"})
    EXPECT_EQ(ini.Read(key, "Settings"), values[key[0] == 'U' ? 0 : key[0] == 'M' ? 1 : 2]) << key;

  dir.Write("bad.dll", "not enciphered, 32 bytes long...");
  storage::CCryptIni bad = At(dir / "bad.dll");
  EXPECT_EQ(bad.ReadKeys({"USER", "PASSWORD"}, "Settings"), (std::vector<std::string>{"", ""}));
  storage::CCryptIni missing = At(dir / "missing.dll");
  EXPECT_THROW(missing.ReadKeys({"USER"}, "Settings"), platform::FileError);
}

// A text whose enciphered file would pass the bound is never written: every reader
// would take the file for a damaged one.
TEST(CCryptIni, AWriteBeyondTheBoundIsRefused) {
  TestFolder dir;
  storage::CCryptIni file = At(dir / "SettingsHost.ini");
  file.Write("1", "A", "Settings");
  const std::string before = dir.Read("SettingsHost.ini");
  std::string text = "[Settings]\r\n";
  for (int i = 0; text.size() < storage::kLargestEncipheredFile; ++i)
    text += "K" + std::to_string(i) + "=" + std::string(1000, 'v') + "\r\n";
  storage::IniEntries many;
  for (int i = 0; i < 2; ++i) many.emplace_back("K" + std::to_string(i), std::string(600000, 'v'));
  struct Case {
    const char* what;
    std::function<void()> write;
  } cases[] = {
      {"WriteKeys",
       [&] { file.WriteKeys(many, "Settings", storage::UndecipherableFile::Refuse, storage::MissingFile::Refuse); }},
      {"EncipherIniFile", [&] { storage::EncipherIniFile(dir / "SettingsHost.ini", text); }},
  };
  for (const Case& c : cases) {
    try {
      c.write();
      ADD_FAILURE() << c.what << ": written";
    } catch (const platform::FileError& e) {
      EXPECT_NE(std::string(e.what()).find("1 MiB (1048576 bytes)"), std::string::npos) << e.what();
      EXPECT_EQ(e.path(), dir / "SettingsHost.ini");
    }
  }
  EXPECT_EQ(dir.Read("SettingsHost.ini"), before);
  EXPECT_EQ(dir.Listing(), "SettingsHost.ini");
}

TEST(CCryptIni, AWriteThatMustNotCreateRefusesAMissingFile) {
  TestFolder dir;
  storage::CCryptIni file = At(dir / "1.dll");
  EXPECT_THROW(
      file.WriteKeys({{"USER", "u"}}, "Settings", storage::UndecipherableFile::Refuse, storage::MissingFile::Refuse),
      storage::MissingFileError);
  EXPECT_EQ(dir.Listing(), "");
}

TEST(CCryptIni, MissingFileIsAnErrorOnRead) {
  TestFolder dir;
  storage::CCryptIni ini = At(dir / "missing.ini");
  EXPECT_THROW(ini.Read("HOST", "Settings"), platform::FileError);
  EXPECT_EQ(dir.Listing(), "");
}

TEST(CCryptIni, ValuesWithALineBreakAreRefused) {
  TestFolder dir;
  dir.Write("a.ini", storage_vectors::kIniFile);
  storage::CCryptIni ini = At(dir / "a.ini");
  EXPECT_THROW(ini.Write("x\r\nPASSWORD=evil", "HOST", "Settings"), storage::IniValueError);
  EXPECT_THROW(ini.Write("x", "HOST\n", "Settings"), storage::IniValueError);
  EXPECT_EQ(ini.m_nLastResult, 0);
  EXPECT_EQ(dir.Read("a.ini"), storage_vectors::kIniFile);
}

// Every file directly in `folder` whose bytes hold `needle`.
std::vector<std::string> FilesHolding(const std::string& folder, const std::string& needle) {
  std::vector<std::string> found;
  std::error_code error;
  for (fs::directory_iterator it(fs::u8path(folder), error), end; !error && it != end; it.increment(error)) {
    if (!it->is_regular_file(error)) continue;
    std::ifstream in(it->path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (bytes.str().find(needle) != std::string::npos) found.push_back(it->path().u8string());
  }
  return found;
}

TEST(CCryptIni, NoPlaintextEverReachesTheDisk) {
  TestFolder dir;
  const std::string secret = "Pl41nT3xt-Secret-Value";
  std::vector<std::string> leaks;
  int primitives = 0;
  {
    platform::ScopedFaultHook hook([&](FileOp op, const std::string& path) {
      ++primitives;
      for (const std::string& folder : {platform::TempDirectory(), dir.path()})
        for (const std::string& file : FilesHolding(folder, secret))
          leaks.push_back(std::string(platform::FileOpName(op)) + " " + path + ": " + file);
      return false;
    });
    storage::CCryptIni ini = At(dir / "1234.dll");
    ini.Write(secret, "PASSWORD", "Settings");
    ini.Write("bob", "USER", "Settings");
    EXPECT_EQ(ini.Read("PASSWORD", "Settings"), secret);
    ini.Write(secret + "2", "PASSWORD", "Settings");
  }
  EXPECT_GT(primitives, 8);
  for (const std::string& folder : {platform::TempDirectory(), dir.path()})
    for (const std::string& file : FilesHolding(folder, secret)) leaks.push_back("after: " + file);
  EXPECT_TRUE(leaks.empty()) << leaks.front();
  EXPECT_FALSE(platform::PathExists(platform::TempDirectory() + "KOVAUTH.ini"));
  EXPECT_EQ(dir.Listing(), "1234.dll");
}

}  // namespace
