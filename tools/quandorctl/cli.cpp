#include "tools/quandorctl/cli.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <iterator>

#include "platform/files.h"
#include "storage/ini_text.h"

namespace quandorctl {

int RunGroup(const CommandGroup& group, const Args& args) {
  if (WantsHelp(args)) {
    std::fputs(group.usage, stdout);
    return kExitOk;
  }
  try {
    return group.run(args);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "quandorctl %s: %s\n", group.name, e.what());
    std::fputs(group.usage, stderr);
    return kExitUsage;
  } catch (const CommandError& e) {
    std::fprintf(stderr, "quandorctl %s: %s\n", group.name, e.what());
    return e.status();
  } catch (const platform::FileError& e) {  // names the file and the reason
    std::fprintf(stderr, "quandorctl %s: %s\n", group.name, e.what());
    return kExitFile;
  } catch (const storage::IniValueError& e) {
    std::fprintf(stderr, "quandorctl %s: not written: %s\n", group.name, e.what());
    return kExitUsage;
  }
}

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

std::string ReadStandardInputLine() {
  platform::MakeStandardInputBinary();
  std::string text((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (!text.empty() && text.back() == '\r') text.pop_back();
  return text;
}

}  // namespace quandorctl
