#include "audio/conversation_ring.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr int kFar = 0;
constexpr int kNear = 1;

int16_t SampleAt(const std::vector<uint8_t>& half, size_t i) {
  if ((i + 1) * 2 > half.size()) return 0;
  int16_t s;
  std::memcpy(&s, half.data() + i * 2, 2);
  return s;
}
}  // namespace

void CConversationRing::Clear() {
  for (Slot& s : m_slots) s.present[kFar] = s.present[kNear] = false;
  m_index[kFar] = m_index[kNear] = 0;
}

void CConversationRing::PutFar(const uint8_t* data, size_t bytes, const PairSink& sink) { Put(kFar, data, bytes, sink); }

void CConversationRing::PutNear(const uint8_t* data, size_t bytes, const PairSink& sink) {
  Put(kNear, data, bytes, sink);
}

void CConversationRing::Put(int side, const uint8_t* data, size_t bytes, const PairSink& sink) {
  const int other = 1 - side;
  Slot& slot = m_slots[m_index[side]];
  if (slot.present[side]) {
    // The other side never came for this one: write it with silence.
    if (side == kFar) {
      sink(slot.half[kFar], m_none);
    } else {
      sink(m_none, slot.half[kNear]);
    }
    slot.present[side] = false;
  }
  slot.half[side].assign(data, data + bytes);
  slot.present[side] = true;
  if (slot.present[other]) {
    sink(slot.half[kFar], slot.half[kNear]);
    slot.present[kFar] = slot.present[kNear] = false;
  }
  m_index[side] = (m_index[side] + 1) % kSlots;
}

namespace qav {

size_t MixConversationPair(const std::vector<uint8_t>& far, const std::vector<uint8_t>& near, int channels,
                           uint8_t* out, size_t capacity) {
  const size_t samples = std::max(far.size(), near.size()) / 2;
  const size_t bytes = samples * 2 * static_cast<size_t>(channels);
  if (bytes > capacity) return 0;
  auto* o = reinterpret_cast<int16_t*>(out);
  for (size_t i = 0; i < samples; ++i) {
    const int16_t f = SampleAt(far, i);
    const int16_t n = SampleAt(near, i);
    if (channels == 2) {
      o[2 * i] = f;
      o[2 * i + 1] = n;
    } else {
      o[i] = static_cast<int16_t>(f / 2 + n / 2);
    }
  }
  return bytes;
}

}  // namespace qav
