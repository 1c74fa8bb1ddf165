#include "cards/card_audit.h"
#include "platform/files.h"
#include "settings/settings_form.h"
#include "settings/settings_record.h"

namespace settings {

std::optional<std::string> SaveSettingsForm(const std::string& directory, const SettingsForm& form,
                                            const std::function<void()>& notifyService) {
  if (auto message = CheckForm(form)) return message;
  const SettingsRecord record = BuildRecord(form);
  StoreNotifyAndMarkRead(
      directory, [&] { StoreSettings(directory, record); }, notifyService);
  return std::nullopt;
}

bool StoreNotifyAndMarkRead(const std::string& directory, const std::function<void()>& store,
                            const std::function<void()>& notifyService) {
  try {
    store();
  } catch (const PartlyStoredError&) {
    // One file changed: the service must read it, even though the other did not.
    notifyService();
    TouchReadMarker(directory);
    throw;
  }
  notifyService();
  return TouchReadMarker(directory);
}

bool TouchReadMarker(const std::string& directory) {
  try {
    platform::TouchFile(directory + kReadMarkerFileName);
    return true;
  } catch (const platform::FileError&) {
    return false;
  }
}

std::optional<std::string> ResetCards(const std::string& cardFolder,
                                      const std::function<bool(const std::string& question)>& confirm) {
  const int cardsFound = cards::CountCards(cardFolder);
  if (cardsFound == 0) return ResetCardsMessage(0);
  if (!confirm(ResetCardsQuestion(cardsFound))) return std::nullopt;
  // Counted again: cards may have come or gone while the question was open.
  return ResetCardsMessage(cards::DeleteAllCardsAudited(cardFolder).found);
}

}  // namespace settings
