#include "ui/recordings/page_player.h"

#include "ui/player/dlg_play_voice_object.h"
#include "ui/recordings/player_walk.h"

namespace {

template <typename Item>
int RunPlayer(Item& item, QWidget* owner, bool analysis, qav::ProgressDialogRunner* analysisRunner) {
  CDlgPlayVoiceObject player(&item, owner, analysis);
  if (analysisRunner) player.SetAnalysisRunner(analysisRunner);
  return WalkCodeOfPlayerResult(player.DoModal());
}

}  // namespace

int WalkCodeOfPlayerResult(int playerResult) {
  switch (playerResult) {
    case CDlgPlayVoiceObject::kResultPlayPrevious:
      return kListPlayerPrevious;
    case CDlgPlayVoiceObject::kResultPlayNext:
      return kListPlayerNext;
    case CDlgPlayVoiceObject::kResultDelete:
      return kListPlayerDelete;
    case CDlgPlayVoiceObject::kResultDeleteAndPlayNext:
      return kListPlayerDeleteAndNext;
    case CDlgPlayVoiceObject::kResultNoVoice:
      return kListPlayerError;
    case CDlgPlayVoiceObject::kResultNoFile:
      return kListPlayerNothingToPlay;
    default:
      return kListPlayerClosed;
  }
}

CDlgMessages::PlayerRunner MessagePlayer(QWidget* owner, qav::ProgressDialogRunner* analysisRunner) {
  return [owner, analysisRunner](CMessage& message, bool analysis) {
    return RunPlayer(message, owner, analysis, analysisRunner);
  };
}

CDlgConversation::PlayerRunner ConversationPlayer(QWidget* owner, qav::ProgressDialogRunner* analysisRunner) {
  return [owner, analysisRunner](CConversation& conversation, bool analysis) {
    return RunPlayer(conversation, owner, analysis, analysisRunner);
  };
}
