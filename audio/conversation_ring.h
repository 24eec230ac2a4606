// Pairs the two sides of a recorded conversation: the far party's blocks (from the call's sound
// output) and the near party's (the microphone), by their position in a ring of 10 slots, not by
// time stamps. Each side writes at its own index. When a side's slot still holds an unpaired half
// of that side, that half is first written alone, paired with silence, so a side that stops
// delivering (an unplugged microphone) never holds the other side back for more than the ring.
//
// Halves are copied into the slots' own buffers, which keep their capacity, so a running
// conversation allocates nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

class CConversationRing {
 public:
  static constexpr int kSlots = 10;
  // Receives each pair (a missing half is empty).
  using PairSink = std::function<void(const std::vector<uint8_t>& far, const std::vector<uint8_t>& near)>;

  void Clear();
  void PutFar(const uint8_t* data, size_t bytes, const PairSink& sink);
  void PutNear(const uint8_t* data, size_t bytes, const PairSink& sink);

 private:
  struct Slot {
    std::vector<uint8_t> half[2];
    bool present[2] = {false, false};
  };
  void Put(int side, const uint8_t* data, size_t bytes, const PairSink& sink);

  Slot m_slots[kSlots];
  int m_index[2] = {0, 0};
  const std::vector<uint8_t> m_none{};
};

namespace qav {

// Mixes a pair of 16-bit mono halves into `out`: with 2 channels far on the left and near on the
// right, sample by sample; with 1 channel far / 2 + near / 2, each halved toward zero. The shorter
// half is padded with silence. Returns the bytes written (channels x the longer half).
size_t MixConversationPair(const std::vector<uint8_t>& far, const std::vector<uint8_t>& near, int channels,
                           uint8_t* out, size_t capacity);

}  // namespace qav
