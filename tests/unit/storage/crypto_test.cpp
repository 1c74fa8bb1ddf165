#include "storage/crypto.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

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
    // A cipher left half-way by the failure must not carry into the next file.
    CCrypto next;
    ASSERT_TRUE(next.DeriveKey(storage::kPassPhrase));
    EXPECT_TRUE(next.DecryptObject(storage_vectors::kIniFile, object)) << "after " << c.label;
    EXPECT_EQ(object, storage_vectors::kIniText) << "after " << c.label;
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

// The key of the fixed pass phrase is shared by the whole process: objects alive at once,
// some on another pass phrase, must each keep their own key and cipher state.
TEST(CCrypto, ObjectsAliveAtOnceKeepTheirOwnKeys) {
  CCrypto fixedFirst, other, fixedSecond;
  ASSERT_TRUE(fixedFirst.DeriveKey(storage::kPassPhrase));
  ASSERT_TRUE(other.DeriveKey("ANOTHER0000"));
  ASSERT_TRUE(fixedSecond.DeriveKey(storage::kPassPhrase));
  ByteArray a, b, c;
  ASSERT_TRUE(fixedFirst.EncryptObject(storage_vectors::kIniText, a));
  ASSERT_TRUE(other.EncryptObject(storage_vectors::kIniText, b));
  ASSERT_TRUE(fixedSecond.EncryptObject(storage_vectors::kIniText, c));
  EXPECT_EQ(a, storage_vectors::kIniFile);
  EXPECT_NE(b, storage_vectors::kIniFile);
  EXPECT_EQ(c, storage_vectors::kIniFile);
  ByteArray back;
  EXPECT_FALSE(other.DecryptObject(storage_vectors::kIniFile, back));
  EXPECT_TRUE(fixedSecond.DecryptObject(storage_vectors::kIniFile, back));
  EXPECT_EQ(back, storage_vectors::kIniText);
}

// Nothing ties CCrypto to one thread (the concurrency tests write files from several):
// threads that encipher and decipher at once, each with its own objects, all get the
// bytes of one thread alone. A key or cipher state shared between them would mix the
// chaining of two files.
TEST(CCrypto, ThreadsEncipheringAtOnceGetTheSameBytes) {
  constexpr int kThreads = 4, kRounds = 300;
  const ByteArray longText(5000, 'L');
  const ByteArray longFile = Encipher(longText);
  std::vector<int> wrong(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kRounds; ++i) {
        CCrypto crypto;
        ByteArray out, back;
        // Every other round takes another pass phrase first, so that derivations meet too.
        if (i % 2 == 1 && !crypto.DeriveKey("ANOTHER0000")) ++wrong[t];
        if (!crypto.DeriveKey(storage::kPassPhrase)) ++wrong[t];
        const bool isLong = (i + t) % 2 == 0;
        if (!crypto.EncryptObject(isLong ? longText : storage_vectors::kIniText, out) ||
            out != (isLong ? longFile : storage_vectors::kIniFile))
          ++wrong[t];
        if (!crypto.DecryptObject(isLong ? longFile : storage_vectors::kIniFile, back) ||
            back != (isLong ? longText : storage_vectors::kIniText))
          ++wrong[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(wrong[t], 0) << "thread " << t;
}

}  // namespace
