#include "audit/events.h"

#include <algorithm>

namespace audit {
namespace {

Event Make(EventId id, std::vector<std::string> strings) {
  for (const EventKind& kind : Catalogue())
    if (kind.id == id) return Event{id, kind.severity, std::move(strings)};
  return Event{id, Severity::Error, std::move(strings)};  // unreachable: every rule names a catalogued ID
}

std::vector<Hidden> WithCard(const Card& card, std::vector<Hidden> hidden) {
  hidden.push_back(CardNumber(card));
  return hidden;
}

}  // namespace

const std::vector<EventKind>& Catalogue() {
  static const std::vector<EventKind> kinds = {
      {kProgramStarted, Severity::Information, 1},
      {kProgramEnded, Severity::Information, 0},
      {kGateAccepted, Severity::Information, 0},
      {kGateWrong, Severity::Warning, 1},
      {kOpenedFromCommandLine, Severity::Information, 1},
      {kSettingsSaved, Severity::Information, 1},
      {kSettingsNotSaved, Severity::Error, 1},
      {kServiceNotTold, Severity::Warning, 2},
      {kCardAccountChanged, Severity::Information, 4},
      {kCardDeleted, Severity::Information, 1},
      {kCardsReset, Severity::Information, 2},
      {kCardNotChanged, Severity::Error, 2},
      {kFileWritten, Severity::Information, 2},
  };
  return kinds;
}

std::uint32_t MessageId(EventId id, Severity severity) {
  const std::uint32_t bits = severity == Severity::Information ? 1u : severity == Severity::Warning ? 2u : 3u;
  return bits << 30 | id;
}

Hidden Secret(std::string value) { return Hidden{std::move(value), "(secret)"}; }

Hidden CardNumber(const Card& card) { return Hidden{card.number, card.mask}; }

std::string Redact(const std::string& text, const std::vector<Hidden>& hidden) {
  std::string out;
  for (std::size_t at = 0; at < text.size();) {
    const Hidden* longest = nullptr;
    for (const Hidden& h : hidden) {
      if (!h.text.empty() && text.compare(at, h.text.size(), h.text) == 0 &&
          (longest == nullptr || h.text.size() > longest->text.size()))
        longest = &h;
    }
    if (longest) {
      out += longest->shownAs;
      at += longest->text.size();
    } else {
      out += text[at++];
    }
  }
  return out;
}

std::string ChangedKeyNames(const KeyTexts& before, const KeyTexts& after) {
  const auto find = [](const KeyTexts& texts, const std::string& name) {
    return std::find_if(texts.begin(), texts.end(), [&](const auto& entry) { return entry.first == name; });
  };
  std::string names;
  const auto add = [&](const std::string& name) { names += (names.empty() ? "" : ", ") + name; };
  for (const auto& [name, text] : after) {
    const auto old = find(before, name);
    if (old == before.end() || old->second != text) add(name);
  }
  for (const auto& entry : before)
    if (find(after, entry.first) == after.end()) add(entry.first);
  return names.empty() ? "none" : names;
}

Event ProgramStarted(const std::string& version) { return Make(kProgramStarted, {version}); }

Event ProgramEnded() { return Make(kProgramEnded, {}); }

Event GateAccepted() { return Make(kGateAccepted, {}); }

Event GateWrong(int wrongTriesThisRun) { return Make(kGateWrong, {std::to_string(wrongTriesThisRun)}); }

Event OpenedFromCommandLine(const std::string& commandLine, const std::vector<Hidden>& hidden) {
  return Make(kOpenedFromCommandLine, {Redact(commandLine, hidden)});
}

Event SettingsSaved(const KeyTexts& before, const KeyTexts& after) {
  return Make(kSettingsSaved, {ChangedKeyNames(before, after)});
}

Event SettingsNotSaved(const std::string& reason, const std::vector<Hidden>& hidden) {
  return Make(kSettingsNotSaved, {Redact(reason, hidden)});
}

Event ServiceNotTold(const std::string& step, unsigned long error) {
  return Make(kServiceNotTold, {step, std::to_string(error)});
}

Event CardAccountChanged(const Card& card, const std::string& oldUser, const std::string& newUser,
                         bool passwordChanged) {
  return Make(kCardAccountChanged, {card.mask, oldUser, newUser, passwordChanged ? "changed" : "unchanged"});
}

Event CardDeleted(const Card& card) { return Make(kCardDeleted, {card.mask}); }

Event CardsReset(int deleted, int notDeleted) {
  return Make(kCardsReset, {std::to_string(deleted), std::to_string(notDeleted)});
}

Event CardNotChanged(const Card& card, const std::string& reason, const std::vector<Hidden>& hidden) {
  return Make(kCardNotChanged, {card.mask, Redact(reason, WithCard(card, hidden))});
}

Event FileWritten(const std::string& file, const std::string& section, const std::string& key,
                  const std::vector<Hidden>& hidden) {
  const std::string what = key.empty() ? "the whole file" : "[" + section + "] " + key;
  return Make(kFileWritten, {Redact(file, hidden), Redact(what, hidden)});
}

}  // namespace audit
