// A small timing harness for the Windows build, where Google Benchmark is not at hand:
// each case runs in repetitions, the repetitions of all cases interleaved in random order
// (a slow stretch of a shared machine then falls on floors and our paths alike), and the
// results are written in the JSON layout of Google Benchmark, so that scripts/bench reads
// both the same way.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace timing {

struct Case {
  std::string name;          // "Floor/1000", as Google Benchmark names its runs
  std::string unit;          // "ms" or "us": the unit the time is reported in
  std::function<void()> run; // one iteration; throws on a wrong result
};

// Each repetition of a case runs it until at least `minSeconds` of wall time have passed
// (once at least) and records the mean time of one run. Returns false, having said why on
// standard error, when a case threw or the file could not be written.
bool RunInterleaved(const std::vector<Case>& cases, int repetitions, double minSeconds, const std::string& jsonPath);

}  // namespace timing
