// The serialised forms the cipher wraps around its payload. The service deserialises
// them with the same rules, so the layouts below must not change:
//   byte array: element count (2 bytes, or FF FF and 4 bytes from 0xFFFF on), then bytes;
//   text: length (1 byte, or FF and 2 bytes from 0xFF on, or FF FF FF and 4 bytes from
//         0xFFFE on), then the characters, no terminator.
// All integers are little-endian.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace storage {

// A payload whose framing is cut short or not of a form we write.
class ArchiveError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Where a deserialisation takes its bytes from (a deciphered buffer, a fuzzer's input).
class ByteReader {
 public:
  virtual ~ByteReader() = default;
  // Copies up to n bytes into out; returns how many there were (0 at the end).
  virtual std::size_t Read(char* out, std::size_t n) = 0;
};

class BufferReader : public ByteReader {
 public:
  explicit BufferReader(std::string_view bytes) : m_rest(bytes) {}
  std::size_t Read(char* out, std::size_t n) override;
  std::size_t remaining() const { return m_rest.size(); }

 private:
  std::string_view m_rest;
};

void WriteByteArray(std::string& out, std::string_view bytes);
void WriteText(std::string& out, std::string_view text);

// Throw ArchiveError when the reader ends before the form does.
std::string ReadByteArray(ByteReader& in);
std::string ReadText(ByteReader& in);

}  // namespace storage
