#include "tools/quandorctl/cli.h"

#include <algorithm>

namespace quandorctl {

bool WantsHelp(const Args& args) { return std::find(args.begin(), args.end(), "--help") != args.end(); }

std::string TakeOption(Args& args, const std::string& name, const std::string& fallback) {
  const auto it = std::find(args.begin(), args.end(), name);
  if (it == args.end()) return fallback;
  if (it + 1 == args.end()) throw UsageError(name + " needs a value");
  std::string value = *(it + 1);
  args.erase(it, it + 2);
  return value;
}

bool TakeFlag(Args& args, const std::string& name) {
  const auto it = std::find(args.begin(), args.end(), name);
  if (it == args.end()) return false;
  args.erase(it);
  return true;
}

}  // namespace quandorctl
