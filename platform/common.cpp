#include <cctype>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/wildcard.h"

namespace platform {

FileError::FileError(std::string path, std::string reason)
    : std::runtime_error(path + ": " + reason), m_path(std::move(path)), m_reason(std::move(reason)) {}

FileError RewriteLockTimedOut(const std::string& path) {
  return FileError(
      path, "cannot rewrite (another writer has held it for " + std::to_string(kRewriteLockWaitMs / 1000) + " s)");
}

std::string DirectoryOf(const std::string& fullPath) {
  const std::size_t cut = fullPath.find_last_of(PathSeparator());
  return cut == std::string::npos ? fullPath : fullPath.substr(0, cut + 1);
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  // Iterative matcher with one back-track point for the last '*'.
  std::size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
  auto same = [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  };
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || (pattern[p] != '*' && same(pattern[p], name[n])))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace platform
