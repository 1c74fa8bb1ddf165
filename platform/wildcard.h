#pragma once

#include <string_view>

namespace platform {

// "*" matches any run of characters, "?" any one; letters compare case-insensitively
// (ASCII), as a Windows directory search compares long file names.
bool WildcardMatch(std::string_view pattern, std::string_view name);

}  // namespace platform
