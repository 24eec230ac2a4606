// Message boxes: the questions and notices the program puts to the user.
//
// Code anywhere in the program asks through ShowMessageBox; what answers is the handler installed
// here. The user interface installs one that shows a real box; the program without it installs
// one that logs the text and answers with the box's default button; tests install one that
// answers as the case needs. With no handler installed the default button is the answer, so a
// question never blocks a program that has nobody to ask.
//
// The type word and the answers keep the numbers of the platform the program was designed on, so
// the callers read as they were written: MB_YESNO | MB_ICONEXCLAMATION, IDYES.
#pragma once

#include <cstdint>
#include <string_view>

namespace qav {

// Buttons (low 4 bits).
inline constexpr uint32_t MB_OK = 0x0;
inline constexpr uint32_t MB_OKCANCEL = 0x1;
inline constexpr uint32_t MB_YESNOCANCEL = 0x3;
inline constexpr uint32_t MB_YESNO = 0x4;
inline constexpr uint32_t MB_RETRYCANCEL = 0x5;
inline constexpr uint32_t kMessageBoxButtonsMask = 0xF;
// Icons.
inline constexpr uint32_t MB_ICONSTOP = 0x10;
inline constexpr uint32_t MB_ICONQUESTION = 0x20;
inline constexpr uint32_t MB_ICONEXCLAMATION = 0x30;
inline constexpr uint32_t MB_ICONINFORMATION = 0x40;
inline constexpr uint32_t kMessageBoxIconMask = 0xF0;
// Which button is the default (the first unless one of these is given).
inline constexpr uint32_t MB_DEFBUTTON2 = 0x100;
inline constexpr uint32_t MB_DEFBUTTON3 = 0x200;
inline constexpr uint32_t kMessageBoxDefaultMask = 0xF00;

// Answers.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDRETRY = 4;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

class MessageBoxHandler {
 public:
  virtual ~MessageBoxHandler() = default;
  // Shows the box (or stands in for it) and returns the button chosen. Any thread, and it never
  // makes the asking thread wait for another thread: a handler whose boxes live on the GUI thread
  // shows them there when asked there, and from any other thread hands the box to the GUI thread
  // and returns its default answer at once (platform/gui_thread_message_box.h), since the GUI
  // thread may be joining or waiting on the asker.
  virtual int Show(std::u16string_view text, std::u16string_view caption, uint32_t type) = 0;
  // A notice that closes by itself after `seconds`, its default button then answering; the text's
  // "<T>" shows the seconds left. A handler that cannot count down shows an ordinary box.
  virtual int ShowTimed(std::u16string_view text, std::u16string_view caption, uint32_t type, uint32_t seconds) {
    (void)seconds;
    return Show(text, caption, type);
  }
};

// How long the program's self-closing notices stay open, in seconds.
inline constexpr uint32_t kTimedMessageBoxSeconds = 15;

// Installs the handler (null: none). The caller keeps ownership and keeps it alive while it is
// installed and while a box it was asked for may still be open on another thread (the program
// removes its handler only after its threads have ended).
void SetMessageBoxHandler(MessageBoxHandler* handler);
MessageBoxHandler* GetMessageBoxHandler();

// Asks the installed handler; without one, the default button.
int ShowMessageBox(std::u16string_view text, std::u16string_view caption, uint32_t type);

// The same for a notice that closes by itself (MessageBoxHandler::ShowTimed).
int ShowTimedMessageBox(std::u16string_view text, std::u16string_view caption, uint32_t type,
                        uint32_t seconds = kTimedMessageBoxSeconds);

// The answer of the box's default button: the first button of its set, or the one MB_DEFBUTTON2
// or MB_DEFBUTTON3 names (the last one when the set has fewer).
int DefaultMessageBoxAnswer(uint32_t type);

}  // namespace qav
