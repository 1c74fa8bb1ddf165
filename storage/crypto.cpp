// The serialising half of CCrypto, the same on every platform; the cipher steps proper
// (key derivation, EncryptStream, DecryptStream) are in crypto_win.cpp and
// crypto_openssl.cpp.
#include "storage/crypto.h"

#include "storage/archive.h"

namespace storage {

bool CCrypto::EncryptString(const std::string& text, ByteArray& out) {
  if (!KeyReady()) return false;
  m_file.clear();
  try {
    WriteText(m_file, text);
  } catch (const ArchiveError&) {
    m_file.clear();
    return false;
  }
  return EncryptStream(out);
}

bool CCrypto::EncryptObject(const ByteArray& object, ByteArray& out) {
  if (!KeyReady()) return false;
  m_file.clear();
  try {
    WriteByteArray(m_file, object);
  } catch (const ArchiveError&) {
    m_file.clear();
    return false;
  }
  return EncryptStream(out);
}

// A plaintext that passes the padding test but whose framing is cut short (damaged
// data, or another key whose last block happens to look padded) is a failed decipher,
// not an error that escapes: the out argument then stays as it was.
bool CCrypto::DecryptString(const ByteArray& in, std::string& text) {
  if (!KeyReady() || !DecryptStream(in)) return false;
  BufferReader reader(m_file);
  try {
    text = ReadText(reader);
  } catch (const ArchiveError&) {
    return false;
  }
  return true;
}

bool CCrypto::DecryptObject(const ByteArray& in, ByteArray& object) {
  if (!KeyReady() || !DecryptStream(in)) return false;
  BufferReader reader(m_file);
  try {
    object = ReadByteArray(reader);
  } catch (const ArchiveError&) {
    return false;
  }
  return true;
}

}  // namespace storage
