// The player's byte arithmetic, apart from its window: positions in a recording of `total` bytes
// mapped onto the position bar, the graph's pixel columns and seek fractions. 64-bit throughout
// (byte counts times pixel or bar widths overflow 32 bits from a few megabytes), and a total of 0
// (an empty or unmeasured file) maps everything to the start.
#pragma once

#include <cstdint>

namespace qav {

// The position bar's upper bound for a recording: the byte count, held to what the bar takes.
int PlayerBarRange(int64_t total);
// The bar's value for a byte position.
int PlayerBarValue(int64_t position, int64_t total);
// The fraction of the recording that a value of the bar (0..range) stands for, held to 0..1.
double PlayerFractionOfBar(int value, int range);
// The byte position of a fraction of the recording.
int64_t PlayerBytesAtFraction(double fraction, int64_t total);
// The graph column (0..width - 1) of a byte position: (width - 1) x position / total.
int PlayerMarkerColumn(int64_t position, int64_t total, int width);
// The byte range [first, last) that graph column x of `width` covers: x x total / width to
// (x + 1) x total / width.
int64_t PlayerColumnStart(int x, int64_t total, int width);

}  // namespace qav
