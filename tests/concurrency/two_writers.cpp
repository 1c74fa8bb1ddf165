// Two of our writers rewrite one enciphered file at the same moment: the tray programs of
// two users, or one and quandorctl. Each read, edit and replace is one turn across the
// processes, so no acknowledged update may be lost, no writer may fail for meeting the
// other, and nothing may be left behind in the folder. Without the turn, two quandorctl
// loops of 40 writes each lost 28 updates that had exited 0, and 7 runs failed after
// their content had been put in place (both used the same sibling file).
//
// The writer is this program again: two_writers --writer FILE ID COUNT. It writes the
// keys W<ID>_0 ... in turn through CCryptIni::Write and through 'quandorctl ini set'.
// QUANDOR_WRITES sets COUNT.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

#include "platform/files.h"
#include "storage/crypt_ini.h"
#include "storage/ini_text.h"
#include "tests/unit/test_folder.h"
#include "tools/quandorctl/groups.h"

namespace {

constexpr char kSection[] = "Settings";

std::string Key(int writer, int i) { return "W" + std::to_string(writer) + "_" + std::to_string(i); }
// Lengths vary, so that a torn or mixed file would show.
std::string Value(int writer, int i) { return "v" + std::to_string(i) + std::string((i * 7 + writer) % 41, 'x'); }

// The writer: waits for FILE.go (so that both start together), then writes. Its exit
// status is the number of writes that failed.
int RunWriter(const std::string& file, int writer, int count) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!platform::PathExists(file + ".go")) {
    if (std::chrono::steady_clock::now() > deadline) return 100;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  int failed = 0;
  for (int i = 0; i < count; ++i) {
    if (i % 2 == 0) {
      try {
        storage::CCryptIni ini;
        ini.m_strFileName = file;
        ini.Write(Value(writer, i), Key(writer, i), kSection);
      } catch (const std::exception& e) {
        std::fprintf(stderr, "writer %d, write %d: %s\n", writer, i, e.what());
        ++failed;
      }
    } else if (quandorctl::RunGroup(quandorctl::kIniGroup, {"set", file, kSection, Key(writer, i), Value(writer, i)}) !=
               0) {
      ++failed;
    }
  }
  return failed;
}

std::string OwnPath() {
#ifdef _WIN32
  char path[32768];
  const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  return std::string(path, n);
#else
  char path[4096];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
  return std::string(path, n > 0 ? static_cast<std::size_t>(n) : 0);
#endif
}

// Starts this program as a writer; Wait gives its exit status.
class WriterProcess {
 public:
  WriterProcess(const std::string& file, int writer, int count) {
    const std::vector<std::string> args = {OwnPath(), "--writer", file, std::to_string(writer), std::to_string(count)};
#ifdef _WIN32
    std::string line;
    for (const std::string& a : args) line += (line.empty() ? "\"" : " \"") + a + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
      CloseHandle(pi.hThread);
      m_process = pi.hProcess;
    }
#else
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (posix_spawn(&m_pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) m_pid = -1;
#endif
  }

  int Wait() {
#ifdef _WIN32
    if (m_process == nullptr) return -1;
    DWORD status = 0;
    WaitForSingleObject(m_process, INFINITE);
    GetExitCodeProcess(m_process, &status);
    CloseHandle(m_process);
    return static_cast<int>(status);
#else
    int status = 0;
    if (m_pid < 0 || ::waitpid(m_pid, &status, 0) != m_pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  }

 private:
#ifdef _WIN32
  HANDLE m_process = nullptr;
#else
  pid_t m_pid = -1;
#endif
};

int Writes() {
  const char* text = std::getenv("QUANDOR_WRITES");
  return text != nullptr && std::atoi(text) > 0 ? std::atoi(text) : 40;
}

TEST(TwoWriters, NoAcknowledgedUpdateIsLostAndNothingIsLeftBehind) {
  testing_support::TestFolder dir;
  const std::string file = dir / "SettingsHost.ini";
  storage::CCryptIni ini;
  ini.m_strFileName = file;
  ini.Write("start", "HOST", kSection);
  const int count = Writes();
  WriterProcess one(file, 1, count);
  WriterProcess two(file, 2, count);
  dir.Write("SettingsHost.ini.go", "");  // both start at this signal
  EXPECT_EQ(one.Wait(), 0) << "writes of writer 1 failed";
  EXPECT_EQ(two.Wait(), 0) << "writes of writer 2 failed";
  ASSERT_TRUE(platform::RemoveFile(file + ".go"));

  const std::optional<std::string> text = storage::ReadIniFile(file);
  ASSERT_TRUE(text.has_value()) << "the file does not decipher";
  int lost = 0;
  for (int writer = 1; writer <= 2; ++writer) {
    for (int i = 0; i < count; ++i) {
      const std::string stored = storage::IniGetString(*text, kSection, Key(writer, i), "<lost>", 1024).value;
      if (stored != Value(writer, i)) ++lost;
      EXPECT_EQ(stored, Value(writer, i)) << Key(writer, i);
    }
  }
  EXPECT_EQ(lost, 0) << "of " << 2 * count << " acknowledged updates";
  EXPECT_EQ(storage::IniGetString(*text, kSection, "HOST", "<lost>", 1024).value, "start");
  EXPECT_EQ(dir.Listing(), "SettingsHost.ini") << "a sibling or lock file was left behind";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "--writer")
    return RunWriter(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
