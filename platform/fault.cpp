#include "platform/fault.h"

namespace platform {
namespace {
FaultHook& Hook() {
  static FaultHook hook;
  return hook;
}
}  // namespace

const char* FileOpName(FileOp op) {
  switch (op) {
    case FileOp::Open:
      return "open";
    case FileOp::Read:
      return "read";
    case FileOp::Write:
      return "write";
    case FileOp::Flush:
      return "flush";
    case FileOp::Rename:
      return "rename";
    case FileOp::Delete:
      return "delete";
  }
  return "?";
}

void SetFaultHook(FaultHook hook) { Hook() = std::move(hook); }

bool ShouldFail(FileOp op, const std::string& path) {
  const FaultHook& hook = Hook();
  return hook && hook(op, path);
}

}  // namespace platform
