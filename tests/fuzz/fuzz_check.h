// Checks inside fuzz targets: a broken invariant prints what broke and aborts, so that
// libFuzzer (or the corpus replay under the sanitizers) reports the input that did it.
// Always on, whatever the build type.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace fuzz {

[[noreturn]] inline void Fail(const char* file, int line, const char* condition, const std::string& detail) {
  std::fprintf(stderr, "%s:%d: invariant broken: %s\n  %s\n", file, line, condition, detail.c_str());
  std::abort();
}

// Bytes shown as a C string literal body, for the messages.
inline std::string Shown(std::string_view bytes) {
  std::string text;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && c != '\\' && c != '"') {
      text += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      text += hex;
    }
  }
  return '"' + text + '"';
}

// Splits an input into fields at NUL bytes: the form the targets' seed files are written
// in, so that a seed can be typed by hand.
class Fields {
 public:
  Fields(const std::uint8_t* data, std::size_t size) : m_rest(reinterpret_cast<const char*>(data), size) {}
  bool empty() const { return m_rest.empty(); }
  std::string_view Next() {
    const std::size_t cut = m_rest.find('\0');
    const std::string_view field = m_rest.substr(0, cut);
    m_rest.remove_prefix(cut == std::string_view::npos ? m_rest.size() : cut + 1);
    return field;
  }
  // Everything not taken yet, NUL bytes included.
  std::string_view Rest() {
    const std::string_view rest = m_rest;
    m_rest = {};
    return rest;
  }

 private:
  std::string_view m_rest;
};

}  // namespace fuzz

#define FUZZ_CHECK(condition, detail)                                         \
  do {                                                                        \
    if (!(condition)) ::fuzz::Fail(__FILE__, __LINE__, #condition, (detail)); \
  } while (0)
