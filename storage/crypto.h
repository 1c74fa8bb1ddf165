// The one cipher of the system. The service deciphers the same files with the same
// fixed pass phrase, so key derivation, cipher and serialised forms must not change.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace storage {

// Bytes of a file or of a serialised payload.
using ByteArray = std::string;

// The pass phrase every party derives the file key from.
inline constexpr const char kPassPhrase[] = "TQRZWMB5806";

// AES's block: the stream is padded to a whole number of them.
inline constexpr std::size_t kCipherBlock = 16;
// The longest stream either backend takes in one step: CryptoAPI counts bytes in a
// DWORD, and the padded result (up to one block more) must still fit in one.
inline constexpr std::size_t kLongestCipherStream = 0x7FFFFFF0u;

class CCrypto {
 public:
  CCrypto();
  ~CCrypto();
  CCrypto(const CCrypto&) = delete;
  CCrypto& operator=(const CCrypto&) = delete;

  bool DeriveKey(std::string passPhrase);
  // Text form: length prefix (1, 3 or 7 bytes) and characters, then enciphered.
  bool EncryptString(const std::string& text, ByteArray& out);
  // Byte-array form: element count (2 or 6 bytes) and bytes, then enciphered.
  bool EncryptObject(const ByteArray& object, ByteArray& out);
  bool DecryptString(const ByteArray& in, std::string& text);
  bool DecryptObject(const ByteArray& in, ByteArray& object);
  // The cipher steps proper, on the work stream.
  bool EncryptStream(ByteArray& out);
  bool DecryptStream(const ByteArray& in);

 private:
  // True when a key was derived: the encipher and decipher operations need one.
  bool KeyReady() const;
  // One archive form written into the work stream and enciphered, or deciphered and read
  // back; a value the form cannot hold, or framing cut short, is a failure (crypto.cpp).
  template <typename Write>
  bool EncryptArchived(Write write, ByteArray& out);
  template <typename Read>
  bool DecryptArchived(const ByteArray& in, Read read);

  struct Backend;  // CryptoAPI on Windows (crypto_win.cpp), libcrypto elsewhere (crypto_openssl.cpp)
  std::unique_ptr<Backend> m_backend;
  ByteArray m_file;  // the work stream
};

}  // namespace storage
