#include "settings/setting_rules.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "storage/crypt_ini.h"
#include "storage/decimal_text.h"
#include "storage/ini_text.h"

namespace settings {

ExpiryTime ParseExpiryTime(const std::string& text) {
  const std::size_t colon = text.find(':');
  const std::string hourText = colon == std::string::npos ? std::string() : text.substr(0, colon);
  const std::string minuteText = colon == std::string::npos ? text : text.substr(colon + 1);
  ExpiryTime time;
  time.hour = static_cast<std::uint16_t>(storage::DecimalValue(hourText));
  time.minute = static_cast<std::uint16_t>(storage::DecimalValue(minuteText));
  time.valid = time.hour <= 23 && time.minute <= 59;
  return time;
}

std::string FormatExpiryTime(int hour, int minute) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d", hour, minute);
  return text;
}

int SelectEveryHrsItem(const std::string& stored) {
  if (stored.empty()) return -1;
  const int count = static_cast<int>(kEveryHrsItems.size());
  for (int step = 1; step <= count; ++step) {
    const int index = step % count;  // 1, 2, ... 11, then 0
    if (std::string(kEveryHrsItems[index]).compare(0, stored.size(), stored) == 0) return index;
  }
  return -1;
}

std::string EveryHrsText(int index) {
  return index >= 0 && index < static_cast<int>(kEveryHrsItems.size()) ? kEveryHrsItems[index] : "";
}

namespace {

constexpr char kUnlistedAudioText[] = "1";

template <typename Row, std::size_t N>
const Row* FindAudioText(const Row (&rows)[N], const std::string& text) {
  for (const Row& row : rows) {
    if (text == row.text) return &row;
  }
  return nullptr;
}

template <typename Row, std::size_t N>
const Row& ReadAudioText(const Row (&rows)[N], const std::string& stored) {
  const Row* row = FindAudioText(rows, stored);
  return row != nullptr ? *row : *FindAudioText(rows, kUnlistedAudioText);
}

template <typename Row, std::size_t N, typename Choice>
const char* AudioTextOf(const Row (&rows)[N], Choice choice) {
  for (const Row& row : rows) {
    if (row.choice == choice) return row.text;
  }
  return kUnlistedAudioText;
}

// "\"0\" (play on this computer), \"1\" (play on the remote computer) or \"2\" (do not play)"
template <typename Row, std::size_t N>
std::string ListAudioTexts(const Row (&rows)[N]) {
  std::string list;
  for (std::size_t i = 0; i < N; ++i) {
    list += i == 0 ? "" : i + 1 == N ? " or " : ", ";
    list += std::string("\"") + rows[i].text + "\" (" + rows[i].meaning + ")";
  }
  return list;
}

}  // namespace

RecordingChoice ReadRecording(const std::string& stored) { return ReadAudioText(kRecordingTexts, stored).choice; }
PlaybackChoice ReadPlayback(const std::string& stored) { return ReadAudioText(kPlaybackTexts, stored).choice; }
const char* RecordingText(RecordingChoice choice) { return AudioTextOf(kRecordingTexts, choice); }
const char* PlaybackText(PlaybackChoice choice) { return AudioTextOf(kPlaybackTexts, choice); }

namespace {

bool IsOneOf(const std::string& value, std::initializer_list<const char*> allowed) {
  for (const char* a : allowed) {
    if (value == a) return true;
  }
  return false;
}

bool IsDigits(const std::string& value) {
  if (value.empty()) return false;
  for (const char c : value) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// Digits whose number a reader can hold: DecimalValue stops at the 32-bit bound, so a
// longer number would be read as another one.
bool IsReadableNumber(const std::string& value) {
  if (!IsDigits(value)) return false;
  if (storage::DecimalValue(value) != INT32_MAX) return true;
  return value.substr(std::min(value.find_first_not_of('0'), value.size())) == std::to_string(INT32_MAX);
}

// "HH:mm" exactly as the time picker writes it.
bool IsPickerTime(const std::string& value) {
  if (value.size() != 5 || value[2] != ':') return false;
  for (const std::size_t i : {0, 1, 3, 4}) {
    if (value[i] < '0' || value[i] > '9') return false;
  }
  return ParseExpiryTime(value).valid;
}

}  // namespace

std::string AllowedTexts(const SettingKey& key) {
  switch (key.form) {
    case WrittenForm::AnyLine:
      return "any text on one line, without a blank at either end or enclosing quotes";
    case WrittenForm::Digits:
      return "decimal digits (milliseconds) up to " + std::to_string(INT32_MAX) + ", for example \"500\"";
    case WrittenForm::Switch:
      return "\"1\" (on) or \"0\" (off)";
    case WrittenForm::Recording:
      return ListAudioTexts(kRecordingTexts);
    case WrittenForm::Time:
      return "a time HH:mm from \"00:00\" to \"23:59\", for example \"02:00\"";
    case WrittenForm::HourItem:
      return "one of \"1\" to \"12\", or empty";
    case WrittenForm::Playback:
      return ListAudioTexts(kPlaybackTexts);
    case WrittenForm::AlwaysZero:
      return "\"0\" (every save writes \"0\")";
    case WrittenForm::NotWritten:
      return "none: the settings dialog never writes it";
  }
  return "none";
}

std::optional<std::string> CheckWrittenForm(const SettingKey& key, const std::string& value) {
  switch (key.form) {
    case WrittenForm::AnyLine:
      if (value.find_first_of("\r\n") != std::string::npos) return "must be one line (no line break)";
      if (const std::optional<std::string> problem = storage::IniReadBackProblem(value)) return *problem;
      if (key.file == KeyFile::Enciphered && value.size() > storage::kLongestCryptIniValue) {
        return storage::ValueTooLongReason();
      }
      return std::nullopt;
    case WrittenForm::Digits:
      if (IsReadableNumber(value)) return std::nullopt;
      return "must be " + AllowedTexts(key);
    case WrittenForm::Switch:
      if (IsOneOf(value, {"1", "0"})) return std::nullopt;
      return "must be " + AllowedTexts(key);
    case WrittenForm::Recording:
      if (FindAudioText(kRecordingTexts, value) != nullptr) return std::nullopt;
      return "must be " + AllowedTexts(key);
    case WrittenForm::Time:
      if (IsPickerTime(value)) return std::nullopt;
      return "must be " + AllowedTexts(key);
    case WrittenForm::HourItem:
      if (value.empty() || std::find(kEveryHrsItems.begin(), kEveryHrsItems.end(), value) != kEveryHrsItems.end()) {
        return std::nullopt;
      }
      return "must be " + AllowedTexts(key);
    case WrittenForm::Playback:
      if (FindAudioText(kPlaybackTexts, value) != nullptr) return std::nullopt;
      return "must be " + AllowedTexts(key);
    case WrittenForm::AlwaysZero:
      if (value == "0") return std::nullopt;
      return "must be " + AllowedTexts(key);
    case WrittenForm::NotWritten:
      return "is never written by this program (edit Settings.ini by hand)";
  }
  return "has no written form";
}

std::string DescribeStoredValue(const SettingKey& key, const std::string& stored) {
  switch (key.rule) {
    case ReadRule::Text:
      return "";
    case ReadRule::Milliseconds: {
      const std::string number = std::to_string(storage::DecimalValue(stored));
      return (stored == number ? "" : "read as ") + number + " milliseconds";
    }
    case ReadRule::OnWhenOne:
      if (IsOnWhenOne(stored)) return "on";
      return stored == "0" ? "off" : "off (only \"1\" is on)";
    case ReadRule::OffWhenZero:
      if (IsOffWhenZero(stored)) return "off";
      return stored == "1" ? "on" : "on (only \"0\" is off)";
    case ReadRule::Time: {
      const ExpiryTime time = ParseExpiryTime(stored);
      if (!time.valid) return "not a valid time (the settings dialog leaves its expiry time unset)";
      const std::string shown = FormatExpiryTime(time.hour, time.minute);
      return shown == stored ? "" : "read as " + shown;
    }
    case ReadRule::HourList: {
      const int index = SelectEveryHrsItem(stored);
      if (index < 0) return "selects no list item (the next save writes an empty value)";
      const std::string item = kEveryHrsItems[index];
      return item == stored ? "" : "selects list item \"" + item + "\"";
    }
    case ReadRule::AudioRecording:
      return ReadAudioText(kRecordingTexts, stored).meaning;
    case ReadRule::AudioPlayback:
      return ReadAudioText(kPlaybackTexts, stored).meaning;
    case ReadRule::NotRead:
      return "not read; every save writes \"0\"";
  }
  return "";
}

}  // namespace settings
