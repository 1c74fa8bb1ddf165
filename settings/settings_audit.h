// The audit trail of a settings save (the dialog's Save and Close, quandorctl settings
// set): the stored texts before the save against the texts the save writes; the event
// names the keys whose text changes, never a value. Nothing here reads a file again
// for the trail, so that a save is never slowed by it (a file the service holds open
// makes every read wait).
#pragma once

#include <functional>
#include <map>
#include <string>

#include "audit/events.h"
#include "settings/settings_record.h"

namespace settings {

// Every record key's text in `record`, in store order.
audit::KeyTexts RecordTexts(const SettingsRecord& record);

// RecordTexts of LoadSettings(directory); nothing when the files cannot be read.
audit::KeyTexts StoredTexts(const std::string& directory);

class SaveAudit {
 public:
  // `before`: the texts as stored before the save (nothing when unknown: then every
  // written key counts as changed).
  explicit SaveAudit(audit::KeyTexts before);
  ~SaveAudit();
  SaveAudit(const SaveAudit&) = delete;
  SaveAudit& operator=(const SaveAudit&) = delete;

  // The save of `written` (key name -> text as given to the store; ENABLE and DAILYKEY
  // are stored as "0" whatever they hold) went through.
  audit::Event Saved(const std::map<std::string, std::string>& written) const;
  // The save failed with `reason` (the file and the error); the LocalPassword being
  // written, the one stored before and the settings password are kept out of it.
  audit::Event Failed(const std::string& reason, const std::string& typedLocalPassword) const;

  // Runs `store`, which writes `written` (and may wipe it), and reports Saved; reports
  // Failed when it throws platform::FileError or storage::IniValueError, which propagate.
  void Record(const std::function<void()>& store, const std::map<std::string, std::string>& written) const;

 private:
  audit::KeyTexts m_before;
};

}  // namespace settings
