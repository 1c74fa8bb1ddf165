// CCrypto's cipher steps on CryptoAPI's AES provider, as the service uses it.
//
// Acquiring a provider context is by far the dearest step (milliseconds, against
// microseconds for a whole card), and the key every file uses comes from one fixed pass
// phrase. So one context and the key derived from kPassPhrase live for the whole process;
// each CCrypto enciphers with its own duplicate of that key. A key handle carries the
// chaining state of a cipher in progress, so two objects (or threads) never share one.
#include <windows.h>
#include <wincrypt.h>

#include "storage/crypto.h"
#include "storage/secret.h"

namespace storage {

struct CCrypto::Backend {
  HCRYPTKEY key = 0;
};

namespace {
// The process's context and fixed key. They are never released: the system frees them
// when the process ends, and releasing them from a static destructor could pull them
// from under another static object's destructor that still writes a file.
// A failed acquire or derivation is tried again by the next object that needs it.
SRWLOCK g_sharedLock = SRWLOCK_INIT;
HCRYPTPROV g_provider = 0;
HCRYPTKEY g_fixedKey = 0;

// Called with g_sharedLock held. The hash is made afresh for every derivation.
HCRYPTKEY DeriveFrom(const std::string& passPhrase) {
  HCRYPTHASH hash = 0;
  if (!CryptCreateHash(g_provider, CALG_SHA1, 0, 0, &hash)) return 0;
  HCRYPTKEY key = 0;
  if (!CryptHashData(hash, reinterpret_cast<const BYTE*>(passPhrase.data()), static_cast<DWORD>(passPhrase.size()),
                     0) ||
      !CryptDeriveKey(g_provider, CALG_AES_128, hash, CRYPT_CREATE_SALT, &key))
    key = 0;
  CryptDestroyHash(hash);
  return key;
}

// A key of the caller's own for `passPhrase`, 0 on failure: a duplicate of the process's
// fixed key, or for another pass phrase (tests use one) a key derived for this call alone.
HCRYPTKEY KeyFor(const std::string& passPhrase) {
  AcquireSRWLockExclusive(&g_sharedLock);
  if (g_provider == 0 && !CryptAcquireContextA(&g_provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
    g_provider = 0;
  HCRYPTKEY key = 0;
  if (g_provider != 0) {
    if (passPhrase != kPassPhrase) {
      key = DeriveFrom(passPhrase);
    } else {
      if (g_fixedKey == 0) g_fixedKey = DeriveFrom(passPhrase);
      if (g_fixedKey != 0 && !CryptDuplicateKey(g_fixedKey, nullptr, 0, &key)) key = 0;
    }
  }
  ReleaseSRWLockExclusive(&g_sharedLock);
  return key;
}

}  // namespace

CCrypto::CCrypto() : m_backend(std::make_unique<Backend>()) {}

CCrypto::~CCrypto() {
  WipeText(m_file);
  if (m_backend->key != 0) CryptDestroyKey(m_backend->key);
}

bool CCrypto::KeyReady() const { return m_backend->key != 0; }

bool CCrypto::DeriveKey(std::string passPhrase) {
  Backend& b = *m_backend;
  if (b.key != 0) {
    CryptDestroyKey(b.key);
    b.key = 0;
  }
  b.key = KeyFor(passPhrase);
  return b.key != 0;
}
bool CCrypto::EncryptStream(ByteArray& out) {
  // The work stream is left empty; the buffer has room for the padding from the start,
  // so that no copy of the plaintext is left unwiped by a reallocation.
  std::string buffer;
  if (m_file.size() <= kLongestCipherStream) buffer.reserve(m_file.size() + kCipherBlock);
  buffer.assign(m_file);
  WipeText(m_file);
  const WipeOnExit wipeBuffer(buffer);  // holds plaintext until CryptEncrypt succeeds
  if (!KeyReady() || buffer.size() > kLongestCipherStream) return false;
  // Room for the padded ciphertext of any length: up to one block more than the plaintext.
  DWORD length = static_cast<DWORD>(buffer.size());
  buffer.resize(buffer.size() + kCipherBlock);
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
  if (!KeyReady() || in.empty() || in.size() % kCipherBlock != 0 || in.size() > kLongestCipherStream) return false;
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
