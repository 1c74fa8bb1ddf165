// Windows' own text for a system error code, the way our messages quote it: without the
// period and line end that Windows puts after it, and "error N" where Windows has no
// text. Implemented for Windows only (platform/win.cpp).
#pragma once

#include <string>

namespace platform {

std::string SystemMessage(unsigned long error);

}  // namespace platform
