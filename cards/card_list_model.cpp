#include "cards/card_list_model.h"

namespace cards {

std::string CardNotSavedMessage(const std::string& error) {
  return "The card's account could not be saved:\n" + error;
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
    view.shown = AccountOf(0);
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
    RewriteCardAccount(card->path, typed.user, typed.password);
  }
  m_saveEnabled = false;
  return CardSaveResult{std::nullopt, true};
}

std::optional<CardListView> CardListModel::DeleteCard(std::optional<std::size_t> tag) {
  const CardFile* card = CardOf(tag);
  if (card == nullptr) return std::nullopt;
  cards::DeleteCard(card->path);  // a card that stays is shown by the reload
  return Reload();
}

}  // namespace cards
