// The two greetings held in memory, ready to be played into a call without touching the disk: one
// for contacts and one for callers who are not contacts.
//
// The application builds them (the greeting files converted into CWaveMemFile) when the current
// user becomes known and after the user changes a greeting, and sets them here; a voice message
// takes the one it needs when it starts. A greeting set here is never changed again: a new one
// replaces it, and whoever still holds the old one (the audio thread, playing it) keeps it alive.
//
// Threading: any thread (a lock guards the two references).
#pragma once

#include <memory>

class CWaveMemFile;

enum class GreetingKind { kContacts, kOtherCallers };

void SetGreetingInMemory(GreetingKind kind, std::shared_ptr<const CWaveMemFile> greeting);
// Null while none is set.
std::shared_ptr<const CWaveMemFile> GetGreetingInMemory(GreetingKind kind);
