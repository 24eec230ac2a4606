// Opening what the user clicked or asked for: a web page in the browser, or one of the program's
// own files or folders with the desktop's handler for its kind. A web link that is not http or
// https (app/web_links.h) is logged and not opened; when the desktop cannot open a link (no opener
// installed, or it cannot be started) the user is told so in the "Unable to open hyperlink" box,
// instead of the click doing nothing; an opener that starts and then gives up is reported the same
// way by the desktop shell (app/desktop_shell.h). GUI thread.
#pragma once

#include <string>
#include <string_view>

class CAppShell;

// The desktop's answer when nothing could open a link: "no application associated".
inline constexpr int kOpenLinkNoHandler = 31;

// "Unable to open hyperlink:\n\n" and the text of the error the result code of the desktop's
// "open" stands for (platform/open_errors.h).
std::u16string UnableToOpenLinkText(int code = kOpenLinkNoHandler);
// That text in an exclamation box.
void ShowUnableToOpenLink(int code = kOpenLinkNoHandler);

// Opens the web address through the shell; false (and the box, unless the link was refused) when
// it did not open.
bool OpenWebLinkForUser(CAppShell& shell, std::u16string_view url, bool maximized);

// Opens the program's own file or folder (an absolute path) through the shell; false and the box
// when it did not open.
bool OpenLocalFileForUser(CAppShell& shell, std::u16string_view path);
