#include "settings/settings_audit.h"

#include <utility>

#include "audit/report.h"
#include "platform/files.h"
#include "settings/password_gate.h"
#include "storage/secret.h"
#include "storage/write_failure.h"

namespace settings {
namespace {

constexpr char kLocalPasswordKey[] = "LocalPassword";

void Wipe(audit::KeyTexts& texts) {
  for (auto& entry : texts) storage::WipeText(entry.second);
}

}  // namespace

audit::KeyTexts RecordTexts(const SettingsRecord& record) {
  audit::KeyTexts texts;
  for (const char* name : StoreOrder()) texts.emplace_back(name, record.*FindSettingKey(name)->field);
  return texts;
}

audit::KeyTexts StoredTexts(const std::string& directory) {
  try {
    SettingsRecord record = LoadSettings(directory);
    audit::KeyTexts texts = RecordTexts(record);
    storage::WipeText(record.localPassword);
    return texts;
  } catch (const platform::FileError&) {
    return {};
  }
}

SaveAudit::SaveAudit(audit::KeyTexts before) : m_before(std::move(before)) {}

SaveAudit::~SaveAudit() { Wipe(m_before); }

audit::Event SaveAudit::Saved(const std::map<std::string, std::string>& written) const {
  audit::KeyTexts after;
  for (const char* name : StoreOrder()) {
    if (const auto it = written.find(name); it != written.end()) {
      after.emplace_back(name, FindSettingKey(name)->form == WrittenForm::AlwaysZero ? "0" : it->second);
    } else {
      for (const auto& entry : m_before)
        if (entry.first == name) after.push_back(entry);
    }
  }
  audit::Event event = audit::SettingsSaved(m_before, after);
  Wipe(after);
  return event;
}

audit::Event SaveAudit::Failed(const std::string& reason, const std::string& typedLocalPassword) const {
  std::vector<audit::Hidden> hidden = {audit::Secret(typedLocalPassword), audit::Secret(kSettingsPassword)};
  for (const auto& [name, text] : m_before)
    if (name == kLocalPasswordKey) hidden.push_back(audit::Secret(text));
  return audit::SettingsNotSaved(reason, hidden);
}

void SaveAudit::Record(const std::function<void()>& store, const std::map<std::string, std::string>& written) const {
  // Both events are made before the store, which may wipe the texts it wrote.
  const audit::Event saved = Saved(written);
  const auto typed = written.find(kLocalPasswordKey);
  std::string typedLocalPassword = typed == written.end() ? std::string() : typed->second;
  const storage::WipeOnExit wipe(typedLocalPassword);
  if (const auto failure = storage::TryWrite(store)) {
    audit::Report(Failed(failure->reason, typedLocalPassword));
    std::rethrow_exception(failure->error);
  }
  audit::Report(saved);
}

}  // namespace settings
