#include <windows.h>

#include "cards/list_text_order.h"

namespace cards {

int CompareListText(const std::string& a, const std::string& b) { return lstrcmpA(a.c_str(), b.c_str()); }

}  // namespace cards
