// The card expiry time rule (EXPIRESAT, ParseExpiryTime): hour before the first ":",
// minute after it, each read as the C library's atoi reads on Windows and kept as a
// 16-bit unsigned value. Checked against strtoll (clamped to the 32-bit range, as the
// Windows atoi clamps), and a valid time written as the picker writes it parses back.
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

#include "settings/setting_rules.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

std::uint16_t AsAtoi(const std::string& text) {
  // strtoll stops at a NUL; so does atoi, which sees only the text before it.
  const long long value = std::strtoll(text.c_str(), nullptr, 10);
  const long long clamped = value > std::numeric_limits<std::int32_t>::max() ? std::numeric_limits<std::int32_t>::max()
                            : value < std::numeric_limits<std::int32_t>::min()
                                ? std::numeric_limits<std::int32_t>::min()
                                : value;
  return static_cast<std::uint16_t>(static_cast<std::int32_t>(clamped));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const settings::ExpiryTime time = settings::ParseExpiryTime(text);
  const std::size_t colon = text.find(':');
  const std::uint16_t hour = colon == std::string::npos ? 0 : AsAtoi(text.substr(0, colon));
  const std::uint16_t minute = AsAtoi(colon == std::string::npos ? text : text.substr(colon + 1));
  FUZZ_CHECK(time.hour == hour && time.minute == minute, fuzz::Shown(text) + " gave " + std::to_string(time.hour) +
                                                             ":" + std::to_string(time.minute) + ", atoi " +
                                                             std::to_string(hour) + ":" + std::to_string(minute));
  FUZZ_CHECK(time.valid == (hour <= 23 && minute <= 59), fuzz::Shown(text));
  if (time.valid) {
    const std::string written = settings::FormatExpiryTime(time.hour, time.minute);
    const settings::ExpiryTime again = settings::ParseExpiryTime(written);
    FUZZ_CHECK(written.size() == 5 && again.valid && again.hour == time.hour && again.minute == time.minute,
               fuzz::Shown(text) + " written as " + written);
  }
  return 0;
}
