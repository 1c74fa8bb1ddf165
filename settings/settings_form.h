// The settings dialog's rules as plain data: what each control shows, which checks a
// save must pass, and what a save writes. CKOVSettingsDlg only moves values between its
// controls and a SettingsForm.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "settings/setting_rules.h"
#include "settings/settings_record.h"

namespace settings {

inline constexpr char kHostPasswordMessage[] = "Kindly enter vaild Remote Desktop Host and Local system password";
inline constexpr char kDelayMessage[] = "Kindly enter Delay in milleseconds";
inline constexpr char kGatewayMessage[] = "Kindly enter RD Gateway Server";
inline constexpr char kCardsRemovedMessage[] = "Successfully removed remembered cards!";
// The character between "available" and "to" is a no-break space (0xA0 in the ANSI code page).
inline constexpr char kNoCardsToClearMessage[] = "No registered cards available\xA0to clear";
inline constexpr char kReadMarkerFileName[] = "Read.txt";

struct PickerTime {
  int hour = 0;
  int minute = 0;
  bool operator==(const PickerTime& o) const { return hour == o.hour && minute == o.minute; }
};

// One value per control. A default-constructed form is the dialog template's state:
// empty texts, nothing ticked or chosen, every control enabled, the expiry picker's
// time not set by the program, no taskbar button.
struct SettingsForm {
  std::string host;               // 1002
  std::string domain;             // 1009
  std::string localPassword;      // 1003, shown in clear
  std::string rdGateway;          // 1006
  std::string delay;              // 1020
  bool forceNumLock = false;      // 1027
  bool useAllMonitors = false;    // 1026
  bool printers = false;          // 1007
  bool clipboard = false;         // 1008
  bool useGateway = false;        // 1005
  bool lockOnDisconnect = false;  // 1004
  bool cardsExpire = false;       // 1017
  bool enable = false;            // 1000 (hidden)
  RecordingChoice recording = RecordingChoice::None;
  PlaybackChoice playback = PlaybackChoice::None;
  int everyHrsIndex = -1;  // 1001 (hidden): index into kEveryHrsItems, -1 = no selection
  // Picker 1018. FillForm leaves it unset for a stored time that is not valid; the
  // dialog then leaves the picker as it starts. Before a save the dialog reads the
  // picker's time into it.
  std::optional<PickerTime> expiryTime;
  bool expiryPickerEnabled = true;  // 1018
  bool unlockPickerEnabled = true;  // 1016 (hidden)
  bool gatewayEditEnabled = true;   // 1006
  bool taskbarButton = false;       // WS_EX_APPWINDOW on the dialog
};

// The form as the dialog's initialisation fills it from a loaded record. The
// gateway edit's enabling, the picker's time and the taskbar button are set only when
// EXPIRESAT is a valid time; otherwise they keep their template state.
SettingsForm FillForm(const SettingsRecord& record);

// The first failing check of a save, in order: host or password empty, delay empty,
// gateway ticked with an empty name, a text that would not read back as typed (a blank
// at either end, enclosing quotes; the message names the field). No message: the form
// may be saved.
std::optional<std::string> CheckForm(const SettingsForm& form);

// The record a save writes. Throws std::logic_error when the form holds no expiry
// time (the dialog must read the picker first).
SettingsRecord BuildRecord(const SettingsForm& form);

// The check boxes that enable another control while ticked; clicking one changes
// only that control's enabled state.
enum class EnablingBox { Enable, UseGateway, CardsExpire };
void ApplyEnablingBox(SettingsForm& form, EnablingBox box);

// "Save and Close" after the dialog has read its controls into the form: checks, then
// StoreSettings, then `notifyService`, then makes "Read.txt" exist in `directory`.
// Returns the check's message when a check fails (nothing written, no notice). A
// failing write (platform::FileError, storage::IniValueError) propagates: the keys
// written before it stay written, the service is not told and "Read.txt" is not touched.
std::optional<std::string> SaveSettingsForm(const std::string& directory, const SettingsForm& form,
                                            const std::function<void()>& notifyService);

// What the administrator is told when a file of the settings could not be read while
// the dialog opened, or written while it saved; `error` names the file and the reason.
std::string SettingsNotReadMessage(const std::string& error);
std::string SettingsNotSavedMessage(const std::string& error);

// Every save once its values are checked (the dialog's Save and Close, quandorctl
// settings set): `store` writes the keys, then `notifyService` tells the service, then
// "Read.txt" is made to exist in `directory`. A failing store propagates: the service is
// not told and "Read.txt" is not touched, unless the store changed one file before it
// failed (PartlyStoredError), which the service is told of all the same. False when "Read.txt" could not be made,
// which is deliberately quiet for the dialog; quandorctl reports it.
bool StoreNotifyAndMarkRead(const std::string& directory, const std::function<void()>& store,
                            const std::function<void()>& notifyService);

// Makes "Read.txt" exist in `directory` without changing its content; false when it
// cannot be made.
bool TouchReadMarker(const std::string& directory);

// The message of "Reset Cards" after it found `cardsFound` card files.
std::string ResetCardsMessage(int cardsFound);

// The question "Reset Cards" asks before it deletes `cardsFound` (at least one) card files.
std::string ResetCardsQuestion(int cardsFound);

// "Reset Cards": with card files in `cardFolder`, first asks `confirm` the question that
// names how many; one keystroke on the dialog reaches this button, so nothing is deleted
// unless the answer is yes. Then deletes every card file (folders named like cards stay)
// and returns the message to show; a card that cannot be deleted still counts as
// removed. No message when the answer was no. With no card files it asks nothing and
// returns the message that says so.
std::optional<std::string> ResetCards(const std::string& cardFolder,
                                      const std::function<bool(const std::string& question)>& confirm);

}  // namespace settings
