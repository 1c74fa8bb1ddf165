// What the benchmarks time, shared by the Google Benchmark programs (Linux) and the
// timing program of the Windows build (win_bench.cpp), so that both platforms time the
// same work: the card folders, the settings of a save, and one enciphered rewrite with
// and without its lock.
#pragma once

#include <string>
#include <vector>

#include "settings/settings_record.h"
#include "tests/unit/test_folder.h"

namespace bench {

// A folder of `count` card files of 64 bytes, made once per count and kept for the run.
struct CardFolder {
  testing_support::TestFolder dir;
  std::vector<std::string> paths;
};
const CardFolder& CardsOf(int count);

// The settings a save stores: two sets of values, by the parity of `i`.
settings::SettingsRecord SavedSettings(int i);

// The floor of a settings save: both files of `folder` read whole and written whole, each
// all at once (sibling file, flush, rename).
void SettingsFloor(const std::string& folder);

// The enciphered file of a rewrite: "SettingsHost.ini" with its usual keys.
std::string MakeEncipheredFile(const testing_support::TestFolder& dir);
// One key set in that file, as CCryptIni::Write sets it (the rewrite lock held).
void RewriteOurs(const std::string& path, const std::string& value);
// The same calls without the lock: read, decipher, set the key, encipher, replace.
void RewriteFloor(const std::string& path, const std::string& value);

}  // namespace bench
