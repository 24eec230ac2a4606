// The player as the voice-messages and conversations pages run it: the modal player dialog for one
// recording, owned by the page, and its end given as the page's walk reads it (ui/recordings/player_walk.h).
// GUI thread only.
#pragma once

#include "ui/recordings/dlg_conversation.h"
#include "ui/recordings/dlg_messages.h"

class QWidget;

namespace qav {
class ProgressDialogRunner;
}

// The walk's code for the player's result; the close box, Escape and any unknown end close the walk.
int WalkCodeOfPlayerResult(int playerResult);

// Runners that open the player over `owner` with the analysis when asked for. The analysis runs
// behind the program's progress dialog, or in `analysisRunner` when one is given (it must outlive
// the runner).
CDlgMessages::PlayerRunner MessagePlayer(QWidget* owner, qav::ProgressDialogRunner* analysisRunner = nullptr);
CDlgConversation::PlayerRunner ConversationPlayer(QWidget* owner, qav::ProgressDialogRunner* analysisRunner = nullptr);
