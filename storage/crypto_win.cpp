// CCrypto's cipher steps on CryptoAPI's AES provider, as the service uses it.
#include <windows.h>
#include <wincrypt.h>

#include "storage/crypto.h"
#include "storage/secret.h"

namespace storage {

struct CCrypto::Backend {
  HCRYPTPROV prov = 0;
  HCRYPTKEY key = 0;
  HCRYPTHASH hash = 0;
};

namespace {
constexpr DWORD kBlock = 16;
constexpr std::size_t kLargest = 0x7FFFFFF0u;
}  // namespace

CCrypto::CCrypto() : m_backend(new Backend) {
  if (CryptAcquireContextA(&m_backend->prov, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
    // On failure the hash stays 0 and every DeriveKey fails.
    if (!CryptCreateHash(m_backend->prov, CALG_SHA1, 0, 0, &m_backend->hash)) m_backend->hash = 0;
  } else {
    m_backend->prov = 0;
  }
}

CCrypto::~CCrypto() {
  WipeText(m_file);
  if (m_backend->hash != 0) CryptDestroyHash(m_backend->hash);
  if (m_backend->key != 0) CryptDestroyKey(m_backend->key);
  if (m_backend->prov != 0) CryptReleaseContext(m_backend->prov, 0);
  delete m_backend;
}

bool CCrypto::KeyReady() const { return m_backend->prov != 0 && m_backend->key != 0; }

bool CCrypto::DeriveKey(std::string passPhrase) {
  Backend& b = *m_backend;
  if (b.prov == 0 || b.hash == 0) return false;
  // Every derivation starts from a fresh hash.
  CryptDestroyHash(b.hash);
  b.hash = 0;
  if (!CryptCreateHash(b.prov, CALG_SHA1, 0, 0, &b.hash)) {
    b.hash = 0;
    return false;
  }
  if (b.key != 0) {
    CryptDestroyKey(b.key);
    b.key = 0;
  }
  if (!CryptHashData(b.hash, reinterpret_cast<const BYTE*>(passPhrase.data()), static_cast<DWORD>(passPhrase.size()),
                     0))
    return false;
  if (!CryptDeriveKey(b.prov, CALG_AES_128, b.hash, CRYPT_CREATE_SALT, &b.key)) {
    b.key = 0;
    return false;
  }
  return true;
}

bool CCrypto::EncryptStream(ByteArray& out) {
  // The work stream is left empty; the buffer has room for the padding from the start,
  // so that no copy of the plaintext is left unwiped by a reallocation.
  std::string buffer;
  if (m_file.size() <= kLargest) buffer.reserve(m_file.size() + kBlock);
  buffer.assign(m_file);
  WipeText(m_file);
  const WipeOnExit wipeBuffer(buffer);  // holds plaintext until CryptEncrypt succeeds
  if (!KeyReady() || buffer.size() > kLargest) return false;
  // Room for the padded ciphertext of any length: up to one block more than the plaintext.
  DWORD length = static_cast<DWORD>(buffer.size());
  buffer.resize(buffer.size() + kBlock);
  if (!CryptEncrypt(m_backend->key, 0, TRUE, 0, reinterpret_cast<BYTE*>(&buffer[0]), &length,
                    static_cast<DWORD>(buffer.size())))
    return false;
  buffer.resize(length);
  out = std::move(buffer);
  return true;
}

bool CCrypto::DecryptStream(const ByteArray& in) {
  m_file.clear();
  // Tested here: CryptDecrypt is not to be trusted with an empty final block.
  if (!KeyReady() || in.empty() || in.size() % kBlock != 0 || in.size() > kLargest) return false;
  std::string buffer = in;
  DWORD length = static_cast<DWORD>(buffer.size());
  if (!CryptDecrypt(m_backend->key, 0, TRUE, 0, reinterpret_cast<BYTE*>(&buffer[0]), &length)) {
    WipeText(buffer);
    return false;
  }
  buffer.resize(length);
  m_file = std::move(buffer);
  return true;
}

}  // namespace storage
