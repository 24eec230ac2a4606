// The two greetings held in memory: the one played to contacts and the one played to callers who
// are not contacts, each ready to go into a call without touching the disk.
//
// A greeting is a CWaveMemFile of 16-bit mono 44,100 Hz PCM holding beep1.wav, the user's greeting
// file and beep2.wav, one after another. It is never changed once built: a changed greeting is
// built as a new memory file beside the old one and then put in its place. Ownership is shared,
// so the audio thread keeps playing the greeting it was handed for a call while the user chooses a
// new one; the old greeting is freed when the last holder lets go.
//
// Threading: any thread may take or replace a greeting; the slot itself is guarded by a lock held
// only for the pointer copy. A memory file's read position belongs to whoever plays it (the audio
// thread), which is the only reader.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "audio/wave_mem_file.h"

enum class GreetingKind { kBuddy, kNonBuddy };

// The greeting now in place; null before the first one is built and after the release.
std::shared_ptr<CWaveMemFile> GetGreetingMemFile(GreetingKind kind);
// Puts a new greeting in place (null empties the slot); the old one lives on with its holders.
void SetGreetingMemFile(GreetingKind kind, std::shared_ptr<CWaveMemFile> greeting);
// Empties both slots.
void ReleaseGreetingMemFiles();

// The result of building a greeting: the memory file (always made, with its format set), and the
// first file that failed to load ("" when all loaded). The memory file keeps what was appended
// before the failure; a failed first file leaves it empty.
struct GreetingBuild {
  std::shared_ptr<CWaveMemFile> memFile;
  std::u16string failedFile;
};

// Makes a greeting memory file of 16-bit mono 44,100 Hz from the files in order, each converted
// while it is appended; the first file that fails stops the sequence.
GreetingBuild BuildGreetingMemFile(const std::vector<std::u16string>& files);
