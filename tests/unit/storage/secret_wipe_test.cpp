// Every block of memory our code gives back while a secret is handled is searched for
// that secret: a deciphered file, a password or a list of values left in freed memory
// would reach a crash dump or the next owner of that memory.
#include <gtest/gtest.h>
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <new>
#include <string>

#include "cards/card_files.h"
#include "settings/settings_record.h"
#include "storage/crypt_ini.h"
#include "storage/secret.h"
#include "tests/unit/cards/card_fixture.h"
#include "tests/unit/test_folder.h"

namespace {

std::atomic<bool> g_watching{false};
char g_secret[64] = {};
std::atomic<int> g_blocksHolding{0};

void Inspect(void* block) {
  if (block == nullptr || !g_watching || g_secret[0] == '\0') return;
  const std::size_t n = ::malloc_usable_size(block);
  if (::memmem(block, n, g_secret, std::strlen(g_secret)) != nullptr) ++g_blocksHolding;
}

}  // namespace

void* operator new(std::size_t n) {
  if (void* block = std::malloc(n == 0 ? 1 : n)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void operator delete(void* block) noexcept {
  Inspect(block);
  std::free(block);
}
void operator delete[](void* block) noexcept { operator delete(block); }
void operator delete(void* block, std::size_t) noexcept { operator delete(block); }
void operator delete[](void* block, std::size_t) noexcept { operator delete(block); }

namespace {

using testing_support::TestFolder;

// Counts the freed blocks that hold `secret` while `handle` runs.
int BlocksLeftHolding(const std::string& secret, const std::function<void()>& handle) {
  std::strncpy(g_secret, secret.c_str(), sizeof g_secret - 1);
  g_blocksHolding = 0;
  g_watching = true;
  handle();
  g_watching = false;
  return g_blocksHolding;
}

TEST(Secrets, AreWipedBeforeTheirMemoryIsGivenBack) {
  // A long secret lives in memory of its own; a short one inside a text's own bytes,
  // which a move copies instead of handing over.
  for (const std::string& secret : {std::string("Long-secret-Zq81-Zq81-Zq81"), std::string("Sh0rt-pw")}) {
    TestFolder dir;
    card_fixture::MakeCard(dir, "1.dll", "alice", secret);
    storage::CCryptIni host;
    host.m_strFileName = dir / "SettingsHost.ini";
    host.Write(secret, "LocalPassword", "Settings");
    host.Write("rd.example", "HOST", "Settings");
    const std::map<std::string, std::string> values = {{"LocalPassword", secret}, {"PRINTERS", "0"}};
    struct Case {
      const char* what;
      std::function<void()> handle;
    } cases[] = {
        {"CCryptIni::Read, the value wiped by its reader",
         [&] {
           std::string value = host.Read("LocalPassword", "Settings");
           storage::WipeText(value);
         }},
        {"CCryptIni::Read of another key", [&] { (void)host.Read("HOST", "Settings"); }},
        {"CCryptIni::Write", [&] { host.Write(secret, "LocalPassword", "Settings"); }},
        {"RewriteCardAccount", [&] { cards::RewriteCardAccount(dir / "1.dll", "bob", secret); }},
        {"EnumerateCards with passwords", [&] { (void)cards::EnumerateCards(dir.path()); }},
        {"EnumerateCards without passwords",
         [&] { (void)cards::EnumerateCards(dir.path(), cards::CardPasswords::Skip); }},
        {"StoreSettingValues", [&] { settings::StoreSettingValues(dir.path(), values); }},
        {"LoadSettings, the password wiped by its reader",
         [&] {
           settings::SettingsRecord record = settings::LoadSettings(dir.path());
           storage::WipeText(record.localPassword);
         }},
    };
    for (const Case& c : cases) {
      // The caller's own copy of the secret is made and wiped outside the watch.
      EXPECT_EQ(BlocksLeftHolding(secret, c.handle), 0) << c.what << ", a secret of " << secret.size();
    }
  }
}

}  // namespace
