#include "storage/archive.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace storage {
namespace {

void PutLittleEndian(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint32_t TakeLittleEndian(ByteReader& in, int bytes, const char* what) {
  unsigned char raw[4] = {};
  if (in.Read(reinterpret_cast<char*>(raw), static_cast<std::size_t>(bytes)) != static_cast<std::size_t>(bytes))
    throw ArchiveError(std::string("payload ends inside its ") + what);
  std::uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | raw[i];
  return value;
}

// Reads n bytes in bounded steps, so that a damaged length cannot make us allocate far
// more than the payload holds.
std::string TakeBytes(ByteReader& in, std::uint32_t n) {
  constexpr std::size_t kStep = 64 * 1024;
  std::string bytes;
  while (bytes.size() < n) {
    const std::size_t want = std::min<std::size_t>(kStep, n - bytes.size());
    const std::size_t had = bytes.size();
    bytes.resize(had + want);
    const std::size_t got = in.Read(&bytes[had], want);
    if (got != want)
      throw ArchiveError("payload is cut short: its length says " + std::to_string(n) + " bytes, only " +
                         std::to_string(had + got) + " follow");
  }
  return bytes;
}

void CheckFits(std::size_t n) {
  if (n > 0xFFFFFFFFu) throw ArchiveError("payload of " + std::to_string(n) + " bytes is too long to serialise");
}

}  // namespace

std::size_t BufferReader::Read(char* out, std::size_t n) {
  const std::size_t got = std::min(n, m_rest.size());
  if (got > 0) std::memcpy(out, m_rest.data(), got);
  m_rest.remove_prefix(got);
  return got;
}

void WriteByteArray(std::string& out, std::string_view bytes) {
  CheckFits(bytes.size());
  const auto n = static_cast<std::uint32_t>(bytes.size());
  if (n < 0xFFFF) {
    PutLittleEndian(out, n, 2);
  } else {
    PutLittleEndian(out, 0xFFFF, 2);
    PutLittleEndian(out, n, 4);
  }
  out.append(bytes);
}

void WriteText(std::string& out, std::string_view text) {
  CheckFits(text.size());
  const auto n = static_cast<std::uint32_t>(text.size());
  if (n < 0xFF) {
    PutLittleEndian(out, n, 1);
  } else if (n < 0xFFFE) {
    PutLittleEndian(out, 0xFF, 1);
    PutLittleEndian(out, n, 2);
  } else {
    PutLittleEndian(out, 0xFF, 1);
    PutLittleEndian(out, 0xFFFF, 2);
    PutLittleEndian(out, n, 4);
  }
  out.append(text);
}

std::string ReadByteArray(ByteReader& in) {
  std::uint32_t n = TakeLittleEndian(in, 2, "element count");
  if (n == 0xFFFF) n = TakeLittleEndian(in, 4, "long element count");
  return TakeBytes(in, n);
}

std::string ReadText(ByteReader& in) {
  std::uint32_t n = TakeLittleEndian(in, 1, "text length");
  if (n == 0xFF) {
    n = TakeLittleEndian(in, 2, "text length");
    // 0xFFFE marks a wide-character text, which no party of this system writes.
    if (n == 0xFFFE) throw ArchiveError("payload holds a wide-character text, which is not a form we read");
    if (n == 0xFFFF) n = TakeLittleEndian(in, 4, "long text length");
  }
  return TakeBytes(in, n);
}

}  // namespace storage
