// A few questions about the system the program runs on.
#pragma once

// True when the process runs with administrator rights: here, an effective user id of 0 (root).
bool IsUserAdmin();

// The common-controls library of version 6 or later is what enables the newer drawing paths; the
// user interface here always offers them, so this is always true.
bool IsComCtl6();

// The screen's colour depth in bits per pixel (planes times bits). Every display this build
// targets composes in 32-bit colour, and the answer must not depend on a display being there
// (the program also runs headless), so it is the constant kScreenColorDepth.
constexpr int kScreenColorDepth = 32;
int GetScreenColorDepth();
