// The serialising half of CCrypto, the same on every platform; the cipher steps proper
// (key derivation, EncryptStream, DecryptStream) are in crypto_win.cpp and
// crypto_openssl.cpp.
#include "storage/crypto.h"

#include "storage/archive.h"

namespace storage {

template <typename Write>
bool CCrypto::EncryptArchived(Write write, ByteArray& out) {
  if (!KeyReady()) return false;
  m_file.clear();
  try {
    write(m_file);
  } catch (const ArchiveError&) {
    m_file.clear();
    return false;
  }
  return EncryptStream(out);
}

// A plaintext that passes the padding test but whose framing is cut short (damaged
// data, or another key whose last block happens to look padded) is a failed decipher,
// not an error that escapes: the out argument then stays as it was.
template <typename Read>
bool CCrypto::DecryptArchived(const ByteArray& in, Read read) {
  if (!KeyReady() || !DecryptStream(in)) return false;
  BufferReader reader(m_file);
  try {
    read(reader);
  } catch (const ArchiveError&) {
    return false;
  }
  return true;
}

bool CCrypto::EncryptString(const std::string& text, ByteArray& out) {
  return EncryptArchived([&](ByteArray& stream) { WriteText(stream, text); }, out);
}

bool CCrypto::EncryptObject(const ByteArray& object, ByteArray& out) {
  return EncryptArchived([&](ByteArray& stream) { WriteByteArray(stream, object); }, out);
}

bool CCrypto::DecryptString(const ByteArray& in, std::string& text) {
  return DecryptArchived(in, [&](BufferReader& reader) { text = ReadText(reader); });
}

bool CCrypto::DecryptObject(const ByteArray& in, ByteArray& object) {
  return DecryptArchived(in, [&](BufferReader& reader) { object = ReadByteArray(reader); });
}

}  // namespace storage
