// Resource ids of the tray program. The resource script and the program both include
// this file; it must stay plain preprocessor definitions for the resource compiler.
#pragma once

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_MAIN 102
#define IDD_SETTINGS 131     // CKOVSettingsDlg
#define IDD_PASSWORD 133     // QDPasswordDlg, the gate in front of the settings
#define IDD_MANAGECARDS 135  // QDCardAuthenticatorManageCardsDlg

// String table.
#define IDS_ABOUTBOX 101

// Icons: the picture for an active service (also every window's icon) and for one
// that is not active.
#define IDI_ACTIVE 128
#define IDI_INACTIVE 130

// The tray menu and its commands.
#define IDR_TRAYMENU 129
#define ID_TRAY_SHOWSETTINGS 32771
#define ID_TRAY_EXIT 32772
#define ID_TRAY_LOGIN 32773
#define ID_TRAY_SAVE 32774
#define ID_TRAY_MANAGECARDS 32775

// Controls of the settings dialog (131).
#define IDC_ENABLE 1000    // hidden
#define IDC_EVERYHRS 1001  // hidden
#define IDC_HOST 1002
#define IDC_LOCALPASSWORD 1003
#define IDC_LOCKBYDISCONNECTION 1004
#define IDC_USEGATEWAY 1005
#define IDC_GATEWAY 1006
#define IDC_PRINTERS 1007
#define IDC_CLIPBOARD 1008
#define IDC_DOMAIN 1009
#define IDC_RESETCARDS 1011
#define IDC_UNLOCKTIME 1016  // hidden
#define IDC_CARDSEXPIRE 1017
#define IDC_EXPIRYTIME 1018
#define IDC_DELAY 1020
#define IDC_PLAY_THIS 1021
#define IDC_PLAY_REMOTE 1022
#define IDC_PLAY_NONE 1023
#define IDC_RECORD_THIS 1024
#define IDC_RECORD_NONE 1025
#define IDC_ALLMONITORS 1026
#define IDC_NUMLOCK 1027

// The password gate (133).
#define IDC_GATEPASSWORD 1010

// The card dialog (135).
#define IDC_CARDPASSWORD 1003
#define IDC_CARDUSER 1013
#define IDC_SAVECARD 1014
#define IDC_DELETECARD 1015
#define IDC_CARDLIST 1019

// Controls without behaviour of their own.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
