// The fixed file of the storage tests: the INI text below, enciphered as the service
// and Windows encipher it. Computed once with the openssl command-line tool from the
// key derivation rule; CryptoAPI (the Windows build of these tests) must agree.
#pragma once

#include <string>

namespace storage_vectors {

inline const std::string kIniText = "[Settings]\r\nHOST=abc\r\n";  // 22 bytes

inline const std::string kIniFile = std::string(
    "\x17\x38\x94\xfc\x27\xe7\x01\xcf\x05\x18\x20\xb4\x9f\x90\x45\xdd"
    "\x4c\xc1\xde\xca\xd1\xe6\xdf\x5d\x79\x6e\xa3\xed\x33\x5d\x05\x82",
    32);

}  // namespace storage_vectors
