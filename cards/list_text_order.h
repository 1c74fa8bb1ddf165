// The order of two list texts that are not dates: on Windows the platform's comparison
// under the user's locale (lstrcmpA, word sort); elsewhere the C library's collation.
#pragma once

#include <string>

namespace cards {

// Negative, zero or positive, as strcmp.
int CompareListText(const std::string& a, const std::string& b);

}  // namespace cards
