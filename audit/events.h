// The audit trail's events: which event an administrative action produces and with which
// insertion strings. Sites build alert rules on the IDs, so an ID never changes meaning
// once released. Every rule takes plain data and keeps secrets out: a password is never
// handed in (only whether it changed), a card is named by its mask, and free texts
// (reasons, file names) have the secrets and card numbers the caller knows replaced.
// The sink (report.h) puts the acting user first and hands the rest to the Event Log.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace audit {

enum class Severity { Information, Warning, Error };

enum EventId : std::uint16_t {
  kProgramStarted = 1000,
  kProgramEnded = 1001,
  kGateAccepted = 1010,
  kGateWrong = 1011,
  kOpenedFromCommandLine = 1012,
  kSettingsSaved = 1020,
  kSettingsNotSaved = 1021,
  kServiceNotTold = 1022,
  kCardAccountChanged = 1030,
  kCardDeleted = 1031,
  kCardsReset = 1032,
  kCardNotChanged = 1033,
  kFileWritten = 1040,
};

struct EventKind {
  EventId id;
  Severity severity;
  int strings;  // insertion strings after the user
};

// Every event the programs write, in ID order; the message table holds one message each.
const std::vector<EventKind>& Catalogue();

// The message's 32-bit identifier: the severity in the top two bits (information 01,
// warning 10, error 11), the event ID in the low 16, as the message compiler lays it out.
std::uint32_t MessageId(EventId id, Severity severity);

struct Event {
  EventId id;
  Severity severity;
  std::vector<std::string> strings;  // after the user
  bool operator==(const Event& o) const { return id == o.id && severity == o.severity && strings == o.strings; }
};

// A card as an event names it: its mask. The number is only used to keep it out of free texts.
struct Card {
  std::string number;
  std::string mask;
};

// A text that must not appear in a free text of an event, and what stands there instead.
struct Hidden {
  std::string text;
  std::string shownAs;
};
Hidden Secret(std::string value);     // shown as "(secret)"
Hidden CardNumber(const Card& card);  // shown as the card's mask

// `text` with every occurrence of a hidden text replaced, the longest first where two
// start at one place; empty hidden texts are ignored.
std::string Redact(const std::string& text, const std::vector<Hidden>& hidden);

// Stored texts by key name, in the order the keys are written.
using KeyTexts = std::vector<std::pair<std::string, std::string>>;

// The names of the keys whose stored text differs between the two readings (a key that
// only one reading holds counts as changed), in `after`'s order then `before`'s; "none".
std::string ChangedKeyNames(const KeyTexts& before, const KeyTexts& after);

// The tray program's own events.
Event ProgramStarted(const std::string& version);
Event ProgramEnded();
Event GateAccepted();
Event GateWrong(int wrongTriesThisRun);
Event OpenedFromCommandLine(const std::string& commandLine, const std::vector<Hidden>& hidden);

// Settings saves, of the dialog and of quandorctl.
Event SettingsSaved(const KeyTexts& before, const KeyTexts& after);
Event SettingsNotSaved(const std::string& reason, const std::vector<Hidden>& hidden);
// `step` is the call that failed first, `error` its GetLastError.
Event ServiceNotTold(const std::string& step, unsigned long error);

// Card changes.
Event CardAccountChanged(const Card& card, const std::string& oldUser, const std::string& newUser,
                         bool passwordChanged);
Event CardDeleted(const Card& card);
Event CardsReset(int deleted, int notDeleted);
// A failed change or deletion; the card's number and the given secrets are hidden in `reason`.
Event CardNotChanged(const Card& card, const std::string& reason, const std::vector<Hidden>& hidden);

// quandorctl's writes of one key (`ini set`) or of a whole file (`ini load`, key empty).
Event FileWritten(const std::string& file, const std::string& section, const std::string& key,
                  const std::vector<Hidden>& hidden);

}  // namespace audit
