// quandorctl settings check and apply on kiosk folders, as a management system runs them,
// and settings show --format json as the desired state it starts from.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "platform/files.h"
#include "settings/settings_record.h"
#include "tests/unit/quandorctl/run_quandorctl.h"
#include "tests/unit/test_folder.h"

namespace quandorctl_test {
namespace {

using testing_support::TestFolder;

namespace fs = std::filesystem;

// A kiosk whose settings drifted from the site's: HOST as wanted, DELAY and PRINTERS not.
void DriftedKiosk(const TestFolder& dir) {
  settings::StoreSettingValues(dir.path(), {{"HOST", "rd01"}, {"LocalPassword", "old-pw"}, {"DELAY", "500"}});
  dir.Write("Read.txt", "");
}
constexpr char kWanted[] = R"({"HOST": "rd01", "DELAY": 600, "PRINTERS": "0"})";

struct Snapshot {
  std::string bytes;
  fs::file_time_type time;
  bool operator==(const Snapshot& o) const { return bytes == o.bytes && time == o.time; }
};

// Every file of the folder, its bytes and modification time; each time set an hour back
// first, so that any rewrite shows in the time whatever the file system's resolution.
std::vector<Snapshot> Files(const TestFolder& dir, bool ageFirst) {
  std::vector<Snapshot> files;
  for (const char* name : {"Settings.ini", "SettingsHost.ini", "Read.txt"}) {
    const fs::path path = dir / name;
    if (ageFirst) fs::last_write_time(path, fs::last_write_time(path) - std::chrono::hours(1));
    files.push_back({dir.Read(name), fs::last_write_time(path)});
  }
  return files;
}

TEST(QuandorctlDesiredState, CheckThenApplyThenNothingMore) {
  TestFolder dir, site;
  DriftedKiosk(dir);
  site.Write("wanted.json", kWanted);
  const std::string folder = " --dir " + Arg(dir.path()) + " " + Arg(site / "wanted.json");

  Result r = Quandorctl("settings check" + folder);
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(r.out, "PRINTERS: \"1\", wanted \"0\"\nDELAY: \"500\", wanted \"600\"\n") << "store order";

  r = Quandorctl("settings apply" + folder);
  EXPECT_EQ(r.status, kSaved) << r.err;
  EXPECT_TRUE(Contains(r.out, "changed PRINTERS, DELAY\n")) << r.out;
  const settings::SettingsRecord stored = settings::LoadSettings(dir.path());
  EXPECT_EQ(stored.printers, "0");
  EXPECT_EQ(stored.delay, "600");
  EXPECT_EQ(stored.localPassword, "old-pw") << "a key the file does not name is left alone";
  EXPECT_FALSE(Contains(dir.Read("Settings.ini"), "CLIPBOARD")) << "only the differing keys are written";

  r = Quandorctl("settings check" + folder);
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.out, "every key as wanted (3 keys)\n");

  const std::vector<Snapshot> before = Files(dir, true);
  r = Quandorctl("settings apply" + folder);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "unchanged\n") << "and the service is not told";
  EXPECT_TRUE(Files(dir, false) == before) << "a second apply changes no byte and no time";
}

TEST(QuandorctlDesiredState, ThePasswordFromStandardInputIsNeverShown) {
  TestFolder dir, site;
  DriftedKiosk(dir);
  site.Write("wanted.json", R"({"HOST": "rd01"})");
  const std::string args = "settings apply --dir " + Arg(dir.path()) + " --local-password-stdin " +
                           Arg(site / "wanted.json");
  Result r = Quandorctl(args, "new s3cret\n");
  EXPECT_EQ(r.status, kSaved) << r.err;
  EXPECT_TRUE(Contains(r.out, "changed LocalPassword\n")) << r.out;
  EXPECT_EQ(settings::LoadSettings(dir.path()).localPassword, "new s3cret");
  EXPECT_EQ(Quandorctl(args, "new s3cret\n").out, "unchanged\n");

  site.Write("wanted.json", R"({"LocalPassword": "other s3cret"})");
  r = Quandorctl("settings check --dir " + Arg(dir.path()) + " " + Arg(site / "wanted.json"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "LocalPassword: differs\n");
  EXPECT_FALSE(Contains(r.out + r.err, "s3cret"));
}

TEST(QuandorctlDesiredState, ShowJsonIsADesiredStateOnceThePasswordIsGiven) {
  TestFolder dir, site;
  DriftedKiosk(dir);
  const Result shown = Quandorctl("settings show --format json --dir " + Arg(dir.path()));
  ASSERT_EQ(shown.status, 0) << shown.err;
  nlohmann::json state = nlohmann::json::parse(shown.out);
  EXPECT_EQ(state.size(), settings::RecordKeys().size() - 1) << "every key the program reads: " << shown.out;
  EXPECT_EQ(state["LocalPassword"], "********");
  EXPECT_EQ(state["DELAY"], "500");
  EXPECT_EQ(state["PRINTERS"], "1") << "a missing key: its default";

  const std::string check = "settings check --dir " + Arg(dir.path()) + " " + Arg(site / "state.json");
  site.Write("state.json", shown.out);
  EXPECT_EQ(Quandorctl(check).status, 1) << "the mask is no password";
  state.erase("LocalPassword");
  site.Write("state.json", state.dump());
  EXPECT_EQ(Quandorctl(check).status, 0);
  site.Write("state.json", Quandorctl("settings show --format json --show-passwords --dir " + Arg(dir.path())).out);
  EXPECT_EQ(Quandorctl(check).status, 0);
}

struct Refusal {
  const char* label;
  std::string file;   // the desired state; empty: FILE is not given
  std::string input;  // with --local-password-stdin when not empty
  int status;
  std::string message;
};

TEST(QuandorctlDesiredState, ARefusedFileChangesNothing) {
  const Refusal cases[] = {
      {"an unknown key", R"({"HOST": "rd02", "PRINTER": "0"})", "", 1, "unknown key \"PRINTER\""},
      {"a value set refuses", R"({"HOST": "rd02", "DELAY": "soon"})", "", 1, "DELAY \"soon\" refused"},
      {"malformed", "{\"HOST\": \"rd02\",\n\"DELAY\": }", "", 1, "line 2"},
      {"a duplicate key", R"({"HOST": "rd02", "HOST": "rd03"})", "", 1, "HOST is given twice"},
      {"the mask", R"({"LocalPassword": "********"})", "", 1, "the mask"},
      {"the password twice", R"({"LocalPassword": "a"})", "b\n", 1, "LocalPassword is given twice"},
      {"FILE not given", "", "", 1, "FILE (the desired state) is missing"},
  };
  for (const Refusal& c : cases) {
    TestFolder dir, site;
    DriftedKiosk(dir);
    const std::vector<Snapshot> before = Files(dir, true);
    std::string args = "settings apply --dir " + Arg(dir.path());
    if (!c.input.empty()) args += " --local-password-stdin";
    if (!c.file.empty()) {
      site.Write("wanted.json", c.file);
      args += " " + Arg(site / "wanted.json");
    }
    const Result r = Quandorctl(args, c.input);
    EXPECT_EQ(r.status, c.status) << c.label << ": " << r.err;
    EXPECT_TRUE(Contains(r.err, c.message)) << c.label << ": " << r.err;
    EXPECT_TRUE(Files(dir, false) == before) << c.label << ": a file changed";
  }
  TestFolder dir;
  const Result missing = Quandorctl("settings check --dir " + Arg(dir.path()) + " " + Arg(dir / "none.json"));
  EXPECT_EQ(missing.status, 2) << missing.err;
}

}  // namespace

}  // namespace quandorctl_test
