#include "storage/crypto.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/unit/storage/vectors.h"

namespace {

using storage::ByteArray;
using storage::CCrypto;

ByteArray Encipher(const ByteArray& object) {
  CCrypto crypto;
  ByteArray out;
  EXPECT_TRUE(crypto.DeriveKey(storage::kPassPhrase));
  EXPECT_TRUE(crypto.EncryptObject(object, out)) << object.size();
  return out;
}

TEST(CCrypto, TheFixedFileIsTheSameOnEveryPlatform) {
  EXPECT_EQ(Encipher(storage_vectors::kIniText), storage_vectors::kIniFile);

  CCrypto crypto;
  ASSERT_TRUE(crypto.DeriveKey(storage::kPassPhrase));
  ByteArray text;
  ASSERT_TRUE(crypto.DecryptObject(storage_vectors::kIniFile, text));
  EXPECT_EQ(text, storage_vectors::kIniText);
}

TEST(CCrypto, CiphertextLengthFollowsThePlaintextLength) {
  // The plaintext is the payload plus its 2-byte count. Plaintexts under 8 bytes
  // encipher too (the buffer of twice the length is not used).
  struct Case {
    std::size_t payload;
    std::size_t cipher;
  } cases[] = {{0, 16}, {1, 16}, {5, 16}, {6, 16}, {13, 16}, {14, 32}, {29, 32}, {30, 48}, {1000, 1008}};
  for (const Case& c : cases) {
    const ByteArray object(c.payload, 'p');
    const ByteArray cipher = Encipher(object);
    EXPECT_EQ(cipher.size(), c.cipher) << c.payload;
    CCrypto crypto;
    ASSERT_TRUE(crypto.DeriveKey(storage::kPassPhrase));
    ByteArray back;
    EXPECT_TRUE(crypto.DecryptObject(cipher, back)) << c.payload;
    EXPECT_EQ(back, object);
  }
}

TEST(CCrypto, SamePlaintextSameCiphertext) {
  EXPECT_EQ(Encipher("[s]\r\nk=v\r\n"), Encipher("[s]\r\nk=v\r\n"));
  EXPECT_NE(Encipher("[s]\r\nk=v\r\n"), Encipher("[s]\r\nk=w\r\n"));
}

TEST(CCrypto, TextFormRoundTrips) {
  for (std::size_t n : {0u, 1u, 6u, 254u, 255u, 70000u}) {
    const std::string text(n, 't');
    CCrypto crypto;
    ASSERT_TRUE(crypto.DeriveKey(storage::kPassPhrase));
    ByteArray cipher;
    ASSERT_TRUE(crypto.EncryptString(text, cipher)) << n;
    std::string back;
    EXPECT_TRUE(crypto.DecryptString(cipher, back)) << n;
    EXPECT_EQ(back, text);
  }
}

TEST(CCrypto, WhatDoesNotDecipherFailsAndLeavesTheOutArgument) {
  ByteArray otherKey;
  {
    CCrypto crypto;
    ASSERT_TRUE(crypto.DeriveKey("ANOTHER0000"));
    ASSERT_TRUE(crypto.EncryptObject(storage_vectors::kIniText, otherKey));
  }
  ByteArray framingCut;  // deciphers, but as a byte array its count runs past the end
  {
    CCrypto crypto;
    ASSERT_TRUE(crypto.DeriveKey(storage::kPassPhrase));
    ASSERT_TRUE(crypto.EncryptString("ab", framingCut));
  }
  ByteArray lastByteFlipped = storage_vectors::kIniFile;
  lastByteFlipped.back() ^= 0x5A;
  struct Case {
    const char* label;
    ByteArray in;
  } cases[] = {
      {"empty", ""},
      {"15 bytes", storage_vectors::kIniFile.substr(0, 15)},
      {"17 bytes", storage_vectors::kIniFile + "x"},
      {"31 bytes", storage_vectors::kIniFile.substr(0, 31)},
      {"another pass phrase", otherKey},
      {"last block damaged", lastByteFlipped},
      {"framing cut short", framingCut},
  };
  for (const Case& c : cases) {
    CCrypto crypto;
    ASSERT_TRUE(crypto.DeriveKey(storage::kPassPhrase));
    ByteArray object = "untouched";
    EXPECT_FALSE(crypto.DecryptObject(c.in, object)) << c.label;
    EXPECT_EQ(object, "untouched") << c.label;
  }
}

TEST(CCrypto, WithoutAKeyNothingEnciphersOrDeciphers) {
  CCrypto crypto;
  ByteArray out = "untouched";
  std::string text = "untouched";
  EXPECT_FALSE(crypto.EncryptObject("[s]\r\nk=v\r\n", out));
  EXPECT_FALSE(crypto.EncryptString("[s]\r\nk=v\r\n", out));
  EXPECT_FALSE(crypto.DecryptObject(storage_vectors::kIniFile, out));
  EXPECT_FALSE(crypto.DecryptString(storage_vectors::kIniFile, text));
  EXPECT_EQ(out, "untouched");
  EXPECT_EQ(text, "untouched");
}

TEST(CCrypto, ASecondDerivationReplacesTheKey) {
  CCrypto crypto;
  ASSERT_TRUE(crypto.DeriveKey("ANOTHER0000"));
  ASSERT_TRUE(crypto.DeriveKey(storage::kPassPhrase));
  ByteArray out;
  ASSERT_TRUE(crypto.EncryptObject(storage_vectors::kIniText, out));
  EXPECT_EQ(out, storage_vectors::kIniFile);
}

}  // namespace
