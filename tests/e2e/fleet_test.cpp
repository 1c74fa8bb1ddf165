// The fleet tools as a management system runs them on a kiosk: the detection and
// remediation pair of docs/fleet (their batch forms, run by cmd), and doctor's service
// checks against the stand-in service.
#include <nlohmann/json.hpp>

#include "tests/e2e/harness.h"
#include "tests/fixtures/standin_service.h"

namespace e2e {
namespace {

std::string Cmd() {
  char system[MAX_PATH];
  GetSystemDirectoryA(system, MAX_PATH);
  return std::string(system) + "\\cmd.exe";
}

struct FileState {
  std::string bytes;
  FILETIME written{};
  bool operator==(const FileState& o) const {
    return bytes == o.bytes && CompareFileTime(&written, &o.written) == 0;
  }
};

class FleetTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    for (const char* file : {"quandorctl.exe", "detect-settings.cmd", "remediate-settings.cmd"})
      ASSERT_TRUE(driver::CopyInto(driver::OwnFolder() + file, folder() + file)) << file;
  }

  driver::RunResult Script(const char* name) { return driver::Run(Cmd(), "/c \"" + folder() + name + "\"", ""); }
  driver::RunResult Quandorctl(const std::string& arguments) {
    return driver::Run(folder() + "quandorctl.exe", arguments, "");
  }
  std::vector<std::string> ControlsReceived() const {
    return driver::Lines(driver::ReadFileText(folder() + "service-controls.txt"));
  }
  // The file's bytes and time, its time first set an hour back when `ageFirst`, so that
  // any rewrite shows whatever the file system's time resolution.
  FileState State(const char* name, bool ageFirst) const {
    const std::string path = folder() + name;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE) << path;
    FileState state;
    GetFileTime(file, nullptr, nullptr, &state.written);
    if (ageFirst) {
      ULARGE_INTEGER t{{state.written.dwLowDateTime, state.written.dwHighDateTime}};
      t.QuadPart -= 3600ULL * 10000000ULL;
      state.written = {t.LowPart, t.HighPart};
      EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &state.written));
    }
    CloseHandle(file);
    state.bytes = driver::ReadFileText(path);
    return state;
  }
  std::vector<FileState> Files(bool ageFirst) const {
    return {State("Settings.ini", ageFirst), State("SettingsHost.ini", ageFirst), State("Read.txt", ageFirst)};
  }
  nlohmann::json Doctor() {
    const driver::RunResult r = Quandorctl("doctor --format json --folder \"" + folder() + "CARD\"");
    EXPECT_EQ(r.exitCode, std::optional<DWORD>(4)) << r.output;  // no settings yet: HOST is a problem
    try {
      return nlohmann::json::parse(r.output)["checks"];
    } catch (const nlohmann::json::exception& e) {
      ADD_FAILURE() << e.what() << "\n" << r.output;
      return {};
    }
  }
};

TEST_F(FleetTest, TheIntunePairOnADriftedKiosk) {
  // The kiosk as it was set up long ago, before the service was there.
  ASSERT_EQ(Quandorctl("settings set HOST=rd01 DELAY=500 CLIPBOARD=0").exitCode.has_value(), true);
  ASSERT_TRUE(driver::WriteFileText(folder() + "quandor-settings.json",
                                    R"({"HOST": "rd01", "DELAY": 600, "PRINTERS": "0", "CLIPBOARD": "0"})"));
  InstallService();
  ASSERT_TRUE(driver::service::Start(kStandinServiceName));

  driver::RunResult r = Script("detect-settings.cmd");
  EXPECT_EQ(r.exitCode, std::optional<DWORD>(1)) << r.output;
  EXPECT_EQ(r.output, "PRINTERS: \"1\", wanted \"0\"\nDELAY: \"500\", wanted \"600\"\n");

  r = Script("remediate-settings.cmd");
  EXPECT_EQ(r.exitCode, std::optional<DWORD>(0)) << r.output;
  EXPECT_NE(r.output.find("changed PRINTERS, DELAY\r\n"), std::string::npos) << r.output;
  EXPECT_EQ(ControlsReceived(), std::vector<std::string>{"134"}) << "the service is told once";
  const nlohmann::json stored = nlohmann::json::parse(Quandorctl("settings show --format json").output);
  EXPECT_EQ(stored["PRINTERS"], "0");
  EXPECT_EQ(stored["DELAY"], "600");
  EXPECT_EQ(stored["HOST"], "rd01");
  const std::string plain = driver::ReadFileText(folder() + "Settings.ini");
  EXPECT_EQ(plain.find("FORCENUMKEY"), std::string::npos) << "only the differing keys are written:\n" << plain;

  r = Script("detect-settings.cmd");
  EXPECT_EQ(r.exitCode, std::optional<DWORD>(0)) << r.output;

  const std::vector<FileState> before = Files(true);
  r = Script("remediate-settings.cmd");
  EXPECT_EQ(r.exitCode, std::optional<DWORD>(0)) << r.output;
  EXPECT_EQ(r.output, "unchanged\r\n");
  EXPECT_TRUE(Files(false) == before) << "a second remediation changes no byte and no time";
  EXPECT_EQ(ControlsReceived(), std::vector<std::string>{"134"}) << "and sends no control request";
}

TEST_F(FleetTest, DoctorSeesTheService) {
  ASSERT_TRUE(CreateDirectoryA((folder() + "CARD").c_str(), nullptr));
  nlohmann::json checks = Doctor();
  EXPECT_EQ(checks["service"]["status"], "problem");
  EXPECT_EQ(checks["service"]["reason"], "Quandor-Authenticator is not installed");
  EXPECT_EQ(checks["service_start"]["status"], "skipped");
  EXPECT_NE(checks["run_value"]["status"], "skipped") << "the registry is read on Windows";
  EXPECT_EQ(checks["service_ui"]["status"], "ok");
  EXPECT_EQ(checks["tray_program"]["status"], "ok") << "its version resource: " << checks["tray_program"];

  InstallService();
  checks = Doctor();
  EXPECT_EQ(checks["service"]["status"], "problem");
  EXPECT_EQ(checks["service"]["reason"], "stopped: no card logs anyone on");
  EXPECT_EQ(checks["service_start"]["status"], "warning");
  EXPECT_EQ(checks["service_start"]["reason"], "manual: it does not start with Windows");

  ASSERT_TRUE(driver::service::Start(kStandinServiceName));
  checks = Doctor();
  EXPECT_EQ(checks["service"]["status"], "ok");
  EXPECT_EQ(checks["service"]["reason"], "running");
}

}  // namespace
}  // namespace e2e
