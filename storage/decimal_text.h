// Numbers inside stored and displayed texts are read the way the C library's atoi reads
// them on Windows; the rules that depend on it (expiry time, column widths, dates) must
// give the same answers on every platform, so the conversion is our own.
#pragma once

#include <cstdint>
#include <string_view>

namespace storage {

// Leading white space, an optional sign, then decimal digits up to the first non-digit;
// no digits give 0. A value beyond the 32-bit range gives INT32_MAX or INT32_MIN.
std::int32_t DecimalValue(std::string_view text);

}  // namespace storage
