#include "ui/player/player_position.h"

#include <algorithm>
#include <climits>

namespace qav {

int PlayerBarRange(int64_t total) { return static_cast<int>(std::clamp<int64_t>(total, 0, INT_MAX)); }

int PlayerBarValue(int64_t position, int64_t total) {
  if (total <= 0) return 0;
  const int64_t held = std::clamp<int64_t>(position, 0, total);
  const int range = PlayerBarRange(total);
  // Exact for ranges that are the byte count; scaled for recordings beyond the bar's reach.
  if (range == total) return static_cast<int>(held);
  return static_cast<int>(static_cast<double>(held) * range / static_cast<double>(total));
}

double PlayerFractionOfBar(int value, int range) {
  if (range <= 0) return 0.0;
  return std::clamp(static_cast<double>(value) / range, 0.0, 1.0);
}

int64_t PlayerBytesAtFraction(double fraction, int64_t total) {
  if (total <= 0) return 0;
  return static_cast<int64_t>(std::clamp(fraction, 0.0, 1.0) * static_cast<double>(total));
}

int PlayerMarkerColumn(int64_t position, int64_t total, int width) {
  if (total <= 0 || width <= 0) return 0;
  const int64_t held = std::clamp<int64_t>(position, 0, total);
  return static_cast<int>(static_cast<int64_t>(width - 1) * held / total);
}

int64_t PlayerColumnStart(int x, int64_t total, int width) {
  if (total <= 0 || width <= 0) return 0;
  return total * x / width;
}

}  // namespace qav
