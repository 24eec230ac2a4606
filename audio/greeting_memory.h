// Building a greeting in memory: a CWaveMemFile of 16-bit mono 44,100 Hz PCM holding beep1.wav,
// the user's greeting file and beep2.wav, one after another, ready to be played into a call
// without touching the disk.
//
// A greeting is never changed once built: a changed greeting is built as a new memory file beside
// the old one, which goes on being played by whoever holds it (the audio thread during a call).
// Building touches nothing shared, so any thread may build.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "audio/wave_mem_file.h"

// The result of building a greeting: the memory file (always made, with its format set), whether
// every file loaded, and the first file that failed to load (its path, which may be empty). The memory file keeps the files loaded
// whole before the failure and nothing of the failed one (also when it failed part-way); a failed
// first file leaves it empty.
struct GreetingBuild {
  std::shared_ptr<CWaveMemFile> memFile;
  bool loaded = true;
  std::u16string failedFile;
};

// Makes a greeting memory file of 16-bit mono 44,100 Hz from the files in order, each converted
// while it is appended; the first file that fails stops the sequence.
GreetingBuild BuildGreetingMemFile(const std::vector<std::u16string>& files);

// Whether the file makes a greeting on its own: what BuildGreetingMemFile would load of it, the
// greeting tried alone, so that a file that is no greeting (text under a ".wav" name, MP3 data
// under a ".wav" name, a recording that holds no sound) is refused before it takes the old
// greeting's place. Reads the whole file.
bool LoadsAsGreeting(const std::u16string& path);
