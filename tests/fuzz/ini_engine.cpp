// The INI engine: an arbitrary text, then an arbitrary sequence of writes. After each
// write the key reads back as written, every other key reads as before, and the text
// holds the same sections and keys as before (plus the one written, when it is new).
// The service reads what the engine writes with the real profile functions, so an edit
// that moves, loses or invents a line is a fault.
//
// Input: TEXT NUL, then any number of SECTION NUL KEY NUL VALUE NUL.
#include <cstdint>
#include <string>
#include <vector>

#include "storage/ini_text.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using fuzz::Shown;

// The profile functions' reading of a text, spelled out independently of the engine:
// lines end at LF, CR LF or a lone CR; blanks around a line and its names are ignored;
// "[name]" (up to the last "]") starts a section, any other line is a key, named by the
// text before its first "=".
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1a';
}

std::string Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return std::string(s);
}

std::string Fold(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

struct Key {
  int section;  // index into Structure::sections, -1 before the first section
  std::string name;
  bool operator==(const Key& o) const { return section == o.section && name == o.name; }
};

struct Structure {
  std::vector<std::string> sections;
  std::vector<Key> keys;
};

Structure Parse(std::string_view text) {
  Structure s;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string line = Trim(text.substr(pos, end - pos));
    pos = end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? end + 2 : end + 1;
    if (line.empty()) continue;
    const std::size_t close = line.rfind(']');
    if (line.front() == '[' && close != std::string::npos && close > 0) {
      s.sections.push_back(Trim(std::string_view(line).substr(1, close - 1)));
    } else {
      s.keys.push_back(
          {static_cast<int>(s.sections.size()) - 1, Trim(std::string_view(line).substr(0, line.find('=')))});
    }
  }
  return s;
}

int FirstSection(const Structure& s, const std::string& name) {
  for (std::size_t i = 0; i < s.sections.size(); ++i)
    if (Fold(s.sections[i]) == Fold(name)) return static_cast<int>(i);
  return -1;
}

std::string Read(std::string_view text, std::string_view section, std::string_view key) {
  return storage::IniGetString(text, section, key, "", text.size() + 2).value;
}

// What a read gives for a value written as `value`: the profile functions trim blanks
// and take off one pair of matching quotes.
std::string AsReadBack(std::string_view value) {
  std::string v = Trim(value);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
  return v;
}

std::string Describe(std::string_view text, std::string_view section, std::string_view key, std::string_view value) {
  return "writing [" + std::string(Shown(section)) + "] " + Shown(key) + " = " + Shown(value) + " into " + Shown(text);
}

void CheckWrite(const std::string& before, std::string_view section, std::string_view key, std::string_view value) {
  const std::string what = Describe(before, section, key, value);
  std::string after;
  try {
    after = storage::IniWriteString(before, section, key, value);
  } catch (const storage::IniValueError&) {
    // Refused: must be for a reason the engine documents, and nothing else.
    bool breaksLines = false;
    for (std::string_view part : {section, key, value})
      breaksLines = breaksLines || part.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
    const std::string name = Trim(key);
    const bool keyMisreads = name.find('=') != std::string::npos || (!name.empty() && name.front() == '[');
    FUZZ_CHECK(breaksLines || keyMisreads, "refused without a reason: " + what);
    return;
  }
  FUZZ_CHECK(Read(after, section, key) == AsReadBack(value), "does not read back: " + what + " gave " + Shown(after));

  const Structure was = Parse(before);
  const Structure now = Parse(after);
  const std::string sectionName = Trim(section);
  const std::string keyName = Trim(key);
  const int target = FirstSection(was, sectionName);
  Structure expected = was;
  if (target < 0) {
    expected.sections.push_back(sectionName);
    expected.keys.push_back({static_cast<int>(was.sections.size()), keyName});
  } else {
    bool present = false;
    std::size_t insertAt = 0;
    for (std::size_t i = 0; i < was.keys.size(); ++i) {
      if (was.keys[i].section == target && Fold(was.keys[i].name) == Fold(keyName)) present = true;
      if (was.keys[i].section <= target) insertAt = i + 1;
    }
    if (!present)
      expected.keys.insert(expected.keys.begin() + static_cast<std::ptrdiff_t>(insertAt), Key{target, keyName});
  }
  FUZZ_CHECK(now.sections == expected.sections, "sections changed: " + what + " gave " + Shown(after));
  FUZZ_CHECK(now.keys == expected.keys, "keys changed: " + what + " gave " + Shown(after));

  for (const Key& k : was.keys) {
    if (k.section < 0) continue;  // before any section: no lookup reaches it
    const std::string& s = was.sections[static_cast<std::size_t>(k.section)];
    if (Fold(s) == Fold(sectionName) && Fold(k.name) == Fold(keyName)) continue;
    FUZZ_CHECK(Read(before, s, k.name) == Read(after, s, k.name),
               "[" + Shown(s) + "] " + Shown(k.name) + " changed: " + what + " gave " + Shown(after));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Fields fields(data, size);
  std::string text(fields.Next());
  for (int edits = 0; !fields.empty() && edits < 16; ++edits) {
    const std::string_view section = fields.Next();
    const std::string_view key = fields.Next();
    const std::string_view value = fields.Next();
    CheckWrite(text, section, key, value);
    try {
      text = storage::IniWriteString(text, section, key, value);
    } catch (const storage::IniValueError&) {
    }
  }
  return 0;
}
