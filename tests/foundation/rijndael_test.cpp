#include "foundation/rijndael.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Hex(const std::string& hex) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

std::vector<uint8_t> Sequence(size_t n) {
  std::vector<uint8_t> bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(i);
  return bytes;
}

const std::string kSp800Plain =
    "6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
    "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710";

std::string ThrownText(const std::function<void()>& f) {
  try {
    f();
  } catch (const CRijndaelException& e) {
    return e.what();
  }
  return "(nothing thrown)";
}

}  // namespace

TEST(Rijndael, Fips197AppendixC) {
  const std::vector<uint8_t> plain = Hex("00112233445566778899aabbccddeeff");
  const struct {
    int keyLength;
    const char* cipher;
    int rounds;
  } cases[] = {
      {16, "69c4e0d86a7b0430d8cdb78070b4c55a", 10},
      {24, "dda97ca4864cdfe06eaf70a0ec0d7191", 12},
      {32, "8ea2b7ca516745bfeafc49904b496089", 14},
  };
  for (const auto& c : cases) {
    CRijndael aes;
    aes.InitKey(Sequence(static_cast<size_t>(c.keyLength)).data(), nullptr, c.keyLength, 16);
    EXPECT_EQ(aes.GetRounds(), c.rounds);
    std::vector<uint8_t> out(16), back(16);
    aes.EncryptBlock(plain.data(), out.data());
    EXPECT_EQ(out, Hex(c.cipher)) << c.keyLength;
    aes.Decrypt(out.data(), back.data(), 16, CRijndael::ECB);
    EXPECT_EQ(back, plain) << c.keyLength;
  }
}

TEST(Rijndael, Sp800_38aModes) {
  const std::vector<uint8_t> iv = Sequence(16);
  const std::vector<uint8_t> plain = Hex(kSp800Plain);
  const struct {
    const char* key;
    int mode;
    const char* cipher;
  } cases[] = {
      {"2b7e151628aed2a6abf7158809cf4f3c", CRijndael::ECB,
       "3ad77bb40d7a3660a89ecaf32466ef97f5d3d58503b9699de785895a96fdbaaf"
       "43b1cd7f598ece23881b00e3ed0306887b0c785e27e8ad3f8223207104725dd4"},
      {"2b7e151628aed2a6abf7158809cf4f3c", CRijndael::CBC,
       "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2"
       "73bed6b8e3c1743b7116e69e222295163ff1caa1681fac09120eca307586e1a7"},
      {"2b7e151628aed2a6abf7158809cf4f3c", CRijndael::CFB,
       "3b3fd92eb72dad20333449f8e83cfb4ac8a64537a0b3a93fcde3cdad9f1ce58b"
       "26751f67a3cbb140b1808cf187a4f4dfc04b05357c5d1c0eeac4c66f9ff7f2e6"},
      {"603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4", CRijndael::ECB,
       "f3eed1bdb5d2a03c064b5a7e3db181f8591ccb10d410ed26dc5ba74a31362870"
       "b6ed21b99ca6f4f9f153e7b1beafed1d23304b7a39f9f3ff067d8d8f9e24ecc7"},
  };
  for (const auto& c : cases) {
    const std::vector<uint8_t> key = Hex(c.key);
    CRijndael aes;
    aes.InitKey(key.data(), iv.data(), static_cast<int>(key.size()), 16);
    std::vector<uint8_t> out(plain.size());
    // Two calls of two blocks each: the chain block carries over between calls.
    aes.Encrypt(plain.data(), out.data(), 32, c.mode);
    aes.Encrypt(plain.data() + 32, out.data() + 32, 32, c.mode);
    EXPECT_EQ(out, Hex(c.cipher)) << c.mode;

    aes.ResetChain();
    std::vector<uint8_t> inPlace = out;
    aes.Decrypt(inPlace.data(), inPlace.data(), inPlace.size(), c.mode);
    EXPECT_EQ(inPlace, plain) << c.mode;
  }
}

TEST(Rijndael, LargerBlocksRoundTrip) {
  for (int block : {24, 32}) {
    for (int keyLength : {16, 24, 32}) {
      for (int mode : {CRijndael::ECB, CRijndael::CBC, CRijndael::CFB}) {
        const std::vector<uint8_t> key = Sequence(static_cast<size_t>(keyLength));
        std::vector<uint8_t> chain(static_cast<size_t>(block), 0x5A);
        std::vector<uint8_t> plain(static_cast<size_t>(block) * 3);
        for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<uint8_t>(i * 7 + 3);
        CRijndael cipher;
        cipher.InitKey(key.data(), chain.data(), keyLength, block);
        EXPECT_EQ(cipher.GetRounds(), std::max(keyLength, block) / 4 + 6);
        std::vector<uint8_t> encrypted(plain.size()), decrypted(plain.size());
        cipher.Encrypt(plain.data(), encrypted.data(), plain.size(), mode);
        EXPECT_NE(encrypted, plain);
        cipher.ResetChain();
        cipher.Decrypt(encrypted.data(), decrypted.data(), encrypted.size(), mode);
        EXPECT_EQ(decrypted, plain) << block << "/" << keyLength << "/" << mode;
      }
    }
  }
}

TEST(Rijndael, TheFiveRefusals) {
  const std::vector<uint8_t> key = Sequence(32);
  uint8_t data[32] = {};
  CRijndael fresh;
  EXPECT_EQ(ThrownText([&] { fresh.Encrypt(data, data, 16); }), "Object not Initialized");
  EXPECT_EQ(ThrownText([&] { fresh.Decrypt(data, data, 16); }), "Object not Initialized");
  EXPECT_EQ(ThrownText([&] { fresh.InitKey(nullptr, nullptr, 16, 16); }), "Empty key");
  EXPECT_EQ(ThrownText([&] { fresh.InitKey(key.data(), nullptr, 20, 16); }), "Incorrect key length");
  EXPECT_EQ(ThrownText([&] { fresh.InitKey(key.data(), nullptr, 16, 20); }), "Incorrect block length");
  // The key is checked before the block length.
  EXPECT_EQ(ThrownText([&] { fresh.InitKey(key.data(), nullptr, 20, 20); }), "Incorrect key length");

  CRijndael aes;
  aes.InitKey(key.data(), nullptr, 16, 16);
  EXPECT_EQ(ThrownText([&] { aes.Encrypt(data, data, 0); }), "Data not multiple of Block Size");
  EXPECT_EQ(ThrownText([&] { aes.Encrypt(data, data, 20); }), "Data not multiple of Block Size");
  EXPECT_EQ(ThrownText([&] { aes.Decrypt(data, data, 20, CRijndael::CBC); }), "Data not multiple of Block Size");
  EXPECT_EQ(ThrownText([&] { aes.Encrypt(data, data, 32); }), "(nothing thrown)");
}
