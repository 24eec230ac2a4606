#include "ui/options/dlg_opt_audio_settings.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "audio/audio_device_list.h"
#include "foundation/settings.h"

namespace {

// The two formats stand apart, as two choices rather than one line of text.
constexpr int kFormatGap = 16;

// Lists the devices with their ids as item data and selects the saved name, or the first line
// when it is gone (the setting stays until the user picks a line).
void FillDevices(QComboBox* combo, const CAudioDeviceList& devices, const std::u16string& saved) {
  combo->clear();
  int selected = 0;
  for (int i = 0; i < devices.GetCount(); ++i) {
    combo->addItem(QString::fromStdU16String(devices.GetNameAt(i)), devices.GetIdAt(i));
    if (devices.GetNameAt(i) == saved && selected == 0) selected = i;
  }
  combo->setCurrentIndex(selected);
}

}  // namespace

CDlgOptAudioSettings::CDlgOptAudioSettings(COptionsPageSite& site, QWidget* parent)
    : COptionChild(site, kDialogId, "CDlgOptAudioSettings", parent) {
  Trace("OnInitDialog");
  auto* recordingGroup = Add<QGroupBox>(1240, "recordingAudioGroup");
  auto* qualityLabel = Add<QLabel>(1258, "qualityLabel");
  m_quality = Add<QComboBox>(1142, "recordingQuality");
  auto* formatLabel = Add<QLabel>(1262, "formatLabel");
  m_wav = Add<QRadioButton>(1260, "formatWav");
  m_mp3 = Add<QRadioButton>(1261, "formatMp3");
  auto* formats = new QButtonGroup(this);
  formats->addButton(m_wav);
  formats->addButton(m_mp3);
  auto* devicesGroup = Add<QGroupBox>(1175, "devicesGroup");
  auto* playbackLabel = Add<QLabel>(1159, "playbackDeviceLabel");
  m_playback = Add<QComboBox>(1090, "playbackDevice");
  auto* recordingLabel = Add<QLabel>(1158, "recordingDeviceLabel");
  m_recording = Add<QComboBox>(1091, "recordingDevice");

  // Quality and format line up after their labels.
  auto* recording = new QGridLayout(recordingGroup);
  recording->setColumnStretch(1, 1);
  recording->addWidget(qualityLabel, 0, 0);
  recording->addWidget(m_quality, 0, 1);
  auto* format = new QHBoxLayout;
  format->addWidget(m_wav);
  format->addSpacing(kFormatGap);
  format->addWidget(m_mp3);
  format->addStretch(1);
  recording->addWidget(formatLabel, 1, 0);
  recording->addLayout(format, 1, 1);
  // Each device list under its label, as wide as the frame.
  auto* devices = new QVBoxLayout(devicesGroup);
  devices->addWidget(playbackLabel);
  devices->addWidget(m_playback);
  devices->addWidget(recordingLabel);
  devices->addWidget(m_recording);
  auto* child = new QVBoxLayout(this);
  child->setContentsMargins(0, 0, 0, 0);
  child->addWidget(recordingGroup);
  child->addWidget(devicesGroup);
  child->addStretch(1);
  m_wav->setText(QStringLiteral("WAV"));
  m_mp3->setText(QStringLiteral("MP3"));
  connect(m_quality, &QComboBox::activated, this, &CDlgOptAudioSettings::OnSelchangeComboRecordingAudioQuality);
  connect(m_wav, &QRadioButton::clicked, this, &CDlgOptAudioSettings::OnRadioRecordingAudioFormatWAV);
  connect(m_mp3, &QRadioButton::clicked, this, &CDlgOptAudioSettings::OnRadioRecordingAudioFormatMP3);
  connect(m_playback, &QComboBox::activated, this, &CDlgOptAudioSettings::OnSelchangeComboPlaybackDevice);
  connect(m_recording, &QComboBox::activated, this, &CDlgOptAudioSettings::OnSelchangeComboRecordingDevice);
  Localize();
  UpdateDlg();
}

void CDlgOptAudioSettings::Localize() {
  Trace("Localize");
  const std::pair<int, int> texts[] = {{1240, 800}, {1258, 801}, {1262, 802}, {1175, 810}, {1159, 811}, {1158, 812}};
  for (const auto& [id, text] : texts) SetText(id, text);
  m_quality->clear();
  m_quality->addItem(Lang(807), 0);
  m_quality->addItem(Lang(806), 1);
  m_quality->addItem(Lang(805), 2);
  m_quality->setCurrentIndex(g_AudioFileRecordingQuality.Get());
}

void CDlgOptAudioSettings::UpdateDlg() {
  Trace("UpdateDlg");
  FillDevices(m_playback, CPlaybackDeviceList(), g_AudioPlaybackDeviceName.Get());
  FillDevices(m_recording, CRecordingDeviceList(), g_AudioRecordingDeviceName.Get());
  m_quality->setCurrentIndex(g_AudioFileRecordingQuality.Get());
  m_wav->setChecked(g_AudioFileRecordingFormat.Get() == 0);
  m_mp3->setChecked(g_AudioFileRecordingFormat.Get() != 0);
}

void CDlgOptAudioSettings::OnSelchangeComboRecordingAudioQuality() {
  Trace("OnSelchangeComboRecordingAudioQuality");
  OnCombo(m_quality, g_AudioFileRecordingQuality);
}

void CDlgOptAudioSettings::OnRadioRecordingAudioFormatWAV() {
  Trace("OnRadioRecordingAudioFormatWAV");
  OnRadio(g_AudioFileRecordingFormat, 0);
}

void CDlgOptAudioSettings::OnRadioRecordingAudioFormatMP3() {
  Trace("OnRadioRecordingAudioFormatMP3");
  OnRadio(g_AudioFileRecordingFormat, 1);
}

void CDlgOptAudioSettings::OnSelchangeComboPlaybackDevice() {
  Trace("OnSelchangeComboPlaybackDevice");
  const std::u16string name = CPlaybackDeviceList().GetNameById(m_playback->currentData().toInt());
  OnTextEdit(name, g_AudioPlaybackDeviceName);
}

void CDlgOptAudioSettings::OnSelchangeComboRecordingDevice() {
  Trace("OnSelchangeComboRecordingDevice");
  const std::u16string name = CRecordingDeviceList().GetNameById(m_recording->currentData().toInt());
  OnTextEdit(name, g_AudioRecordingDeviceName);
}
