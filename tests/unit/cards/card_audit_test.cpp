#include "cards/card_audit.h"

#include <gtest/gtest.h>

namespace {

TEST(FileWrittenEvent, NamesTheFileAndKeyACardFileByItsMask) {
  struct Case {
    std::string path, section, key;
    std::vector<std::string> strings;
  } cases[] = {
      {"C:\\Q\\SettingsHost.ini", "Settings", "HOST", {"C:\\Q\\SettingsHost.ini", "[Settings] HOST"}},
      {"C:\\Q\\CARD\\4711230098.dll", "Settings", "USER", {"C:\\Q\\CARD\\47XXXX98.dll", "[Settings] USER"}},
      // Only ".dll" leaves a card number; the card list names such a file by the same mask.
      {"/tmp/cards/4711230098.DLL", "Settings", "", {"/tmp/cards/47XXXXLL", "the whole file"}},
      {"4711230098.dll", "Settings", "", {"47XXXX98.dll", "the whole file"}},
      {"C:\\4711230098\\x.ini", "S", "K", {"C:\\4711230098\\x.ini", "[S] K"}},  // not a card file
  };
  for (const Case& c : cases) {
    const audit::Event e = cards::FileWrittenEvent(c.path, c.section, c.key);
    EXPECT_EQ(e.id, audit::kFileWritten);
    EXPECT_EQ(e.strings, c.strings) << c.path;
  }
}

}  // namespace
