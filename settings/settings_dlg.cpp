#include "settings/settings_dlg.h"

#include "audit/report.h"
#include "cards/card_files.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "res/resource.h"
#include "settings/service_request.h"
#include "settings/setting_rules.h"
#include "settings/settings_audit.h"
#include "storage/write_failure.h"
#include "ui/controls.h"

namespace settings {
namespace {

constexpr char kPickerFormat[] = "HH:mm";

}  // namespace

CKOVSettingsDlg::CKOVSettingsDlg() : ui::Dialog(IDD_SETTINGS) {}

BOOL CKOVSettingsDlg::OnInitDialog() {
  // Both pickers get their format before the load, which may fail and fill nothing.
  ui::SetPickerFormat(Item(IDC_EXPIRYTIME), kPickerFormat);
  ui::SetPickerFormat(Item(IDC_UNLOCKTIME), kPickerFormat);
  for (std::size_t i = 0; i < kEveryHrsItems.size(); ++i)
    ui::InsertListItem(Item(IDC_EVERYHRS), static_cast<int>(i), kEveryHrsItems[i]);
  SetWindowIcons(LoadIconResource(IDI_ACTIVE));
  m_programDirectory = platform::ProgramDirectory();
  try {
    const SettingsRecord loaded = LoadSettings(m_programDirectory);
    m_loadedTexts = RecordTexts(loaded);
    ShowForm(FillForm(loaded));
  } catch (const platform::FileError& e) {
    // Nothing has been filled yet: every field keeps its template state.
    ShowMessage(SettingsNotReadMessage(e.what()), MB_ICONERROR);
  }
  return TRUE;  // the focus goes to the host name
}

bool CKOVSettingsDlg::OnCommand(WORD id, WORD code) {
  if (id == IDOK) {
    OnSaveAndClose();
    return true;
  }
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_ENABLE:
      OnEnableClicked();
      return true;
    case IDC_USEGATEWAY:
      OnUseGatewayClicked();
      return true;
    case IDC_RESETCARDS:
      OnResetCards();
      return true;
    case IDC_CARDSEXPIRE:
      OnCardsExpireClicked();
      return true;
    default:
      return false;
  }
}

void CKOVSettingsDlg::OnSaveAndClose() {
  const SettingsForm form = ReadForm();
  const SaveAudit trail(m_loadedTexts);
  std::optional<std::string> refused;
  const auto failure = storage::TryWrite([&] {
    refused = SaveSettingsForm(m_programDirectory, form, [&] {
      // Called once the store went through, so the form passed its checks.
      const audit::KeyTexts written = RecordTexts(BuildRecord(form));
      audit::Report(trail.Saved({written.begin(), written.end()}));
      SendServiceRequest();
    });
  });
  if (failure) {
    audit::Report(trail.Failed(failure->reason, form.localPassword));
    ShowMessage(SettingsNotSavedMessage(failure->reason), MB_ICONERROR);
    return;
  }
  if (refused) {
    ShowMessage(*refused, MB_ICONERROR);
    return;
  }
  End(IDOK);
}

void CKOVSettingsDlg::OnEnableClicked() { ApplyEnablingBoxClick(EnablingBox::Enable); }

void CKOVSettingsDlg::OnUseGatewayClicked() { ApplyEnablingBoxClick(EnablingBox::UseGateway); }

void CKOVSettingsDlg::OnCardsExpireClicked() { ApplyEnablingBoxClick(EnablingBox::CardsExpire); }

void CKOVSettingsDlg::ApplyEnablingBoxClick(EnablingBox box) {
  SettingsForm form = ReadForm();
  ApplyEnablingBox(form, box);
  ShowEnabledStates(form);
}

void CKOVSettingsDlg::OnResetCards() {
  const std::optional<std::string> message =
      ResetCards(cards::kWindowsCardFolder, [this](const std::string& question) { return AskYesNo(question); });
  if (message) ShowMessage(*message, MB_ICONINFORMATION);
}

SettingsForm CKOVSettingsDlg::ReadForm() const {
  SettingsForm form;
  form.delay = ItemText(IDC_DELAY);
  form.host = ItemText(IDC_HOST);
  form.localPassword = ItemText(IDC_LOCALPASSWORD);
  form.domain = ItemText(IDC_DOMAIN);
  form.printers = IsTicked(IDC_PRINTERS);
  form.clipboard = IsTicked(IDC_CLIPBOARD);
  form.useGateway = IsTicked(IDC_USEGATEWAY);
  form.rdGateway = ItemText(IDC_GATEWAY);
  form.forceNumLock = IsTicked(IDC_NUMLOCK);
  form.recording = IsTicked(IDC_RECORD_NONE)   ? RecordingChoice::DoNotRecord
                   : IsTicked(IDC_RECORD_THIS) ? RecordingChoice::ThisComputer
                                               : RecordingChoice::None;
  form.useAllMonitors = IsTicked(IDC_ALLMONITORS);
  form.playback = IsTicked(IDC_PLAY_NONE)     ? PlaybackChoice::DoNotPlay
                  : IsTicked(IDC_PLAY_THIS)   ? PlaybackChoice::ThisComputer
                  : IsTicked(IDC_PLAY_REMOTE) ? PlaybackChoice::RemoteComputer
                                              : PlaybackChoice::None;
  form.lockOnDisconnect = IsTicked(IDC_LOCKBYDISCONNECTION);
  form.cardsExpire = IsTicked(IDC_CARDSEXPIRE);
  if (const auto time = ui::PickerTime(Item(IDC_EXPIRYTIME))) form.expiryTime = PickerTime{time->hour, time->minute};
  form.enable = IsTicked(IDC_ENABLE);
  form.everyHrsIndex = ui::SelectedListItem(Item(IDC_EVERYHRS));
  form.expiryPickerEnabled = IsItemEnabled(IDC_EXPIRYTIME);
  form.unlockPickerEnabled = IsItemEnabled(IDC_UNLOCKTIME);
  form.gatewayEditEnabled = IsItemEnabled(IDC_GATEWAY);
  form.taskbarButton = (GetWindowLongPtrA(hwnd(), GWL_EXSTYLE) & WS_EX_APPWINDOW) != 0;
  return form;
}

void CKOVSettingsDlg::ShowForm(const SettingsForm& form) {
  SetItemText(IDC_HOST, form.host);
  SetItemText(IDC_LOCALPASSWORD, form.localPassword);
  SetItemText(IDC_DOMAIN, form.domain);
  SetTick(IDC_NUMLOCK, form.forceNumLock);
  SetTick(IDC_ALLMONITORS, form.useAllMonitors);
  SetTick(IDC_RECORD_NONE, form.recording == RecordingChoice::DoNotRecord);
  SetTick(IDC_RECORD_THIS, form.recording == RecordingChoice::ThisComputer);
  SetTick(IDC_PLAY_NONE, form.playback == PlaybackChoice::DoNotPlay);
  SetTick(IDC_PLAY_THIS, form.playback == PlaybackChoice::ThisComputer);
  SetTick(IDC_PLAY_REMOTE, form.playback == PlaybackChoice::RemoteComputer);
  SetItemText(IDC_DELAY, form.delay);
  SetTick(IDC_CARDSEXPIRE, form.cardsExpire);
  SetTick(IDC_PRINTERS, form.printers);
  SetTick(IDC_CLIPBOARD, form.clipboard);
  SetTick(IDC_USEGATEWAY, form.useGateway);
  SetItemText(IDC_GATEWAY, form.rdGateway);
  SetTick(IDC_LOCKBYDISCONNECTION, form.lockOnDisconnect);
  ui::SelectListItem(Item(IDC_EVERYHRS), form.everyHrsIndex);
  SetTick(IDC_ENABLE, form.enable);
  ShowEnabledStates(form);
  if (form.expiryTime) ui::SetPickerTime(Item(IDC_EXPIRYTIME), {form.expiryTime->hour, form.expiryTime->minute});
  if (form.taskbarButton) ChangeExtendedStyle(0, WS_EX_APPWINDOW);
}

void CKOVSettingsDlg::ShowEnabledStates(const SettingsForm& form) {
  EnableItem(IDC_EXPIRYTIME, form.expiryPickerEnabled);
  EnableItem(IDC_UNLOCKTIME, form.unlockPickerEnabled);
  EnableItem(IDC_GATEWAY, form.gatewayEditEnabled);
}

}  // namespace settings
