// The log: one entry against the floor of opening a file, appending 319 bytes and
// closing it, and against the turn (rewrite lock) alone; and one entry at the record cap
// (9,999,999 records, 3,189,999,681 bytes), where the oldest entry goes and the file is
// rewritten in pieces, with the process's peak memory during that append.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "log/log_file.h"
#include "platform/files.h"
#include "tests/unit/test_folder.h"

namespace {

platform::LocalTime FixedTime() { return {2024, 3, 7, 9, 5, 3}; }

void Floor(benchmark::State& state) {
  const testing_support::TestFolder dir;
  const std::string path = dir / "floor.log";
  const std::string record(logging::kRecordBytes, 'r');
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
    if (fd < 0 || ::write(fd, record.data(), record.size()) != static_cast<ssize_t>(record.size()))
      state.SkipWithError("write");
    ::close(fd);
  }
}

// The floor plus the one call an entry cannot do without: the file's length, which
// decides whether the header goes first and whether the file is at the cap. Other
// programs may write to the log, so the length is asked at every entry.
void FloorWithLength(benchmark::State& state) {
  const testing_support::TestFolder dir;
  const std::string path = dir / "floor.log";
  const std::string record(logging::kRecordBytes, 'r');
  for (auto _ : state) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT, 0644);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 ||
        ::pwrite(fd, record.data(), record.size(), st.st_size) != static_cast<ssize_t>(record.size()))
      state.SkipWithError("write");
    ::close(fd);
  }
}

void OneEntry(benchmark::State& state, logging::CLogFile::Clock clock) {
  const testing_support::TestFolder dir;
  logging::CLogFile log(logging::kRecordCap, std::move(clock));
  logging::CopyBounded(log.m_szLogPath, dir / "03072024.log");
  logging::CopyBounded(log.m_szModule, "Quandor Authenticator");
  log.SetProcedure("ShowSettings");
  for (auto _ : state) {
    if (!log.WriteLogEntry("Settings UI")) state.SkipWithError("the entry was not written");
  }
}

// The turn our writers take for a header, a torn tail or the cap (the rewrite lock),
// taken and given back: what an entry would pay for it if it took it every time.
void Turn(benchmark::State& state) {
  const testing_support::TestFolder dir;
  const std::string path = dir / "03072024.log";
  for (auto _ : state) const platform::RewriteLock turn(path);
}

// With the real local time, as the program writes its entries.
void Ours(benchmark::State& state) { OneEntry(state, platform::Now); }
// With a fixed time: what the entry costs without asking the clock.
void OursFixedClock(benchmark::State& state) { OneEntry(state, FixedTime); }

// Kilobytes from a line of /proc/self/status ("VmHWM:", "VmRSS:").
long StatusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string(field).size()));
  return -1;
}

// Each repetition starts from a sparse file at the cap: the first append then reads
// holes and writes all 3.2 GB. The peak memory is the process's high-water mark, reset
// just before the append, less its resident size at that moment.
void AtTheCap(benchmark::State& state) {
  const testing_support::TestFolder dir;
  const std::string path = dir / "03072024.log";
  logging::CLogFile log(logging::kRecordCap, FixedTime);
  logging::CopyBounded(log.m_szLogPath, path);
  logging::CopyBounded(log.m_szModule, "Quandor Authenticator");
  log.SetProcedure("ShowSettings");
  const std::uint64_t capBytes = std::uint64_t{logging::kRecordCap} * logging::kRecordBytes;
  long peakAbove = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(capBytes)) != 0)
      state.SkipWithError("cannot make the sparse file");
    ::close(fd);
    std::ofstream("/proc/self/clear_refs") << "5";  // resets VmHWM to the current resident size
    const long before = StatusKiB("VmRSS:");
    state.ResumeTiming();
    if (!log.WriteLogEntry("Settings UI")) state.SkipWithError("the entry was not written");
    state.PauseTiming();
    peakAbove = std::max(peakAbove, StatusKiB("VmHWM:") - before);
    if (log.m_nRecordCount != logging::kRecordCap) state.SkipWithError("the file was not at the cap");
    state.ResumeTiming();
  }
  state.counters["peak_KiB_above_before"] = static_cast<double>(peakAbove);
  ::unlink(path.c_str());
}

BENCHMARK(Floor)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(FloorWithLength)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(Turn)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(Ours)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(OursFixedClock)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(AtTheCap)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
