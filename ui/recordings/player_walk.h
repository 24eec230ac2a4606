// The player walk of the voice-messages and conversations pages: the selected rows play one after
// another in the modal player, which ends with a result code, and the walk decides from it which
// row plays next. With one row selected the walk goes through every row; with several (or after
// an item that had nothing to play) it passes over the rows that were not selected when it began.
// GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

class QItemSelectionModel;

// The ends of a player run as the walk reads them (the player dialog's result codes).
inline constexpr int kListPlayerPrevious = 4721;
inline constexpr int kListPlayerNext = 4722;
inline constexpr int kListPlayerDelete = 4723;
inline constexpr int kListPlayerDeleteAndNext = 4724;
inline constexpr int kListPlayerError = 4725;
inline constexpr int kListPlayerNothingToPlay = 4726;
// The close box or Escape (any other value ends the walk as well).
inline constexpr int kListPlayerClosed = 2;

struct PlayerWalk {
  // Plays that recording and returns the player's result; nothing when there is nothing to play
  // (the recording has gone, or is still being recorded).
  std::function<std::optional<int>(uint64_t id)> play;
  // Deletes that recording (with the page's confirmation) and rebuilds the list.
  std::function<void(uint64_t id)> remove;
  // A row with nothing to play is passed over downwards (else in the walk's current direction).
  bool passOverDownwards = false;
};

// Walks from the first selected row of the list (the selection's model, in the order the view
// shows; each row answers its recording's identity, ui/recordings/recording_table_model.h) until
// the player is closed or the walk leaves the list.
void WalkSelectedRows(const QItemSelectionModel& selection, const PlayerWalk& walk);
