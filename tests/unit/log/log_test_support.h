// Byte builders for the log tests: records spelled out field by field, independently
// of the code under test.
#pragma once

#include <string>

namespace log_test {

// `text` followed by NUL bytes up to `width`.
inline std::string Padded(const std::string& text, std::size_t width) {
  return text + std::string(width - text.size(), '\0');
}

inline std::string Record(const std::string& date, const std::string& time, const std::string& module,
                          const std::string& procedure, const std::string& description) {
  return Padded(date, 11) + Padded(time, 9) + Padded(module, 21) + Padded(procedure, 21) + Padded(description, 255) +
         "\r\n";
}

inline std::string Header() { return Record("DATE\t", "TIME\t", "MODULE\t", "PROCEDURE\t", "DESCRIPTION"); }

// An entry as the tests' fixed clock (7 March 2024, 09:05:03) stamps it.
inline std::string Entry(const std::string& description, const std::string& procedure = "Test") {
  return Record("03-07-2024\t", "09:05:03\t", "QuandorAuthenticato\t", procedure + "\t", description);
}

}  // namespace log_test
