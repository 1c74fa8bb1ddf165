// The settings record: every key of "Settings.ini" and "SettingsHost.ini" as the text that
// is stored, and the two operations that move the whole record between disk and memory.
// The service reads the same files, so key names, sections and written forms must not change.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/files.h"

namespace settings {

inline constexpr char kPlainFileName[] = "Settings.ini";           // section "ConfigSetting"
inline constexpr char kEncipheredFileName[] = "SettingsHost.ini";  // enciphered, section "Settings"
inline constexpr char kEncipheredSection[] = "Settings";

// Each field holds the stored text exactly as read (the default for a missing key) or
// exactly as it will be written; the read rules of setting_rules.h say what a text means.
struct SettingsRecord {
  // The defaults of RecordKeys, i.e. what a first run loads.
  SettingsRecord();

  // SettingsHost.ini
  std::string host;
  std::string localPassword;
  std::string rdGateway;
  std::string domain;  // the TALO server
  // Settings.ini
  std::string lockByDisconnection;
  std::string expiresAt;
  std::string expires;
  std::string enable;
  std::string everyHrs;
  std::string printers;
  std::string clipboard;
  std::string rdGuard;
  std::string delay;
  std::string forceNumKey;
  std::string useMonitorsAll;
  std::string audioRecording;
  std::string audioPlayback;
  std::string dailyKey;  // never read; every store writes "0"

  bool operator==(const SettingsRecord& other) const;
  bool operator!=(const SettingsRecord& other) const { return !(*this == other); }
};

enum class KeyFile { Plain, Enciphered };

// How a stored text is understood (see setting_rules.h).
enum class ReadRule {
  Text,            // shown as it is
  Milliseconds,    // its number as DecimalValue reads it, in milliseconds
  OnWhenOne,       // on exactly for "1"
  OffWhenZero,     // off exactly for "0"
  Time,            // ParseExpiryTime
  HourList,        // SelectEveryHrsItem
  AudioRecording,  // kRecordingTexts
  AudioPlayback,   // kPlaybackTexts
  NotRead,         // DAILYKEY
};

// The texts a store may write for a key.
enum class WrittenForm {
  AnyLine,     // the text typed, unchanged (one line)
  Digits,      // decimal digits, at least one
  Switch,      // "1" or "0"
  Time,        // "HH:mm"
  HourItem,    // "1" to "12", or empty for no item
  Recording,   // a text of kRecordingTexts
  Playback,    // a text of kPlaybackTexts
  AlwaysZero,  // "0" whatever the record holds
  NotWritten,  // DEBUG: this program never writes it
};

struct SettingKey {
  const char* name;
  KeyFile file;
  const char* defaultValue;            // what a missing key reads as; the one place of each default
  std::string SettingsRecord::*field;  // null for DEBUG, which is not part of the record
  ReadRule rule;
  WrittenForm form;
  const char* meaning;
};

// The eighteen keys of the record, in the order LoadSettings reads them (the four
// enciphered keys, then the plain keys; DAILYKEY, never read, last).
const std::vector<SettingKey>& RecordKeys();

// DEBUG: read by the main tray window, never written by this program.
const SettingKey& DebugKey();

// The key of that exact name (RecordKeys or DEBUG), or null.
const SettingKey* FindSettingKey(const std::string& name);

// The names of the eighteen keys in the order every store writes them. The service may
// read while the dialog saves, so this order is kept.
const std::vector<const char*>& StoreOrder();

// Reads the record from `directory` (ending with the path separator). A missing
// "SettingsHost.ini" gives four empty texts; a missing "Settings.ini", section or key
// gives the defaults. Throws platform::FileError when an existing enciphered file
// cannot be read.
SettingsRecord LoadSettings(const std::string& directory);

// The expiry text every card row shows (cards::ExpiryText) for EXPIRES and EXPIRESAT as
// "Settings.ini" in `directory` stores them, a missing key read as its default.
std::string ReadCardExpiryText(const std::string& directory);

// Writes all eighteen keys in StoreOrder (ENABLE and DAILYKEY as "0"); the four keys
// of "SettingsHost.ini" go in one all-or-nothing replace at the place of the first of
// them. Every value is checked first: a storage::IniValueError leaves both files as
// they were. Stops at the first write that fails and rethrows its platform::FileError;
// the keys written before it stay written.
void StoreSettings(const std::string& directory, const SettingsRecord& record);

// A store of both files whose second replace failed after the first had gone in: the
// service has to be told all the same.
class PartlyStoredError : public platform::FileError {
 public:
  using platform::FileError::FileError;
};

// Writes only the given keys (name -> text), in StoreOrder. Values are written as given:
// check them first with CheckWrittenForm. The plain keys go into "Settings.ini" in one
// replace that leaves the file as writing them one by one would, at the place of the
// first of them, and the enciphered keys in one replace: each file gets all of its keys
// or none. Throws the platform::FileError of a failed replace, as PartlyStoredError when
// the other file's replace had gone in before; std::invalid_argument for a name that is
// not a record key. Returns the number of keys written.
int StoreSettingValues(const std::string& directory, const std::map<std::string, std::string>& values);

}  // namespace settings
