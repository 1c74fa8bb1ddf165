// "Manage Registered Cards": lists the card files with their user names, shows the
// chosen card's account, rewrites it on Save and Close and deletes a card on Delete
// Card. The rules live in card_list_model.h; this class moves values between its
// controls and a CardListModel.
#pragma once

#include <string>

#include "cards/card_list_model.h"
#include "cards/sort_list_ctrl.h"
#include "ui/dialog.h"

namespace cards {

class QDCardAuthenticatorManageCardsDlg : public ui::Dialog {
 public:
  // `expiryText` is what every row shows in its Expires column, from the settings as
  // they are when the dialog opens (cards::ExpiryText).
  explicit QDCardAuthenticatorManageCardsDlg(std::string expiryText);

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code) override;
  INT_PTR OnNotify(const NMHDR& header) override;

 private:
  void ReloadCards();
  void ShowView(const CardListView& view);
  void ShowSelectedCard();
  void ShowAccount(const CardAccount& account);
  void OnAccountEdited();
  void SaveAndClose();
  void DeleteSelectedCard();

  CardListModel m_model;  // made with the dialog, so every handler has one
  CSortListCtrl m_cardList;
};

}  // namespace cards
