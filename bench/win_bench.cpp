// The Windows code path timed under Wine (or on Windows): the card list, one enciphered
// rewrite with and without its lock, one log entry and a settings save, each against its
// floor in the same run, repetitions interleaved (bench/timing.h).
//   bench_win REPETITIONS JSON-FILE
// The floors call the system directly: CryptoAPI with one context and a key derived once,
// CreateFile / GetFileSizeEx / WriteFile for the log.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/subjects.h"
#include "bench/timing.h"
#include "cards/card_files.h"
#include "log/log_file.h"
#include "platform/files.h"
#include "settings/settings_record.h"
#include "storage/crypto.h"
#include "tests/unit/test_folder.h"

namespace {

// A CryptoAPI context and the AES key of the pass phrase, derived as the service derives it.
struct FixedKey {
  HCRYPTPROV provider = 0;
  HCRYPTKEY key = 0;
  FixedKey() {
    HCRYPTHASH hash = 0;
    if (!CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) ||
        !CryptCreateHash(provider, CALG_SHA1, 0, 0, &hash) ||
        !CryptHashData(hash, reinterpret_cast<const BYTE*>(storage::kPassPhrase), sizeof storage::kPassPhrase - 1,
                       0) ||
        !CryptDeriveKey(provider, CALG_AES_128, hash, CRYPT_CREATE_SALT, &key))
      throw std::runtime_error("CryptoAPI cannot derive the key");
    CryptDestroyHash(hash);
  }
  ~FixedKey() {
    CryptDestroyKey(key);
    CryptReleaseContext(provider, 0);
  }
  FixedKey(const FixedKey&) = delete;
  FixedKey& operator=(const FixedKey&) = delete;
};

void Decipher(HCRYPTKEY key, std::string bytes) {
  DWORD length = static_cast<DWORD>(bytes.size());
  if (bytes.empty() || !CryptDecrypt(key, 0, TRUE, 0, reinterpret_cast<BYTE*>(&bytes[0]), &length))
    throw std::runtime_error("a card does not decipher");
}

// The least any card list does: list the folder, read each file, decipher it.
void CardsFloor(const bench::CardFolder& folder, const FixedKey& fixed) {
  for (const platform::DirectoryEntry& entry : platform::ListDirectory(folder.dir.path(), cards::kCardPattern))
    Decipher(fixed.key, platform::ReadWholeFile(folder.dir / entry.name));
}

// What a card cost before the process kept its context: a context acquired, the key
// derived and the context released for every file.
void CardsContextPerFile(const bench::CardFolder& folder) {
  for (const platform::DirectoryEntry& entry : platform::ListDirectory(folder.dir.path(), cards::kCardPattern)) {
    const FixedKey fixed;
    Decipher(fixed.key, platform::ReadWholeFile(folder.dir / entry.name));
  }
}

void CardsOurs(const bench::CardFolder& folder) {
  const std::vector<cards::CardFile> list = cards::EnumerateCards(folder.dir.path());
  if (list.size() != folder.paths.size() || list.front().password.empty())
    throw std::runtime_error("the list is wrong");
}

// Open, the file's length, one record at the end, close.
void LogFloorWithLength(const std::string& path, const std::string& record) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  LARGE_INTEGER size;
  OVERLAPPED atTheEnd{};
  atTheEnd.Offset = atTheEnd.OffsetHigh = 0xFFFFFFFFu;
  DWORD written = 0;
  const bool ok = file != INVALID_HANDLE_VALUE && GetFileSizeEx(file, &size) &&
                  WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, &atTheEnd) &&
                  written == record.size();
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  if (!ok) throw std::runtime_error("the floor's record was not written");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_win REPETITIONS JSON-FILE\n");
    return 1;
  }
  const int repetitions = std::atoi(argv[1]);
  try {
    const FixedKey fixed;
    std::vector<timing::Case> cases;
    for (int count : {100, 1000, 10000}) {
      const bench::CardFolder& folder = bench::CardsOf(count);
      const std::string n = std::to_string(count);
      cases.push_back({"cards:Floor/" + n, "ms", [&folder, &fixed] { CardsFloor(folder, fixed); }});
      cases.push_back({"cards:Ours/" + n, "ms", [&folder] { CardsOurs(folder); }});
    }
    cases.push_back({"cards:ContextPerFile/100", "ms", [] { CardsContextPerFile(bench::CardsOf(100)); }});

    const testing_support::TestFolder rewriteDir;
    const std::string rewritten = bench::MakeEncipheredFile(rewriteDir);
    int rewrites = 0;
    cases.push_back({"rewrite:Floor", "ms", [&] { bench::RewriteFloor(rewritten, "h" + std::to_string(++rewrites % 2)); }});
    cases.push_back({"rewrite:Ours", "ms", [&] { bench::RewriteOurs(rewritten, "h" + std::to_string(++rewrites % 2)); }});

    const testing_support::TestFolder logDir;
    const std::string floorLog = logDir / "floor.log", ourLog = logDir / "03072024.log";
    const std::string record(logging::kRecordBytes, 'r');
    logging::CLogFile log;
    logging::CopyBounded(log.m_szLogPath, ourLog);
    logging::CopyBounded(log.m_szModule, "Quandor Authenticator");
    log.SetProcedure("ShowSettings");
    cases.push_back({"log:FloorWithLength", "us", [&] { LogFloorWithLength(floorLog, record); }});
    cases.push_back({"log:Turn", "us", [&] { const platform::RewriteLock turn(ourLog); }});
    cases.push_back({"log:Ours", "us", [&] {
                       if (!log.WriteLogEntry("Settings UI")) throw std::runtime_error("the entry was not written");
                     }});

    const testing_support::TestFolder settingsDir;
    settings::StoreSettings(settingsDir.path(), bench::SavedSettings(0));
    int saves = 0;
    cases.push_back({"settings:Floor", "ms", [&] { bench::SettingsFloor(settingsDir.path()); }});
    cases.push_back({"settings:OursEveryKeyChanged", "ms", [&] {
                       settings::LoadSettings(settingsDir.path());
                       settings::StoreSettings(settingsDir.path(), bench::SavedSettings(++saves));
                     }});
    cases.push_back({"settings:OursNothingChanged", "ms", [&] {
                       settings::StoreSettings(settingsDir.path(), settings::LoadSettings(settingsDir.path()));
                     }});
    return timing::RunInterleaved(cases, repetitions, 0.5, argv[2]) ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_win: %s\n", e.what());
    return 1;
  }
}
