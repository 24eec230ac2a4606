// The side file of a recorded conversation ("<base name>.dat"): its duration and its partners, so
// that the conversations list can be rebuilt at the next start.
//
// UTF-16 little-endian with the byte-order mark 0xFEFF in front, no line breaks, no terminating
// zero: "Duration:<seconds>;" followed by "Partner:<handle>;" for each partner, in the order the
// calls joined. For 95 seconds with caller77 and caller2:
//   FF FE "Duration:95;Partner:caller77;Partner:caller2;" (each character two bytes)
//
// The reader takes what a writer of this format can have written and nothing it cannot: the mark
// is required, only records closed by ";" count (a file cut short loses its last, unfinished
// record instead of yielding a cut handle), a record splits at its first ":" only (so a handle
// may hold ":"), unknown keys are skipped, and a file is read only up to kMaxConversationDataBytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// More than any side file holds: a longer file is refused rather than read.
inline constexpr size_t kMaxConversationDataBytes = 1 << 20;

struct ConversationData {
  int32_t duration = 0;
  std::vector<std::u16string> partners;
};

// The file's bytes.
std::string BuildConversationData(int32_t duration, const std::vector<std::u16string>& partners);

// What the bytes hold; duration 0 and no partners for bytes without the mark.
ConversationData ParseConversationData(std::string_view bytes);
