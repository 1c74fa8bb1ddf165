// One LoadSettings and one StoreSettings, as the settings dialog opens and saves, against
// the floor of reading the two files whole and writing them whole (each written all at
// once: sibling file, flush, rename, the way every settings file is written). The files
// lie on the real disk: the flushes are part of the cost. And one enciphered rewrite
// with and without its lock.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/subjects.h"
#include "settings/settings_record.h"
#include "tests/unit/test_folder.h"

namespace {

void Floor(benchmark::State& state) {
  const testing_support::TestFolder dir;
  settings::StoreSettings(dir.path(), bench::SavedSettings(0));
  for (auto _ : state) bench::SettingsFloor(dir.path());
}

// `changing`: every save stores other values than it loaded (every key rewritten);
// otherwise it stores what it loaded (the plain keys are then left alone, the four
// enciphered ones are rewritten all the same).
void Ours(benchmark::State& state, bool changing) {
  const testing_support::TestFolder dir;
  settings::StoreSettings(dir.path(), bench::SavedSettings(0));
  int i = 0;
  for (auto _ : state) {
    settings::SettingsRecord record = settings::LoadSettings(dir.path());
    if (changing) record = bench::SavedSettings(++i);
    settings::StoreSettings(dir.path(), record);
  }
}

void OursEveryKeyChanged(benchmark::State& state) { Ours(state, true); }
void OursNothingChanged(benchmark::State& state) { Ours(state, false); }

// One key set in an enciphered file (CCryptIni::Write) against the same calls without the
// rewrite lock: what the lock costs a rewrite. A read takes no lock.
void RewriteFloor(benchmark::State& state) {
  const testing_support::TestFolder dir;
  const std::string path = bench::MakeEncipheredFile(dir);
  int i = 0;
  for (auto _ : state) bench::RewriteFloor(path, "rdhost-" + std::to_string(++i % 2));
}

void RewriteOurs(benchmark::State& state) {
  const testing_support::TestFolder dir;
  const std::string path = bench::MakeEncipheredFile(dir);
  int i = 0;
  for (auto _ : state) bench::RewriteOurs(path, "rdhost-" + std::to_string(++i % 2));
}

BENCHMARK(Floor)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(OursEveryKeyChanged)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(OursNothingChanged)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK(RewriteFloor)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RewriteOurs)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
