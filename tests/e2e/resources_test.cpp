// The resources of the built program, read from its file as the system reads them: what
// the code relies on (command and control ids, classes, the masked fields, the hidden
// controls, the default buttons) and that every dialog template makes a dialog. Labels,
// sizes and positions are the resource script's own business and are not repeated here.
// The ids are written out as numbers, not taken from res/resource.h: the service's side,
// the stored column widths (value "1019") and the other tests rely on these numbers, so a
// change in resource.h must fail here.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/e2e/harness.h"
#include "tests/fixtures/driver.h"

namespace e2e {
namespace {

class Resources : public ::testing::Test {
 public:  // the template helpers below read through Raw too
  static void SetUpTestSuite() {
    s_program = LoadLibraryExA(ProgramUnderTest().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
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

TEST_F(Resources, TrayMenuCommandsAndSeparators) {
  ASSERT_NE(s_program, nullptr);
  HMENU menu = LoadMenuA(s_program, MAKEINTRESOURCEA(129));
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(GetMenuItemCount(menu), 1);
  HMENU popup = GetSubMenu(menu, 0);
  ASSERT_NE(popup, nullptr);
  // Show Settings, Login RDP, Change RDP Credentials, -, Manage Registered Cards, -, Exit (0: a separator).
  const UINT ids[] = {32771, 32773, 32774, 0, 32775, 0, 32772};
  ASSERT_EQ(GetMenuItemCount(popup), 7);
  for (UINT i = 0; i < 7; ++i) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID;
    ASSERT_TRUE(GetMenuItemInfoA(popup, i, TRUE, &info));
    EXPECT_EQ((info.fType & MFT_SEPARATOR) != 0, ids[i] == 0) << "position " << i;
    if (ids[i] != 0) {
      EXPECT_EQ(info.wID, ids[i]) << "position " << i;
    }
  }
  DestroyMenu(menu);
}

TEST_F(Resources, AboutItemTextLoads) {
  char text[256] = {};
  EXPECT_GT(LoadStringA(s_program, 101, text, sizeof text), 0) << "the system menu's About item has no text";
}

TEST_F(Resources, BothIconsAt16And32And48PixelsAndThePicturesDiffer) {
  std::vector<std::string> images[2];  // per icon, its images' bytes in size order
  for (int which = 0; which < 2; ++which) {
    const int id = which == 0 ? 128 : 130;
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
      EXPECT_EQ(*reinterpret_cast<const WORD*>(entry + 6), 32) << "icon " << id << ": bits per pixel";
      images[which].push_back(Raw(reinterpret_cast<const char*>(RT_ICON), *reinterpret_cast<const WORD*>(entry + 12)));
      EXPECT_FALSE(images[which].back().empty()) << "icon " << id << ": image " << i << " is missing";
    }
    EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48})) << "icon " << id;
  }
  // Same sizes and depth, so differing bytes are differing pictures.
  ASSERT_EQ(images[0].size(), images[1].size());
  for (std::size_t i = 0; i < images[0].size(); ++i)
    EXPECT_NE(images[0][i], images[1][i]) << "the active and the inactive picture are the same, image " << i;
}

// One control of a dialog template: what the code and the system rely on.
struct ControlTemplate {
  int id = 0;             // -1: a control the code never reaches
  std::string className;  // a name, or "#128" ... "#133" for the predefined classes
  DWORD style = 0;
};

// The parts of an extended dialog template that matter here.
struct DialogTemplate {
  DWORD style = 0;
  std::vector<ControlTemplate> controls;
};

void SkipText(const WORD*& p) {
  if (*p == 0xFFFF) {
    p += 2;
    return;
  }
  while (*p) ++p;
  ++p;
}

// A control's class: a name, or a predefined class by its number ("#128" a button).
std::string ReadClass(const WORD*& p) {
  std::string name;
  if (*p == 0xFFFF) {
    name = "#" + std::to_string(p[1]);
    p += 2;
    return name;
  }
  while (*p) name += static_cast<char>(*p++);
  ++p;
  return name;
}

DialogTemplate ParseDialog(const std::string& raw) {
  DialogTemplate t;
  const auto* p = reinterpret_cast<const WORD*>(raw.data());
  if (raw.size() < 26 || p[0] != 1 || p[1] != 0xFFFF) return t;  // not DLGTEMPLATEEX
  t.style = *reinterpret_cast<const DWORD*>(p + 6);
  const int items = p[8];
  p += 13;
  SkipText(p);  // menu
  SkipText(p);  // class
  SkipText(p);  // caption
  if (t.style & (DS_SETFONT | DS_SHELLFONT)) {
    p += 3;  // point size, weight, italic and charset
    SkipText(p);
  }
  for (int i = 0; i < items; ++i) {
    p = reinterpret_cast<const WORD*>((reinterpret_cast<std::uintptr_t>(p) + 3) & ~std::uintptr_t{3});
    ControlTemplate item;
    item.style = *reinterpret_cast<const DWORD*>(p + 4);
    item.id = static_cast<int>(*reinterpret_cast<const DWORD*>(p + 10));
    p += 12;
    item.className = ReadClass(p);
    SkipText(p);  // the control's text
    const WORD extra = *p++;
    p = reinterpret_cast<const WORD*>(reinterpret_cast<const char*>(p) + extra);
    t.controls.push_back(item);
  }
  return t;
}

// A control the code reaches by its id: its class, whether it shows, and style bits it
// must have or must not have. For buttons the type in the low four bits (BS_AUTOCHECKBOX,
// BS_DEFPUSHBUTTON, ...) must match exactly: it makes the default button.
struct ExpectedControl {
  int id;
  const char* className;
  bool shown;
  DWORD has = 0;
  DWORD hasNot = 0;
};

constexpr const char* kButton = "#128";
constexpr const char* kEdit = "#129";
constexpr const char* kCombo = "#133";
constexpr const char* kPicker = "SysDateTimePick32";

// Every control with an id is expected (and no other); of the controls without one,
// `hiddenWithoutId` are hidden.
void ExpectControls(const DialogTemplate& t, const std::vector<ExpectedControl>& expected, int hiddenWithoutId) {
  int withId = 0, hidden = 0;
  for (const ControlTemplate& c : t.controls) {
    if (c.id == -1) {
      hidden += (c.style & WS_VISIBLE) == 0;
      continue;
    }
    ++withId;
    const auto e =
        std::find_if(expected.begin(), expected.end(), [&](const ExpectedControl& x) { return x.id == c.id; });
    if (e == expected.end()) {
      ADD_FAILURE() << "control " << c.id << " (" << c.className << ") is not expected";
      continue;
    }
    const std::string where = "control " + std::to_string(c.id);
    EXPECT_EQ(lstrcmpiA(c.className.c_str(), e->className), 0) << where << ": class " << c.className;  // case-blind
    EXPECT_EQ((c.style & WS_VISIBLE) != 0, e->shown) << where;
    EXPECT_EQ(c.style & e->has, e->has) << where;
    EXPECT_EQ(c.style & e->hasNot, 0u) << where;
    if (std::string(e->className) == kButton) {
      EXPECT_EQ(c.style & BS_TYPEMASK, e->has & BS_TYPEMASK) << where << ": button type";
    }
  }
  EXPECT_EQ(withId, static_cast<int>(expected.size())) << "controls with an id";
  EXPECT_EQ(hidden, hiddenWithoutId) << "hidden controls without an id";
}

DialogTemplate Template(int id) { return ParseDialog(Resources::Raw(reinterpret_cast<const char*>(RT_DIALOG), id)); }

constexpr DWORD kAdminDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;

TEST_F(Resources, AboutBoxAndMainWindowTemplates) {
  ExpectControls(Template(100), {{IDOK, kButton, true, BS_DEFPUSHBUTTON}}, 0);
  const DialogTemplate main = Template(102);
  EXPECT_TRUE(main.style & WS_POPUP);
  EXPECT_TRUE(main.style & WS_SYSMENU) << "the About item lives in the system menu";
  // Enter and Esc end the program through these two.
  ExpectControls(main, {{IDOK, kButton, true, BS_DEFPUSHBUTTON}, {IDCANCEL, kButton, true, BS_PUSHBUTTON}}, 0);
}

TEST_F(Resources, PasswordGateTemplate) {
  const DialogTemplate gate = Template(133);
  EXPECT_EQ(gate.style & (kAdminDialogStyle | DS_SYSMODAL), kAdminDialogStyle | DS_SYSMODAL)
      << "kept above other windows";
  ExpectControls(gate,
                 {
                     {1010, kEdit, true, ES_PASSWORD},
                     {IDOK, kButton, true, BS_DEFPUSHBUTTON},
                     {IDCANCEL, kButton, true, BS_PUSHBUTTON},
                 },
                 0);
}

TEST_F(Resources, SettingsDialogTemplate) {
  EXPECT_NE(FindResourceExA(s_program, reinterpret_cast<const char*>(RT_DIALOG), MAKEINTRESOURCEA(131),
                            MAKELANGID(LANG_ENGLISH, 0x10 /* SUBLANG_ENGLISH_INDIA */)),
            nullptr)
      << "the settings dialog is English (India)";
  const DialogTemplate settings = Template(131);
  EXPECT_EQ(settings.style & (kAdminDialogStyle | DS_SYSMODAL), kAdminDialogStyle | DS_SYSMODAL);
  const DWORD box = BS_AUTOCHECKBOX, radio = BS_AUTORADIOBUTTON;
  // No Cancel button: Esc and the close box cancel. The two radio groups start at WS_GROUP.
  ExpectControls(settings,
                 {
                     {1002, kEdit, true},
                     {1009, kEdit, true},
                     {1003, kEdit, true, 0, ES_PASSWORD},
                     {1005, kButton, true, box},
                     {1006, kEdit, true},
                     {1007, kButton, true, box},
                     {1008, kButton, true, box},
                     {1021, kButton, true, radio | WS_GROUP},
                     {1022, kButton, true, radio, WS_GROUP},
                     {1023, kButton, true, radio, WS_GROUP},
                     {1024, kButton, true, radio | WS_GROUP},
                     {1025, kButton, true, radio, WS_GROUP},
                     {1026, kButton, true, box | WS_GROUP},
                     {1027, kButton, true, box},
                     {1011, kButton, true, BS_PUSHBUTTON},
                     {1017, kButton, true, box},
                     {1018, kPicker, true, DTS_TIMEFORMAT},
                     {1020, kEdit, true, ES_NUMBER},
                     {1004, kButton, true, box},
                     {IDOK, kButton, true, BS_DEFPUSHBUTTON},
                     {1000, kButton, false, box},
                     {1016, kPicker, false, DTS_TIMEFORMAT},
                     {1001, kCombo, false, CBS_DROPDOWNLIST, CBS_SORT},
                 },
                 4);  // the labels of the three hidden controls
}

TEST_F(Resources, CardListTemplate) {
  const DialogTemplate cards = Template(135);
  EXPECT_EQ(cards.style & kAdminDialogStyle, kAdminDialogStyle);
  ExpectControls(cards,
                 {
                     {1019, "SysListView32", true, LVS_REPORT | LVS_SINGLESEL},
                     {1013, kEdit, true, 0, ES_PASSWORD},
                     {1003, kEdit, true, ES_PASSWORD},
                     {1015, kButton, true, BS_PUSHBUTTON},
                     {1014, kButton, true, BS_DEFPUSHBUTTON},
                 },
                 0);
}

INT_PTR CALLBACK NoHandler(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

TEST_F(Resources, EveryDialogTemplateMakesADialog) {
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_LISTVIEW_CLASSES | ICC_DATE_CLASSES};
  ASSERT_TRUE(InitCommonControlsEx(&classes));
  for (int id : {100, 102, 131, 133, 135}) {
    HWND dialog = CreateDialogParamA(s_program, MAKEINTRESOURCEA(id), nullptr, NoHandler, 0);
    EXPECT_NE(dialog, nullptr) << "template " << id << ": error " << GetLastError();
    if (dialog) DestroyWindow(dialog);
  }
}

TEST_F(Resources, ManifestAsksForNoElevationDpiAwarenessAndCommonControls6) {
  const std::string manifest = Raw(reinterpret_cast<const char*>(RT_MANIFEST), 1);
  for (const char* part :
       {"level=\"asInvoker\"", "<dpiAware>true</dpiAware>", "Microsoft.Windows.Common-Controls", "version=\"6.0.0.0\""})
    EXPECT_NE(manifest.find(part), std::string::npos) << part;
}

}  // namespace
}  // namespace e2e
