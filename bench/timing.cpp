#include "bench/timing.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <fstream>
#include <random>
#include <thread>

namespace timing {
namespace {

struct Result {
  std::string name, unit;
  double time;
  long iterations;
};

double InUnit(double seconds, const std::string& unit) { return unit == "us" ? seconds * 1e6 : seconds * 1e3; }

}  // namespace

bool RunInterleaved(const std::vector<Case>& cases, int repetitions, double minSeconds, const std::string& jsonPath) {
  std::vector<std::size_t> order;
  for (int r = 0; r < repetitions; ++r)
    for (std::size_t i = 0; i < cases.size(); ++i) order.push_back(i);
  std::mt19937 random(std::random_device{}());
  std::shuffle(order.begin(), order.end(), random);
  std::vector<Result> results;
  for (std::size_t i : order) {
    const Case& c = cases[i];
    using Clock = std::chrono::steady_clock;
    long iterations = 0;
    const Clock::time_point start = Clock::now();
    double elapsed = 0;
    try {
      do {
        c.run();
        ++iterations;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
      } while (elapsed < minSeconds);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s: %s\n", c.name.c_str(), e.what());
      return false;
    }
    results.push_back({c.name, c.unit, InUnit(elapsed / static_cast<double>(iterations), c.unit), iterations});
  }
  std::ofstream out(jsonPath, std::ios::binary);
  out << "{\n  \"context\": {\"num_cpus\": " << std::thread::hardware_concurrency()
      << ", \"executable\": \"timing\"},\n  \"benchmarks\": [\n";
  for (std::size_t i = 0; i < results.size(); ++i) {
    const Result& r = results[i];
    char time[64];
    std::snprintf(time, sizeof time, "%.6g", r.time);
    out << "    {\"run_name\": \"" << r.name << "\", \"run_type\": \"iteration\", \"iterations\": " << r.iterations
        << ", \"real_time\": " << time << ", \"time_unit\": \"" << r.unit << "\"}"
        << (i + 1 < results.size() ? ",\n" : "\n");
  }
  out << "  ]\n}\n";
  out.close();
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", jsonPath.c_str());
    return false;
  }
  return true;
}

}  // namespace timing
