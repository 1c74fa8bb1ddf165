#include "cards/card_files.h"

#include <string_view>

namespace cards {

std::string MaskCardNumber(const std::string& number) {
  if (number.empty()) return std::string();
  const std::size_t tail = number.size() < 2 ? 0 : number.size() - 2;
  return number.substr(0, 2) + "XXXX" + number.substr(tail);
}

std::string CardNumberOfFileName(const std::string& fileName) {
  // Every ".dll", left to right, wherever it stands: a card list makes this for each file.
  constexpr std::string_view kExtension = ".dll";
  std::string number;
  number.reserve(fileName.size());
  std::size_t from = 0;
  for (std::size_t at; (at = fileName.find(kExtension, from)) != std::string::npos; from = at + kExtension.size())
    number.append(fileName, from, at - from);
  number.append(fileName, from, std::string::npos);
  return number;
}

std::string ExpiryText(const std::string& expires, const std::string& expiresAt) {
  return expires == "0" ? "on Restart" : expiresAt;
}

}  // namespace cards
