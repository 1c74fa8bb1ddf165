#include "settings/settings_form.h"

#include <stdexcept>
#include <string>

#include "settings/setting_rules.h"
#include "storage/ini_text.h"

namespace settings {

SettingsForm FillForm(const SettingsRecord& record) {
  SettingsForm form;
  form.host = record.host;
  form.localPassword = record.localPassword;
  form.domain = record.domain;
  form.forceNumLock = IsOnWhenOne(record.forceNumKey);
  form.useAllMonitors = !IsOffWhenZero(record.useMonitorsAll);
  form.recording = ReadRecording(record.audioRecording);
  form.playback = ReadPlayback(record.audioPlayback);
  form.delay = record.delay;
  form.cardsExpire = !IsOffWhenZero(record.expires);
  form.expiryPickerEnabled = form.cardsExpire;
  form.printers = IsOnWhenOne(record.printers);
  form.clipboard = IsOnWhenOne(record.clipboard);
  form.useGateway = !IsOffWhenZero(record.rdGuard);
  form.rdGateway = record.rdGateway;
  form.lockOnDisconnect = IsOnWhenOne(record.lockByDisconnection);
  form.everyHrsIndex = SelectEveryHrsItem(record.everyHrs);
  form.enable = IsOnWhenOne(record.enable);
  form.unlockPickerEnabled = form.enable;
  const ExpiryTime time = ParseExpiryTime(record.expiresAt);
  if (time.valid) {
    form.gatewayEditEnabled = form.useGateway;
    form.expiryTime = PickerTime{time.hour, time.minute};
    form.taskbarButton = true;
  }
  return form;
}

std::optional<std::string> CheckForm(const SettingsForm& form) {
  if (form.host.empty() || form.localPassword.empty()) return std::string(kHostPasswordMessage);
  if (form.delay.empty()) return std::string(kDelayMessage);
  if (form.useGateway && form.rdGateway.empty()) return std::string(kGatewayMessage);
  // The service would read such a value back changed, and its log-on would then fail
  // without a word; the fields carry their labels of the dialog.
  const std::pair<const char*, const std::string*> texts[] = {{"Remote System Host name", &form.host},
                                                              {"Local machine user Password", &form.localPassword},
                                                              {"TALO Server", &form.domain},
                                                              {"RD Gateway Server", &form.rdGateway},
                                                              {"Delay milliseconds", &form.delay}};
  for (const auto& [label, text] : texts) {
    if (const std::optional<std::string> problem = storage::IniReadBackProblem(*text))
      return std::string("The ") + label + " " + *problem + ". Kindly enter it without them.";
  }
  return std::nullopt;
}

SettingsRecord BuildRecord(const SettingsForm& form) {
  if (!form.expiryTime) throw std::logic_error("the expiry picker's time was not read into the form");
  SettingsRecord record;
  record.host = form.host;
  record.localPassword = form.localPassword;
  record.rdGateway = form.rdGateway;
  record.domain = form.domain;
  record.delay = form.delay;
  record.printers = SwitchText(form.printers);
  record.clipboard = SwitchText(form.clipboard);
  record.rdGuard = SwitchText(form.useGateway);
  record.forceNumKey = SwitchText(form.forceNumLock);
  record.audioRecording = RecordingText(form.recording);
  record.useMonitorsAll = SwitchText(form.useAllMonitors);
  record.audioPlayback = PlaybackText(form.playback);
  record.lockByDisconnection = SwitchText(form.lockOnDisconnect);
  record.expires = SwitchText(form.cardsExpire);
  record.expiresAt = FormatExpiryTime(form.expiryTime->hour, form.expiryTime->minute);
  record.enable = "0";
  record.dailyKey = "0";
  record.everyHrs = EveryHrsText(form.everyHrsIndex);
  return record;
}

void ApplyEnablingBox(SettingsForm& form, EnablingBox box) {
  switch (box) {
    case EnablingBox::Enable:
      form.unlockPickerEnabled = form.enable;
      break;
    case EnablingBox::UseGateway:
      form.gatewayEditEnabled = form.useGateway;
      break;
    case EnablingBox::CardsExpire:
      form.expiryPickerEnabled = form.cardsExpire;
      break;
  }
}

std::string SettingsNotReadMessage(const std::string& error) {
  return "The settings could not be read:\n" + error +
         "\n\nThe fields stay empty; saving now would replace the stored settings.";
}

std::string SettingsNotSavedMessage(const std::string& error) {
  return "The settings could not be saved:\n" + error +
         "\n\nThe settings written before this failure were kept. The service was not notified.";
}

std::string ResetCardsQuestion(int cardsFound) {
  const std::string count = std::to_string(cardsFound);
  return (cardsFound == 1 ? "Delete the 1 registered card?" : "Delete all " + count + " registered cards?") +
         std::string("\n\nThis cannot be undone.");
}

std::string ResetCardsMessage(int cardsFound) { return cardsFound > 0 ? kCardsRemovedMessage : kNoCardsToClearMessage; }

}  // namespace settings
