#include "cards/manage_cards_dlg.h"

#include <utility>

#include "res/resource.h"
#include "storage/write_failure.h"

namespace cards {

QDCardAuthenticatorManageCardsDlg::QDCardAuthenticatorManageCardsDlg(std::string expiryText)
    : ui::Dialog(IDD_MANAGECARDS), m_model(kWindowsCardFolder, std::move(expiryText)) {}

BOOL QDCardAuthenticatorManageCardsDlg::OnInitDialog() {
  m_cardList.Attach(Item(IDC_CARDLIST));
  SetWindowIcons(LoadIconResource(IDI_ACTIVE));
  m_cardList.DefineColumns(kCardColumns);
  m_cardList.RestoreColumnWidths();
  m_cardList.SetExtendedStyle(0, LVS_EX_FULLROWSELECT);
  ReloadCards();
  ChangeExtendedStyle(0, WS_EX_APPWINDOW);
  EnableItem(IDC_SAVECARD, m_model.saveEnabled());
  return TRUE;
}

bool QDCardAuthenticatorManageCardsDlg::OnCommand(WORD id, WORD code) {
  switch (id) {
    case IDC_SAVECARD:
      SaveAndClose();
      return true;
    case IDC_DELETECARD:
      DeleteSelectedCard();
      return true;
    case IDC_CARDUSER:
    case IDC_CARDPASSWORD:
      if (code != EN_CHANGE) return false;
      OnAccountEdited();
      return true;
    default:
      return false;
  }
}

INT_PTR QDCardAuthenticatorManageCardsDlg::OnNotify(const NMHDR& header) {
  if (header.idFrom != IDC_CARDLIST) return FALSE;
  switch (header.code) {
    case LVN_COLUMNCLICK:
      m_cardList.OnColumnClick(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
      return Answer(0);
    case LVN_ITEMCHANGED:
      ShowSelectedCard();
      return Answer(0);
    default:
      return FALSE;
  }
}

void QDCardAuthenticatorManageCardsDlg::ReloadCards() { ShowView(m_model.Reload()); }

void QDCardAuthenticatorManageCardsDlg::ShowView(const CardListView& view) {
  m_cardList.ReplaceRows(view.rows);
  if (view.message) {
    ShowAccount({});
    ShowMessage(*view.message, MB_ICONINFORMATION);
  }
  // Each change of the selection reaches ShowSelectedCard, which fills the edit boxes.
  if (view.selectedRow >= 0) m_cardList.SelectOnly(view.selectedRow);
}

void QDCardAuthenticatorManageCardsDlg::ShowSelectedCard() { ShowAccount(m_model.AccountOf(m_cardList.SelectedTag())); }

void QDCardAuthenticatorManageCardsDlg::ShowAccount(const CardAccount& account) {
  SetItemText(IDC_CARDUSER, account.user);
  SetItemText(IDC_CARDPASSWORD, account.password);
}

void QDCardAuthenticatorManageCardsDlg::OnAccountEdited() {
  m_model.OnAccountEdited();
  EnableItem(IDC_SAVECARD, m_model.saveEnabled());
}

void QDCardAuthenticatorManageCardsDlg::SaveAndClose() {
  const CardAccount typed{ItemText(IDC_CARDUSER), ItemText(IDC_CARDPASSWORD)};
  CardSaveResult result;
  if (const auto failure = storage::TryWrite([&] { result = m_model.SaveAndClose(m_cardList.SelectedTag(), typed); })) {
    ShowMessage(CardNotSavedMessage(failure->reason), MB_ICONERROR);
    return;
  }
  if (result.message) ShowMessage(*result.message, MB_ICONINFORMATION);
  if (!result.close) return;
  EnableItem(IDC_SAVECARD, m_model.saveEnabled());
  End(IDOK);
}

void QDCardAuthenticatorManageCardsDlg::DeleteSelectedCard() {
  if (const auto view = m_model.DeleteCard(m_cardList.SelectedTag())) {
    ShowView(*view);
  } else {
    ShowAccount({});
  }
}

}  // namespace cards
