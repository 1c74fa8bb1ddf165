// Card files for the tests, written as the component that registers cards writes them.
#pragma once

#include <string>
#include <vector>

#include "storage/crypt_ini.h"
#include "tests/unit/test_folder.h"

namespace card_fixture {

inline void MakeCard(const testing_support::TestFolder& dir, const std::string& fileName, const std::string& user,
                     const std::string& password) {
  storage::CCryptIni file;
  file.m_strFileName = dir / fileName;
  file.Write(user, "USER", "Settings");
  file.Write(password, "PASSWORD", "Settings");
}

// The deciphered INI text of a card file.
inline std::string CardText(const testing_support::TestFolder& dir, const std::string& fileName) {
  return storage::DecipherIniFile(dir.Read(fileName)).value_or("<does not decipher>");
}

}  // namespace card_fixture
