// WaitCursor: the whole program shows the wait cursor while one lives and gets its own cursor back
// when it goes, on every path out of the scope. Held in a std::optional it spans a pause: emplace
// shows it once however often the user clicks, reset (or the owner going) gives it back once.
// GUI thread only.
#pragma once

class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};
