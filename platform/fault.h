// Test seam: lets a test make one file primitive of platform/files.h fail as the
// operating system would (the primitive then throws FileError or returns false).
#pragma once

#include <functional>
#include <string>

namespace platform {

enum class FileOp { Open, Read, Write, Flush, Rename, Delete };

const char* FileOpName(FileOp op);

// Asked before every primitive; answering true makes that primitive fail.
using FaultHook = std::function<bool(FileOp op, const std::string& path)>;

// Installs the hook (an empty function removes it). Not thread-safe: tests only.
void SetFaultHook(FaultHook hook);

// Called by the primitives. True when the primitive must fail.
bool ShouldFail(FileOp op, const std::string& path);

// Installs a hook for its lifetime; removes it on destruction.
class ScopedFaultHook {
 public:
  explicit ScopedFaultHook(FaultHook hook) { SetFaultHook(std::move(hook)); }
  ~ScopedFaultHook() { SetFaultHook(nullptr); }
  ScopedFaultHook(const ScopedFaultHook&) = delete;
  ScopedFaultHook& operator=(const ScopedFaultHook&) = delete;
};

}  // namespace platform
