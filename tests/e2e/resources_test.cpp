// The resources of the built program, read from its file as the system reads them.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fixtures/driver.h"

namespace e2e {
namespace {

class Resources : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_program = LoadLibraryExA((driver::OwnFolder() + "QuandorAuthenticator.exe").c_str(), nullptr,
                               LOAD_LIBRARY_AS_DATAFILE);
  }
  static void TearDownTestSuite() { FreeLibrary(s_program); }

  static std::string Raw(const char* type, int id) {
    HRSRC found = FindResourceA(s_program, MAKEINTRESOURCEA(id), type);
    if (!found) return {};
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(s_program, found)));
    return std::string(bytes, SizeofResource(s_program, found));
  }

  static HMODULE s_program;
};
HMODULE Resources::s_program = nullptr;

std::string MenuText(HMENU menu, UINT position) {
  char text[256] = {};
  GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
  return text;
}

TEST_F(Resources, TrayMenuHasTheSevenPositions) {
  ASSERT_NE(s_program, nullptr);
  HMENU menu = LoadMenuA(s_program, MAKEINTRESOURCEA(129));
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(GetMenuItemCount(menu), 1);
  EXPECT_EQ(MenuText(menu, 0), "POPUPTRAY");
  HMENU popup = GetSubMenu(menu, 0);
  ASSERT_NE(popup, nullptr);
  struct Item {
    int id;  // 0: separator
    const char* text;
  } items[] = {
      {32771, "&Show Settings"}, {32773, "&Login RDP"}, {32774, "&Change RDP Credentials"}, {0, ""},
      {32775, "&Manage Registered Cards"}, {0, ""}, {32772, "&Exit"},
  };
  ASSERT_EQ(GetMenuItemCount(popup), 7);
  for (UINT i = 0; i < 7; ++i) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID;
    ASSERT_TRUE(GetMenuItemInfoA(popup, i, TRUE, &info));
    EXPECT_EQ((info.fType & MFT_SEPARATOR) != 0, items[i].id == 0) << "position " << i;
    if (items[i].id == 0) continue;
    EXPECT_EQ(static_cast<int>(info.wID), items[i].id) << "position " << i;
    EXPECT_EQ(MenuText(popup, i), items[i].text) << "position " << i;
  }
  DestroyMenu(menu);
}

TEST_F(Resources, AboutItemText) {
  char text[256] = {};
  ASSERT_GT(LoadStringA(s_program, 101, text, sizeof text), 0);
  EXPECT_STREQ(text, "&About KOV Authenticator...");
}

TEST_F(Resources, BothIconsAt16And32And48Pixels) {
  for (int id : {128, 130}) {
    const std::string group = Raw(reinterpret_cast<const char*>(RT_GROUP_ICON), id);
    ASSERT_GE(group.size(), 6u) << "icon " << id;
    const auto* header = reinterpret_cast<const WORD*>(group.data());
    const WORD count = header[2];
    ASSERT_EQ(group.size(), 6u + 14u * count) << "icon " << id;
    std::vector<int> sizes;
    for (WORD i = 0; i < count; ++i) {
      const auto* entry = reinterpret_cast<const BYTE*>(group.data() + 6 + 14 * i);
      EXPECT_EQ(entry[0], entry[1]) << "square";
      sizes.push_back(entry[0]);
      const WORD bits = *reinterpret_cast<const WORD*>(entry + 6);
      EXPECT_EQ(bits, 32) << "icon " << id;
    }
    EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48})) << "icon " << id;
  }
  // The two pictures differ.
  HICON active = static_cast<HICON>(LoadImageA(s_program, MAKEINTRESOURCEA(128), IMAGE_ICON, 16, 16, 0));
  HICON inactive = static_cast<HICON>(LoadImageA(s_program, MAKEINTRESOURCEA(130), IMAGE_ICON, 16, 16, 0));
  ASSERT_TRUE(active && inactive);
  DestroyIcon(active);
  DestroyIcon(inactive);
  EXPECT_NE(Raw(reinterpret_cast<const char*>(RT_GROUP_ICON), 128), "");
}

// One control of a dialog template.
struct ControlTemplate {
  int id = 0;
  std::string className;  // a name, or "#128" ... "#133" for the predefined classes
  std::string text;
  DWORD style = 0;
};

// The parts of an extended dialog template that matter here.
struct DialogTemplate {
  DWORD style = 0, exStyle = 0;
  int width = 0, height = 0, items = 0;
  std::string caption;
  std::vector<std::pair<int, std::string>> controls;  // id, text
  std::vector<ControlTemplate> parts;                  // the same controls in full
};

std::string ReadText(const WORD*& p) {
  std::string text;
  if (*p == 0xFFFF) {
    p += 2;
    return "#ordinal";
  }
  while (*p) text += static_cast<char>(*p++);
  ++p;
  return text;
}

// A control's class: a name, or a predefined class by its number ("#128" a button).
std::string ReadClass(const WORD*& p) {
  if (*p != 0xFFFF) return ReadText(p);
  const std::string ordinal = "#" + std::to_string(p[1]);
  p += 2;
  return ordinal;
}

DialogTemplate ParseDialog(const std::string& raw) {
  DialogTemplate t;
  const auto* p = reinterpret_cast<const WORD*>(raw.data());
  if (raw.size() < 26 || p[0] != 1 || p[1] != 0xFFFF) return t;  // not DLGTEMPLATEEX
  t.exStyle = *reinterpret_cast<const DWORD*>(p + 4);
  t.style = *reinterpret_cast<const DWORD*>(p + 6);
  t.items = p[8];
  t.width = static_cast<short>(p[11]);
  t.height = static_cast<short>(p[12]);
  p += 13;
  ReadText(p);  // menu
  ReadText(p);  // class
  t.caption = ReadText(p);
  if (t.style & (DS_SETFONT | DS_SHELLFONT)) {
    p += 3;  // point size, weight, italic and charset
    ReadText(p);
  }
  for (int i = 0; i < t.items; ++i) {
    p = reinterpret_cast<const WORD*>((reinterpret_cast<std::uintptr_t>(p) + 3) & ~std::uintptr_t{3});
    ControlTemplate item;
    item.style = *reinterpret_cast<const DWORD*>(p + 4);
    item.id = static_cast<int>(*reinterpret_cast<const DWORD*>(p + 10));
    p += 12;
    item.className = ReadClass(p);
    item.text = ReadText(p);
    const WORD extra = *p++;
    p = reinterpret_cast<const WORD*>(reinterpret_cast<const char*>(p) + extra);
    t.controls.emplace_back(item.id, item.text);
    t.parts.push_back(item);
  }
  return t;
}

TEST_F(Resources, AboutBoxTemplate) {
  const DialogTemplate about = ParseDialog(Raw(reinterpret_cast<const char*>(RT_DIALOG), 100));
  EXPECT_EQ(about.caption, "About KOV Authenticator");
  EXPECT_EQ(about.width, 170);
  EXPECT_EQ(about.height, 62);
  using Controls = std::vector<std::pair<int, std::string>>;
  EXPECT_EQ(about.controls, (Controls{{-1, "#ordinal"}, {-1, "KOV Authenticator, Version 1.0"}, {IDOK, "OK"}}));
}

TEST_F(Resources, MainWindowTemplate) {
  const DialogTemplate main = ParseDialog(Raw(reinterpret_cast<const char*>(RT_DIALOG), 102));
  EXPECT_EQ(main.caption, "");
  EXPECT_EQ(main.width, 320);
  EXPECT_EQ(main.height, 200);
  EXPECT_TRUE(main.style & WS_POPUP);
  EXPECT_TRUE(main.style & WS_THICKFRAME) << "resizable";
  EXPECT_TRUE(main.style & WS_SYSMENU) << "the About item lives in the system menu";
  using Controls = std::vector<std::pair<int, std::string>>;
  EXPECT_EQ(main.controls, (Controls{{IDOK, "OK"}, {IDCANCEL, "Cancel"}}));
}

// What a control of the administrator's dialogs must be: its id, class, text, whether
// it is shown, and style bits it must have or must not have. For buttons the type in
// the low four bits (BS_AUTOCHECKBOX, BS_DEFPUSHBUTTON, ...) must match exactly.
struct ExpectedControl {
  int id;
  const char* className;
  const char* text;
  bool shown;
  DWORD has = 0;
  DWORD hasNot = 0;
};

constexpr const char* kButton = "#128";
constexpr const char* kEdit = "#129";
constexpr const char* kStatic = "#130";
constexpr const char* kCombo = "#133";
constexpr DWORD kEditStyle = WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
constexpr DWORD kPicker = DTS_TIMEFORMAT | DTS_RIGHTALIGN | WS_TABSTOP;

void ExpectControls(const DialogTemplate& t, const std::vector<ExpectedControl>& expected) {
  ASSERT_EQ(t.parts.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const ControlTemplate& c = t.parts[i];
    const ExpectedControl& e = expected[i];
    const std::string where = "control " + std::to_string(i) + " (" + e.text + ")";
    EXPECT_EQ(c.id, e.id) << where;
    EXPECT_EQ(lstrcmpiA(c.className.c_str(), e.className), 0) << where << ": class " << c.className;  // case-blind
    EXPECT_EQ(c.text, e.text) << where;
    EXPECT_EQ((c.style & WS_VISIBLE) != 0, e.shown) << where;
    EXPECT_EQ(c.style & e.has, e.has) << where;
    EXPECT_EQ(c.style & e.hasNot, 0u) << where;
    if (std::string(e.className) == kButton) {
      EXPECT_EQ(c.style & BS_TYPEMASK, e.has & BS_TYPEMASK) << where;
    }
  }
}

constexpr DWORD kAdminDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;

TEST_F(Resources, PasswordGateTemplate) {
  const DialogTemplate gate = ParseDialog(Raw(reinterpret_cast<const char*>(RT_DIALOG), 133));
  EXPECT_EQ(gate.caption, "Quandor Systems Card Authenticator");
  EXPECT_EQ(gate.width, 259);
  EXPECT_EQ(gate.height, 68);
  EXPECT_EQ(gate.style & (kAdminDialogStyle | DS_SYSMODAL), kAdminDialogStyle | DS_SYSMODAL) << "kept above other windows";
  EXPECT_EQ(gate.style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);
  ExpectControls(gate, {
      {1010, kEdit, "", true, kEditStyle | ES_PASSWORD},
      {IDOK, kButton, "&Submit", true, WS_TABSTOP | BS_DEFPUSHBUTTON},
      {IDCANCEL, kButton, "Cancel", true, WS_TABSTOP | BS_PUSHBUTTON},
      {-1, kStatic, "To access the Setting - Kindly enter the provided password.", true, 0, WS_TABSTOP},
      {-1, kStatic, "Password :", true, 0, WS_TABSTOP},
  });
}

TEST_F(Resources, SettingsDialogTemplate) {
  EXPECT_NE(FindResourceExA(s_program, reinterpret_cast<const char*>(RT_DIALOG), MAKEINTRESOURCEA(131),
                            MAKELANGID(LANG_ENGLISH, 0x10 /* SUBLANG_ENGLISH_INDIA */)),
            nullptr)
      << "the settings dialog is English (India)";
  const DialogTemplate settings = ParseDialog(Raw(reinterpret_cast<const char*>(RT_DIALOG), 131));
  EXPECT_EQ(settings.caption, "Quandor Systems Card Authenticator");
  EXPECT_EQ(settings.width, 242);
  EXPECT_EQ(settings.height, 229);
  EXPECT_EQ(settings.style & (kAdminDialogStyle | DS_SYSMODAL), kAdminDialogStyle | DS_SYSMODAL);
  const DWORD box = WS_TABSTOP | BS_AUTOCHECKBOX, radio = BS_AUTORADIOBUTTON;
  ExpectControls(settings, {
      {1002, kEdit, "", true, kEditStyle},
      {1009, kEdit, "", true, kEditStyle},
      {1003, kEdit, "", true, kEditStyle, ES_PASSWORD},
      {-1, kButton, "", true, BS_GROUPBOX},
      {1005, kButton, "&Use RD Gateway Server Settings", true, box},
      {1006, kEdit, "", true, kEditStyle},
      {-1, kButton, "Local Devices and Resources", true, BS_GROUPBOX},
      {-1, kStatic, "Choose the devices and resources that you want to use in your remote session.", true},
      {1007, kButton, "&Printers", true, box},
      {1008, kButton, "&Clipboard", true, box},
      {-1, kButton, "Remote audio playback - Play on ", true, BS_GROUPBOX},
      {1021, kButton, "This computer", true, radio | WS_GROUP},
      {1022, kButton, "Remote computer", true, radio, WS_GROUP},
      {1023, kButton, "Do not play", true, radio, WS_GROUP},
      {-1, kButton, "Remote audio recording - Record from", true, BS_GROUPBOX, WS_GROUP},
      {1024, kButton, "This computer", true, radio | WS_GROUP},
      {1025, kButton, "Do not play", true, radio, WS_GROUP},
      {1026, kButton, "Use all my monitors for the remote session", true, box | WS_GROUP},
      {1027, kButton, "Make Num Lock always On", true, box},
      {-1, kStatic, "Local machine user Password : ", true},
      {1011, kButton, "&Reset Cards", true, WS_TABSTOP | BS_PUSHBUTTON},
      {1017, kButton, "Cards Expires at ", true, box},
      {1018, "SysDateTimePick32", "", true, kPicker},
      {1020, kEdit, "", true, kEditStyle | ES_NUMBER},
      {1004, kButton, "&Lock the computer if RDP disconnect", true, box},
      {IDOK, kButton, "&Save and Close", true, WS_TABSTOP | BS_DEFPUSHBUTTON},
      {1000, kButton, "&Enable", false, box},
      {-1, kStatic, "unlock the computer at : ", false},
      {1016, "SysDateTimePick32", "", false, kPicker},
      {-1, kStatic, "24 hrs", false},
      {-1, kStatic, "Ask Credentials in every", false},
      {-1, kStatic, "hrs", false},
      {1001, kCombo, "", false, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, CBS_SORT},
      {-1, kStatic, "Remote System Host name: ", true},
      {-1, kStatic, "Server name : ", true},
      {-1, kStatic, "TALO Server(Optional)", true},
      {-1, kStatic, "Delay milliseconds", true},
  });
  for (const ControlTemplate& c : settings.parts) EXPECT_NE(c.id, IDCANCEL) << "there is no Cancel button";
}

TEST_F(Resources, CardListTemplate) {
  const DialogTemplate cards = ParseDialog(Raw(reinterpret_cast<const char*>(RT_DIALOG), 135));
  EXPECT_EQ(cards.caption, "Manage Registered Cards");
  EXPECT_EQ(cards.width, 245);
  EXPECT_EQ(cards.height, 147);
  EXPECT_EQ(cards.style & (kAdminDialogStyle | WS_VISIBLE), kAdminDialogStyle | WS_VISIBLE);
  EXPECT_EQ(cards.style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);
  ExpectControls(cards, {
      {-1, kStatic, "Available Cards Username :", true},
      {1019, "SysListView32", "", true, LVS_REPORT | LVS_SINGLESEL | WS_BORDER | WS_TABSTOP},
      {-1, kStatic, "Selected RDP Username :", true},
      {1013, kEdit, "", true, kEditStyle, ES_PASSWORD},
      {-1, kStatic, "Selected RDP Password :", true},
      {1003, kEdit, "", true, kEditStyle | ES_PASSWORD},
      {1015, kButton, "&Delete Card", true, WS_TABSTOP | BS_PUSHBUTTON},
      {1014, kButton, "&Save and Close", true, WS_TABSTOP | BS_DEFPUSHBUTTON},
  });
}

TEST_F(Resources, ManifestAsksForNoElevationDpiAwarenessAndCommonControls6) {
  const std::string manifest = Raw(reinterpret_cast<const char*>(RT_MANIFEST), 1);
  for (const char* part : {"level=\"asInvoker\"", "<dpiAware>true</dpiAware>", "Microsoft.Windows.Common-Controls",
                           "version=\"6.0.0.0\""})
    EXPECT_NE(manifest.find(part), std::string::npos) << part;
}

}  // namespace
}  // namespace e2e
