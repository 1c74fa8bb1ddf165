// Texts that held a secret (a deciphered file, a password) are wiped before their
// memory is given back, so that they do not linger in freed memory or a crash dump.
#pragma once

#include <string>

#include "platform/files.h"

namespace storage {

// Overwrites the text's whole buffer, then empties it.
inline void WipeText(std::string& text) {
  text.resize(text.capacity());
  platform::WipeMemory(&text[0], text.size());
  text.clear();
}

// Wipes the text when the scope ends, however it ends.
class WipeOnExit {
 public:
  explicit WipeOnExit(std::string& text) : m_text(text) {}
  ~WipeOnExit() { WipeText(m_text); }
  WipeOnExit(const WipeOnExit&) = delete;
  WipeOnExit& operator=(const WipeOnExit&) = delete;

 private:
  std::string& m_text;
};

// Wipes the text of every (name, text) pair of a container when the scope ends: a list
// of keys to write holds copies of the secrets among them.
template <typename Pairs>
class WipeValuesOnExit {
 public:
  explicit WipeValuesOnExit(Pairs& pairs) : m_pairs(pairs) {}
  ~WipeValuesOnExit() {
    for (auto& pair : m_pairs) WipeText(pair.second);
  }
  WipeValuesOnExit(const WipeValuesOnExit&) = delete;
  WipeValuesOnExit& operator=(const WipeValuesOnExit&) = delete;

 private:
  Pairs& m_pairs;
};

}  // namespace storage
