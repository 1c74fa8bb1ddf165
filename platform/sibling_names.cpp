#include "platform/sibling_names.h"

#include <cstdint>
#include <cstdio>

namespace platform {
namespace {

constexpr std::size_t kHashRoom = 1 + 16;  // "~" and 16 hex digits

char Folded(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool Digits(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

std::string SiblingStem(std::string_view fileName, std::size_t nameLimit) {
  if (fileName.size() + kSiblingSuffixRoom <= nameLimit) return std::string(fileName);
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (const char c : fileName) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  char hex[kHashRoom + 1];
  std::snprintf(hex, sizeof hex, "~%08lX%08lX", static_cast<unsigned long>(hash >> 32),
                static_cast<unsigned long>(hash & 0xFFFFFFFFu));
  const std::size_t room = nameLimit > kSiblingSuffixRoom + kHashRoom ? nameLimit - kSiblingSuffixRoom - kHashRoom : 0;
  return std::string(fileName.substr(0, room)) + hex;
}

std::optional<std::string_view> StemOfSiblingName(std::string_view name) {
  constexpr std::string_view kEnd = ".tmp";
  if (name.size() < kEnd.size() || name.substr(name.size() - kEnd.size()) != kEnd) return std::nullopt;
  const std::string_view numbers = name.substr(0, name.size() - kEnd.size());
  const std::size_t dot = numbers.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return std::nullopt;
  const std::string_view pair = numbers.substr(dot + 1);
  const std::size_t dash = pair.find('-');
  if (dash == std::string_view::npos || !Digits(pair.substr(0, dash)) || !Digits(pair.substr(dash + 1)))
    return std::nullopt;
  return name.substr(0, dot);
}

bool IsSiblingName(std::string_view name, std::string_view stem, bool foldCase) {
  const std::optional<std::string_view> own = StemOfSiblingName(name);
  if (!own || own->size() != stem.size()) return false;
  for (std::size_t i = 0; i < stem.size(); ++i) {
    if (foldCase ? Folded((*own)[i]) != Folded(stem[i]) : (*own)[i] != stem[i]) return false;
  }
  return true;
}

}  // namespace platform
