#include "cards/card_files.h"

namespace cards {

std::string MaskCardNumber(const std::string& number) {
  if (number.empty()) return std::string();
  const std::size_t tail = number.size() < 2 ? 0 : number.size() - 2;
  return number.substr(0, 2) + "XXXX" + number.substr(tail);
}

std::string CardNumberOfFileName(const std::string& fileName) {
  static const std::string kExtension = ".dll";
  std::string number;
  for (std::size_t at = 0; at < fileName.size();) {
    if (fileName.compare(at, kExtension.size(), kExtension) == 0) {
      at += kExtension.size();
    } else {
      number += fileName[at++];
    }
  }
  return number;
}

std::string ExpiryText(const std::string& expires, const std::string& expiresAt) {
  return expires == "0" ? "on Restart" : expiresAt;
}

}  // namespace cards
