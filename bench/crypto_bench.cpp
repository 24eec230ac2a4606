// Throughput of CRC-32 and of the Rijndael cipher, in bytes per second (Google Benchmark prints
// it as MB/s or GB/s). Targets are printed, not asserted:
//   CRC-32: at least 300 MB/s; AES-128 ECB: at least 50 MB/s, enough to hide every use the
//   program makes of them (envelopes of a few kilobytes, one password block).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "foundation/crc32.h"
#include "foundation/rijndael.h"

namespace {

std::vector<uint8_t> Data(size_t n) {
  std::vector<uint8_t> bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(i * 131 + 7);
  return bytes;
}

void BM_Crc32(benchmark::State& state) {
  const std::vector<uint8_t> data = Data(static_cast<size_t>(state.range(0)));
  uint32_t crc = 0;
  for (auto _ : state) {
    CCrc32::ComputeBufferCrc(data.data(), data.size(), crc);
    benchmark::DoNotOptimize(crc);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
  state.SetLabel("target >= 300 MB/s");
}
BENCHMARK(BM_Crc32)->Arg(4096)->Arg(1 << 20);

void BM_Rijndael(benchmark::State& state) {
  const int keyLength = static_cast<int>(state.range(0));
  const int blockLength = static_cast<int>(state.range(1));
  const int mode = static_cast<int>(state.range(2));
  const std::vector<uint8_t> key = Data(static_cast<size_t>(keyLength));
  std::vector<uint8_t> data = Data(static_cast<size_t>(blockLength) * 4096);
  CRijndael cipher;
  cipher.InitKey(key.data(), nullptr, keyLength, blockLength);
  for (auto _ : state) {
    cipher.Encrypt(data.data(), data.data(), data.size(), mode);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(data.size()));
  state.SetLabel("target >= 50 MB/s");
}
// key length, block length, mode (0 ECB, 1 CBC, 2 CFB)
BENCHMARK(BM_Rijndael)
    ->Args({16, 16, CRijndael::ECB})
    ->Args({16, 16, CRijndael::CBC})
    ->Args({32, 16, CRijndael::CFB})
    ->Args({32, 32, CRijndael::ECB});

void BM_RijndaelDecrypt(benchmark::State& state) {
  const std::vector<uint8_t> key = Data(16);
  std::vector<uint8_t> data = Data(16 * 4096);
  CRijndael cipher;
  cipher.InitKey(key.data(), nullptr, 16, 16);
  for (auto _ : state) {
    cipher.Decrypt(data.data(), data.data(), data.size(), CRijndael::ECB);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(data.size()));
  state.SetLabel("target >= 50 MB/s");
}
BENCHMARK(BM_RijndaelDecrypt);

}  // namespace
