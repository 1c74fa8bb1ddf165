#include "settings/desired_state.h"

#include <nlohmann/json.hpp>
#include <optional>

#include "settings/setting_rules.h"
#include "settings/settings_record.h"
#include "storage/ini.h"
#include "storage/latin1_text.h"

namespace settings {
namespace {

constexpr char kSecretKey[] = "LocalPassword";

bool IsSecret(const std::string& name) { return name == kSecretKey; }

// A text as JSON writes it, quoted and escaped, so that a message stays on one line.
std::string JsonQuoted(const std::string& utf8) { return nlohmann::json(utf8).dump(); }

// A member's name for a message: a known key as it is, any other quoted.
std::string MemberName(const std::string& name) {
  return FindSettingKey(name) != nullptr ? name : JsonQuoted(name);
}

std::string KeyNames() {
  std::string names;
  for (const SettingKey& key : RecordKeys()) names += (names.empty() ? "" : ", ") + std::string(key.name);
  return names;
}

// Why `text` may not be wanted for the key of that name; nothing when it may.
std::optional<std::string> Refusal(const std::string& name, const std::string& text) {
  const SettingKey* key = FindSettingKey(name);
  if (key == nullptr) return "unknown key " + JsonQuoted(name) + " (keys: " + KeyNames() + ")";
  if (IsSecret(name) && text == kMaskedSecret)
    return name + " is the mask that show prints, not a password: give the password or remove the key";
  if (text.find('\0') != std::string::npos) return name + " holds a NUL character";
  if (const std::optional<std::string> problem = CheckWrittenForm(*key, text))
    return name + (IsSecret(name) ? "" : " " + JsonQuoted(storage::Latin1ToUtf8(text))) + " refused: " + name + " " +
           *problem;
  return std::nullopt;
}

// Reads one flat object event by event, so that a duplicate key is seen (a DOM parse
// keeps the last one silently) and nothing nested is ever built.
class FlatObjectReader : public nlohmann::json_sax<nlohmann::json> {
 public:
  explicit FlatObjectReader(const std::string& text) : m_text(text) {}

  DesiredState values;
  std::vector<std::string> refusals;

  bool null() override { return NotAText("null"); }
  bool boolean(bool) override { return NotAText("true or false"); }
  bool number_integer(number_integer_t value) override { return Value(std::to_string(value)); }
  bool number_unsigned(number_unsigned_t value) override { return Value(std::to_string(value)); }
  bool number_float(number_float_t, const string_t&) override { return NotAText("a number with a fraction"); }
  bool string(string_t& value) override {
    const std::optional<std::string> bytes = storage::Utf8ToLatin1(value);
    if (!bytes) {
      refusals.push_back(MemberName(m_key) + " holds a character that the settings files cannot store (only U+0000 to U+00FF)");
      return true;
    }
    return Value(*bytes);
  }
  bool binary(binary_t&) override { return NotAText("binary data"); }
  bool start_object(std::size_t) override {
    if (m_depth++ == 0) return true;
    return NotAText("an object");
  }
  bool key(string_t& name) override {
    m_key = name;
    return true;
  }
  bool end_object() override {
    --m_depth;
    return true;
  }
  bool start_array(std::size_t) override {
    if (m_depth == 0) return TopLevelNotAnObject();
    return NotAText("a list");
  }
  bool end_array() override { return true; }
  bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception&) override {
    // The parser's own message quotes the text it last read, which may be a password.
    std::size_t line = 1, column = 0;
    for (std::size_t i = 0; i + 1 < position && i < m_text.size(); ++i) {
      if (m_text[i] == '\n') {
        ++line;
        column = 0;
      } else {
        ++column;
      }
    }
    refusals.push_back("not valid JSON at line " + std::to_string(line) + ", column " + std::to_string(column + 1));
    return false;
  }

 private:
  bool TopLevelNotAnObject() {
    refusals.push_back("the file must hold one JSON object of keys to texts, for example {\"HOST\": \"rd01\"}");
    return false;
  }
  bool NotAText(const char* what) {
    if (m_depth == 0) return TopLevelNotAnObject();
    refusals.push_back(MemberName(m_key) + " must be a text or a whole number, not " + what);
    return false;
  }
  bool Value(std::string text) {
    if (m_depth == 0) return TopLevelNotAnObject();
    if (values.count(m_key) != 0) {
      refusals.push_back(MemberName(m_key) + " is given twice");
    } else if (const std::optional<std::string> problem = Refusal(m_key, text)) {
      refusals.push_back(*problem);
    } else {
      values[m_key] = std::move(text);
    }
    return true;
  }

  const std::string& m_text;
  int m_depth = 0;
  std::string m_key;
};

[[noreturn]] void Refuse(const std::vector<std::string>& refusals) {
  std::string message;
  for (const std::string& r : refusals) message += (message.empty() ? "" : "\n") + r;
  throw DesiredStateError(message);
}

}  // namespace

DesiredState ParseDesiredState(const std::string& json) {
  FlatObjectReader reader(json);
  nlohmann::json::sax_parse(json, &reader);
  if (!reader.refusals.empty()) Refuse(reader.refusals);
  return reader.values;
}

void AddLocalPassword(DesiredState& state, const std::string& password) {
  if (state.count(kSecretKey) != 0)
    Refuse({std::string(kSecretKey) + " is given twice: in the file and on standard input"});
  if (const std::optional<std::string> problem = Refusal(kSecretKey, password)) Refuse({*problem});
  state[kSecretKey] = password;
}

SettingTexts ReadStoredTexts(const std::string& directory) {
  const SettingsRecord record = LoadSettings(directory);
  storage::CIni ini;
  ini.SetPath((directory + kPlainFileName).c_str());
  SettingTexts texts;
  for (const SettingKey& key : RecordKeys())
    texts[key.name] = key.rule == ReadRule::NotRead ? ini.GetString(key.name, "") : record.*key.field;
  return texts;
}

std::vector<KeyDifference> DiffSettings(const SettingTexts& stored, const DesiredState& wanted) {
  std::vector<KeyDifference> differences;
  for (const char* name : StoreOrder()) {
    const auto want = wanted.find(name);
    if (want == wanted.end()) continue;
    const auto have = stored.find(name);
    const std::string storedText = have == stored.end() ? std::string() : have->second;
    if (storedText != want->second) differences.push_back({name, storedText, want->second, IsSecret(name)});
  }
  return differences;
}

}  // namespace settings
