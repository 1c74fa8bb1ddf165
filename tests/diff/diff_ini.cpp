// Our INI engine against the real profile functions: every text of the table is put in
// a file, and GetPrivateProfileStringA / WritePrivateProfileStringA on that file must
// answer and write what IniGetString / IniWriteString answer and write on the text.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "storage/ini_text.h"
#include "tests/unit/test_folder.h"

namespace {

using testing_support::TestFolder;

// Shows bytes with their line breaks and controls visible, for failure messages.
std::string Show(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else if (c < 0x20 || c >= 0x7F) {
      char hex[8];
      snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else
      out += static_cast<char>(c);
  }
  return "\"" + out + "\"";
}

struct Text {
  const char* label;
  std::string bytes;
  std::vector<std::string> sections;  // asked for, each with every key below
  std::vector<std::string> keys;
};

const std::string kLongValue(3000, 'v');
const std::string kJunk = [] {
  std::string s = "[junk]\r\nk=";
  for (int c = 1; c < 256; ++c)
    if (c != '\r' && c != '\n' && c != 0xA0) s += static_cast<char>(c);
  return s + "\r\n";
}();

const std::vector<Text>& Texts() {
  static const std::vector<Text> texts = {
      {"profile form",
       "[Settings]\r\nHOST=abc\r\nUSER=bob\r\n\r\n[Other]\r\nHOST=def\r\n",
       {"Settings", "settings", " SETTINGS ", "Other", "Missing", ""},
       {"HOST", "host", " User ", "none", ""}},
      {"empty text", "", {"Settings", ""}, {"HOST", ""}},
      {"no trailing newline", "[s]\r\nk=last", {"s"}, {"k", "x"}},
      {"LF-only lines", "[s]\nk=1\nj=2\n[t]\nk=3\n", {"s", "t"}, {"k", "j"}},
      {"lone CR lines", "[s]\rk=1\rj=2\r", {"s"}, {"k", "j"}},
      {"blanks around names and '='",
       "  [ s ]  \r\n \t k \t = \t v w \t \r\n[t]\r\n  key2   =   x  \r\n",
       {"s", " s ", "t"},
       {"k", "key2"}},
      {"empty key and empty value", "[s]\r\n=novalue\r\nempty=\r\nbare\r\n", {"s"}, {"", "empty", "bare"}},
      {"'=' in values", "[s]\r\nk=a=b=c\r\nurl=http://x/?q=1\r\n", {"s"}, {"k", "url"}},
      {"quotes",
       "[q]\r\nd=\"dq\"\r\ns='sq'\r\nm=\"mixed'\r\none=\"\r\nempty=\"\"\r\ninner=a\"b\"\r\nlead=\"x\r\n"
       "spaced= \"in\" \r\n",
       {"q"},
       {"d", "s", "m", "one", "empty", "inner", "lead", "spaced"}},
      {"comments", "; top\r\n[s]\r\n;k=commented\r\nk=real\r\n# hash\r\n", {"s"}, {"k", ";k", "# hash", "; top"}},
      {"duplicate keys", "[s]\r\nk=first\r\nK=second\r\n", {"s"}, {"k"}},
      {"duplicate sections", "[s]\r\na=1\r\n[t]\r\nb=2\r\n[S]\r\na=3\r\nc=4\r\n", {"s", "t"}, {"a", "b", "c"}},
      {"keys before any section", "k=orphan\r\n[s]\r\nj=1\r\n", {"s", ""}, {"k", "j"}},
      {"very long line", "[s]\r\nlong=" + kLongValue + "\r\n", {"s"}, {"long"}},
      {"section header oddities",
       "[a]b]\r\nk=1\r\n[c\r\nj=2\r\n[]\r\ne=3\r\n",
       {"a]b", "a", "c", ""},
       {"k", "j", "e", "[c"}},
      {"accented names", "[Sect\xC4on]\r\nK\xC9Y=1\r\n", {"Sect\xC4on", "sect\xE4on"}, {"K\xC9Y", "k\xE9y"}},
      {"binary junk", kJunk, {"junk"}, {"k"}},
      {"control characters at the edges",
       "[s]\r\n\x0b\x0c k \x1a=\x1a\x0b v \x0c\t\r\nn= \xA0x\xA0 \r\n\x01j=\x01\r\n",
       {"s"},
       {"k", "n", "\x01j", "j"}},
      {"blank lines only", "\r\n \r\n\t\r\n", {"s"}, {"k"}},
  };
  return texts;
}

// Where Wine is known to answer otherwise than Windows; there the engine keeps Windows'
// behaviour and the case is not compared with Wine.
constexpr const char kWineEmptySection[] =
    "Wine files the keys before the first header under the section \"\" and writes that "
    "section without a header; Windows keeps \"[]\" as the header of the section \"\" "
    "(WritePrivateProfileString(\"\", \"key\", \"string\") on an empty file gives "
    "\"[]\\r\\nkey=string\\r\\n\")";

struct KnownLookupDifference {
  const char* text;
  const char* section;
  const char* why;
};
const KnownLookupDifference kLookupDifferences[] = {
    {"keys before any section", "", kWineEmptySection},
    {"section header oddities", "", kWineEmptySection},
};

bool WineDiffers(const Text& t, const std::string& section) {
  for (const KnownLookupDifference& d : kLookupDifferences)
    if (t.label == std::string(d.text) && section == d.section) return true;
  return false;
}

const char* const kDefaults[] = {"", "dflt", "dflt  ", " ", "\"qd\""};
const unsigned kSizes[] = {1024, 1, 2, 4, 5, 6};

class Files {
 public:
  std::string Put(const std::string& bytes) {
    const std::string path = m_dir / ("t" + std::to_string(m_count++) + ".ini");
    platform::ReplaceFileContent(path, bytes, platform::NewFile::Shared);
    return path;
  }

 private:
  TestFolder m_dir;
  int m_count = 0;
};

TEST(DiffIni, LookupsAnswerAsGetPrivateProfileString) {
  Files files;
  for (const Text& t : Texts()) {
    const std::string path = files.Put(t.bytes);
    for (const std::string& section : t.sections) {
      if (WineDiffers(t, section)) continue;
      for (const std::string& key : t.keys)
        for (const char* def : kDefaults)
          for (unsigned size : kSizes) {
            std::string buffer(size + 1, '\x7F');
            const DWORD copied =
                GetPrivateProfileStringA(section.c_str(), key.c_str(), def, &buffer[0], size, path.c_str());
            const std::string windows(buffer.c_str());
            const storage::IniLookup ours = storage::IniGetString(t.bytes, section, key, def, size);
            EXPECT_TRUE(ours.value == windows && ours.copied == copied)
                << t.label << ": [" << section << "] " << key << " default " << Show(def) << " size " << size
                << "\n  profile: " << Show(windows) << " (" << copied << ")\n  engine:  " << Show(ours.value) << " ("
                << ours.copied << ")";
          }
    }
  }
}

struct Edit {
  const char* label;
  std::string text;
  const char* section;
  const char* key;
  const char* value;
  // Null when the profile functions write the same bytes as the engine. Otherwise why
  // Wine writes other bytes than Windows; the engine must then write `windows`.
  const char* wineDiffers = nullptr;
  const char* windows = nullptr;
};

// Wine rewrites a changed file in its own normal form (blank lines dropped, blanks
// around names and '=' removed, CR LF everywhere), where Windows changes only the line
// concerned. On text in that form they agree; elsewhere the answers read back from the
// two results must still agree.
constexpr const char kWineNormalises[] = "Wine rewrites the whole file in its normal form";

const std::vector<Edit>& Edits() {
  static const std::vector<Edit> edits = {
      {"new file", "", "Settings", "HOST", "abc"},
      {"replace a value", "[Settings]\r\nHOST=abc\r\n", "Settings", "HOST", "xyz"},
      {"same value again", "[Settings]\r\nHOST=abc\r\n", "Settings", "HOST", "abc"},
      {"key of other case", "[Settings]\r\nHOST=abc\r\n", "settings", "host", "xyz"},
      {"new key at section end", "[a]\r\nk=1\r\n[b]\r\nk=2\r\n", "a", "n", "3"},
      {"new key in last section", "[a]\r\nk=1\r\n[b]\r\nk=2\r\n", "b", "n", "3"},
      {"new section", "[a]\r\nk=1\r\n", "b", "n", "3"},
      {"several sections", "[a]\r\nk=1\r\n[b]\r\nk=2\r\n[c]\r\nk=3\r\n", "B", "K", "9"},
      {"empty value", "[a]\r\nk=1\r\n", "a", "k", ""},
      {"value with leading blanks", "[a]\r\nk=1\r\n", "a", "k", "  x  "},
      {"value with quotes", "[a]\r\nk=1\r\n", "a", "k", "\"q\""},
      {"value with '='", "[a]\r\nk=1\r\n", "a", "k", "x=y"},
      {"names with blanks", "[a]\r\nk=1\r\n", " a ", " k ", "2"},
      {"new names with blanks", "[a]\r\nk=1\r\n", " b ", " j ", "2"},
      {"empty key name", "[a]\r\nk=1\r\n", "a", "", "2"},
      {"long value", "[a]\r\nk=1\r\n", "a", "k",
       "0123456789012345678901234567890123456789012345678901234567890123456789"},
      {"section without keys", "[a]\r\n[b]\r\nk=1\r\n", "a", "n", "3"},
      {"key after comment", "[a]\r\nk=1\r\n;note\r\n[b]\r\n", "a", "n", "3"},
      {"no trailing newline, new key", "[a]\r\nk=1", "a", "n", "3"},
      {"no trailing newline, new section", "[a]\r\nk=1", "b", "n", "3"},
      {"no trailing newline, replace", "[a]\r\nk=1", "a", "k", "2"},
      {"duplicate sections", "[a]\r\nk=1\r\n[b]\r\n[a]\r\nj=2\r\n", "a", "j", "9"},
      {"keys before any section", "orphan=1\r\n[a]\r\nk=1\r\n", "a", "k", "9"},
      {"binary junk value", "[a]\r\nk=1\r\n", "a", "k", "\x01\x7f\x80\xff;[x]="},
      {"LF-only lines", "[a]\nk=1\nj=2\n", "a", "k", "9", kWineNormalises, "[a]\nk=9\r\nj=2\n"},
      {"blanks around names", "[a]\r\n  k  =  1  \r\nj = 2\r\n", "a", "k", "9", kWineNormalises,
       "[a]\r\nk=9\r\nj = 2\r\n"},
      {"blank lines inside", "[a]\r\nk=1\r\n\r\n\r\nj=2\r\n\r\n[b]\r\n", "a", "n", "3", kWineNormalises,
       "[a]\r\nk=1\r\n\r\n\r\nj=2\r\nn=3\r\n\r\n[b]\r\n"},
      {"new section after blank line", "[a]\r\nk=1\r\n\r\n", "b", "n", "3", kWineNormalises,
       "[a]\r\nk=1\r\n\r\n[b]\r\nn=3\r\n"},
      {"empty section name, new file", "", "", "k", "v", kWineEmptySection, "[]\r\nk=v\r\n"},
      {"empty section name, keys before any section", "orphan=1\r\n[a]\r\nk=1\r\n", "", "orphan", "3",
       kWineEmptySection, "orphan=1\r\n[a]\r\nk=1\r\n[]\r\norphan=3\r\n"},
      {"empty section header", "[a]\r\nk=1\r\n[]\r\nj=1\r\n", "", "j", "3", kWineEmptySection,
       "[a]\r\nk=1\r\n[]\r\nj=3\r\n"},
  };
  return edits;
}

// Every section and key name that an edit mentions, asked of both results.
std::vector<std::string> Answers(const std::string& text) {
  std::vector<std::string> answers;
  for (const Edit& e : Edits())
    for (const char* section : {e.section, "a", "b", "B", "Settings"})
      for (const char* key : {e.key, "k", "j", "n", "HOST", "orphan"})
        answers.push_back(storage::IniGetString(text, section, key, "<none>", 4096).value);
  return answers;
}

TEST(DiffIni, WritesAsWritePrivateProfileString) {
  Files files;
  for (const Edit& e : Edits()) {
    const std::string path = files.Put(e.text);
    ASSERT_TRUE(WritePrivateProfileStringA(e.section, e.key, e.value, path.c_str())) << e.label;
    const std::string windows = platform::ReadWholeFile(path);
    const std::string ours = storage::IniWriteString(e.text, e.section, e.key, e.value);
    if (e.wineDiffers == nullptr) {
      EXPECT_EQ(Show(ours), Show(windows)) << e.label;
      continue;
    }
    EXPECT_EQ(Show(ours), Show(e.windows)) << e.label << ": " << e.wineDiffers;
    if (e.wineDiffers == kWineNormalises) {
      EXPECT_EQ(Answers(ours), Answers(windows))
          << e.label << " (" << e.wineDiffers << ")\n  profile: " << Show(windows) << "\n  engine:  " << Show(ours);
    }
  }
}

}  // namespace
