#include "audit/events.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

using audit::Event;
using audit::Hidden;
using audit::KeyTexts;
using audit::Severity;

TEST(ChangedKeyNames, NamesTheKeysWhoseStoredTextDiffers) {
  struct Case {
    const char* label;
    KeyTexts before, after;
    const char* names;
  } cases[] = {
      {"nothing changed", {{"HOST", "a"}, {"DELAY", "5"}}, {{"HOST", "a"}, {"DELAY", "5"}}, "none"},
      {"no readings at all", {}, {}, "none"},
      {"one text changed", {{"HOST", "a"}, {"DELAY", "5"}}, {{"HOST", "a"}, {"DELAY", "6"}}, "DELAY"},
      {"in the order of the later reading",
       {{"DELAY", "5"}, {"HOST", "a"}},
       {{"HOST", "b"}, {"DELAY", "6"}},
       "HOST, DELAY"},
      {"empty to text", {{"LocalPassword", ""}}, {{"LocalPassword", "x"}}, "LocalPassword"},
      {"a case change is a change", {{"HOST", "rd"}}, {{"HOST", "RD"}}, "HOST"},
      {"a first save: no earlier reading", {}, {{"HOST", "a"}, {"DELAY", "5"}}, "HOST, DELAY"},
      {"a key the later reading lacks", {{"HOST", "a"}, {"DOMAIN", "d"}}, {{"HOST", "a"}}, "DOMAIN"},
  };
  for (const Case& c : cases) EXPECT_EQ(audit::ChangedKeyNames(c.before, c.after), c.names) << c.label;
}

TEST(Redact, ReplacesEveryHiddenTextOnce) {
  const audit::Card card{"7", "7XXXX7"};
  struct Case {
    const char* label;
    std::string text;
    std::vector<Hidden> hidden;
    std::string expected;
  } cases[] = {
      {"nothing hidden", "C:\\CARD\\1234.dll: access denied", {}, "C:\\CARD\\1234.dll: access denied"},
      {"a number in a path",
       "C:\\CARD\\12345678.dll: access denied",
       {audit::CardNumber({"12345678", "12XXXX78"})},
       "C:\\CARD\\12XXXX78.dll: access denied"},
      {"every occurrence", "pw pw", {audit::Secret("pw")}, "(secret) (secret)"},
      {"the longest of two at one place",
       "123456",
       {audit::Secret("12"), audit::CardNumber({"123456", "12XXXX56"})},
       "12XXXX56"},
      {"the stand-in is not searched again", "7.dll", {audit::CardNumber(card)}, "7XXXX7.dll"},
      {"an empty hidden text is ignored", "abc", {audit::Secret("")}, "abc"},
      {"a secret at the end", "file x: password hunter2", {audit::Secret("hunter2")}, "file x: password (secret)"},
  };
  for (const Case& c : cases) EXPECT_EQ(audit::Redact(c.text, c.hidden), c.expected) << c.label;
}

TEST(MessageId, SeverityInTheTopBitsEventIdInTheLowSixteen) {
  struct Case {
    audit::EventId id;
    Severity severity;
    std::uint32_t expected;
  } cases[] = {
      {audit::kProgramStarted, Severity::Information, 0x400003E8},
      {audit::kGateWrong, Severity::Warning, 0x800003F3},
      {audit::kSettingsNotSaved, Severity::Error, 0xC00003FD},
  };
  for (const Case& c : cases) EXPECT_EQ(audit::MessageId(c.id, c.severity), c.expected) << c.id;
}

TEST(EventRules, EachActionGivesItsEventAndStrings) {
  const audit::Card card{"12345678", "12XXXX78"};
  struct Case {
    Event event;
    audit::EventId id;
    Severity severity;
    std::vector<std::string> strings;
  } cases[] = {
      {audit::ProgramStarted("1.4.0"), audit::kProgramStarted, Severity::Information, {"1.4.0"}},
      {audit::ProgramEnded(), audit::kProgramEnded, Severity::Information, {}},
      {audit::GateAccepted(), audit::kGateAccepted, Severity::Information, {}},
      {audit::GateWrong(3), audit::kGateWrong, Severity::Warning, {"3"}},
      {audit::OpenedFromCommandLine("/settings", {}),
       audit::kOpenedFromCommandLine,
       Severity::Information,
       {"/settings"}},
      {audit::SettingsSaved({{"HOST", "a"}, {"LocalPassword", "old"}}, {{"HOST", "a"}, {"LocalPassword", "new"}}),
       audit::kSettingsSaved,
       Severity::Information,
       {"LocalPassword"}},
      {audit::SettingsNotSaved("C:\\Q\\Settings.ini: disk full", {audit::Secret("typed-pw")}),
       audit::kSettingsNotSaved,
       Severity::Error,
       {"C:\\Q\\Settings.ini: disk full"}},
      {audit::ServiceNotTold("OpenService", 1060), audit::kServiceNotTold, Severity::Warning, {"OpenService", "1060"}},
      {audit::CardAccountChanged(card, "alice", "bob", true),
       audit::kCardAccountChanged,
       Severity::Information,
       {"12XXXX78", "alice", "bob", "changed"}},
      {audit::CardAccountChanged(card, "alice", "alice", false),
       audit::kCardAccountChanged,
       Severity::Information,
       {"12XXXX78", "alice", "alice", "unchanged"}},
      {audit::CardDeleted(card), audit::kCardDeleted, Severity::Information, {"12XXXX78"}},
      {audit::CardsReset(4, 1), audit::kCardsReset, Severity::Information, {"4", "1"}},
      {audit::CardNotChanged(card, "C:\\CARD\\12345678.dll: sharing violation", {}),
       audit::kCardNotChanged,
       Severity::Error,
       {"12XXXX78", "C:\\CARD\\12XXXX78.dll: sharing violation"}},
      {audit::FileWritten("C:\\Q\\SettingsHost.ini", "Settings", "HOST", {}),
       audit::kFileWritten,
       Severity::Information,
       {"C:\\Q\\SettingsHost.ini", "[Settings] HOST"}},
      {audit::FileWritten("C:\\CARD\\12345678.dll", "Settings", "", {audit::CardNumber(card)}),
       audit::kFileWritten,
       Severity::Information,
       {"C:\\CARD\\12XXXX78.dll", "the whole file"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.event.id, c.id);
    EXPECT_EQ(c.event.severity, c.severity) << c.id;
    EXPECT_EQ(c.event.strings, c.strings) << c.id;
  }
}

TEST(EventRules, FreeTextsNeverCarryTheSecretsOrTheCardNumber) {
  const audit::Card card{"99887766", "99XXXX66"};
  const std::vector<Hidden> secrets = {audit::Secret("hunter2"), audit::Secret("Sesame-9")};
  std::vector<Hidden> secretsAndCard = secrets;
  secretsAndCard.push_back(audit::CardNumber(card));
  // A card failure hides the card's number by itself; a file write is told which to hide.
  const std::string leaky = "C:\\CARD\\99887766.dll: hunter2 and Sesame-9 were refused";
  const Event events[] = {
      audit::OpenedFromCommandLine("QuandorAuthenticator.exe hunter2", secrets),
      audit::SettingsNotSaved("C:\\Q\\SettingsHost.ini: hunter2 Sesame-9", secrets),
      audit::CardNotChanged(card, leaky, secrets),
      audit::FileWritten("C:\\CARD\\99887766.dll", "Settings", "hunter2", secretsAndCard),
  };
  for (const Event& e : events) {
    for (const std::string& s : e.strings) {
      for (const char* secret : {"hunter2", "Sesame-9", "99887766"})
        EXPECT_EQ(s.find(secret), std::string::npos) << e.id << ": " << s;
    }
  }
}

TEST(EventRules, EveryEventHasTheStringsItsMessageInserts) {
  // The message table inserts %2.. from these; one string too few leaves a "%n" in the
  // sentence, one too many is lost.
  const audit::Card card{"1234", "12XXXX34"};
  const Event events[] = {audit::ProgramStarted("1"),
                          audit::ProgramEnded(),
                          audit::GateAccepted(),
                          audit::GateWrong(1),
                          audit::OpenedFromCommandLine("x", {}),
                          audit::SettingsSaved({}, {}),
                          audit::SettingsNotSaved("x", {}),
                          audit::ServiceNotTold("x", 1),
                          audit::CardAccountChanged(card, "a", "b", false),
                          audit::CardDeleted(card),
                          audit::CardsReset(0, 0),
                          audit::CardNotChanged(card, "x", {}),
                          audit::FileWritten("f", "s", "k", {})};
  for (const audit::EventKind& kind : audit::Catalogue()) {
    const auto made =
        std::find_if(std::begin(events), std::end(events), [&](const Event& e) { return e.id == kind.id; });
    ASSERT_NE(made, std::end(events)) << kind.id << " has no rule";
    EXPECT_EQ(made->severity, kind.severity) << kind.id;
    EXPECT_EQ(static_cast<int>(made->strings.size()), kind.strings) << kind.id;
  }
}

}  // namespace
