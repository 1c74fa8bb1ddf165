#include "tools/quandorctl/check_report.h"

#include <gtest/gtest.h>

#include "storage/latin1_text.h"

namespace {

using quandorctl::CheckReport;
using settings::KeyDifference;

KeyDifference Differs(const std::string& name, const std::string& stored, const std::string& wanted) {
  return {name, stored, wanted, name == "LocalPassword"};
}

struct LineCase {
  const char* label;
  KeyDifference difference;
  std::string line;
};

TEST(CheckReport, OneLinePerDifferingKey) {
  const LineCase cases[] = {
      {"texts in quotes", Differs("DELAY", "500", "600"), "DELAY: \"500\", wanted \"600\"\n"},
      {"the password: never its texts", Differs("LocalPassword", "old s3cret", "new s3cret"),
       "LocalPassword: differs\n"},
      {"an empty text", Differs("DOMAIN", "", "talo"), "DOMAIN: \"\", wanted \"talo\"\n"},
      {"quotes, backslashes and control bytes escaped: one line", Differs("HOST", "a\"b\\c\td", "x"),
       "HOST: \"a\\\"b\\\\c\\td\", wanted \"x\"\n"},
      {"8-bit text as UTF-8", Differs("HOST", "Jos\xE9", "x"), "HOST: \"Jos\xC3\xA9\", wanted \"x\"\n"},
      {"a long text cut, its length named", Differs("HOST", std::string(100, 'a'), "b"),
       "HOST: \"" + std::string(60, 'a') + "\"... (100 characters), wanted \"b\"\n"},
  };
  for (const LineCase& c : cases) EXPECT_EQ(CheckReport({c.difference}), c.line) << c.label;
  EXPECT_EQ(CheckReport({Differs("PRINTERS", "1", "0"), Differs("DELAY", "5", "6")}),
            "PRINTERS: \"1\", wanted \"0\"\nDELAY: \"5\", wanted \"6\"\n");
  EXPECT_EQ(CheckReport({}), "");
}

// `count` (at most 26) differences whose lines are 20 bytes each: "KA: \"1\", wanted \"0\"\n".
std::vector<KeyDifference> TwentyByteLines(int count) {
  std::vector<KeyDifference> differences;
  for (int i = 0; i < count; ++i) differences.push_back(Differs(std::string("K") + char('A' + i), "1", "0"));
  return differences;
}

struct CutCase {
  const char* label;
  int lines;          // of 20 bytes each
  std::size_t limit;  // bytes
  std::string tail;   // how the report ends
  std::size_t size;
};

TEST(CheckReport, CutsAtTheLimitWithTheCountOfLinesLeftOut) {
  ASSERT_EQ(CheckReport(TwentyByteLines(1)), "KA: \"1\", wanted \"0\"\n");
  const CutCase cases[] = {
      {"fits exactly", 5, 100, "KE: \"1\", wanted \"0\"\n", 100},
      {"one byte over: the last line makes room for the count", 5, 99, "KD: \"1\", wanted \"0\"\n... and 1 more\n", 95},
      {"room for the count alone", 5, 16, "... and 5 more\n", 15},
      {"a two-digit count", 20, 96, "KD: \"1\", wanted \"0\"\n... and 16 more\n", 96},
      {"one byte less: the two-digit count needs one more line out", 20, 95,
       "KC: \"1\", wanted \"0\"\n... and 17 more\n", 76},
  };
  for (const CutCase& c : cases) {
    const std::string report = CheckReport(TwentyByteLines(c.lines), c.limit);
    EXPECT_LE(report.size(), c.limit) << c.label;
    EXPECT_EQ(report.size(), c.size) << c.label << ":\n" << report;
    EXPECT_EQ(report.substr(report.size() - std::min(report.size(), c.tail.size())), c.tail) << c.label;
  }
}

TEST(CheckReport, TheWholeOutputFitsIntuneWhateverTheTexts) {
  // Many keys differing with the longest texts a file may hold, escaped to six bytes a character.
  std::vector<KeyDifference> differences;
  for (int i = 0; i < 40; ++i)
    differences.push_back(Differs("KEY" + std::to_string(i), std::string(1023, '\x01'), std::string(1023, '\xFF')));
  const std::string report = CheckReport(differences);
  EXPECT_LE(report.size(), quandorctl::kCheckReportLimit);
  EXPECT_NE(report.find(" more\n"), std::string::npos);
  EXPECT_TRUE(storage::Utf8ToLatin1(report).has_value()) << "valid UTF-8, whole characters only";
}

}  // namespace
