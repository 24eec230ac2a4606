// What must be usable before the program takes the single-instance lock: the desktop folder (where
// the lock and the windows live), the private temporary folder and the registry files the program
// reads its settings and the call client's version from. Without this check an unusable desktop
// folder would pass for a running copy, and an unreadable registry for a missing call client.
#pragma once

#include <string>

// The message that tells the user what is wrong and where, or "" when everything is usable.
std::u16string FindStartupProblem();
