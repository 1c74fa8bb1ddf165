#include "storage/ini_text.h"

#include "storage/secret.h"

namespace storage {
namespace {

// White space as the profile functions trim it around names, values and lines
// (0x1A is the old end-of-file mark, skipped like a blank).
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1a';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Names compare without regard to the case of ASCII letters; other bytes (accented
// letters of the ANSI code page among them) must match exactly, as the profile
// functions under Wine compare them.
unsigned char Fold(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Fold(static_cast<unsigned char>(a[i])) != Fold(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

enum class LineKind : unsigned char { Section, Entry };

struct Line {
  std::size_t begin = 0;   // first byte of the line
  std::size_t end = 0;     // end of its content, before the line break
  std::size_t next = 0;    // first byte of the next line
  std::string_view name;   // section name, or key name (trimmed)
  std::string_view value;  // trimmed
  LineKind kind = LineKind::Entry;
  bool hasValue = false;  // an entry with '='
};

// Reads the section headers and entries of the text one at a time (a line ends at LF,
// at CR LF, or at a lone CR), blank lines left out. Nothing is kept of the lines behind:
// a file of millions of short lines costs no memory beyond its text.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : m_text(text) {}

  bool Next(Line& line) {
    while (m_pos < m_text.size()) {
      line = Line{};
      line.begin = m_pos;
      std::size_t end = m_pos;
      while (end < m_text.size() && m_text[end] != '\n' && m_text[end] != '\r') ++end;
      line.end = end;
      if (end < m_text.size())
        end += (m_text[end] == '\r' && end + 1 < m_text.size() && m_text[end + 1] == '\n') ? 2 : 1;
      line.next = end;
      m_pos = end;

      const std::string_view content = Trim(m_text.substr(line.begin, line.end - line.begin));
      if (content.empty()) continue;
      if (content.front() == '[') {
        const std::size_t close = content.rfind(']');
        if (close != std::string_view::npos && close > 0) {
          line.kind = LineKind::Section;
          line.name = Trim(content.substr(1, close - 1));
          return true;
        }
      }
      line.kind = LineKind::Entry;
      const std::size_t equals = content.find('=');
      if (equals == std::string_view::npos) {
        line.name = content;
      } else {
        line.name = Trim(content.substr(0, equals));
        line.hasValue = true;
        line.value = Trim(content.substr(equals + 1));
      }
      return true;
    }
    return false;
  }

 private:
  std::string_view m_text;
  std::size_t m_pos = 0;
};

// What an edit needs of the first section named `section`: its header, the first entry
// named `key` in it, and its last entry (comment lines count). Keys before any section
// header belong to no section.
struct SectionLook {
  bool found = false;
  Line header;
  bool hasKey = false;
  Line key;
  bool hasEntry = false;
  Line lastEntry;
};

SectionLook LookUp(std::string_view text, std::string_view section, std::string_view key) {
  SectionLook look;
  LineReader reader(text);
  Line line;
  while (reader.Next(line)) {
    if (line.kind == LineKind::Section) {
      if (look.found) break;  // the end of the first section of that name
      if (SameName(line.name, section)) {
        look.found = true;
        look.header = line;
      }
      continue;
    }
    if (!look.found) continue;
    if (!look.hasKey && SameName(line.name, key)) {
      look.hasKey = true;
      look.key = line;
    }
    look.hasEntry = true;
    look.lastEntry = line;
  }
  return look;
}

// A value in matching single or double quotes is returned without them.
std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

// The profile functions drop trailing spaces from the default (but keep a first one).
std::string_view TrimDefault(std::string_view value) {
  while (value.size() > 1 && value.back() == ' ') value.remove_suffix(1);
  return value;
}

void CheckPart(std::string_view text, const char* what) {
  for (char c : text) {
    if (c == '\r' || c == '\n')
      throw IniValueError(std::string("the ") + what + " holds a line break, which the INI file cannot store");
    if (c == '\0')
      throw IniValueError(std::string("the ") + what + " holds a NUL character, which the INI file cannot store");
  }
}

}  // namespace

void IniCheckWritable(std::string_view section, std::string_view key, std::string_view value) {
  CheckPart(section, "section name");
  CheckPart(key, "key name");
  CheckPart(value, "value");
  // The line "key=value" must read back as this key: a name holding "=" would read as a
  // shorter name, and one beginning with "[" as a section header once a "]" follows, which
  // moves every later key of the section into another one.
  std::string_view name = key;
  while (!name.empty() && IsBlank(name.front())) name.remove_prefix(1);
  if (name.find('=') != std::string_view::npos)
    throw IniValueError("the key name holds '=', which the INI file would read as the end of the name");
  if (!name.empty() && name.front() == '[')
    throw IniValueError("the key name begins with '[', which the INI file would read as a section header");
}

std::optional<std::string> IniReadBackProblem(std::string_view value) {
  if (!value.empty() && (IsBlank(value.front()) || IsBlank(value.back())))
    return std::string("begins or ends with a blank, which the INI file drops when it is read");
  if (Unquote(value).size() != value.size())
    return std::string("is enclosed in quotes, which the INI file takes off when it is read");
  return std::nullopt;
}

IniLookup IniGetString(std::string_view text, std::string_view section, std::string_view key,
                       std::string_view defaultValue, std::size_t bufferSize) {
  IniLookup result;
  if (bufferSize == 0) return result;
  std::string_view found = TrimDefault(defaultValue);
  const SectionLook look = LookUp(text, Trim(section), Trim(key));
  if (look.hasKey && look.key.hasValue) found = look.key.value;
  // The quotes come off the default too, and before the cut.
  found = Unquote(found);
  result.value.assign(found.substr(0, bufferSize - 1));
  result.copied = result.value.size();
  return result;
}

std::string IniWriteString(std::string_view text, std::string_view section, std::string_view key,
                           std::string_view value) {
  IniCheckWritable(section, key, value);
  // Names are looked up trimmed, but a new section or key keeps the caller's trailing
  // blanks, and a value loses its leading ones, as the profile functions write them.
  auto trimFront = [](std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
  };
  const std::string_view newSection = trimFront(section);
  const std::string_view newKey = trimFront(key);
  value = trimFront(value);

  const SectionLook look = LookUp(text, Trim(section), Trim(key));
  const bool lastLineUnended = !text.empty() && text.back() != '\n' && text.back() != '\r';
  // The texts are given their whole size first: a text that grows leaves its old bytes,
  // the value among them (maybe a password), in the memory it gives back.
  std::string entry;
  const WipeOnExit wipeEntry(entry);
  entry.reserve(newKey.size() + value.size() + 3);
  entry.append(newKey).append("=").append(value).append("\r\n");
  std::string out;
  out.reserve(text.size() + entry.size() + newSection.size() + 6);

  if (!look.found) {
    // A new section goes at the very end, right after the last line.
    out.append(text);
    if (lastLineUnended) out += "\r\n";
    out.append("[").append(newSection).append("]\r\n").append(entry);
    return out;
  }

  if (look.hasKey) {
    // Only the line concerned changes; the key keeps its spelling from the file.
    const Line& line = look.key;
    if (line.hasValue && line.value == value) return std::string(text);
    out.append(text.substr(0, line.begin));
    out.append(line.name).append("=").append(value).append("\r\n");
    out.append(text.substr(line.next));
    return out;
  }

  // A new key goes after the section's last entry (comment lines count), ahead of any
  // blank lines that separate it from the next section.
  const Line& anchor = look.hasEntry ? look.lastEntry : look.header;
  out.append(text.substr(0, anchor.next));
  if (anchor.next == anchor.end) out += "\r\n";  // the anchor is the text's last line, unended
  out.append(entry);
  out.append(text.substr(anchor.next));
  return out;
}

}  // namespace storage
