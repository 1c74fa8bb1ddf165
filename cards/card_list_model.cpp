#include "cards/card_list_model.h"

#include "cards/card_audit.h"
#include "storage/crypt_ini.h"
#include "storage/ini_text.h"

namespace cards {

std::string CardNotSavedMessage(const std::string& error) { return "The card's account could not be saved:\n" + error; }

std::string CardNotDecipheredMessage(const std::string& mask) {
  return "The card " + mask +
         " could not be read (its file does not decipher). Its account was not changed, so that nothing its file holds "
         "is lost.";
}

std::optional<std::string> CardValueMessage(const CardAccount& typed) {
  const std::pair<const char*, const std::string*> fields[] = {{"Selected RDP Username", &typed.user},
                                                               {"Selected RDP Password", &typed.password}};
  for (const auto& [label, value] : fields) {
    if (const std::optional<std::string> problem = storage::IniReadBackProblem(*value))
      return std::string("The ") + label + " " + *problem + ". Nothing was saved.";
  }
  return std::nullopt;
}

CardListModel::CardListModel(std::string folder, std::string expiryText)
    : m_folder(std::move(folder)), m_expiryText(std::move(expiryText)) {}

CardListView CardListModel::Reload() {
  m_cards = EnumerateCards(m_folder);
  CardListView view;
  for (std::size_t i = 0; i < m_cards.size(); ++i) {
    view.rows.push_back(RowRecord{{m_cards[i].user, m_cards[i].mask, m_expiryText}, i});
  }
  if (m_cards.empty()) {
    view.message = kNoCardsMessage;
  } else {
    view.selectedRow = 0;
  }
  return view;
}

const CardFile* CardListModel::CardOf(std::optional<std::size_t> tag) const {
  return tag && *tag < m_cards.size() ? &m_cards[*tag] : nullptr;
}

CardAccount CardListModel::AccountOf(std::optional<std::size_t> tag) const {
  const CardFile* card = CardOf(tag);
  return card ? CardAccount{card->user, card->password} : CardAccount{};
}

CardSaveResult CardListModel::SaveAndClose(std::optional<std::size_t> tag, const CardAccount& typed) {
  if (const CardFile* card = CardOf(tag)) {
    if (typed.user.empty()) return CardSaveResult{std::string(kEnterAccountMessage), false};
    if (std::optional<std::string> refused = CardValueMessage(typed)) return CardSaveResult{std::move(refused), false};
    try {
      RewriteCardAccountAudited(*card, typed.user, typed.password);
    } catch (const storage::UndecipherableFileError&) {
      return CardSaveResult{CardNotDecipheredMessage(card->mask), false};
    }
  }
  m_saveEnabled = false;
  return CardSaveResult{std::nullopt, true};
}

std::optional<CardListView> CardListModel::DeleteCard(std::optional<std::size_t> tag) {
  const CardFile* card = CardOf(tag);
  if (card == nullptr) return std::nullopt;
  DeleteCardAudited(*card);  // a card that stays is shown by the reload
  return Reload();
}

}  // namespace cards
