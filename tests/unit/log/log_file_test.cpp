#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <thread>

#include "log/log_file.h"
#include "log/log_reader.h"
#include "platform/fault.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "tests/unit/log/log_test_support.h"
#include "tests/unit/test_folder.h"

namespace {

using log_test::Entry;
using log_test::Header;
using log_test::Padded;
using log_test::Record;
using logging::CLogFile;
using platform::FileOp;
using testing_support::TestFolder;

platform::LocalTime FixedClock() { return {2024, 3, 7, 9, 5, 3}; }

// A log on `path` as the placement leaves it, stamped by the fixed clock.
struct TestLog {
  explicit TestLog(const std::string& path, std::int32_t cap = logging::kRecordCap) : log(cap, FixedClock) {
    logging::CopyBounded(log.m_szLogPath, path);
    logging::CopyBounded(log.m_szModule, "Quandor Authenticato");
    log.SetProcedure("Test");
  }
  CLogFile log;
};

// The file's records, 319 bytes each (the last one may be short).
std::vector<std::string> Records(const std::string& bytes) {
  std::vector<std::string> records;
  for (std::size_t at = 0; at < bytes.size(); at += logging::kRecordBytes)
    records.push_back(bytes.substr(at, logging::kRecordBytes));
  return records;
}

TEST(CLogFile, HeaderIsBuiltAtConstruction) {
  CLogFile log;
  EXPECT_EQ(std::string(log.m_szHeader, sizeof log.m_szHeader) + "\r\n", Header());
  EXPECT_EQ(log.m_szLogPath[0], '\0');
  EXPECT_EQ(log.m_nRecordCount, 0);
}

TEST(CLogFile, TheGlobalLogStartsWithLoggingOff) {
  EXPECT_EQ(g_logFile.m_szLogPath[0], '\0');
  EXPECT_EQ(g_logFile.m_szModule[0], '\0');
  EXPECT_EQ(std::string(g_logFile.m_szHeader, sizeof g_logFile.m_szHeader) + "\r\n", Header());
}

TEST(CLogFile, EntryLayout) {
  const std::string letters20 = "ABCDEFGHIJKLMNOPQRST";
  const std::string long255 = std::string(254, 'd') + "Z";  // Z lands on byte 316
  const std::string long259 = long255 + "tail";
  struct Case {
    const char* what;
    std::string module, procedure;
    const char* description;
    std::string moduleField, procedureField, descriptionField;
  } cases[] = {
      {"the program's entry", "Quandor Authenticato", "ShowSettings", "Settings UI", "QuandorAuthenticato\t",
       "ShowSettings\t", "Settings UI"},
      {"spaces go from names, stay in the description", " A B ", "Menu  Login", "Menu  Login", "AB\t", "MenuLogin\t",
       "Menu  Login"},
      {"empty names and a null description", "", "", nullptr, "\t", "\t", ""},
      {"an empty description", "M", "P", "", "M\t", "P\t", ""},
      {"20-character names fill their fields", letters20, letters20, "x", letters20 + "\t", letters20 + "\t", "x"},
      {"255 characters fill the description", "M", "P", long255.c_str(), "M\t", "P\t", long255},
      {"a longer description is cut to 255", "M", "P", long259.c_str(), "M\t", "P\t", long255},
  };
  for (const Case& c : cases) {
    TestFolder dir;
    TestLog t(dir / "a.log");
    logging::CopyBounded(t.log.m_szModule, c.module);
    t.log.SetProcedure(c.procedure.c_str());
    ASSERT_TRUE(t.log.WriteLogEntry(c.description)) << c.what;
    const std::string bytes = dir.Read("a.log");
    EXPECT_EQ(bytes,
              Header() + Record("03-07-2024\t", "09:05:03\t", c.moduleField, c.procedureField, c.descriptionField))
        << c.what;
  }
}

TEST(CLogFile, DateAndTimeFields) {
  struct Case {
    platform::LocalTime time;
    const char* date;
    const char* clock;
  } cases[] = {
      {{2024, 3, 7, 9, 5, 3}, "03-07-2024", "09:05:03"},
      {{1999, 12, 31, 23, 59, 59}, "12-31-1999", "23:59:59"},
      {{2025, 1, 1, 0, 0, 0}, "01-01-2025", "00:00:00"},
      // A clock gone wrong: as "%02d" and "%04d" print it.
      {{-5, -1, 123, -12, 7, 100}, "-1-123--005", "-12:07:100"},
      {{-2147483647 - 1, 0, 0, 0, 0, 0}, "00-00--2147483648", "00:00:00"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(logging::FormatLogDate(c.time), c.date);
    EXPECT_EQ(logging::FormatLogTime(c.time), c.clock);
    const std::string fields = logging::BuildEntryFields(c.time, "M", "P", "d");
    EXPECT_EQ(fields.substr(0, 20),
              std::string(c.date).substr(0, 10) + "\t" + std::string(c.clock).substr(0, 8) + "\t");
  }
}

TEST(CLogFile, AClockGoneWrongStillEndsItsFieldsWithATab) {
  const std::string fields = logging::BuildEntryFields({123456, 100, 100, 100, 100, 100}, "M", "P", "d");
  EXPECT_EQ(fields.substr(0, 11), "100-100-12\t");
  EXPECT_EQ(fields.substr(11, 9), "100:100:\t");
  EXPECT_EQ(fields.substr(20, 2), std::string("M\t"));
}

TEST(CLogFile, NamesSetWithoutATerminatorAreReadTo20Characters) {
  TestFolder dir;
  TestLog t(dir / "a.log");
  std::memset(t.log.m_szModule, 'M', sizeof t.log.m_szModule);
  std::memset(t.log.m_szProcedure, 'P', sizeof t.log.m_szProcedure);
  ASSERT_TRUE(t.log.WriteLogEntry("d"));
  EXPECT_EQ(dir.Read("a.log").substr(logging::kRecordBytes),
            Record("03-07-2024\t", "09:05:03\t", std::string(20, 'M') + "\t", std::string(20, 'P') + "\t", "d"));
}

TEST(CLogFile, SetProcedureCopiesAtMost20Characters) {
  struct Case {
    const char* name;
    const char* stored;
  } cases[] = {
      {"ShowSettings", "ShowSettings"},
      {"ABCDEFGHIJKLMNOPQRST", "ABCDEFGHIJKLMNOPQRST"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "ABCDEFGHIJKLMNOPQRST"},
      {"", ""},
      {nullptr, ""},
  };
  for (const Case& c : cases) {
    CLogFile log;
    log.SetProcedure("previous name");
    log.SetProcedure(c.name);
    EXPECT_EQ(std::string(log.m_szProcedure, sizeof log.m_szProcedure), Padded(c.stored, 21));
  }
}

TEST(CLogFile, FirstEntryWritesHeaderAndEntryLaterOnesOnlyTheEntry) {
  TestFolder dir;
  TestLog t(dir / "a.log");
  ASSERT_TRUE(t.log.WriteLogEntry("one"));
  EXPECT_EQ(dir.Read("a.log").size(), 638u);
  t.log.SetProcedure("Other");
  ASSERT_TRUE(t.log.WriteLogEntry("two"));
  EXPECT_EQ(dir.Read("a.log"), Header() + Entry("one") + Entry("two", "Other"));
  EXPECT_EQ(t.log.m_nRecordCount, 2);
}

TEST(CLogFile, ForeignOrShortFilesGetTheEntryAtTheirEndAndNoHeader) {
  struct Case {
    const char* what;
    std::string existing;
    int records;
  } cases[] = {
      {"100 foreign bytes", std::string(100, 'f'), 0},
      {"one byte short of a record", std::string(318, 'f'), 0},
      {"two records and 62 bytes", Header() + Entry("old") + std::string(62, 'f'), 2},
      {"a file whose first record is not the header", Entry("first") + Entry("second"), 2},
  };
  for (const Case& c : cases) {
    TestFolder dir;
    dir.Write("a.log", c.existing);
    TestLog t(dir / "a.log");
    ASSERT_TRUE(t.log.WriteLogEntry("new")) << c.what;
    EXPECT_EQ(dir.Read("a.log"), c.existing + Entry("new")) << c.what;
    EXPECT_EQ(t.log.m_nRecordCount, c.records) << c.what;
  }
}

// A crash mid-write leaves a cut-short entry of ours at the end: the next entry takes
// its place, or every later record of the day would be misaligned. Only there: bytes
// that are not ours are never overwritten (the cases above).
TEST(CLogFile, AnEntryOfOursCutShortIsReplacedByTheNext) {
  const std::string cut[] = {Entry("torn").substr(0, 1), Entry("torn").substr(0, 11), Entry("torn").substr(0, 318)};
  for (const std::string& tail : cut) {
    TestFolder dir;
    dir.Write("a.log", Header() + Entry("old") + tail);
    TestLog t(dir / "a.log");
    ASSERT_TRUE(t.log.WriteLogEntry("new")) << tail.size();
    EXPECT_EQ(dir.Read("a.log"), Header() + Entry("old") + Entry("new")) << tail.size();
  }
  for (const std::string& notOurs : {std::string("x"), std::string("03-07-2024 "), std::string("x3-07-2024\t")}) {
    TestFolder dir;
    const std::string before = Header() + Entry("old") + notOurs;
    dir.Write("a.log", before);
    TestLog t(dir / "a.log");
    ASSERT_TRUE(t.log.WriteLogEntry("new"));
    EXPECT_EQ(dir.Read("a.log"), before + Entry("new")) << notOurs;
  }
}

// Two users' tray programs share the day's file. Each entry lands whole at the end,
// none over another, and the header is written once.
TEST(CLogFile, EntriesOfTwoWritersAtOnceAllLandWhole) {
  TestFolder dir;
  constexpr int kEach = 200;
  auto writer = [&](const char* procedure) {
    TestLog t(dir / "a.log");
    t.log.SetProcedure(procedure);
    for (int i = 0; i < kEach; ++i) EXPECT_TRUE(t.log.WriteLogEntry("entry"));
  };
  std::thread first(writer, "First");
  std::thread second(writer, "Second");
  first.join();
  second.join();
  const std::vector<std::string> records = Records(dir.Read("a.log"));
  ASSERT_EQ(records.size(), 1u + 2 * kEach);
  EXPECT_EQ(records[0], Header());
  int firsts = 0, seconds = 0;
  for (std::size_t i = 1; i < records.size(); ++i) {
    firsts += records[i] == Entry("entry", "First");
    seconds += records[i] == Entry("entry", "Second");
  }
  EXPECT_EQ(firsts, kEach);
  EXPECT_EQ(seconds, kEach);
}

// Another writer's append is in flight: the file's length ends inside its record (Linux
// raises the length a page at a time while it writes). An entry written meanwhile waits
// for it instead of cutting it back as a torn tail, and lands after it.
TEST(CLogFile, AnAppendInFlightIsNotTakenForATornTail) {
  TestFolder dir;
  dir.Write("a.log", Header() + Entry("old"));
  const std::string inFlight = Entry("in flight", "Other");
  auto other = std::make_unique<platform::SharedFile>(dir / "a.log", platform::SharedFile::Writes::AtTheEndOnly);
  other->HoldToAppend();
  other->Append(inFlight.substr(0, 100));
  std::thread writer([&] {
    TestLog t(dir / "a.log");
    EXPECT_TRUE(t.log.WriteLogEntry("new"));
  });
  // Time for the writer to look at the length while the append is half done; a writer
  // that cut it back would have written its entry by then.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  other->Append(inFlight.substr(100));
  other.reset();
  writer.join();
  EXPECT_EQ(Records(dir.Read("a.log")), Records(Header() + Entry("old") + inFlight + Entry("new")));
}

TEST(CLogFile, NothingIsWrittenWhenTheFileCannotBeUsed) {
  TestFolder dir;
  {
    TestLog t("");
    EXPECT_FALSE(t.log.WriteLogEntry("x")) << "empty path";
  }
  {
    TestLog t(dir / "missing" + platform::PathSeparator() + "a.log");
    EXPECT_FALSE(t.log.WriteLogEntry("x")) << "missing folder";
  }
  {
    platform::MakeDirectory(dir / "folder.log");
    TestLog t(dir / "folder.log");
    EXPECT_FALSE(t.log.WriteLogEntry("x")) << "a folder";
  }
  EXPECT_EQ(dir.Listing(), "folder.log");
}

TEST(CLogFile, AFailedOpenOrWriteReportsFalseAndLeavesWholeRecords) {
  struct Case {
    const char* what;
    std::string existing;
    FileOp failing;
    int failingCall;  // which call of that primitive fails, from 1
    std::string after;
  } cases[] = {
      {"open", Header() + Entry("old"), FileOp::Open, 1, Header() + Entry("old")},
      {"the entry's write", Header() + Entry("old"), FileOp::Write, 1, Header() + Entry("old")},
      {"the header's write into an empty file", "", FileOp::Write, 1, ""},
      {"the entry's write after a new header", "", FileOp::Write, 2, Header()},
  };
  for (const Case& c : cases) {
    TestFolder dir;
    dir.Write("a.log", c.existing);
    TestLog t(dir / "a.log");
    int calls = 0;
    platform::ScopedFaultHook hook(
        [&](FileOp op, const std::string&) { return op == c.failing && ++calls == c.failingCall; });
    EXPECT_FALSE(t.log.WriteLogEntry("new")) << c.what;
    EXPECT_EQ(dir.Read("a.log"), c.after) << c.what;
  }
}

TEST(CLogFile, TheNextEntryAfterAFailureIsWrittenNormally) {
  TestFolder dir;
  TestLog t(dir / "a.log");
  {
    platform::ScopedFaultHook hook([](FileOp op, const std::string&) { return op == FileOp::Write; });
    EXPECT_FALSE(t.log.WriteLogEntry("lost"));
  }
  EXPECT_TRUE(t.log.WriteLogEntry("kept"));
  EXPECT_EQ(dir.Read("a.log"), Header() + Entry("kept"));
}

// A file of `entries` entries "e1".."eN" after a header.
std::string LogWith(int entries) {
  std::string bytes = Header();
  for (int i = 1; i <= entries; ++i) bytes += Entry("e" + std::to_string(i));
  return bytes;
}

TEST(CLogFile, AtTheCapTheOldestEntriesGo) {
  struct Case {
    const char* what;
    std::string existing;
    std::string after;
  } cases[] = {
      {"one below the cap grows to it", LogWith(2), LogWith(2) + Entry("new")},
      {"at the cap the oldest entry goes", LogWith(3), Header() + Entry("e2") + Entry("e3") + Entry("new")},
      {"past the cap (another writer) it comes back to the cap", LogWith(5),
       Header() + Entry("e4") + Entry("e5") + Entry("new")},
      {"a foreign first record becomes the header", Entry("x") + Entry("e1") + Entry("e2") + Entry("e3"),
       Header() + Entry("e2") + Entry("e3") + Entry("new")},
      {"bytes after the last whole record are kept", LogWith(3) + "tail",
       Header() + Entry("e2") + Entry("e3") + "tail" + Entry("new")},
  };
  for (const Case& c : cases) {
    TestFolder dir;
    dir.Write("a.log", c.existing);
    TestLog t(dir / "a.log", 4);
    ASSERT_TRUE(t.log.WriteLogEntry("new")) << c.what;
    EXPECT_EQ(Records(dir.Read("a.log")), Records(c.after)) << c.what;
  }
}

TEST(CLogFile, TheFileStaysAtTheCapEntryAfterEntry) {
  TestFolder dir;
  TestLog t(dir / "a.log", 4);
  for (int i = 1; i <= 6; ++i) ASSERT_TRUE(t.log.WriteLogEntry(("e" + std::to_string(i)).c_str()));
  EXPECT_EQ(Records(dir.Read("a.log")), Records(Header() + Entry("e4") + Entry("e5") + Entry("e6")));
  EXPECT_EQ(t.log.m_nRecordCount, 4);
}

// 600 records span three move pieces of 64 KiB, the last one partial.
TEST(CLogFile, AtTheCapALargeFileMovesInPiecesAndKeepsOrder) {
  TestFolder dir;
  dir.Write("a.log", LogWith(599));
  TestLog t(dir / "a.log", 600);
  ASSERT_TRUE(t.log.WriteLogEntry("new"));
  std::string expected = Header();
  for (int i = 2; i <= 599; ++i) expected += Entry("e" + std::to_string(i));
  expected += Entry("new");
  const std::string bytes = dir.Read("a.log");
  EXPECT_EQ(bytes.size(), 600u * logging::kRecordBytes);
  EXPECT_TRUE(bytes == expected);
}

// Entry i with a description that fills its field, so that a record made of two
// entries' bytes differs from both.
std::string FullEntry(int i) {
  std::string description;
  while (description.size() < 255) description += "e" + std::to_string(i) + " ";
  return Entry(description.substr(0, 255));
}

TEST(CLogFile, AMoveCutShortLeavesOnlyWholeEntries) {
  // 599 entries span three move pieces; the move is cut short at each of its reads and
  // writes in turn. Every record left is the header or one of the entries, whole.
  std::string existing = Header();
  std::set<std::string> known = {Header(), Entry("new")};
  for (int i = 1; i <= 599; ++i) {
    existing += FullEntry(i);
    known.insert(FullEntry(i));
  }
  for (const FileOp failing : {FileOp::Read, FileOp::Write}) {
    for (int call = 2; call <= 3; ++call) {
      TestFolder dir;
      dir.Write("a.log", existing);
      TestLog t(dir / "a.log", 600);
      int calls = 0;
      {
        platform::ScopedFaultHook hook([&](FileOp op, const std::string&) { return op == failing && ++calls == call; });
        EXPECT_FALSE(t.log.WriteLogEntry("new"));
      }
      const std::string bytes = dir.Read("a.log");
      ASSERT_EQ(bytes.size(), 600u * logging::kRecordBytes);
      for (std::size_t at = 0; at < bytes.size(); at += logging::kRecordBytes) {
        EXPECT_EQ(known.count(bytes.substr(at, logging::kRecordBytes)), 1u)
            << platform::FileOpName(failing) << " " << call << ": record " << at / logging::kRecordBytes
            << " is spliced";
      }
      EXPECT_EQ(bytes.substr(0, logging::kRecordBytes), Header());
    }
  }
}

}  // namespace
