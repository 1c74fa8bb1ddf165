// The card list as the card dialog reads it: every card file of the folder, for USER
// and PASSWORD. Side by side, on the same folders: the floor (open, read and close each
// file, nothing else), our path (EnumerateCards), and the original platform's method
// (for each key, decipher the file into a plaintext copy in the temporary folder, look
// the key up in that copy, delete it). The files stay in the page cache: these are the
// costs of the work itself, not of the disk.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "bench/subjects.h"
#include "cards/card_files.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "storage/crypt_ini.h"
#include "storage/ini_text.h"
#include "tests/unit/test_folder.h"

namespace {

using bench::CardFolder;
using bench::CardsOf;

void Floor(benchmark::State& state) {
  const CardFolder& folder = CardsOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    for (const std::string& path : folder.paths) benchmark::DoNotOptimize(platform::ReadWholeFile(path));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The floor with the directory listing that any card list needs first.
void FloorWithListing(benchmark::State& state) {
  const CardFolder& folder = CardsOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    for (const platform::DirectoryEntry& entry : platform::ListDirectory(folder.dir.path(), cards::kCardPattern))
      benchmark::DoNotOptimize(platform::ReadWholeFile(folder.dir / entry.name));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void Ours(benchmark::State& state) {
  const CardFolder& folder = CardsOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    const std::vector<cards::CardFile> list = cards::EnumerateCards(folder.dir.path());
    if (list.size() != folder.paths.size() || list.front().password.empty()) state.SkipWithError("the list is wrong");
    benchmark::DoNotOptimize(list.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

// One key as the original platform's CCryptIni::Read took it: the whole file deciphered
// into "KOVAUTH.ini" in the temporary folder (created, written, flushed as every written
// file was, closed), the key looked up in that copy by the profile function, the copy
// deleted. `flush` false leaves out the flush, to show what the method costs without it.
std::string TempCopyRead(const std::string& card, const char* key, const std::string& copy, bool flush) {
  const std::string text = storage::DecipherIniFile(platform::ReadWholeFile(card)).value_or("");
  const int fd = ::open(copy.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0 || ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()) ||
      (flush && ::fsync(fd) != 0)) {
    if (fd >= 0) ::close(fd);
    return {};
  }
  ::close(fd);
  std::string value = storage::IniGetString(platform::ReadWholeFile(copy), "Settings", key, "", 1024).value;
  ::unlink(copy.c_str());
  return value;
}

void TempCopy(benchmark::State& state, bool flush) {
  const CardFolder& folder = CardsOf(static_cast<int>(state.range(0)));
  const testing_support::TestFolder temp;  // stands for the user's temporary folder
  const std::string copy = temp / "KOVAUTH.ini";
  for (auto _ : state) {
    for (const platform::DirectoryEntry& entry : platform::ListDirectory(folder.dir.path(), cards::kCardPattern)) {
      const std::string path = folder.dir / entry.name;
      const std::string user = TempCopyRead(path, cards::kUserKey, copy, flush);
      const std::string password = TempCopyRead(path, cards::kPasswordKey, copy, flush);
      if (password.empty()) state.SkipWithError("the temporary copy was not read");
      benchmark::DoNotOptimize(user.data());
    }
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void TempCopyFlushed(benchmark::State& state) { TempCopy(state, true); }
void TempCopyUnflushed(benchmark::State& state) { TempCopy(state, false); }

#define CARD_COUNTS ->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime()
BENCHMARK(Floor) CARD_COUNTS;
BENCHMARK(FloorWithListing) CARD_COUNTS;
BENCHMARK(Ours) CARD_COUNTS;
BENCHMARK(TempCopyUnflushed) CARD_COUNTS;
// Flushed, 10,000 cards take minutes a run; 100 and 1,000 show the method's cost per card.
BENCHMARK(TempCopyFlushed)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
