// "Manage Registered Cards": lists the card files with their user names, shows the
// chosen card's account, rewrites it on Save and Close and deletes a card on Delete
// Card. The rules live in card_list_model.h; this class moves values between its
// controls and a CardListModel.
#pragma once

#include <optional>

#include "cards/card_list_model.h"
#include "cards/sort_list_ctrl.h"
#include "ui/dialog.h"

namespace cards {

class QDCardAuthenticatorManageCardsDlg : public ui::Dialog {
 public:
  QDCardAuthenticatorManageCardsDlg();

 protected:
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  BOOL OnInitDialog() override;

 private:
  bool OnCommand(WORD id, WORD code);
  INT_PTR OnNotify(const NMHDR& header);
  void ReloadCards();
  void ShowView(const CardListView& view);
  void ShowSelectedCard();
  void ShowAccount(const CardAccount& account);
  void OnAccountEdited();
  void SaveAndClose();
  void DeleteSelectedCard();

  std::optional<CardListModel> m_model;  // made at set-up, with the settings read then
  CSortListCtrl m_cardList;
  HICON m_appIcon;
};

}  // namespace cards
