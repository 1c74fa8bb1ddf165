// A desired state of the settings: a flat JSON object of keys to texts, as a site's
// management system holds it for every kiosk ({"HOST": "rd01.example", "DELAY": "600"}),
// and how it compares with what a kiosk stores. quandorctl's settings check and apply
// are built on these.
#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace settings {

// What a show prints in place of a password; never a valid wanted password.
inline constexpr char kMaskedSecret[] = "********";

// A text that is no valid desired state. The message names the key or the line and
// never holds the text of a secret.
class DesiredStateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Key name -> wanted text.
using DesiredState = std::map<std::string, std::string>;

// Parses UTF-8 JSON text (a UTF-8 byte-order mark is skipped): one object whose members
// are record keys with texts, or whole numbers that stand for their decimal text (600
// is "600"). Every member is checked as `settings set` checks its KEY=VALUE: unknown
// keys, DEBUG, a text that a save never writes (DAILYKEY anything but "0"), and a
// LocalPassword of kMaskedSecret are refused. Characters beyond U+00FF cannot be
// stored (the files hold 8-bit text) and are refused too. Throws DesiredStateError with
// every refusal, one per line; for text that is not JSON, the line and column.
DesiredState ParseDesiredState(const std::string& json);

// Adds LocalPassword given apart from the file (standard input). Throws
// DesiredStateError when the file holds it too or the text is refused.
void AddLocalPassword(DesiredState& state, const std::string& password);

// Each record key's text as the program reads it: the stored text, or the key's
// default when it is missing (LoadSettings); DAILYKEY, never read, as the file holds it
// ("" when missing).
using SettingTexts = std::map<std::string, std::string>;
SettingTexts ReadStoredTexts(const std::string& directory);

struct KeyDifference {
  std::string name;
  std::string stored;
  std::string wanted;
  bool secret = false;  // LocalPassword: neither text is ever shown
};

// The keys of `wanted` whose stored text differs, in the order a store writes them.
std::vector<KeyDifference> DiffSettings(const SettingTexts& stored, const DesiredState& wanted);

}  // namespace settings
