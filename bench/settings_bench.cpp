// One LoadSettings and one StoreSettings, as the settings dialog opens and saves, against
// the floor of reading the two files whole and writing them whole (each written all at
// once: sibling file, flush, rename, the way every settings file is written). The files
// lie on the real disk: the flushes are part of the cost.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/files.h"
#include "settings/settings_record.h"
#include "tests/unit/test_folder.h"

namespace {

settings::SettingsRecord Saved(int i) {
  settings::SettingsRecord r;
  const std::string n = std::to_string(i % 2);
  r.host = "rdhost-" + n + ".example";
  r.localPassword = "local-" + n;
  r.rdGateway = "gateway-" + n;
  r.domain = "talo-" + n;
  r.lockByDisconnection = i % 2 ? "1" : "0";
  r.expiresAt = i % 2 ? "03:30" : "02:00";
  r.expires = r.lockByDisconnection;
  r.everyHrs = i % 2 ? "12" : "6";
  r.printers = r.clipboard = r.rdGuard = r.forceNumKey = r.useMonitorsAll = r.lockByDisconnection;
  r.delay = i % 2 ? "500" : "750";
  r.audioRecording = r.lockByDisconnection;
  r.audioPlayback = i % 2 ? "2" : "0";
  return r;
}

void Floor(benchmark::State& state) {
  const testing_support::TestFolder dir;
  settings::StoreSettings(dir.path(), Saved(0));
  const std::string host = dir / settings::kEncipheredFileName, plain = dir / settings::kPlainFileName;
  for (auto _ : state) {
    const std::string hostBytes = platform::ReadWholeFile(host);
    const std::string plainBytes = platform::ReadWholeFile(plain);
    platform::ReplaceFileContent(host, hostBytes, platform::NewFile::Private);
    platform::ReplaceFileContent(plain, plainBytes, platform::NewFile::Shared);
  }
}

// `changing`: every save stores other values than it loaded (every key rewritten);
// otherwise it stores what it loaded (the plain keys are then left alone, the four
// enciphered ones are rewritten all the same).
void Ours(benchmark::State& state, bool changing) {
  const testing_support::TestFolder dir;
  settings::StoreSettings(dir.path(), Saved(0));
  int i = 0;
  for (auto _ : state) {
    settings::SettingsRecord record = settings::LoadSettings(dir.path());
    if (changing) record = Saved(++i);
    settings::StoreSettings(dir.path(), record);
  }
}

void OursEveryKeyChanged(benchmark::State& state) { Ours(state, true); }
void OursNothingChanged(benchmark::State& state) { Ours(state, false); }

BENCHMARK(Floor)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(OursEveryKeyChanged)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(OursNothingChanged)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
