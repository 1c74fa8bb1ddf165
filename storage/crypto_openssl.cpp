// CCrypto's cipher steps on OpenSSL's libcrypto. The key is derived exactly as
// CryptDeriveKey derives an AES-128 key from a SHA-1 hash (first 16 bytes of
// SHA-1 over 64 bytes of 0x36 XORed with the hash), so that the files written here and
// those written on Windows are the same bytes.
#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <cstring>
#include <memory>

#include "storage/crypto.h"
#include "storage/secret.h"

namespace storage {

namespace {
constexpr std::size_t kKeyBytes = 16;  // AES-128
}  // namespace

struct CCrypto::Backend {
  bool hasKey = false;
  unsigned char key[kKeyBytes] = {};
};

namespace {

using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)>;

// Looking an algorithm up by name costs more than deciphering a card file, so each is
// looked up once for the process (never freed: the system frees it at the end).
const EVP_MD* Sha1Digest() {
  static const EVP_MD* const digest = EVP_MD_fetch(nullptr, "SHA1", nullptr);
  return digest;
}

const EVP_CIPHER* Aes128Cbc() {
  static const EVP_CIPHER* const cipher = EVP_CIPHER_fetch(nullptr, "AES-128-CBC", nullptr);
  return cipher;
}

bool Sha1(const unsigned char* data, std::size_t n, unsigned char (&digest)[20]) {
  unsigned int length = 0;
  return Sha1Digest() != nullptr && EVP_Digest(data, n, digest, &length, Sha1Digest(), nullptr) == 1 && length == 20;
}

// The AES-128 key of `passPhrase`; false when libcrypto cannot hash.
bool KeyOf(const std::string& passPhrase, unsigned char (&key)[kKeyBytes]) {
  unsigned char hash[20];
  if (!Sha1(reinterpret_cast<const unsigned char*>(passPhrase.data()), passPhrase.size(), hash)) return false;
  unsigned char block[64];
  std::memset(block, 0x36, sizeof block);
  for (int i = 0; i < 20; ++i) block[i] ^= hash[i];
  unsigned char expanded[20];
  if (!Sha1(block, sizeof block, expanded)) return false;
  std::memcpy(key, expanded, sizeof key);
  return true;
}

// Every file uses the key of the fixed pass phrase: it is derived once for the process.
struct FixedKey {
  bool ready = false;
  unsigned char key[kKeyBytes] = {};
};

const FixedKey& TheFixedKey() {
  static const FixedKey fixed = [] {
    FixedKey k;
    k.ready = KeyOf(kPassPhrase, k.key);
    return k;
  }();
  return fixed;
}

// A cipher context of one direction, kept by each thread for its life: making a context
// and keying it cost more than deciphering a card file (a card list deciphers thousands
// in a row, all with the one fixed key). A context keyed with the key asked for again
// is only given its initialisation vector anew, which also resets its state.
class ThreadCipher {
 public:
  ThreadCipher() : m_ctx(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free) {}
  ~ThreadCipher() { OPENSSL_cleanse(m_key, sizeof m_key); }
  ThreadCipher(const ThreadCipher&) = delete;
  ThreadCipher& operator=(const ThreadCipher&) = delete;

  // The context ready for a new message under `key`; null when libcrypto refuses.
  EVP_CIPHER_CTX* Start(const unsigned char* key, bool encrypt) {
    const unsigned char iv[kCipherBlock] = {};
    const bool sameKey = m_keyed && CRYPTO_memcmp(m_key, key, sizeof m_key) == 0;
    m_keyed = false;  // until the init below succeeds
    if (!m_ctx || Aes128Cbc() == nullptr ||
        EVP_CipherInit_ex(m_ctx.get(), sameKey ? nullptr : Aes128Cbc(), nullptr, sameKey ? nullptr : key, iv,
                          encrypt ? 1 : 0) != 1)
      return nullptr;
    std::memcpy(m_key, key, sizeof m_key);
    m_keyed = true;
    return m_ctx.get();
  }

 private:
  CipherContext m_ctx;
  bool m_keyed = false;
  unsigned char m_key[kKeyBytes] = {};
};

// AES-128-CBC, zero initialisation vector, PKCS #5 padding: the key's defaults under
// CryptoAPI.
bool RunCipher(const unsigned char* key, bool encrypt, const std::string& in, std::string& out) {
  thread_local ThreadCipher encipher, decipher;
  EVP_CIPHER_CTX* ctx = (encrypt ? encipher : decipher).Start(key, encrypt);
  if (ctx == nullptr) return false;
  std::string result(in.size() + kCipherBlock, '\0');
  int n = 0, last = 0;
  auto* buffer = reinterpret_cast<unsigned char*>(&result[0]);
  if (EVP_CipherUpdate(ctx, buffer, &n, reinterpret_cast<const unsigned char*>(in.data()),
                       static_cast<int>(in.size())) != 1 ||
      EVP_CipherFinal_ex(ctx, buffer + n, &last) != 1) {
    WipeText(result);  // a decipher that fails its padding test has already written plaintext
    return false;
  }
  result.resize(static_cast<std::size_t>(n + last));
  out = std::move(result);
  return true;
}

}  // namespace

CCrypto::CCrypto() : m_backend(std::make_unique<Backend>()) {}

CCrypto::~CCrypto() {
  WipeText(m_file);
  OPENSSL_cleanse(m_backend->key, sizeof m_backend->key);
}

bool CCrypto::KeyReady() const { return m_backend->hasKey; }

bool CCrypto::DeriveKey(std::string passPhrase) {
  m_backend->hasKey = false;
  const FixedKey& fixed = TheFixedKey();
  if (fixed.ready && passPhrase == kPassPhrase) {
    std::memcpy(m_backend->key, fixed.key, sizeof m_backend->key);
  } else if (!KeyOf(passPhrase, m_backend->key)) {
    return false;
  }
  m_backend->hasKey = true;
  return true;
}

bool CCrypto::EncryptStream(ByteArray& out) {
  std::string plain;
  plain.swap(m_file);  // the work stream is left empty, as after CryptoAPI takes its buffer
  const WipeOnExit wipePlain(plain);
  if (!KeyReady() || plain.size() > kLongestCipherStream) return false;
  return RunCipher(m_backend->key, true, plain, out);
}

bool CCrypto::DecryptStream(const ByteArray& in) {
  m_file.clear();
  if (!KeyReady() || in.empty() || in.size() % kCipherBlock != 0 || in.size() > kLongestCipherStream) return false;
  return RunCipher(m_backend->key, false, in, m_file);
}

}  // namespace storage
