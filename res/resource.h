// Resource ids of the tray program. The resource script and the program both include
// this file; it must stay plain preprocessor definitions for the resource compiler.
#pragma once

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_MAIN 102

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

// Controls without behaviour of their own.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
