// What the two greeting children of the options page share: the voice greeting file (chosen,
// played on the sound card, recorded from the microphone, and rebuilt in memory whenever it
// changes), the text greeting sent as a chat message with its reset to the language's default, the
// longest voice message, and the e-mail notice for new messages. The default-caller child edits
// the contacts' settings (and adds the video greeting), the unknown-caller child those of everyone
// else (and adds its two switches above).
//
// Playing and recording run on the audio thread (g_pAudioDriver) by its synchronous requests; the
// end of a playback comes back as a notice to a window on the GUI thread's platform loop. A
// recording goes into a file of its own in the program's private temporary folder until the user
// names where it is kept, under a name with the extension of what was recorded; a save replaces the
// old greeting file in one step, and when it cannot, the old greeting stays and the user is asked
// for another place. A file that does not load as a greeting (chosen or recorded) never takes the
// old greeting's place: the setting, the file and the greeting in memory stay, and the user is told
// once. A child is idle, playing or recording, never both. GUI thread only.
#pragma once

#include <string>

#include "platform/leftover_files.h"
#include "audio/playback_notice.h"
#include "ui/bridge/thread_notice_receiver.h"
#include "ui/options/option_child.h"

class CButtonSSL;
class CMultiLineEdit;
class QCheckBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QVBoxLayout;

class CDlgOptGreeting : public COptionChild {
 public:
  static constexpr uint32_t kMaxRecordingSec = 36000;
  // The longest text greeting, a line break counting two as in the settings file.
  static constexpr int kMaxTextLength = 250;

  // The control ids of one greeting child.
  struct ControlIds {
    int header;  // the child's own group at the top
    int group, voiceLabel, voicePath, browse, play, record;
    int textLabel, textSwitch, text, reset;
    int lengthGroup, lengthEdit, lengthLabel;
    int mailGroup, mail, attach, deleteAfterMail;
  };
  // The names of a greeting child's handlers, as its trace lines give them.
  struct HandlerNames {
    const char* browse;
    const char* play;
    const char* record;
    const char* textSwitch;
    const char* text;
    const char* reset;
    const char* length;
    const char* mail;
    const char* attach;
    const char* deleteAfterMail;
  };
  // What one greeting child edits, and the names its log lines give.
  struct Settings {
    bool forContacts;
    int headerText;         // the header group's title
    int extraGreetingRows;  // rows the child adds to the greeting group below the voice row
    // The handlers its play and record errors name.
    const char* playHandler;
    const char* recordHandler;
    HandlerNames handlers;
    const char16_t* voiceFilter;
    COptionText* voicePath;
    COptionInt* textAllowed;
    COptionText* text;
    COptionInt* maxDuration;
    COptionInt* mailAllowed;
    COptionInt* attachAllowed;
    COptionInt* deleteAfterMail;
    ControlIds ids;
  };

  ~CDlgOptGreeting() override;

  void Localize() override;
  void UpdateDlg() override;
  // Leaving the child (hidden, or the page left): a recording is dropped and playback stops.
  void OnStopAudio() override;

  void OnButtonGreetingAudioBrowse();
  void OnButtonGreetingAudioPlay();
  void OnButtonGreetingAudioRecord();
  void OnCheckGreetingTextMsgEnabled();
  void OnChangeEditGreetingTextMsg();
  void OnButtonResetTextGreeting();
  void OnChangeEditMaxRecordingDuration();
  void OnCheckEMailNotificationAllowed();
  void OnCheckEMailAttachmentAllowed();
  void OnCheckAutoDeleteAfterEmailAllow();
  // The audio thread's notice: an ended playback returns the child to idle.
  void OnPlaybackNotice(const PlaybackNotice& notice);
  // Stop playing, or stop recording and drop what was recorded; each asks the audio thread only
  // when this child started something.
  void PlayingStopped();
  void RecordingStopped();

  bool IsPlaying() const { return m_playing; }
  bool IsRecording() const { return m_recording; }
  // The file a recording in progress goes into; "" when there is none.
  const std::u16string& TempRecordingPath() const { return m_tempRecording; }

 protected:
  CDlgOptGreeting(COptionsPageSite& site, int dialogId, const char* className, const Settings& settings,
                  QWidget* parent);
  // The greeting group's columns: the row's label, its switch, its field (which takes the width
  // left) and its icon buttons. In screen-reader mode a row's buttons take the grid row below it,
  // from the switch column on.
  static constexpr int kLabelColumn = 0, kSwitchColumn = 1, kFieldColumn = 2, kButtonColumn = 3;

  // Whether the greeting controls are in use (the unknown caller's own settings may be off).
  virtual bool GreetingControlsActive() const { return true; }
  // The greeting group's grid and the grid row of a child's own greeting row (0 for the first, just
  // below the voice row); the row after it stays free for its icon buttons' captions.
  QGridLayout* GreetingGrid() const { return m_greetingGrid; }
  static int ExtraGreetingRow(int row) { return 2 * (1 + row); }
  // The header group's first lines, above the greeting group, for the child's own controls.
  QVBoxLayout* HeaderRows() const { return m_headerRows; }
  void changeEvent(QEvent* event) override;
  // Portable mode keeps greetings on the program's file system; refuses (and says so) otherwise.
  bool OnProgramDrive(const std::u16string& path) const;
  // Rebuilds the voice greeting in memory from the setting, under the wait cursor; a failure is
  // logged and shown (the greeting setting stays, the user is asked for another greeting).
  void RebuildGreetingInMemory();

 private:
  // The frames one under another in the caller's frame, and the rows in their grids.
  void Arrange();
  void StartRecording();
  // The save dialog after a recording, again until the recording is kept or dropped.
  void SaveRecording();
  void ShowVoiceButtons();
  void DeleteTempRecording();
  void LogAudioError(const char* handler, const char* request) const;
  void LogAudioError(const char* handler, const char* request, const std::u16string& path) const;

  Settings m_settings;
  QGroupBox* m_header;
  QVBoxLayout* m_headerRows;
  QGroupBox* m_greetingGroup;
  QGridLayout* m_greetingGrid;
  QLabel* m_voiceLabel;
  QLabel* m_textLabel;
  QGroupBox* m_lengthGroup;
  QLabel* m_lengthLabel;
  QGroupBox* m_mailGroup;
  QLineEdit* m_voicePath;
  CButtonSSL* m_browse;
  CButtonSSL* m_play;
  CButtonSSL* m_record;
  QCheckBox* m_textAllowed;
  CMultiLineEdit* m_text;
  CButtonSSL* m_reset;
  QLineEdit* m_maxDuration;
  QCheckBox* m_mail;
  QCheckBox* m_attach;
  QCheckBox* m_delete;

  bool m_playing = false;
  bool m_recording = false;
  std::u16string m_tempRecording;
  // "wav" or "mp3": what the recording in m_tempRecording holds, taken when it started.
  std::u16string m_recordingExtension;
  qav::FileInUse m_tempRecordingInUse;
  // Receives the playback's end notice; made for each playback and destroyed with its end, so a
  // notice of an earlier playback never ends a later one.
  CThreadNoticeReceiver m_notices{this};
};
