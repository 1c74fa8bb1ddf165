// Our stored texts are 8-bit; JSON is UTF-8. Bytes of 0x80 and above are taken as
// Latin-1 (each byte is the code point of the same number), so that every stored text
// has one JSON form and comes back from it byte for byte.
#pragma once

#include <optional>
#include <string>

namespace storage {

// Each byte as the UTF-8 form of its code point: "Jos\xE9" gives "Jos\xC3\xA9".
std::string Latin1ToUtf8(const std::string& bytes);

// The bytes of a UTF-8 text whose code points are all below 0x100; nothing when the text
// is not valid UTF-8 or holds a character beyond that range.
std::optional<std::string> Utf8ToLatin1(const std::string& utf8);

}  // namespace storage
