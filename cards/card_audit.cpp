#include "cards/card_audit.h"

#include <vector>

#include "audit/report.h"
#include "storage/write_failure.h"

namespace cards {
namespace {

audit::Card AuditCard(const CardFile& card) { return audit::Card{card.number, card.mask}; }

}  // namespace

void RewriteCardAccountAudited(const CardFile& card, const std::string& user, const std::string& password) {
  const std::vector<audit::Hidden> secrets = {audit::Secret(password), audit::Secret(card.password)};
  if (const auto failure = storage::TryWrite([&] { RewriteCardAccount(card.path, user, password); })) {
    audit::Report(audit::CardNotChanged(AuditCard(card), failure->reason, secrets));
    std::rethrow_exception(failure->error);
  }
  audit::Report(audit::CardAccountChanged(AuditCard(card), card.user, user, password != card.password));
}

bool DeleteCardAudited(const CardFile& card) {
  const bool deleted = DeleteCard(card.path);
  audit::Report(deleted ? audit::CardDeleted(AuditCard(card))
                        : audit::CardNotChanged(AuditCard(card), card.path + ": could not be deleted", {}));
  return deleted;
}

CardReset DeleteAllCardsAudited(const std::string& folder) {
  CardReset reset = DeleteAllCards(folder);
  const int notDeleted = static_cast<int>(reset.notDeleted.size());
  audit::Report(audit::CardsReset(reset.found - notDeleted, notDeleted));
  return reset;
}

audit::Event FileWrittenEvent(const std::string& path, const std::string& section, const std::string& key) {
  const std::size_t slash = path.find_last_of("\\/");
  const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
  std::string end = name.size() >= 4 ? name.substr(name.size() - 4) : std::string();
  for (char& c : end) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
  std::vector<audit::Hidden> hidden;
  if (end == ".dll") {  // a card file: its name is the card's number
    const std::string number = CardNumberOfFileName(name);
    hidden.push_back(audit::CardNumber(audit::Card{number, MaskCardNumber(number)}));
  }
  return audit::FileWritten(path, section, key, hidden);
}

}  // namespace cards
