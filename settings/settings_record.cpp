#include "settings/settings_record.h"

#include <algorithm>

namespace settings {

SettingsRecord::SettingsRecord() {
  for (const SettingKey& key : RecordKeys()) this->*key.field = key.defaultValue;
}

bool SettingsRecord::operator==(const SettingsRecord& other) const {
  return std::all_of(RecordKeys().begin(), RecordKeys().end(),
                     [&](const SettingKey& key) { return this->*key.field == other.*key.field; });
}

const std::vector<SettingKey>& RecordKeys() {
  using R = SettingsRecord;
  constexpr KeyFile E = KeyFile::Enciphered;
  constexpr KeyFile P = KeyFile::Plain;
  static const std::vector<SettingKey> keys = {
      {"HOST", E, "", &R::host, ReadRule::Text, WrittenForm::AnyLine,
       "host name of the remote system (Remote Desktop host)"},
      {"LocalPassword", E, "", &R::localPassword, ReadRule::Text, WrittenForm::AnyLine,
       "password of the local machine user"},
      {"RDGATEWAY", E, "", &R::rdGateway, ReadRule::Text, WrittenForm::AnyLine, "RD Gateway server name"},
      {"DOMAIN", E, "", &R::domain, ReadRule::Text, WrittenForm::AnyLine, "name of the TALO server (optional)"},
      {"LOCKBYDISCONNECTION", P, "1", &R::lockByDisconnection, ReadRule::OnWhenOne, WrittenForm::Switch,
       "lock the computer if the Remote Desktop connection is disconnected"},
      {"EXPIRESAT", P, "02:00", &R::expiresAt, ReadRule::Time, WrittenForm::Time,
       "time of day at which registered cards expire when EXPIRES is on"},
      {"EXPIRES", P, "0", &R::expires, ReadRule::OffWhenZero, WrittenForm::Switch,
       "registered cards expire at EXPIRESAT (otherwise on restart)"},
      {"ENABLE", P, "0", &R::enable, ReadRule::OnWhenOne, WrittenForm::AlwaysZero,
       "hidden \"Enable\" box of the unlock time"},
      {"EVERYHRS", P, "12", &R::everyHrs, ReadRule::HourList, WrittenForm::HourItem,
       "hours of the hidden \"Ask Credentials in every\" list"},
      {"PRINTERS", P, "1", &R::printers, ReadRule::OnWhenOne, WrittenForm::Switch,
       "redirect the local printers into the remote session"},
      {"CLIPBOARD", P, "1", &R::clipboard, ReadRule::OnWhenOne, WrittenForm::Switch,
       "redirect the clipboard into the remote session"},
      {"RDGUARD", P, "0", &R::rdGuard, ReadRule::OffWhenZero, WrittenForm::Switch,
       "connect through the RD Gateway server RDGATEWAY"},
      {"DELAY", P, "500", &R::delay, ReadRule::Milliseconds, WrittenForm::Digits, "delay in milliseconds"},
      {"FORCENUMKEY", P, "1", &R::forceNumKey, ReadRule::OnWhenOne, WrittenForm::Switch, "make Num Lock always on"},
      {"USEMONITORSALL", P, "0", &R::useMonitorsAll, ReadRule::OffWhenZero, WrittenForm::Switch,
       "use all monitors for the remote session"},
      {"AUDIORECORDING", P, "0", &R::audioRecording, ReadRule::AudioRecording, WrittenForm::Recording,
       "where remote audio is recorded from"},
      {"AUDIOPLAYBACK", P, "1", &R::audioPlayback, ReadRule::AudioPlayback, WrittenForm::Playback,
       "where remote audio is played"},
      {"DAILYKEY", P, "0", &R::dailyKey, ReadRule::NotRead, WrittenForm::AlwaysZero, "no meaning inside this program"},
  };
  return keys;
}

const SettingKey& DebugKey() {
  static const SettingKey key = {"DEBUG",
                                 KeyFile::Plain,
                                 "0",
                                 nullptr,
                                 ReadRule::OffWhenZero,
                                 WrittenForm::NotWritten,
                                 "the tray program writes log entries for its tray actions"};
  return key;
}

const SettingKey* FindSettingKey(const std::string& name) {
  for (const SettingKey& key : RecordKeys()) {
    if (name == key.name) return &key;
  }
  return name == DebugKey().name ? &DebugKey() : nullptr;
}

const std::vector<const char*>& StoreOrder() {
  static const std::vector<const char*> order = {
      "FORCENUMKEY",
      "RDGATEWAY",
      "DOMAIN",
      "PRINTERS",
      "CLIPBOARD",
      "RDGUARD",
      "DELAY",
      "AUDIORECORDING",
      "USEMONITORSALL",
      "AUDIOPLAYBACK",
      "HOST",
      "LocalPassword",
      "LOCKBYDISCONNECTION",
      "EXPIRES",
      "EXPIRESAT",
      "ENABLE",
      "DAILYKEY",
      "EVERYHRS",
  };
  return order;
}

}  // namespace settings
