// How stored setting texts are understood and which texts may be written. The settings
// dialog and quandorctl both apply these, so a text means the same to both.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "settings/settings_record.h"

namespace settings {

// The two on/off read rules. Stored texts are compared exactly, byte for byte.
inline bool IsOnWhenOne(const std::string& text) { return text == "1"; }    // LOCKBYDISCONNECTION, PRINTERS, ...
inline bool IsOffWhenZero(const std::string& text) { return text == "0"; }  // EXPIRES, RDGUARD, USEMONITORSALL
inline const char* SwitchText(bool on) { return on ? "1" : "0"; }

// The audio keys' radio groups: "Remote audio recording - Record from" (1024, 1025) and
// "Remote audio playback - Play on " (1021, 1022, 1023). None: no button ticked.
enum class RecordingChoice { None, ThisComputer, DoNotRecord };
enum class PlaybackChoice { None, ThisComputer, RemoteComputer, DoNotPlay };

// What each text of AUDIORECORDING and AUDIOPLAYBACK means, the service reading them as
// we do. A stored text that no row has reads as the "1" row, and a save with no button
// ticked writes "1". The rows are in the order of their texts.
template <typename Choice>
struct AudioText {
  const char* text;
  Choice choice;
  const char* meaning;
};
inline constexpr AudioText<RecordingChoice> kRecordingTexts[] = {
    {"0", RecordingChoice::DoNotRecord, "do not record"},
    {"1", RecordingChoice::ThisComputer, "record from this computer"}};
inline constexpr AudioText<PlaybackChoice> kPlaybackTexts[] = {
    {"0", PlaybackChoice::ThisComputer, "play on this computer"},
    {"1", PlaybackChoice::RemoteComputer, "play on the remote computer"},
    {"2", PlaybackChoice::DoNotPlay, "do not play"}};

RecordingChoice ReadRecording(const std::string& stored);
PlaybackChoice ReadPlayback(const std::string& stored);
const char* RecordingText(RecordingChoice choice);
const char* PlaybackText(PlaybackChoice choice);

struct ExpiryTime {
  bool valid = false;
  std::uint16_t hour = 0;
  std::uint16_t minute = 0;
};

// EXPIRESAT: the text before the first ":" is the hour, the text after it the minute
// (no colon: no hour, the whole text is the minute), each converted as atoi converts
// and kept as a 16-bit unsigned value, so "-1" gives 65535. Valid for hour <= 23 and
// minute <= 59: "7:5" is 07:05, "45" is 00:45, "24:00" and "-1:00" are not valid.
ExpiryTime ParseExpiryTime(const std::string& text);

// The time picker's text for a time: two-digit hour, ":", two-digit minute ("07:05").
std::string FormatExpiryTime(int hour, int minute);

// The items of the hidden "Ask Credentials in every" list, in list order.
inline constexpr std::array<const char*, 12> kEveryHrsItems = {"1", "2", "3", "4",  "5",  "6",
                                                               "7", "8", "9", "10", "11", "12"};

// EVERYHRS: the index of the first item whose text begins with the stored text, the
// search starting at the second item and wrapping to the first, so "1" selects "10".
// -1 (no item) for a text that begins no item, and for the empty text, which the
// list's prefix search never matches.
int SelectEveryHrsItem(const std::string& stored);

// The text a store writes for a list selection: the item's text, or empty for none.
std::string EveryHrsText(int index);

// The texts a store may write for the key, for a help text, e.g. "\"1\" (on) or \"0\" (off)".
std::string AllowedTexts(const SettingKey& key);

// Whether `value` is one of the texts a store writes for the key. Returns the reason
// when it is not, naming the allowed values, for example: "must be \"1\" or \"0\"".
std::optional<std::string> CheckWrittenForm(const SettingKey& key, const std::string& value);

// What a stored text means under the key's read rule, e.g. "off (only \"1\" is on)";
// empty for a key whose text is taken as it is.
std::string DescribeStoredValue(const SettingKey& key, const std::string& stored);

}  // namespace settings
