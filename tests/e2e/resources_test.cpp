// The resources of the built program, read from its file as the system reads them.
#include <windows.h>

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

// The parts of an extended dialog template that matter here.
struct DialogTemplate {
  DWORD style = 0, exStyle = 0;
  int width = 0, height = 0, items = 0;
  std::string caption;
  std::vector<std::pair<int, std::string>> controls;  // id, text
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
    const DWORD id = *reinterpret_cast<const DWORD*>(p + 10);
    p += 12;
    ReadText(p);  // class
    const std::string text = ReadText(p);
    const WORD extra = *p++;
    p = reinterpret_cast<const WORD*>(reinterpret_cast<const char*>(p) + extra);
    t.controls.emplace_back(static_cast<int>(id), text);
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

TEST_F(Resources, ManifestAsksForNoElevationDpiAwarenessAndCommonControls6) {
  const std::string manifest = Raw(reinterpret_cast<const char*>(RT_MANIFEST), 1);
  for (const char* part : {"level=\"asInvoker\"", "<dpiAware>true</dpiAware>", "Microsoft.Windows.Common-Controls",
                           "version=\"6.0.0.0\""})
    EXPECT_NE(manifest.find(part), std::string::npos) << part;
}

}  // namespace
}  // namespace e2e
