#include <gtest/gtest.h>

#include <sstream>

#include "tests/unit/log/log_test_support.h"
#include "tests/unit/test_folder.h"
#include "tools/quandorctl/cli.h"
#include "tools/quandorctl/groups.h"
#include "tools/quandorctl/log_command.h"

namespace {

using log_test::Entry;
using log_test::Header;
using log_test::Record;
using testing_support::TestFolder;

struct Shown {
  int status;
  std::string out, err;
};

Shown Show(const std::string& path) {
  std::ostringstream out, err;
  const int status = quandorctl::ShowLog(path, out, err);
  return {status, out.str(), err.str()};
}

const char kHeaderLine[] = "DATE\tTIME\tMODULE\tPROCEDURE\tDESCRIPTION\n";

TEST(LogShow, PrintsOneLinePerRecordHeaderFirst) {
  TestFolder dir;
  dir.Write("a.log", Header() + Entry("Login", "MenuLogin") + Entry("Settings UI", "ShowSettings"));
  const Shown shown = Show(dir / "a.log");
  EXPECT_EQ(shown.status, quandorctl::kExitOk);
  EXPECT_EQ(shown.out, std::string(kHeaderLine) +
                           "03-07-2024\t09:05:03\tQuandorAuthenticato\tMenuLogin\tLogin\n"
                           "03-07-2024\t09:05:03\tQuandorAuthenticato\tShowSettings\tSettings UI\n");
  EXPECT_EQ(shown.err, "");
}

TEST(LogShow, ControlBytesInAFieldCannotBreakTheLine) {
  logging::LogRecord record;
  record.date = "d";
  record.description =
      "a\tb\r\nc\\d\x01\x7F"
      "e\xE9";
  EXPECT_EQ(quandorctl::FormatLogLine(record), "d\t\t\t\ta\\tb\\r\\nc\\\\d\\x01\\x7Fe\xE9");
}

TEST(LogShow, WarnsOnceAboutForeignRecordsAndTrailingBytes) {
  struct Case {
    const char* what;
    std::string bytes;
    std::size_t lines;
    std::string err;
  } cases[] = {
      {"a partial record at the end", Header() + Entry("x") + std::string(100, 'f'), 2,
       "the last 100 bytes are not a whole record of 319 bytes and are not shown\n"},
      {"two foreign records", Entry("x") + Header() + std::string(319, 'f'), 3,
       "2 records do not follow the log's layout; the first is record 0 (byte 0): the first record is not the "
       "header\n"},
      {"one foreign record", Header() + Record("03-07-2024\t", "09:05:03\t", "M", "P\t", "d"), 2,
       "1 record does not follow the log's layout; the first is record 1 (byte 319): the module field does not end "
       "with a TAB\n"},
  };
  for (const Case& c : cases) {
    TestFolder dir;
    dir.Write("a.log", c.bytes);
    const Shown shown = Show(dir / "a.log");
    EXPECT_EQ(shown.status, quandorctl::kExitOk) << c.what;
    EXPECT_EQ(static_cast<std::size_t>(std::count(shown.out.begin(), shown.out.end(), '\n')), c.lines) << c.what;
    EXPECT_EQ(shown.err, "quandorctl log: warning: " + (dir / "a.log") + ": " + c.err) << c.what;
  }
}

TEST(LogShow, AnEmptyFileShowsNothing) {
  TestFolder dir;
  dir.Write("a.log", "");
  const Shown shown = Show(dir / "a.log");
  EXPECT_EQ(shown.status, quandorctl::kExitOk);
  EXPECT_EQ(shown.out + shown.err, "");
}

TEST(LogShow, AMissingFileIsAFileErrorAndIsNotCreated) {
  TestFolder dir;
  try {
    Show(dir / "missing.log");
    FAIL() << "no error";
  } catch (const quandorctl::CommandError& e) {
    EXPECT_EQ(e.status(), quandorctl::kExitFile);
    EXPECT_NE(std::string(e.what()).find(dir / "missing.log"), std::string::npos) << e.what();
  }
  EXPECT_EQ(dir.Listing(), "");
}

TEST(LogShow, WrongUsage) {
  const quandorctl::Args cases[] = {{},
                                    {"list"},
                                    {"show", "a.log", "b.log"},
                                    {"show", "--dir", ".", "a.log"},
                                    {"show", "--date", "2026-02-29"},
                                    {"show", "--date", "2026-1-05"},
                                    {"show", "--date", "05.01.2026"},
                                    {"enable", "extra"},
                                    {"disable", "--date", "2026-01-05"}};
  for (const auto& args : cases) EXPECT_THROW(quandorctl::kLogGroup.run(args), quandorctl::UsageError) << args.size();
}

}  // namespace
