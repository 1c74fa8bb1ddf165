// The service reads "SettingsHost.ini" and the card files whenever it likes, while this
// program rewrites them. Here a second process reads both files in a tight loop, as the
// service would, while this one rewrites them; every read must be a complete file, the
// old or the new text, never a mix, a cut or an empty file. And the service's reads,
// which may hold a file open without sharing it, must not make our writes fail.
//
// The reader is this program again: service_reads.exe --reader FOLDER. It keeps the
// bytes of every read and deciphers them at the end, so that its loop is nothing but
// open, read and close. QUANDOR_REWRITES sets how often each file is rewritten.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cards/card_files.h"
#include "platform/files.h"
#include "storage/crypt_ini.h"
#include "tests/unit/test_folder.h"

namespace {

constexpr char kHostName[] = "SettingsHost.ini";
constexpr char kCardName[] = "CARD\\0012345678.dll";
constexpr char kReady[] = "ready";
constexpr char kStop[] = "stop";

std::string HostValue(int i) { return "host-" + std::to_string(i) + std::string(i % 37, 'h'); }
std::string User(int i) { return "user-" + std::to_string(i) + std::string(i % 23, 'u'); }
std::string Password(int i) { return "pw-" + std::to_string(i) + std::string(i % 29, 'p'); }
std::string HostText(int i) { return "[Settings]\r\nHOST=" + HostValue(i) + "\r\n"; }
std::string CardText(int user, int password) {
  return "[Settings]\r\nUSER=" + User(user) + "\r\nPASSWORD=" + Password(password) + "\r\n";
}

// --- the reader ------------------------------------------------------------------

struct Reads {
  std::map<std::string, int> distinct;  // bytes read -> how often
  std::map<DWORD, int> openFailures;    // error code -> how often
  int total = 0;
};

// One read as the service's file class makes it: open for reading, the whole file,
// close. `exclusive` shares nothing while the file is open, as that class does by
// default; otherwise readers and writers are shared.
void ReadOnce(const std::string& path, bool exclusive, Reads& reads) {
  ++reads.total;
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, exclusive ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    ++reads.openFailures[GetLastError()];
    return;
  }
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  CloseHandle(h);
  ++reads.distinct[bytes];
}

void Save(const Reads& reads, const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  out << reads.total << ' ' << reads.distinct.size() << ' ' << reads.openFailures.size() << '\n';
  for (const auto& [bytes, count] : reads.distinct) out << count << ' ' << bytes.size() << ' ' << bytes;
  for (const auto& [error, count] : reads.openFailures) out << error << ' ' << count << '\n';
}

Reads Load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  Reads reads;
  std::size_t distinct = 0, failures = 0;
  in >> reads.total >> distinct >> failures;
  in.get();
  for (std::size_t i = 0; i < distinct; ++i) {
    int count = 0;
    std::size_t size = 0;
    in >> count >> size;
    in.get();
    std::string bytes(size, '\0');
    in.read(&bytes[0], static_cast<std::streamsize>(size));
    reads.distinct[bytes] = count;
  }
  for (std::size_t i = 0; i < failures; ++i) {
    DWORD error = 0;
    int count = 0;
    in >> error >> count;
    reads.openFailures[error] = count;
  }
  return reads;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// `folder` comes without its trailing backslash, which would escape the closing quote
// of the command line.
int RunReader(const std::string& folderArgument) {
  const std::string folder = folderArgument + "\\";
  Reads host, card;
  for (long round = 0;; ++round) {
    const bool exclusive = round % 2 == 0;
    ReadOnce(folder + kHostName, exclusive, host);
    ReadOnce(folder + kCardName, exclusive, card);
    if (round == 0) std::ofstream(folder + kReady) << "ready";
    if (round % 16 == 0 && Exists(folder + kStop)) break;
    if (round % 16 == 0 && !Exists(folder)) return 3;  // the test has ended without us
  }
  Save(host, folder + "reads-host");
  Save(card, folder + "reads-card");
  return 0;
}

// --- the writer and the checks -------------------------------------------------------

int Rewrites() {
  const char* text = std::getenv("QUANDOR_REWRITES");
  return text != nullptr && std::atoi(text) > 0 ? std::atoi(text) : 1000;
}

std::string Failures(const Reads& reads) {
  std::string text;
  for (const auto& [error, count] : reads.openFailures)
    text += (text.empty() ? "" : ", ") + std::to_string(count) + " x error " + std::to_string(error);
  return text.empty() ? "none" : text;
}

// The reader's process; ended by force if the test stops before it.
class ReaderProcess {
 public:
  explicit ReaderProcess(const std::string& folderArgument) {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string command = std::string("\"") + self + "\" --reader \"" + folderArgument + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &m_process))
      m_process = {};
  }
  ~ReaderProcess() {
    if (m_process.hProcess == nullptr) return;
    if (WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(m_process.hProcess, 9);
    CloseHandle(m_process.hProcess);
    CloseHandle(m_process.hThread);
  }
  ReaderProcess(const ReaderProcess&) = delete;
  ReaderProcess& operator=(const ReaderProcess&) = delete;

  // Its exit code, or a value above 255 when it did not end within `timeoutMs`.
  DWORD Wait(DWORD timeoutMs) {
    DWORD code = 1000;
    if (m_process.hProcess != nullptr && WaitForSingleObject(m_process.hProcess, timeoutMs) == WAIT_OBJECT_0)
      GetExitCodeProcess(m_process.hProcess, &code);
    return code;
  }

 private:
  PROCESS_INFORMATION m_process = {};
};

TEST(ServiceReads, EveryReadSeesACompleteOldOrNewFile) {
  const int rewrites = Rewrites();
  testing_support::TestFolder dir;
  CreateDirectoryA((dir / "CARD").c_str(), nullptr);
  const std::string hostPath = dir / kHostName, cardPath = dir / kCardName;
  storage::g_settingsCryptIni.m_strFileName = hostPath;
  storage::g_settingsCryptIni.Write(HostValue(0), "HOST", "Settings");
  platform::ReplaceFileContent(cardPath, *storage::EncipherIniText(CardText(0, 0)),
                               platform::NewFile::Private);  // as the registering component writes it

  ReaderProcess reader(dir.path().substr(0, dir.path().size() - 1));
  for (int waited = 0; !Exists(dir / kReady) && waited < 3000; ++waited) Sleep(10);
  ASSERT_TRUE(Exists(dir / kReady)) << "the reader did not start";

  std::vector<std::string> writeFailures;
  const auto started = std::chrono::steady_clock::now();
  for (int i = 1; i <= rewrites; ++i) {
    try {
      storage::g_settingsCryptIni.m_strFileName = hostPath;
      storage::g_settingsCryptIni.Write(HostValue(i), "HOST", "Settings");
      cards::RewriteCardAccount(cardPath, User(i), Password(i));
    } catch (const platform::FileError& e) {
      writeFailures.push_back("rewrite " + std::to_string(i) + ": " + e.what());
    }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::ofstream(dir / kStop) << "stop";
  ASSERT_EQ(reader.Wait(60000), 0u) << "the reader did not stop, or failed";

  EXPECT_EQ(writeFailures.size(), 0u) << writeFailures.front();

  std::set<std::string> hostTexts, cardTexts;
  for (int i = 0; i <= rewrites; ++i) {
    hostTexts.insert(HostText(i));
    cardTexts.insert(CardText(i, i));
    if (i > 0) cardTexts.insert(CardText(i, i - 1));  // between the USER and the PASSWORD rewrite
  }
  struct File {
    const char* name;
    Reads reads;
    const std::set<std::string>& texts;
  } files[] = {{kHostName, Load(dir / "reads-host"), hostTexts}, {kCardName, Load(dir / "reads-card"), cardTexts}};
  for (const File& f : files) {
    int complete = 0, versions = 0;
    for (const auto& [bytes, count] : f.reads.distinct) {
      const std::optional<std::string> text = storage::DecipherIniFile(bytes);
      const bool known = text && f.texts.count(*text) == 1;
      EXPECT_TRUE(known) << f.name << ": " << count << " reads of " << bytes.size()
                         << " bytes that are no complete file"
                         << (text ? ": " + *text : std::string(" (they do not decipher)"));
      if (known) {
        complete += count;
        ++versions;
      }
    }
    EXPECT_GT(versions, 1) << f.name << ": the reader saw only one version";
    std::printf(
        "[service reads] %s: %d reads while %d rewrites in %.1f s; %d complete, %d versions seen; refused opens: %s\n",
        f.name, f.reads.total, f.name == std::string(kHostName) ? rewrites : 2 * rewrites, seconds, complete, versions,
        Failures(f.reads).c_str());
  }
}

// The service's file class opens for reading without sharing: while it holds a file, every
// other open and the replace are refused. Ours wait for it, up to 2 s.
TEST(ServiceReads, OurReadsAndReplacesWaitForAnUnsharedOpen) {
  testing_support::TestFolder dir;
  const std::string path = dir / kHostName;
  platform::ReplaceFileContent(path, "old", platform::NewFile::Shared);
  auto holdFor = [&](int ms) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    return std::thread([h, ms] {
      Sleep(ms);
      CloseHandle(h);
    });
  };
  auto read = [&]() -> std::string {
    try {
      return platform::ReadWholeFile(path);
    } catch (const platform::FileError& e) {
      return std::string("error: ") + e.what();
    }
  };
  auto replace = [&](const std::string& bytes) -> std::string {
    try {
      platform::ReplaceFileContent(path, bytes, platform::NewFile::Shared);
      return "replaced";
    } catch (const platform::FileError& e) {
      return std::string("error: ") + e.what();
    }
  };
  std::thread held = holdFor(300);
  EXPECT_EQ(read(), "old");
  held.join();
  held = holdFor(300);
  EXPECT_EQ(replace("new"), "replaced");
  held.join();
  EXPECT_EQ(read(), "new");

  // Held for longer than the wait: a clear error, and the file as it was.
  held = holdFor(4000);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(read().rfind("error: " + path + ": cannot open (", 0), 0u);
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1500));
  held.join();
  EXPECT_EQ(read(), "new");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--reader") return RunReader(argv[2]);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
