#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "log/log_file.h"
#include "log/log_reader.h"
#include "platform/files.h"
#include "tests/unit/log/log_test_support.h"
#include "tests/unit/test_folder.h"

namespace {

using log_test::Entry;
using log_test::Header;
using log_test::Record;
using logging::LogRecord;
using testing_support::TestFolder;

// A source that hands out one byte per call, as a pipe or a slow file may.
class TrickleSource : public logging::ByteSource {
 public:
  explicit TrickleSource(std::string bytes) : m_bytes(std::move(bytes)) {}
  std::size_t Read(char* buffer, std::size_t n) override {
    if (n == 0 || m_at == m_bytes.size()) return 0;
    buffer[0] = m_bytes[m_at++];
    return 1;
  }

 private:
  std::string m_bytes;
  std::size_t m_at = 0;
};

struct ReadResult {
  std::vector<LogRecord> records;
  std::size_t trailing = 0;
};

ReadResult ReadAll(logging::ByteSource& source) {
  logging::LogReader reader(source);
  ReadResult result;
  while (auto record = reader.Next()) result.records.push_back(std::move(*record));
  result.trailing = reader.TrailingBytes();
  EXPECT_FALSE(reader.Next().has_value()) << "the end stays the end";
  EXPECT_EQ(reader.TrailingBytes(), result.trailing);
  return result;
}

ReadResult ReadBytes(const std::string& bytes) {
  logging::BufferSource source(bytes);
  return ReadAll(source);
}

std::vector<std::string> Fields(const LogRecord& r) { return {r.date, r.time, r.module, r.procedure, r.description}; }

TEST(LogReader, ReadsBackWhatTheLogWrote) {
  TestFolder dir;
  logging::CLogFile log(logging::kRecordCap, [] { return platform::LocalTime{2024, 3, 7, 9, 5, 3}; });
  logging::CopyBounded(log.m_szLogPath, dir / "a.log");
  logging::CopyBounded(log.m_szModule, "Quandor Authenticato");
  log.SetProcedure("MenuLogin");
  ASSERT_TRUE(log.WriteLogEntry("Login"));
  log.SetProcedure("Show Settings");
  ASSERT_TRUE(log.WriteLogEntry(nullptr));

  logging::FileSource source(dir / "a.log");
  const ReadResult result = ReadAll(source);
  ASSERT_EQ(result.records.size(), 3u);
  using V = std::vector<std::string>;
  EXPECT_EQ(Fields(result.records[0]), (V{"DATE", "TIME", "MODULE", "PROCEDURE", "DESCRIPTION"}));
  EXPECT_EQ(Fields(result.records[1]), (V{"03-07-2024", "09:05:03", "QuandorAuthenticato", "MenuLogin", "Login"}));
  EXPECT_EQ(Fields(result.records[2]), (V{"03-07-2024", "09:05:03", "QuandorAuthenticato", "ShowSettings", ""}));
  for (const LogRecord& r : result.records) EXPECT_EQ(r.problem, "") << r.index;
  EXPECT_EQ(result.records[2].index, 2u);
  EXPECT_EQ(result.trailing, 0u);
}

TEST(LogReader, ReportsWhatIsWrongWithARecord) {
  std::string noLineEnd = Entry("x");
  noLineEnd.replace(317, 2, "\n\n");
  std::string junkAfterNul = Entry("x");
  junkAfterNul[200] = 'j';
  const std::string foreign(319, '\xFF');
  struct Case {
    const char* what;
    std::string bytes;
    std::size_t index;  // of the record in question
    const char* problem;
  } cases[] = {
      {"an entry first", Entry("x"), 0, "the first record is not the header"},
      {"no CR LF", Header() + noLineEnd, 1, "the record does not end with CR LF"},
      {"a date without its TAB", Header() + Record("03-07-2024x", "09:05:03\t", "M\t", "P\t", "d"), 1,
       "the date field does not end with a TAB"},
      {"an empty procedure field", Header() + Record("03-07-2024\t", "09:05:03\t", "M\t", "", "d"), 1,
       "the procedure field does not end with a TAB"},
      {"bytes after the description's end", Header() + junkAfterNul, 1,
       "the description field holds bytes after its end"},
      {"foreign bytes", Header() + foreign, 1, "the date field does not end with a TAB"},
      {"foreign bytes first", foreign + Header(), 0, "the date field does not end with a TAB"},
  };
  for (const Case& c : cases) {
    const ReadResult result = ReadBytes(c.bytes);
    ASSERT_GT(result.records.size(), c.index) << c.what;
    EXPECT_EQ(result.records[c.index].problem, c.problem) << c.what;
    for (const LogRecord& r : result.records) {
      if (r.index == c.index) continue;
      EXPECT_EQ(r.problem, "") << c.what << ": record " << r.index;
    }
  }
}

TEST(LogReader, FieldsAreCutAtTheirFirstNul) {
  const ReadResult result = ReadBytes(Header() + Record("03-07-2024\t", "09:05:03\t", "\t", "P\t", "a\tb c"));
  ASSERT_EQ(result.records.size(), 2u);
  EXPECT_EQ(Fields(result.records[1]), (std::vector<std::string>{"03-07-2024", "09:05:03", "", "P", "a\tb c"}));
}

TEST(LogReader, BytesAfterTheLastWholeRecordAreCountedNotParsed) {
  struct Case {
    std::string bytes;
    std::size_t records, trailing;
  } cases[] = {
      {"", 0, 0},
      {std::string(100, 'f'), 0, 100},
      {Header() + std::string(318, '\0'), 1, 318},
      {Header() + Entry("x"), 2, 0},
      {Header() + Entry("x") + "\r\n", 2, 2},
  };
  for (const Case& c : cases) {
    const ReadResult result = ReadBytes(c.bytes);
    EXPECT_EQ(result.records.size(), c.records) << c.bytes.size();
    EXPECT_EQ(result.trailing, c.trailing) << c.bytes.size();
  }
}

TEST(LogReader, ShortReadsGiveTheSameRecords) {
  const std::string bytes = Header() + Entry("one") + Entry("two") + "tail";
  TrickleSource trickle(bytes);
  const ReadResult slow = ReadAll(trickle);
  const ReadResult fast = ReadBytes(bytes);
  ASSERT_EQ(slow.records.size(), 3u);
  ASSERT_EQ(slow.records.size(), fast.records.size());
  for (std::size_t i = 0; i < slow.records.size(); ++i) EXPECT_EQ(Fields(slow.records[i]), Fields(fast.records[i]));
  EXPECT_EQ(slow.trailing, 4u);
}

// The same bytes reached through the file as through a buffer, across the file's pieces.
TEST(LogReader, FileSourceReadsALargeFileWhole) {
  TestFolder dir;
  std::string bytes = Header();
  for (int i = 0; i < 400; ++i) bytes += Entry("e" + std::to_string(i));
  dir.Write("a.log", bytes + "t");
  logging::FileSource source(dir / "a.log");
  const ReadResult result = ReadAll(source);
  ASSERT_EQ(result.records.size(), 401u);
  EXPECT_EQ(result.records[400].description, "e399");
  EXPECT_EQ(result.trailing, 1u);
}

TEST(LogReader, FileSourceRefusesMissingFilesAndFoldersAndCreatesNothing) {
  TestFolder dir;
  EXPECT_THROW(logging::FileSource(dir / "missing.log"), platform::FileError);
  platform::MakeDirectory(dir / "folder");
  EXPECT_THROW(logging::FileSource(dir / "folder"), platform::FileError);
  EXPECT_EQ(dir.Listing(), "folder");
}

}  // namespace
