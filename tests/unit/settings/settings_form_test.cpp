#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <utility>
#include <vector>

#include "settings/setting_rules.h"
#include "settings/settings_form.h"

namespace {

using settings::BuildRecord;
using settings::FillForm;
using settings::PickerTime;
using settings::PlaybackChoice;
using settings::RecordingChoice;
using settings::SettingsForm;
using settings::SettingsRecord;

SettingsRecord With(std::function<void(SettingsRecord&)> change) {
  SettingsRecord r;
  change(r);
  return r;
}

using StoredTexts = std::vector<std::pair<const char*, const char*>>;  // key name, text

// The first-run record with the named keys holding the given texts.
SettingsRecord WithStored(const StoredTexts& texts) {
  SettingsRecord r;
  for (const auto& [name, text] : texts) r.*settings::FindSettingKey(name)->field = text;
  return r;
}

std::string Describe(const StoredTexts& texts) {
  std::string text;
  for (const auto& [name, value] : texts) text += std::string(text.empty() ? "" : " ") + name + "=\"" + value + "\"";
  return text;
}

// Each named key of `record` holds its text; `context` says where the record came from.
void ExpectTexts(const SettingsRecord& record, const StoredTexts& texts, const std::string& context) {
  for (const auto& [name, text] : texts) {
    EXPECT_EQ(record.*settings::FindSettingKey(name)->field, text) << name << ", " << context;
  }
}

// Every value of a form, so that a failing comparison shows what differs.
std::string Describe(const SettingsForm& f) {
  std::ostringstream s;
  s << "host=\"" << f.host << "\" domain=\"" << f.domain << "\" localPassword=\"" << f.localPassword
    << "\" rdGateway=\"" << f.rdGateway << "\" delay=\"" << f.delay << "\" forceNumLock=" << f.forceNumLock
    << " useAllMonitors=" << f.useAllMonitors << " printers=" << f.printers << " clipboard=" << f.clipboard
    << " useGateway=" << f.useGateway << " lockOnDisconnect=" << f.lockOnDisconnect << " cardsExpire=" << f.cardsExpire
    << " enable=" << f.enable << " recording=" << static_cast<int>(f.recording)
    << " playback=" << static_cast<int>(f.playback) << " everyHrsIndex=" << f.everyHrsIndex << " expiryTime=";
  if (f.expiryTime) {
    s << f.expiryTime->hour << ":" << f.expiryTime->minute;
  } else {
    s << "unset";
  }
  s << " expiryPickerEnabled=" << f.expiryPickerEnabled << " unlockPickerEnabled=" << f.unlockPickerEnabled
    << " gatewayEditEnabled=" << f.gatewayEditEnabled << " taskbarButton=" << f.taskbarButton;
  return s.str();
}

// A form that passes every check.
SettingsForm SavableForm() {
  SettingsForm f = FillForm(SettingsRecord{});
  f.host = "rd.example";
  f.localPassword = "secret";
  return f;
}

TEST(FillForm, FirstRunDefaults) {
  const SettingsForm f = FillForm(SettingsRecord{});
  EXPECT_EQ(f.host, "");
  EXPECT_EQ(f.localPassword, "");
  EXPECT_EQ(f.domain, "");
  EXPECT_EQ(f.rdGateway, "");
  EXPECT_TRUE(f.lockOnDisconnect);
  EXPECT_FALSE(f.cardsExpire);
  EXPECT_FALSE(f.expiryPickerEnabled);
  EXPECT_EQ(f.expiryTime, (PickerTime{2, 0}));
  EXPECT_TRUE(f.printers);
  EXPECT_TRUE(f.clipboard);
  EXPECT_FALSE(f.useGateway);
  EXPECT_FALSE(f.gatewayEditEnabled);
  EXPECT_EQ(f.delay, "500");
  EXPECT_TRUE(f.forceNumLock);
  EXPECT_FALSE(f.useAllMonitors);
  EXPECT_EQ(f.recording, RecordingChoice::DoNotRecord);
  EXPECT_EQ(f.playback, PlaybackChoice::RemoteComputer);
  EXPECT_STREQ(settings::kEveryHrsItems[f.everyHrsIndex], "12");
  EXPECT_FALSE(f.enable);
  EXPECT_FALSE(f.unlockPickerEnabled);
  EXPECT_TRUE(f.taskbarButton);
}

TEST(FillForm, EachControlFollowsItsKeysReadRule) {
  // Each case changes the first-run form only where `change` says.
  struct Case {
    StoredTexts stored;
    std::function<void(SettingsForm&)> change;
  } cases[] = {
      {{{"PRINTERS", "yes"}}, [](SettingsForm& f) { f.printers = false; }},
      {{{"CLIPBOARD", ""}}, [](SettingsForm& f) { f.clipboard = false; }},
      {{{"FORCENUMKEY", "01"}}, [](SettingsForm& f) { f.forceNumLock = false; }},
      {{{"LOCKBYDISCONNECTION", "0"}}, [](SettingsForm& f) { f.lockOnDisconnect = false; }},
      {{{"USEMONITORSALL", ""}}, [](SettingsForm& f) { f.useAllMonitors = true; }},
      {{{"RDGUARD", "2"}}, [](SettingsForm& f) { f.useGateway = f.gatewayEditEnabled = true; }},
      {{{"EXPIRES", ""}}, [](SettingsForm& f) { f.cardsExpire = f.expiryPickerEnabled = true; }},
      {{{"ENABLE", "1"}}, [](SettingsForm& f) { f.enable = f.unlockPickerEnabled = true; }},
      {{{"AUDIORECORDING", "x"}}, [](SettingsForm& f) { f.recording = RecordingChoice::ThisComputer; }},
      {{{"AUDIOPLAYBACK", "2"}}, [](SettingsForm& f) { f.playback = PlaybackChoice::DoNotPlay; }},
      {{{"AUDIOPLAYBACK", "0"}}, [](SettingsForm& f) { f.playback = PlaybackChoice::ThisComputer; }},
      {{{"AUDIOPLAYBACK", "7"}}, [](SettingsForm&) {}},                     // remote, as on a first run
      {{{"EVERYHRS", "1"}}, [](SettingsForm& f) { f.everyHrsIndex = 9; }},  // "10"
      {{{"EVERYHRS", "13"}}, [](SettingsForm& f) { f.everyHrsIndex = -1; }},
      {{{"EXPIRESAT", "7:5"}},
       [](SettingsForm& f) {
         f.expiryTime = PickerTime{7, 5};
       }},
      {{{"HOST", " h "}, {"DELAY", "abc"}, {"RDGATEWAY", "gw"}, {"DOMAIN", "talo"}, {"LocalPassword", "p"}},
       [](SettingsForm& f) {  // texts are shown as stored
         f.host = " h ";
         f.delay = "abc";
         f.rdGateway = "gw";
         f.domain = "talo";
         f.localPassword = "p";
       }},
  };
  for (const Case& c : cases) {
    SettingsForm expected = FillForm(SettingsRecord{});
    c.change(expected);
    EXPECT_EQ(Describe(FillForm(WithStored(c.stored))), Describe(expected)) << Describe(c.stored);
  }
}

TEST(FillForm, AnInvalidExpiryTimeLeavesPickerGatewayEnablingAndTaskbarButtonUnset) {
  for (const char* rdGuard : {"0", "1"}) {
    const SettingsForm f = FillForm(With([&](SettingsRecord& r) {
      r.expiresAt = "24:00";
      r.rdGuard = rdGuard;
      r.expires = "1";
    }));
    EXPECT_FALSE(f.expiryTime.has_value()) << rdGuard;
    EXPECT_TRUE(f.gatewayEditEnabled) << "template state, whatever RDGUARD says: " << rdGuard;
    EXPECT_FALSE(f.taskbarButton) << rdGuard;
    // Every other control is filled all the same.
    EXPECT_EQ(f.useGateway, std::string(rdGuard) == "1");
    EXPECT_TRUE(f.cardsExpire);
    EXPECT_TRUE(f.expiryPickerEnabled);
    EXPECT_EQ(f.delay, "500");
  }
}

TEST(CheckForm, OnlyTheFirstFailingCheckIsReported) {
  struct Case {
    const char* what;
    std::function<void(SettingsForm&)> change;
    const char* message;  // null: passes
  } cases[] = {
      {"all given", [](SettingsForm&) {}, nullptr},
      {"host empty", [](SettingsForm& f) { f.host.clear(); }, settings::kHostPasswordMessage},
      {"password empty", [](SettingsForm& f) { f.localPassword.clear(); }, settings::kHostPasswordMessage},
      {"host and delay empty",
       [](SettingsForm& f) {
         f.host.clear();
         f.delay.clear();
       },
       settings::kHostPasswordMessage},
      {"delay empty", [](SettingsForm& f) { f.delay.clear(); }, settings::kDelayMessage},
      {"delay empty, gateway ticked without name",
       [](SettingsForm& f) {
         f.delay.clear();
         f.useGateway = true;
       },
       settings::kDelayMessage},
      {"gateway ticked without name",
       [](SettingsForm& f) {
         f.useGateway = true;
         f.rdGateway.clear();
       },
       settings::kGatewayMessage},
      {"gateway ticked with name",
       [](SettingsForm& f) {
         f.useGateway = true;
         f.rdGateway = "gw";
       },
       nullptr},
      {"gateway unticked, no name",
       [](SettingsForm& f) {
         f.useGateway = false;
         f.rdGateway.clear();
       },
       nullptr},
      // What would not read back as typed: the service's log-on would fail without a word.
      {"blank host is not empty", [](SettingsForm& f) { f.host = " "; },
       "The Remote System Host name begins or ends with a blank, which the INI file drops when it is read. Kindly "
       "enter it without them."},
      {"quoted password", [](SettingsForm& f) { f.localPassword = "\"pw\""; },
       "The Local machine user Password is enclosed in quotes, which the INI file takes off when it is read. Kindly "
       "enter it without them."},
      {"password with a trailing blank", [](SettingsForm& f) { f.localPassword = "pw "; },
       "The Local machine user Password begins or ends with a blank, which the INI file drops when it is read. "
       "Kindly enter it without them."},
      {"TALO server with a leading tab", [](SettingsForm& f) { f.domain = "\ttalo"; },
       "The TALO Server begins or ends with a blank, which the INI file drops when it is read. Kindly enter it "
       "without them."},
      {"gateway in single quotes, unticked", [](SettingsForm& f) { f.rdGateway = "'gw'"; },
       "The RD Gateway Server is enclosed in quotes, which the INI file takes off when it is read. Kindly enter it "
       "without them."},
      {"blanks and quotes inside", [](SettingsForm& f) { f.localPassword = "p \"w' d"; }, nullptr},
      {"one lone quote", [](SettingsForm& f) { f.host = "\""; }, nullptr},
  };
  for (const Case& c : cases) {
    SettingsForm f = SavableForm();
    c.change(f);
    const auto message = settings::CheckForm(f);
    if (c.message == nullptr) {
      EXPECT_FALSE(message.has_value()) << c.what << ": " << message.value_or("");
    } else {
      EXPECT_EQ(message.value_or("(none)"), c.message) << c.what;
    }
  }
}

TEST(BuildRecord, WritesTheWrittenForms) {
  SettingsForm f;
  f.host = "h";
  f.localPassword = "p";
  f.domain = "d";
  f.rdGateway = "gw";
  f.delay = "750";
  f.printers = true;
  f.clipboard = false;
  f.useGateway = false;
  f.forceNumLock = true;
  f.useAllMonitors = true;
  f.lockOnDisconnect = false;
  f.cardsExpire = false;
  f.expiryPickerEnabled = false;
  f.enable = true;
  f.recording = RecordingChoice::ThisComputer;
  f.playback = PlaybackChoice::ThisComputer;
  f.everyHrsIndex = 4;
  f.expiryTime = PickerTime{3, 30};
  const StoredTexts written = {
      {"HOST", "h"},
      {"LocalPassword", "p"},
      {"DOMAIN", "d"},
      {"RDGATEWAY", "gw"},  // written whether or not the gateway is ticked
      {"DELAY", "750"},
      {"PRINTERS", "1"},
      {"CLIPBOARD", "0"},
      {"RDGUARD", "0"},
      {"FORCENUMKEY", "1"},
      {"USEMONITORSALL", "1"},
      {"LOCKBYDISCONNECTION", "0"},
      {"EXPIRES", "0"},
      {"EXPIRESAT", "03:30"},  // also from a disabled picker
      {"ENABLE", "0"},
      {"DAILYKEY", "0"},
      {"AUDIORECORDING", "1"},
      {"AUDIOPLAYBACK", "0"},
      {"EVERYHRS", "5"},
  };
  ExpectTexts(BuildRecord(f), written, "the form above");
}

TEST(BuildRecord, RadioChoicesAndListSelection) {
  struct Case {
    RecordingChoice recording;
    PlaybackChoice playback;
    int everyHrsIndex;
    const char *audioRecording, *audioPlayback, *everyHrs;
  } cases[] = {
      {RecordingChoice::DoNotRecord, PlaybackChoice::DoNotPlay, 11, "0", "2", "12"},
      {RecordingChoice::ThisComputer, PlaybackChoice::RemoteComputer, 0, "1", "1", "1"},
      {RecordingChoice::None, PlaybackChoice::None, -1, "1", "1", ""},
  };
  for (const Case& c : cases) {
    SettingsForm f = SavableForm();
    f.recording = c.recording;
    f.playback = c.playback;
    f.everyHrsIndex = c.everyHrsIndex;
    const SettingsRecord r = BuildRecord(f);
    EXPECT_EQ(r.audioRecording, c.audioRecording);
    EXPECT_EQ(r.audioPlayback, c.audioPlayback);
    EXPECT_EQ(r.everyHrs, c.everyHrs);
  }
}

TEST(BuildRecord, NeedsThePickersTime) {
  SettingsForm f = SavableForm();
  f.expiryTime.reset();
  EXPECT_THROW(BuildRecord(f), std::logic_error);
}

TEST(FillThenBuild, StoredTextsComeBackInTheirWrittenForms) {
  struct Case {
    StoredTexts stored;
    StoredTexts written;
  } cases[] = {
      {{{"AUDIOPLAYBACK", "7"}}, {{"AUDIOPLAYBACK", "1"}}},
      {{{"PRINTERS", "yes"}}, {{"PRINTERS", "0"}}},
      {{{"USEMONITORSALL", ""}}, {{"USEMONITORSALL", "1"}}},
      {{{"EVERYHRS", "1"}}, {{"EVERYHRS", "10"}}},
      {{{"EVERYHRS", "13"}}, {{"EVERYHRS", ""}}},
      {{{"EXPIRESAT", "7:5"}}, {{"EXPIRESAT", "07:05"}}},
      {{{"ENABLE", "1"}, {"DAILYKEY", "9"}}, {{"ENABLE", "0"}, {"DAILYKEY", "0"}}},
      {{{"AUDIORECORDING", "5"}}, {{"AUDIORECORDING", "1"}}},
      {{{"RDGUARD", ""}}, {{"RDGUARD", "1"}}},
  };
  for (const Case& c : cases) ExpectTexts(BuildRecord(FillForm(WithStored(c.stored))), c.written, Describe(c.stored));
}

TEST(FillThenBuild, ARecordInWrittenFormsIsUnchanged) {
  SettingsRecord r = With([](SettingsRecord& x) {
    x.host = "h";
    x.localPassword = "p";
    x.rdGateway = "g";
    x.domain = "d";
    x.expires = "1";
    x.expiresAt = "23:59";
    x.audioPlayback = "2";
    x.audioRecording = "1";
    x.everyHrs = "7";
  });
  EXPECT_EQ(BuildRecord(FillForm(r)), r);
}

TEST(ApplyEnablingBox, EachBoxEnablesOnlyItsControl) {
  struct Case {
    settings::EnablingBox box;
    bool SettingsForm::*tick;
    bool SettingsForm::*enabled;
  } cases[] = {
      {settings::EnablingBox::Enable, &SettingsForm::enable, &SettingsForm::unlockPickerEnabled},
      {settings::EnablingBox::UseGateway, &SettingsForm::useGateway, &SettingsForm::gatewayEditEnabled},
      {settings::EnablingBox::CardsExpire, &SettingsForm::cardsExpire, &SettingsForm::expiryPickerEnabled},
  };
  for (const Case& c : cases) {
    for (const bool ticked : {true, false}) {
      SettingsForm f;
      f.rdGateway = "kept";
      f.*c.tick = ticked;
      f.*c.enabled = !ticked;
      SettingsForm expected = f;
      expected.*c.enabled = ticked;
      settings::ApplyEnablingBox(f, c.box);
      EXPECT_EQ(f.*c.enabled, ticked);
      EXPECT_EQ(f.unlockPickerEnabled, expected.unlockPickerEnabled);
      EXPECT_EQ(f.gatewayEditEnabled, expected.gatewayEditEnabled);
      EXPECT_EQ(f.expiryPickerEnabled, expected.expiryPickerEnabled);
      EXPECT_EQ(f.rdGateway, "kept");
    }
  }
}

TEST(ResetCardsMessage, SaysWhetherCardsWereFound) {
  EXPECT_EQ(settings::ResetCardsMessage(2), "Successfully removed remembered cards!");
  EXPECT_EQ(settings::ResetCardsMessage(0), "No registered cards available\xA0to clear");
}

}  // namespace
