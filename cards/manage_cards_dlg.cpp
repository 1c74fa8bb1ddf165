#include "cards/manage_cards_dlg.h"

#include "platform/files.h"
#include "platform/paths.h"
#include "res/resource.h"
#include "storage/ini_text.h"

namespace cards {

QDCardAuthenticatorManageCardsDlg::QDCardAuthenticatorManageCardsDlg()
    : ui::Dialog(IDD_MANAGECARDS), m_appIcon(LoadIconResource(IDI_ACTIVE)) {}

BOOL QDCardAuthenticatorManageCardsDlg::OnInitDialog() {
  m_cardList.Attach(Item(IDC_CARDLIST));
  SetWindowIcons(m_appIcon);
  m_cardList.DefineColumns(kCardColumns);
  m_cardList.RestoreColumnWidths();
  m_cardList.SetExtendedStyle(0, LVS_EX_FULLROWSELECT);
  m_model.emplace(kWindowsCardFolder, ReadExpiryText(platform::ProgramDirectory()));
  ReloadCards();
  ChangeExtendedStyle(0, WS_EX_APPWINDOW);
  EnableItem(IDC_SAVECARD, m_model->saveEnabled());
  return TRUE;
}

INT_PTR QDCardAuthenticatorManageCardsDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      return PaintIconWhileMinimised(m_appIcon) ? TRUE : FALSE;
    case WM_COMMAND:
      if (OnCommand(LOWORD(wParam), HIWORD(wParam))) return TRUE;
      return ui::Dialog::HandleMessage(message, wParam, lParam);
    case WM_NOTIFY:
      return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    default:
      return ui::Dialog::HandleMessage(message, wParam, lParam);
  }
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

void QDCardAuthenticatorManageCardsDlg::ReloadCards() { ShowView(m_model->Reload()); }

void QDCardAuthenticatorManageCardsDlg::ShowView(const CardListView& view) {
  m_cardList.RemoveAllRows();
  for (const RowRecord& row : view.rows) m_cardList.AppendRow(row);
  if (view.message) {
    ShowAccount({});
    ShowMessage(*view.message, MB_ICONINFORMATION);
  }
  // Each change of the selection reaches ShowSelectedCard, which fills the edit boxes.
  if (view.selectedRow >= 0) m_cardList.SelectOnly(view.selectedRow);
}

void QDCardAuthenticatorManageCardsDlg::ShowSelectedCard() {
  ShowAccount(m_model ? m_model->AccountOf(m_cardList.SelectedTag()) : CardAccount{});
}

void QDCardAuthenticatorManageCardsDlg::ShowAccount(const CardAccount& account) {
  SetItemText(IDC_CARDUSER, account.user);
  SetItemText(IDC_CARDPASSWORD, account.password);
}

void QDCardAuthenticatorManageCardsDlg::OnAccountEdited() {
  if (!m_model) return;
  m_model->OnAccountEdited();
  EnableItem(IDC_SAVECARD, m_model->saveEnabled());
}

void QDCardAuthenticatorManageCardsDlg::SaveAndClose() {
  const CardAccount typed{ItemText(IDC_CARDUSER), ItemText(IDC_CARDPASSWORD)};
  CardSaveResult result;
  try {
    result = m_model->SaveAndClose(m_cardList.SelectedTag(), typed);
  } catch (const platform::FileError& e) {
    ShowMessage(CardNotSavedMessage(e.what()), MB_ICONERROR);
    return;
  } catch (const storage::IniValueError& e) {
    ShowMessage(CardNotSavedMessage(e.what()), MB_ICONERROR);
    return;
  }
  if (result.message) ShowMessage(*result.message, MB_ICONINFORMATION);
  if (!result.close) return;
  EnableItem(IDC_SAVECARD, m_model->saveEnabled());
  End(IDOK);
}

void QDCardAuthenticatorManageCardsDlg::DeleteSelectedCard() {
  if (const auto view = m_model->DeleteCard(m_cardList.SelectedTag())) {
    ShowView(*view);
  } else {
    ShowAccount({});
  }
}

}  // namespace cards
