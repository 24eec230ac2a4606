// The audio-settings child of the options page: the recording quality and file format, and the
// sound devices for playing recordings and greetings and for recording greetings.
#pragma once

#include "ui/options/option_child.h"

class QComboBox;
class QRadioButton;

class CDlgOptAudioSettings : public COptionChild {
 public:
  static constexpr int kDialogId = 343;

  CDlgOptAudioSettings(COptionsPageSite& site, QWidget* parent);

  void Localize() override;
  void UpdateDlg() override;

  void OnSelchangeComboRecordingAudioQuality();
  void OnRadioRecordingAudioFormatWAV();
  void OnRadioRecordingAudioFormatMP3();
  void OnSelchangeComboPlaybackDevice();
  void OnSelchangeComboRecordingDevice();

 private:
  QComboBox* m_quality;
  QRadioButton* m_wav;
  QRadioButton* m_mp3;
  QComboBox* m_playback;
  QComboBox* m_recording;
};
