// The Rijndael block cipher: AES (FIPS-197) for the 16-byte block, and the Rijndael proposal's
// 24- and 32-byte blocks, each with a 16-, 24- or 32-byte key, in ECB, CBC and full-block CFB.
//
// The settings store keeps the mail password with it (16-byte key and block, ECB). Refusals are
// thrown as CRijndaelException with one of five fixed texts, which the callers catch.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

class CRijndaelException : public std::exception {
 public:
  // One of "Empty key", "Incorrect key length", "Incorrect block length",
  // "Data not multiple of Block Size" and "Object not Initialized".
  explicit CRijndaelException(const char* text) : m_text(text) {}
  const char* what() const noexcept override { return m_text; }

 private:
  const char* m_text;
};

class CRijndael {
 public:
  enum Mode { ECB = 0, CBC = 1, CFB = 2 };
  static constexpr int kMaxBlockSize = 32;
  static constexpr int kMaxRounds = 14;

  CRijndael() = default;
  virtual ~CRijndael();
  CRijndael(const CRijndael&) = delete;
  CRijndael& operator=(const CRijndael&) = delete;

  // Checks, in this order: a key is given ("Empty key"), the key length is 16, 24 or 32
  // ("Incorrect key length"), the block length is 16, 24 or 32 ("Incorrect block length"). Then
  // keeps the chain block (the initial vector of CBC and CFB; all zeros when none is given),
  // expands the key for both directions and marks the object initialised.
  void InitKey(const uint8_t* key, const uint8_t* chain, int keyLength = 16, int blockLength = 16);

  // One block in, one block out (the block length given to InitKey). `in` and `out` may be the
  // same buffer.
  void EncryptBlock(const uint8_t* in, uint8_t* out) const;
  void DecryptBlock(const uint8_t* in, uint8_t* out) const;

  // Whole blocks in the mode: the length must be a non-zero multiple of the block length ("Data
  // not multiple of Block Size") and the object initialised ("Object not Initialized"). CBC and
  // CFB carry the chain block from call to call. `in` and `out` may be the same buffer.
  void Encrypt(const uint8_t* in, uint8_t* out, size_t length, int mode = ECB);
  void Decrypt(const uint8_t* in, uint8_t* out, size_t length, int mode = ECB);

  // Puts the chain block back to the one InitKey was given.
  void ResetChain();

  int GetKeyLength() const { return m_keyLength; }
  int GetBlockSize() const { return m_blockLength; }
  int GetRounds() const { return m_rounds; }

 private:
  void CheckData(size_t length) const;

  bool m_initialized = false;
  int m_keyLength = 0;
  int m_blockLength = 0;
  int m_rounds = 0;
  // Round keys as big-endian column words, kMaxBlockSize / 4 words a round.
  uint32_t m_encryptKeys[kMaxRounds + 1][kMaxBlockSize / 4] = {};
  uint32_t m_decryptKeys[kMaxRounds + 1][kMaxBlockSize / 4] = {};
  uint8_t m_initialChain[kMaxBlockSize] = {};
  uint8_t m_chain[kMaxBlockSize] = {};
};
