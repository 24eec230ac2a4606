// The advanced child of the options page: where voice messages and conversations are kept (a new
// folder moves the recordings there at once), the size limit and warning, and the delete
// confirmations.
#pragma once

#include "ui/options/option_child.h"

class CButtonSSL;
class QCheckBox;
class QLabel;
class QLineEdit;

class CDlgOptAdvanced : public COptionChild {
 public:
  static constexpr int kDialogId = 346;

  CDlgOptAdvanced(COptionsSheetLink& sheet, QWidget* parent);

  void Localize() override;
  void UpdateDlg() override;

  void OnButtonRcvdMsgsFolderPathSelect();
  void OnButtonConvRecFolderPathSelect();
  void OnCheckRcvdMsgsFolderLimit();
  void OnCheckConvRecFolderNotifyExceed();
  void OnChangeEditRcvdMsgsFolderMaxSizeMB();
  void OnChangeEditConvRecFolderMaxSizeMB();

 private:
  struct FolderKind {
    COptionText* rootSetting;
    const char16_t* settingKey;
    std::u16string (*currentRoot)();
    const char16_t* subfolder;
    int confirmTextId;
  };
  void ChooseFolder(const FolderKind& kind);
  // Says why the recordings cannot move there, when they cannot; whether it refused.
  bool RefuseMove(const std::u16string& oldFolder, const std::u16string& newFolder, const std::u16string& newRoot);
  // Asks, moves, stores the new root and reports what could not move.
  void MoveRecordings(const FolderKind& kind, const std::u16string& oldFolder, const std::u16string& newFolder,
                      const std::u16string& newRoot);
  void OnSizeEdit(QLineEdit* edit, COptionInt& option);

  QLineEdit* m_messagesLocation;
  CButtonSSL* m_messagesBrowse;
  QCheckBox* m_messagesLimited;
  QLineEdit* m_messagesSize;
  QLabel* m_messagesCurrent;
  QLineEdit* m_conversationsLocation;
  CButtonSSL* m_conversationsBrowse;
  QCheckBox* m_conversationsNotified;
  QLineEdit* m_conversationsSize;
  QLabel* m_conversationsCurrent;
};
