// What the two greeting children of the options page share: the voice greeting file (chosen, then
// rebuilt in memory), the text greeting sent as a chat message with its reset to the language's
// default, the longest voice message, and the e-mail notice for new messages. The default-caller
// child edits the contacts' settings, the unknown-caller child those of everyone else.
#pragma once

#include <array>

#include "ui/option_child.h"

class CButtonSSL;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;

class CDlgOptGreeting : public COptionChild {
 public:
  static constexpr uint32_t kMaxRecordingSec = 36000;
  static constexpr int kMaxTextLength = 250;

  // The settings and control ids of one greeting child.
  struct Settings {
    bool forContacts;
    COptionText* voicePath;
    COptionInt* textAllowed;
    COptionText* text;
    COptionInt* maxDuration;
    COptionInt* mailAllowed;
    COptionInt* attachAllowed;
    COptionInt* deleteAfterMail;
    // The control ids, in the order: greeting group, voice label, voice path, browse, text label,
    // text switch, text edit, reset, length group, length edit, length label, mail group, mail
    // switch, attach switch, delete switch.
    std::array<int, 15> ids;
  };

  void Localize() override;
  void UpdateDlg() override;

  void OnButtonGreetingAudioBrowse();
  void OnCheckGreetingTextMsgEnabled();
  void OnChangeEditGreetingTextMsg();
  void OnButtonResetTextGreeting();
  void OnChangeEditMaxRecordingDuration();
  void OnCheckEMailNotificationAllowed();
  void OnCheckEMailAttachmentAllowed();
  void OnCheckAutoDeleteAfterEmailAllow();

 protected:
  CDlgOptGreeting(COptionsSheetLink& sheet, int dialogId, const char* className, const Settings& settings,
                  QWidget* parent);
  // Whether the greeting controls are in use (the unknown caller's own settings may be off).
  virtual bool GreetingControlsActive() const { return true; }
  // The top of the greeting group; the unknown caller has its two switches above it.
  static constexpr int kGreetingTop = 62;

 private:
  // Portable mode keeps greetings on the program's file system.
  bool OnProgramDrive(const std::u16string& path) const;

  Settings m_settings;
  QLineEdit* m_voicePath;
  CButtonSSL* m_browse;
  QCheckBox* m_textAllowed;
  QPlainTextEdit* m_text;
  CButtonSSL* m_reset;
  QLineEdit* m_maxDuration;
  QCheckBox* m_mail;
  QCheckBox* m_attach;
  QCheckBox* m_delete;
};
