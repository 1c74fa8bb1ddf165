// Users of a kiosk may create files in the program's folder (the tray program writes its
// settings there), so a user can place a DLL there under the name of one that the program
// loads later: CryptoAPI's crypt32.dll and bcrypt.dll come when the first file is
// enciphered or deciphered. Neither program may load such a DLL.
//
// Wine normally takes its own builtin DLLs whatever lies in the folder. Told to prefer a
// native DLL for these names (as Windows does for every DLL that is not a known one), per
// program in its registry, it searches the program's folder first; the probe, which does
// not restrict the search, shows that the planted DLLs are then taken from there.
// (WINEDLLOVERRIDES would not do: Wine reads it from the Unix environment only.)
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/admin_dialogs.h"

namespace e2e {
namespace {

const std::vector<std::string> kPlantedNames = {"crypt32.dll", "bcrypt.dll"};
const std::vector<std::string> kPrograms = {"QuandorAuthenticator.exe", "quandorctl.exe", "crypto_probe.exe"};

std::string AppDefaultsKey(const std::string& program) { return "Software\\Wine\\AppDefaults\\" + program; }

class DllSearch : public AdminDialogs {
 protected:
  void SetUp() override {
    AdminDialogs::SetUp();
    for (const std::string& program : kPrograms) {
      HKEY key = nullptr;
      ASSERT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, AppDefaultsKey(program).c_str(), 0, KEY_READ, &key), ERROR_SUCCESS)
          << AppDefaultsKey(program) << " was not made by this test";
      ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (AppDefaultsKey(program) + "\\DllOverrides").c_str(), 0, nullptr,
                                0, KEY_WRITE, nullptr, &key, nullptr),
                ERROR_SUCCESS);
      m_madeKeys.push_back(program);
      for (const char* dll : {"crypt32", "bcrypt"}) {
        static const char kNativeFirst[] = "native,builtin";
        EXPECT_EQ(RegSetValueExA(key, dll, 0, REG_SZ, reinterpret_cast<const BYTE*>(kNativeFirst), sizeof kNativeFirst),
                  ERROR_SUCCESS);
      }
      RegCloseKey(key);
    }
    for (const std::string& name : kPlantedNames)
      ASSERT_TRUE(driver::CopyInto(driver::OwnFolder() + "planted.dll", folder() + name));
  }
  void TearDown() override {
    for (const std::string& program : m_madeKeys) RegDeleteTreeA(HKEY_CURRENT_USER, AppDefaultsKey(program).c_str());
    AdminDialogs::TearDown();
  }

  // The planted DLLs that were loaded since the last call (their markers are removed).
  std::vector<std::string> LoadedPlants() const {
    std::vector<std::string> loaded;
    for (const std::string& name : kPlantedNames) {
      const std::string marker = folder() + name + ".loaded";
      if (!driver::FileExists(marker)) continue;
      loaded.push_back(name);
      DeleteFileA(marker.c_str());
    }
    return loaded;
  }

 private:
  std::vector<std::string> m_madeKeys;
};

TEST_F(DllSearch, APlantedDllIsLoadedByAProgramThatDoesNotRestrictTheSearch) {
  ASSERT_TRUE(driver::CopyInto(driver::OwnFolder() + "crypto_probe.exe", folder() + "crypto_probe.exe"));
  // The planted DLL refuses to load, so the probe's CryptoAPI fails after the first one.
  const driver::RunResult probe = driver::Run(folder() + "crypto_probe.exe", "", "");
  EXPECT_TRUE(probe.exitCode.has_value()) << "the probe did not end";
  EXPECT_NE(LoadedPlants(), std::vector<std::string>{})
      << "this Wine does not show the search: the other cases prove nothing";
}

TEST_F(DllSearch, QuandorctlTakesNoDllFromItsFolder) {
  ASSERT_TRUE(driver::CopyInto(driver::OwnFolder() + "quandorctl.exe", folder() + "quandorctl.exe"));
  const driver::RunResult load = driver::Run(folder() + "quandorctl.exe", "ini load \"" + folder() + "SettingsHost.ini\"",
                                             "[Settings]\r\nHOST=rd.example\r\n");
  EXPECT_EQ(load.exitCode, 0u) << load.output;
  const driver::RunResult dump = driver::Run(folder() + "quandorctl.exe", "ini dump \"" + folder() + "SettingsHost.ini\"", "");
  EXPECT_EQ(dump.output, "[Settings]\r\nHOST=rd.example\r\n") << "the system's CryptoAPI did not do the work";
  EXPECT_EQ(LoadedPlants(), std::vector<std::string>{});
}

TEST_F(DllSearch, TheTrayProgramTakesNoDllFromItsFolder) {
  WriteEnciphered(folder() + "SettingsHost.ini", "[Settings]\r\nHOST=rd.example\r\nLocalPassword=pw\r\n");
  StartProgram("settings");  // any argument opens the settings, which deciphers SettingsHost.ini
  HWND settings = WaitDialog(kCaption, kHost);
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(Text(settings, kHost), "rd.example") << "the system's CryptoAPI did not do the work";
  EXPECT_EQ(LoadedPlants(), std::vector<std::string>{});
  PressKey(settings, VK_ESCAPE);
  EXPECT_TRUE(program().WaitExit(10000).has_value());
}

}  // namespace
}  // namespace e2e
