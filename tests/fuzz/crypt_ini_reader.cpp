// The enciphered file reader: the bytes of "SettingsHost.ini" or a card file through
// deciphering, the framing and an INI lookup, as CCryptIni::Read takes them. The service
// writes these files too, so nothing in them may crash the reader or read past a buffer.
//
// Input: one mode byte, then
//   mode 0: the whole file's bytes (they almost never decipher: the padding test);
//   mode 1: SECTION NUL KEY NUL, then a deciphered payload (element count and text), so
//           that the framing is fuzzed behind the cipher;
//   mode 2: SECTION NUL KEY NUL, then an INI text, enciphered by us and read back.
#include <cstdint>
#include <optional>
#include <string>

#include "storage/archive.h"
#include "storage/crypt_ini.h"
#include "storage/ini_text.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using fuzz::Shown;

// An INI lookup as CCryptIni::Read makes it, checked against the buffer's promise.
void Lookup(const std::string& text, std::string_view section, std::string_view key) {
  const storage::IniLookup found = storage::IniGetString(text, section, key, "", storage::kCryptIniReadBuffer);
  FUZZ_CHECK(found.value.size() < storage::kCryptIniReadBuffer,
             "value of " + std::to_string(found.value.size()) + " bytes");
  FUZZ_CHECK(found.copied == found.value.size(), "copied " + std::to_string(found.copied));
}

void LookupTheCardAndSettingsKeys(const std::string& text) {
  for (const char* key : {"HOST", "LocalPassword", "RDGATEWAY", "DOMAIN", "USER", "PASSWORD"})
    Lookup(text, "Settings", key);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int mode = data[0] % 3;
  fuzz::Fields fields(data + 1, size - 1);
  if (mode == 0) {
    const std::string bytes(fields.Rest());
    const std::optional<std::string> text = storage::DecipherIniFile(bytes);
    if (text) {
      FUZZ_CHECK(bytes.size() % 16 == 0 && !bytes.empty(), "deciphered " + std::to_string(bytes.size()) + " bytes");
      FUZZ_CHECK(text->size() < bytes.size(), "text longer than its ciphertext");
      LookupTheCardAndSettingsKeys(*text);
    }
    return 0;
  }
  const std::string_view section = fields.Next();
  const std::string_view key = fields.Next();
  const std::string rest(fields.Rest());
  if (mode == 1) {
    storage::BufferReader reader(rest);
    std::string text;
    try {
      text = storage::ReadByteArray(reader);
    } catch (const storage::ArchiveError&) {
      return 0;  // cut short: the reader treats it as a file that does not decipher
    }
    FUZZ_CHECK(text.size() + 2 <= rest.size(), "payload longer than its bytes: " + Shown(rest.substr(0, 16)));
    Lookup(text, section, key);
    LookupTheCardAndSettingsKeys(text);
    return 0;
  }
  const std::optional<storage::ByteArray> file = storage::EncipherIniText(rest);
  FUZZ_CHECK(file.has_value(), "a text of " + std::to_string(rest.size()) + " bytes did not encipher");
  FUZZ_CHECK(file->size() % 16 == 0 && file->size() > rest.size(),
             "ciphertext of " + std::to_string(file->size()) + " bytes");
  const std::optional<std::string> back = storage::DecipherIniFile(*file);
  FUZZ_CHECK(back.has_value() && *back == rest, "the text did not come back: " + Shown(rest.substr(0, 64)));
  Lookup(*back, section, key);
  return 0;
}
