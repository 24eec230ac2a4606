// CDlgPlayVoiceObject: the modal player of one voice message or one recorded conversation. It
// shows the item's details, a position bar the user can click to seek, and, when asked for, the
// voice analysis: a stress bar that follows the playback and a graph of the whole recording with
// a position marker. It never walks a list itself: it ends with a result code (kResult*) and the
// page that opened it decides what plays next.
//
// Playback runs on the audio thread (g_pAudioDriver): requests are synchronous, and the thread's
// position and end notices arrive through the player's notice receiver (ui/bridge/
// thread_notice_receiver.h).
// The analysis (CVSA) runs behind a progress dialog. GUI thread only; the GUI thread's platform
// loop must be served (ui/bridge/qt_loop_bridge.h) for the notices to arrive.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>

#include "audio/playback_notice.h"
#include "audio/vsa.h"
#include "ui/bridge/thread_notice_receiver.h"

class CButtonSSL;
class CConversation;
class CGradientProgressCtrl;
class CHyperLink;
class CMessage;
class CXProgressBar;
class C2DPushGraph;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QListWidget;

namespace qav {
class ProgressDialogRunner;
}

class CDlgPlayVoiceObject : public QDialog {
 public:
  // The ends of the dialog (the value DoModal returns); IDCANCEL (2) for the close box and Escape.
  static constexpr int kResultPlayPrevious = 4721;
  static constexpr int kResultPlayNext = 4722;
  static constexpr int kResultDelete = 4723;
  static constexpr int kResultDeleteAndPlayNext = 4724;
  static constexpr int kResultNoVoice = 4725;
  static constexpr int kResultNoFile = 4726;
  static constexpr int kResultCancel = 2;
  // Control ids of the buttons.
  enum ButtonId { kPrevious = 1126, kStop = 1102, kPlayPause = 1105, kNext = 1125, kDelete = 1123, kDeleteNext = 1124 };

  CDlgPlayVoiceObject(CConversation* conversation, QWidget* owner, bool analysis);
  CDlgPlayVoiceObject(CMessage* message, QWidget* owner, bool analysis);
  ~CDlgPlayVoiceObject() override;

  // Prepares the dialog and runs it modally; the result code.
  int DoModal();
  // The dialog's preparation: 0 when it is ready to show (and playing), else the result code it
  // ends with at once. DoModal calls it; tests call it and drive the dialog themselves.
  int InitDialog();

  // Starts (or resumes at the kept position) playback; 1 when it started.
  int Playback();
  // Stops playback and keeps the position; 1 when it was playing.
  int PausePlayback();
  void StopAndRewind();
  void SetPosition(int64_t bytes);
  // The audio thread's notice of how playback goes.
  void OnPlaybackNotice(const PlaybackNotice& notice);
  // A press (1) or release (2) on the position bar at bar value `value`, or on the graph at x.
  void OnProgressClick(int kind, int value);
  void OnGraphClick(int kind, int x);
  // Presses a button as the user's click does.
  void ClickButton(ButtonId id);

  // Where the analysis runs; null (the default) shows the program's progress dialog.
  void SetAnalysisRunner(qav::ProgressDialogRunner* runner) { m_analysisRunner = runner; }

  bool IsPlaying() const { return m_playing; }
  bool IsAnalysisOn() const { return m_analysisOn; }
  int64_t Position() const { return m_position; }
  int64_t Total() const { return m_total; }
  const std::u16string& FilePath() const { return m_filePath; }
  CXProgressBar* PositionBar() const { return m_positionBar; }
  CGradientProgressCtrl* StressBar() const { return m_stressBar; }
  C2DPushGraph* Graph() const { return m_graph; }
  CButtonSSL* Button(ButtonId id) const;
  QLabel* ConferenceNote() const { return m_conferenceNote; }
  CHyperLink* VsaLink() const { return m_vsaLink; }

  // Ends the dialog: keeps its corner for next time and stops playback first.
  void done(int result) override;
  // The close box and Escape.
  void reject() override { done(kResultCancel); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void BuildControls();
  // A control of the dialog, named for what it is (tests and tools find it by that name).
  template <class Control>
  Control* Named(const char* name);
  void Arrange();
  // Sizes that follow the dialog's font: the bars' and the graph's, the gaps.
  void FitToFont();
  void FitDetailsToTexts();
  void AlignLabelColumns();
  int CheckFile() const;
  void SetTexts();
  void FillDetails();
  void PlaceOnScreen();
  bool RunAnalysis(int channelChoice);
  void DrawGraph();
  void ShowPlayLook(bool play);
  void Finish(int result);

  CConversation* m_conversation = nullptr;
  CMessage* m_message = nullptr;
  std::u16string m_filePath;
  int64_t m_total = 0;
  int64_t m_position = 0;
  bool m_playing = false;
  bool m_analysisOn = false;
  CVSA m_analysis;
  qav::ProgressDialogRunner* m_analysisRunner = nullptr;
  CThreadNoticeReceiver m_notices{this};

  QGroupBox* m_detailsFrame = nullptr;
  QLabel* m_itemLabel = nullptr;
  QListWidget* m_itemList = nullptr;
  QLabel* m_timeLabel = nullptr;
  QLineEdit* m_timeEdit = nullptr;
  QLabel* m_durationText = nullptr;
  CXProgressBar* m_positionBar = nullptr;
  QGroupBox* m_analysisFrame = nullptr;
  QLabel* m_stressLabel = nullptr;
  CGradientProgressCtrl* m_stressBar = nullptr;
  QWidget* m_graphPlaceholder = nullptr;
  C2DPushGraph* m_graph = nullptr;
  int m_graphWidth = 0;  // the width the graph's points were drawn for
  QLabel* m_conferenceNote = nullptr;
  CHyperLink* m_vsaLink = nullptr;
  QHBoxLayout* m_vsaInset = nullptr;  // keeps the link off the frame's corner
  CButtonSSL* m_buttons[6] = {};
};
