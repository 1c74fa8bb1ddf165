// The tray program on a kiosk, in a hurry: it runs for QUANDOR_SOAK_MINUTES (default
// 10) while the stand-in service is started, paused and stopped every few seconds. From
// outside the process its kernel handles, GDI objects and private memory are sampled
// every minute; at the end they must be where they were at the start, give or take
// noise. Every change of the service must show in the icon's picture within one status
// tick, and the picture must not flip back until the service changes again.
//
// Not part of the ordinary test run (scripts/soak runs it); its figures are in
// docs/reliability.md.
#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/e2e/harness.h"
#include "tests/fixtures/standin_service.h"

namespace {

struct Sample {
  double minutes = 0;
  long handles = -1;     // kernel handles of the process
  long gdiObjects = -1;  // GDI objects of the process
  SIZE_T privateBytes = 0;
};

// Kernel handles of `pid`, from the system's handle table (Wine does not count them in
// GetProcessHandleCount).
long KernelHandles(DWORD pid) {
  struct Entry {
    USHORT pid, creator;
    UCHAR type, flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
  };
  using Query = NTSTATUS(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<Query>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation"));
  std::vector<char> buffer(1 << 22);
  ULONG needed = 0;
  for (int tries = 0; tries < 4; ++tries) {
    const NTSTATUS status =
        query(16 /* SystemHandleInformation */, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == 0) break;
    if (tries == 3) return -1;
    buffer.resize(std::max<std::size_t>(needed + 65536, buffer.size() * 2));
  }
  const ULONG count = *reinterpret_cast<const ULONG*>(buffer.data());
  const auto* entries = reinterpret_cast<const Entry*>(buffer.data() + sizeof(ULONG_PTR));
  long mine = 0;
  for (ULONG i = 0; i < count; ++i) mine += entries[i].pid == static_cast<USHORT>(pid);
  return mine;
}

// GDI objects of the process: GetGuiResources where it works (Windows), otherwise the
// used entries of the GDI handle table its PEB points to (Wine keeps one per process).
long GdiObjects(HANDLE process) {
  const DWORD counted = GetGuiResources(process, GR_GDIOBJECTS);
  if (counted != 0) return static_cast<long>(counted);
  struct Entry {
    UINT64 object;
    USHORT owner, count, unique;
    UCHAR type, flags, extType, padding[7];
  };
  PROCESS_BASIC_INFORMATION basic = {};
  ULONG length = 0;
  if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, &length) != 0) return -1;
  PVOID table = nullptr;
  SIZE_T read = 0;
  constexpr std::size_t kGdiTableInPeb = sizeof(void*) == 8 ? 0xF8 : 0x94;
  if (!ReadProcessMemory(process, static_cast<char*>(static_cast<void*>(basic.PebBaseAddress)) + kGdiTableInPeb, &table,
                         sizeof table, &read) ||
      table == nullptr)
    return -1;
  std::vector<Entry> entries(0x10000);
  if (!ReadProcessMemory(process, table, entries.data(), entries.size() * sizeof(Entry), &read)) return -1;
  return static_cast<long>(std::count_if(entries.begin(), entries.end(), [](const Entry& e) { return e.type != 0; }));
}

// Private (committed, not shared) memory; Wine gives it as PagefileUsage only.
SIZE_T PrivateBytes(HANDLE process) {
  PROCESS_MEMORY_COUNTERS_EX counters = {};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters)) return 0;
  return counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
}

int SoakMinutes() {
  const char* text = std::getenv("QUANDOR_SOAK_MINUTES");
  return text != nullptr && std::atoi(text) > 0 ? std::atoi(text) : 10;
}

class Soak : public e2e::ProgramTest {};

TEST_F(Soak, ResourcesStayFlatAndThePictureFollowsTheService) {
  const std::string name = kStandinServiceName;
  InstallService();
  StartProgram();
  ASSERT_FALSE(HasFatalFailure());
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, program().id());
  ASSERT_NE(process, nullptr);

  struct Step {
    const char* what;
    std::function<bool()> change;
    const char* picture;
  } steps[] = {
      {"started", [&] { return driver::service::Start(name); }, "128"},
      {"paused",
       [&] {
         return driver::service::Control(name, SERVICE_CONTROL_PAUSE) &&
                driver::service::WaitState(name, SERVICE_PAUSED, 5000);
       },
       "128"},
      {"stopped",
       [&] {
         return driver::service::Control(name, SERVICE_CONTROL_STOP) &&
                driver::service::WaitState(name, SERVICE_STOPPED, 10000);
       },
       "130"},
  };

  std::vector<Sample> samples;
  std::vector<int> latencies;
  const DWORD started = GetTickCount();
  auto sample = [&] {
    Sample s;
    s.minutes = (GetTickCount() - started) / 60000.0;
    s.handles = KernelHandles(program().id());
    s.gdiObjects = GdiObjects(process);
    s.privateBytes = PrivateBytes(process);
    samples.push_back(s);
  };
  int changes = 0, flips = 0;
  DWORD shownAt = 0;  // tick of the record that showed the current picture
  std::string shown;  // the picture the service's state calls for
  const auto minutesRun = [&] { return (GetTickCount() - started) / 60000.0; };
  double nextSample = 1;
  for (int cycle = 0;; ++cycle) {
    if (cycle == 1) sample();  // after one warm-up cycle: whatever is made once is made
    if (cycle > 1 && minutesRun() >= SoakMinutes()) break;
    if (cycle > 1 && minutesRun() >= nextSample) {
      sample();
      ++nextSample;
    }
    for (const Step& step : steps) {
      const DWORD since = GetTickCount();
      // Until this change, every update since the last one showed that picture.
      for (const e2e::TrayRecord& r : TrayRecords()) {
        const bool inWindow =
            shownAt != 0 && static_cast<LONG>(r.tick - shownAt) > 0 && static_cast<LONG>(r.tick - since) < 0;
        if (inWindow && r.call == "MODIFY" && r.icon != shown) {
          ++flips;
          ADD_FAILURE() << "the picture flipped to " << r.icon << " at tick " << r.tick << " while the service stayed "
                        << shown;
        }
      }
      ASSERT_TRUE(step.change()) << "the service could not be " << step.what;
      // The service is in its new state by now at the latest; the picture may have
      // followed already while the change was being confirmed.
      const DWORD changed = GetTickCount();
      const auto update = WaitTrayRecord(
          since, [&](const e2e::TrayRecord& r) { return r.call == "MODIFY" && r.ok && r.icon == step.picture; },
          e2e::kOneTickMs);
      ASSERT_TRUE(update.has_value()) << "the service " << step.what
                                      << " but the picture did not follow within one tick";
      latencies.push_back(std::max(0, static_cast<int>(static_cast<LONG>(update->tick - changed))));
      shownAt = update->tick;
      shown = step.picture;
      ++changes;
      Sleep(1000);  // the state holds for a moment, as a service's would
    }
  }
  sample();
  EXPECT_EQ(flips, 0);

  // The program still answers: Exit ends it.
  driver::Post(MainWindow(), WM_COMMAND, ID_TRAY_EXIT, 0);
  EXPECT_TRUE(program().WaitExit(15000).has_value()) << "the program did not end on Exit";
  CloseHandle(process);

  std::sort(latencies.begin(), latencies.end());
  std::printf(
      "[soak] %.1f minutes, %d service changes; picture followed after median %d ms, at most %d ms (one tick: 3000 "
      "ms)\n",
      samples.back().minutes, changes, latencies[latencies.size() / 2], latencies.back());
  for (const Sample& s : samples)
    std::printf("[soak] %5.1f min: %ld handles, %ld GDI objects, %zu KiB private\n", s.minutes, s.handles, s.gdiObjects,
                s.privateBytes / 1024);
  const Sample& first = samples.front();
  const Sample& last = samples[samples.size() - 1];
  ASSERT_GE(first.handles, 0) << "handles could not be counted";
  ASSERT_GE(first.gdiObjects, 0) << "GDI objects could not be counted";
  ASSERT_GT(first.privateBytes, 0u) << "private memory could not be read";
  // One object kept per status tick would be some 200 after 10 minutes.
  EXPECT_LE(last.handles - first.handles, 3) << "kernel handles grew";
  EXPECT_LE(last.gdiObjects - first.gdiObjects, 3) << "GDI objects grew";
  EXPECT_LE(static_cast<long long>(last.privateBytes) - static_cast<long long>(first.privateBytes), 512 * 1024)
      << "private memory grew";
}

}  // namespace
