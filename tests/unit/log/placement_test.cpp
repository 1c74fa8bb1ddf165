#include <gtest/gtest.h>

#include "log/placement.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "tests/unit/test_folder.h"

namespace {

using testing_support::TestFolder;

const platform::LocalTime kSeventhOfMarch{2024, 3, 7, 9, 5, 3};

std::string LogPath(const logging::CLogFile& log) { return log.m_szLogPath; }

TEST(LogFileName, MonthDayYearPaddedWithZeros) {
  struct Case {
    platform::LocalTime date;
    const char* name;
  } cases[] = {
      {{2025, 1, 1}, "01012025.log"},  {{2024, 3, 7}, "03072024.log"}, {{2024, 12, 31}, "12312024.log"},
      {{2026, 10, 9}, "10092026.log"}, {{999, 2, 28}, "02280999.log"},
  };
  for (const auto& c : cases) EXPECT_EQ(logging::LogFileName(c.date), c.name);
}

TEST(PlaceLog, MakesTheFolderAndNamesTheDaysFile) {
  TestFolder dir;
  logging::CLogFile log;
  logging::PlaceLog(log, dir.path(), kSeventhOfMarch);
  const char sep = platform::PathSeparator();
  EXPECT_TRUE(platform::IsDirectory(dir / "LOG"));
  EXPECT_EQ(LogPath(log), dir.path() + "LOG" + sep + "03072024.log");
  EXPECT_EQ(std::string(log.m_szModule), "Quandor Authenticato");
  EXPECT_EQ(log.m_szModule[20], '\0');
  EXPECT_FALSE(platform::PathExists(LogPath(log))) << "the file is made by the first entry";
  ASSERT_TRUE(log.WriteLogEntry("Login"));
  EXPECT_EQ(platform::ReadWholeFile(LogPath(log)).size(), 638u);
}

TEST(PlaceLog, KeepsAnExistingFolderAndItsFiles) {
  TestFolder dir;
  platform::MakeDirectory(dir / "LOG");
  dir.Write("LOG" + std::string(1, platform::PathSeparator()) + "03062024.log", "yesterday");
  logging::CLogFile log;
  logging::PlaceLog(log, dir.path(), kSeventhOfMarch);
  EXPECT_EQ(dir.Read("LOG" + std::string(1, platform::PathSeparator()) + "03062024.log"), "yesterday");
  EXPECT_TRUE(log.WriteLogEntry("Login"));
}

TEST(PlaceLog, AFolderThatCannotBeMadeLeavesEntriesUnwritten) {
  TestFolder dir;
  dir.Write("LOG", "a file where the folder should be");
  logging::CLogFile log;
  logging::PlaceLog(log, dir.path(), kSeventhOfMarch);
  EXPECT_FALSE(log.WriteLogEntry("Login"));
  EXPECT_EQ(dir.Read("LOG"), "a file where the folder should be");
}

// The path is the program folder, "LOG", a separator and 12 characters of file name.
TEST(PlaceLog, APathThatDoesNotFitTurnsLoggingOff) {
  struct Case {
    std::size_t pathLength;
    bool placed;
  } cases[] = {{259, true}, {260, true}, {261, false}, {400, false}};
  for (const auto& c : cases) {
    TestFolder dir;
    const std::size_t folderLength = c.pathLength - 4 - 12;
    ASSERT_GT(folderLength, dir.path().size());
    const std::string program =
        dir.path() + std::string(folderLength - dir.path().size() - 1, 'p') + platform::PathSeparator();
    logging::CLogFile log;
    logging::PlaceLog(log, program, kSeventhOfMarch);
    EXPECT_EQ(LogPath(log), c.placed ? program + "LOG" + platform::PathSeparator() + "03072024.log" : "")
        << c.pathLength;
    EXPECT_EQ(std::string(log.m_szModule), "Quandor Authenticato");
  }
}

}  // namespace
