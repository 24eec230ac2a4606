#include "foundation/rijndael.h"

#include <array>
#include <cstring>

namespace {

// ---- Tables, built at compile time from the field arithmetic of GF(2^8) -------------------------

constexpr uint8_t XTime(uint8_t x) { return static_cast<uint8_t>((x << 1) ^ ((x & 0x80) ? 0x1B : 0)); }

constexpr uint8_t Multiply(uint8_t a, uint8_t b) {
  uint8_t product = 0;
  while (b != 0) {
    if (b & 1) product ^= a;
    a = XTime(a);
    b >>= 1;
  }
  return product;
}

// The multiplicative inverses in GF(2^8), from the powers of the generator 3: inverse(3^k) is
// 3^(255-k). Walking the powers once keeps the compile-time work small (searching each inverse by
// trial multiplication runs past a compiler's constexpr step limit).
constexpr std::array<uint8_t, 256> MakeInverses() {
  std::array<uint8_t, 255> power{};
  std::array<uint8_t, 256> logarithm{};
  uint8_t p = 1;
  for (int k = 0; k < 255; ++k) {
    power[k] = p;
    logarithm[p] = static_cast<uint8_t>(k);
    p = static_cast<uint8_t>(p ^ XTime(p));  // p * 3
  }
  std::array<uint8_t, 256> inverse{};  // 0 has no inverse; the S-box maps it through 0
  for (int x = 1; x < 256; ++x) inverse[x] = power[(255 - logarithm[x]) % 255];
  return inverse;
}

constexpr std::array<uint8_t, 256> MakeSBox() {
  constexpr std::array<uint8_t, 256> inverses = MakeInverses();
  std::array<uint8_t, 256> box{};
  for (int x = 0; x < 256; ++x) {
    const uint8_t inverse = inverses[x];
    uint8_t s = inverse;
    for (int shift = 1; shift <= 4; ++shift) {
      s ^= static_cast<uint8_t>((inverse << shift) | (inverse >> (8 - shift)));
    }
    box[x] = static_cast<uint8_t>(s ^ 0x63);
  }
  return box;
}

constexpr std::array<uint8_t, 256> kSBox = MakeSBox();
static_assert(kSBox[0x00] == 0x63 && kSBox[0x01] == 0x7C && kSBox[0x53] == 0xED && kSBox[0xFF] == 0x16);

constexpr std::array<uint8_t, 256> MakeInverseSBox() {
  std::array<uint8_t, 256> box{};
  for (int x = 0; x < 256; ++x) box[kSBox[x]] = static_cast<uint8_t>(x);
  return box;
}

constexpr std::array<uint8_t, 256> kInverseSBox = MakeInverseSBox();

constexpr uint32_t Word(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
  return (uint32_t{b0} << 24) | (uint32_t{b1} << 16) | (uint32_t{b2} << 8) | uint32_t{b3};
}

constexpr uint32_t RotateRight8(uint32_t w, int times) {
  for (int i = 0; i < times; ++i) w = (w >> 8) | (w << 24);
  return w;
}

// One table per row: the column that SubBytes and MixColumns make of a byte in that row.
using RoundTables = std::array<std::array<uint32_t, 256>, 4>;

constexpr RoundTables MakeEncryptTables() {
  RoundTables tables{};
  for (int x = 0; x < 256; ++x) {
    const uint8_t s = kSBox[x];
    const uint32_t column = Word(Multiply(s, 2), s, s, Multiply(s, 3));
    for (int row = 0; row < 4; ++row) tables[row][x] = RotateRight8(column, row);
  }
  return tables;
}

constexpr RoundTables MakeDecryptTables() {
  RoundTables tables{};
  for (int x = 0; x < 256; ++x) {
    const uint8_t s = kInverseSBox[x];
    const uint32_t column = Word(Multiply(s, 14), Multiply(s, 9), Multiply(s, 13), Multiply(s, 11));
    for (int row = 0; row < 4; ++row) tables[row][x] = RotateRight8(column, row);
  }
  return tables;
}

constexpr RoundTables kEncrypt = MakeEncryptTables();
constexpr RoundTables kDecrypt = MakeDecryptTables();

// ---- Block transforms --------------------------------------------------------------------------

// How far each row moves in ShiftRows for a block of Nb columns (Rijndael: 4 and 6 columns shift
// by 1, 2, 3; 8 columns by 1, 3, 4).
template <int Nb>
struct Shifts {
  static constexpr int c1 = 1;
  static constexpr int c2 = Nb == 8 ? 3 : 2;
  static constexpr int c3 = Nb == 8 ? 4 : 3;
};

inline uint8_t Byte(uint32_t w, int row) { return static_cast<uint8_t>(w >> (24 - 8 * row)); }

inline uint32_t LoadWord(const uint8_t* p) { return Word(p[0], p[1], p[2], p[3]); }

inline void StoreWord(uint32_t w, uint8_t* p) {
  p[0] = static_cast<uint8_t>(w >> 24);
  p[1] = static_cast<uint8_t>(w >> 16);
  p[2] = static_cast<uint8_t>(w >> 8);
  p[3] = static_cast<uint8_t>(w);
}

// Nb is a template argument so that each block size gets a fully unrolled path; the 16-byte block
// of AES is the common one.
template <int Nb>
void EncryptWords(const uint8_t* in, uint8_t* out, const uint32_t (*keys)[CRijndael::kMaxBlockSize / 4],
                  int rounds) {
  using S = Shifts<Nb>;
  uint32_t a[Nb], t[Nb];
  for (int j = 0; j < Nb; ++j) a[j] = LoadWord(in + 4 * j) ^ keys[0][j];
  for (int r = 1; r < rounds; ++r) {
    for (int j = 0; j < Nb; ++j) {
      t[j] = kEncrypt[0][Byte(a[j], 0)] ^ kEncrypt[1][Byte(a[(j + S::c1) % Nb], 1)] ^
             kEncrypt[2][Byte(a[(j + S::c2) % Nb], 2)] ^ kEncrypt[3][Byte(a[(j + S::c3) % Nb], 3)] ^ keys[r][j];
    }
    std::memcpy(a, t, sizeof a);
  }
  for (int j = 0; j < Nb; ++j) {
    const uint32_t w = Word(kSBox[Byte(a[j], 0)], kSBox[Byte(a[(j + S::c1) % Nb], 1)],
                            kSBox[Byte(a[(j + S::c2) % Nb], 2)], kSBox[Byte(a[(j + S::c3) % Nb], 3)]);
    StoreWord(w ^ keys[rounds][j], out + 4 * j);
  }
}

template <int Nb>
void DecryptWords(const uint8_t* in, uint8_t* out, const uint32_t (*keys)[CRijndael::kMaxBlockSize / 4],
                  int rounds) {
  using S = Shifts<Nb>;
  uint32_t a[Nb], t[Nb];
  for (int j = 0; j < Nb; ++j) a[j] = LoadWord(in + 4 * j) ^ keys[0][j];
  for (int r = 1; r < rounds; ++r) {
    for (int j = 0; j < Nb; ++j) {
      t[j] = kDecrypt[0][Byte(a[j], 0)] ^ kDecrypt[1][Byte(a[(j + Nb - S::c1) % Nb], 1)] ^
             kDecrypt[2][Byte(a[(j + Nb - S::c2) % Nb], 2)] ^ kDecrypt[3][Byte(a[(j + Nb - S::c3) % Nb], 3)] ^
             keys[r][j];
    }
    std::memcpy(a, t, sizeof a);
  }
  for (int j = 0; j < Nb; ++j) {
    const uint32_t w =
        Word(kInverseSBox[Byte(a[j], 0)], kInverseSBox[Byte(a[(j + Nb - S::c1) % Nb], 1)],
             kInverseSBox[Byte(a[(j + Nb - S::c2) % Nb], 2)], kInverseSBox[Byte(a[(j + Nb - S::c3) % Nb], 3)]);
    StoreWord(w ^ keys[rounds][j], out + 4 * j);
  }
}

// One block either way, through the unrolled path for its size.
void TransformBlock(bool encrypt, int blockLength, const uint8_t* in, uint8_t* out,
                    const uint32_t (*keys)[CRijndael::kMaxBlockSize / 4], int rounds) {
  switch (blockLength) {
    case 16:
      return encrypt ? EncryptWords<4>(in, out, keys, rounds) : DecryptWords<4>(in, out, keys, rounds);
    case 24:
      return encrypt ? EncryptWords<6>(in, out, keys, rounds) : DecryptWords<6>(in, out, keys, rounds);
    default:
      return encrypt ? EncryptWords<8>(in, out, keys, rounds) : DecryptWords<8>(in, out, keys, rounds);
  }
}

uint32_t SubWord(uint32_t w) {
  return Word(kSBox[Byte(w, 0)], kSBox[Byte(w, 1)], kSBox[Byte(w, 2)], kSBox[Byte(w, 3)]);
}

// InvMixColumns of one round-key column: the decryption tables give it for S-box outputs.
uint32_t InverseMixColumn(uint32_t w) {
  return kDecrypt[0][kSBox[Byte(w, 0)]] ^ kDecrypt[1][kSBox[Byte(w, 1)]] ^ kDecrypt[2][kSBox[Byte(w, 2)]] ^
         kDecrypt[3][kSBox[Byte(w, 3)]];
}

}  // namespace

CRijndael::~CRijndael() {
  // Key material does not outlive the object.
  volatile uint8_t* p = reinterpret_cast<volatile uint8_t*>(m_encryptKeys);
  for (size_t i = 0; i < sizeof m_encryptKeys; ++i) p[i] = 0;
  p = reinterpret_cast<volatile uint8_t*>(m_decryptKeys);
  for (size_t i = 0; i < sizeof m_decryptKeys; ++i) p[i] = 0;
}

void CRijndael::InitKey(const uint8_t* key, const uint8_t* chain, int keyLength, int blockLength) {
  if (key == nullptr) throw CRijndaelException("Empty key");
  if (keyLength != 16 && keyLength != 24 && keyLength != 32) throw CRijndaelException("Incorrect key length");
  if (blockLength != 16 && blockLength != 24 && blockLength != 32) throw CRijndaelException("Incorrect block length");

  m_keyLength = keyLength;
  m_blockLength = blockLength;
  const int nk = keyLength / 4;
  const int nb = blockLength / 4;
  m_rounds = (nk > nb ? nk : nb) + 6;  // 10, 12 or 14: the larger of key and block decides

  std::memset(m_initialChain, 0, sizeof m_initialChain);
  if (chain != nullptr) std::memcpy(m_initialChain, chain, static_cast<size_t>(blockLength));
  std::memcpy(m_chain, m_initialChain, sizeof m_chain);

  // Key expansion: Nb * (rounds + 1) words; a key longer than six words takes an extra SubWord.
  const int total = nb * (m_rounds + 1);
  uint32_t w[(kMaxRounds + 1) * (kMaxBlockSize / 4)];
  for (int i = 0; i < nk; ++i) w[i] = LoadWord(key + 4 * i);
  uint8_t rcon = 1;
  for (int i = nk; i < total; ++i) {
    uint32_t temp = w[i - 1];
    if (i % nk == 0) {
      temp = SubWord((temp << 8) | (temp >> 24)) ^ (uint32_t{rcon} << 24);
      rcon = XTime(rcon);
    } else if (nk > 6 && i % nk == 4) {
      temp = SubWord(temp);
    }
    w[i] = w[i - nk] ^ temp;
  }
  std::memset(m_encryptKeys, 0, sizeof m_encryptKeys);
  std::memset(m_decryptKeys, 0, sizeof m_decryptKeys);
  for (int r = 0; r <= m_rounds; ++r) {
    for (int j = 0; j < nb; ++j) m_encryptKeys[r][j] = w[r * nb + j];
  }
  // The equivalent inverse cipher runs the round keys backwards, the inner ones through
  // InvMixColumns, so decryption uses the same round structure as encryption.
  for (int r = 0; r <= m_rounds; ++r) {
    for (int j = 0; j < nb; ++j) {
      const uint32_t k = m_encryptKeys[m_rounds - r][j];
      m_decryptKeys[r][j] = (r == 0 || r == m_rounds) ? k : InverseMixColumn(k);
    }
  }
  volatile uint32_t* scrub = w;
  for (int i = 0; i < total; ++i) scrub[i] = 0;
  m_initialized = true;
}

void CRijndael::ResetChain() { std::memcpy(m_chain, m_initialChain, sizeof m_chain); }

void CRijndael::EncryptBlock(const uint8_t* in, uint8_t* out) const {
  if (!m_initialized) throw CRijndaelException("Object not Initialized");
  TransformBlock(true, m_blockLength, in, out, m_encryptKeys, m_rounds);
}

void CRijndael::DecryptBlock(const uint8_t* in, uint8_t* out) const {
  if (!m_initialized) throw CRijndaelException("Object not Initialized");
  TransformBlock(false, m_blockLength, in, out, m_decryptKeys, m_rounds);
}

void CRijndael::CheckData(size_t length) const {
  // Without a key there is no block length to check the data against.
  if (!m_initialized) throw CRijndaelException("Object not Initialized");
  if (length == 0 || length % static_cast<size_t>(m_blockLength) != 0) {
    throw CRijndaelException("Data not multiple of Block Size");
  }
}

void CRijndael::Encrypt(const uint8_t* in, uint8_t* out, size_t length, int mode) {
  CheckData(length);
  const size_t block = static_cast<size_t>(m_blockLength);
  uint8_t buffer[kMaxBlockSize];
  for (size_t offset = 0; offset < length; offset += block) {
    const uint8_t* source = in + offset;
    uint8_t* target = out + offset;
    switch (mode) {
      case CBC:
        for (size_t k = 0; k < block; ++k) buffer[k] = source[k] ^ m_chain[k];
        EncryptBlock(buffer, target);
        std::memcpy(m_chain, target, block);
        break;
      case CFB:
        EncryptBlock(m_chain, buffer);
        for (size_t k = 0; k < block; ++k) target[k] = source[k] ^ buffer[k];
        std::memcpy(m_chain, target, block);
        break;
      default:
        EncryptBlock(source, target);
        break;
    }
  }
}

void CRijndael::Decrypt(const uint8_t* in, uint8_t* out, size_t length, int mode) {
  CheckData(length);
  const size_t block = static_cast<size_t>(m_blockLength);
  uint8_t buffer[kMaxBlockSize];
  uint8_t cipher[kMaxBlockSize];
  for (size_t offset = 0; offset < length; offset += block) {
    const uint8_t* source = in + offset;
    uint8_t* target = out + offset;
    std::memcpy(cipher, source, block);  // `out` may be `in`
    switch (mode) {
      case CBC:
        DecryptBlock(cipher, buffer);
        for (size_t k = 0; k < block; ++k) target[k] = buffer[k] ^ m_chain[k];
        std::memcpy(m_chain, cipher, block);
        break;
      case CFB:
        EncryptBlock(m_chain, buffer);
        for (size_t k = 0; k < block; ++k) target[k] = cipher[k] ^ buffer[k];
        std::memcpy(m_chain, cipher, block);
        break;
      default:
        DecryptBlock(cipher, target);
        break;
    }
  }
}
