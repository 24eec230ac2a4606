// The advanced child of the options page: where voice messages and conversations are kept (a new
// folder moves the recordings there at once), the size limit and warning, and the delete
// confirmations.
#pragma once

#include <string>

#include "ui/options/option_child.h"

class CButtonSSL;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;

class CDlgOptAdvanced : public COptionChild {
 public:
  static constexpr int kDialogId = 346;

  CDlgOptAdvanced(COptionsPageSite& site, QWidget* parent);

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
  // One folder's frame: where it is (with its browse button), its size limit, its current size.
  struct FolderRows {
    QGroupBox* group;
    QLabel* locationLabel;
    QLineEdit* location;
    CButtonSSL* browse;
    QCheckBox* limited;
    QLineEdit* size;
    QLabel* sizeUnit;
    QLabel* currentLabel;
    QLabel* current;
  };
  // The controls' ids, in the order of FolderRows.
  struct FolderIds {
    int group, locationLabel, location, browse, limited, size, sizeUnit, currentLabel, current;
  };
  // Named kind + what each is ("messagesLocation", ...).
  FolderRows AddFolderRows(const FolderIds& ids, const std::string& kind);
  void ArrangeFolderRows(const FolderRows& rows);
  void Arrange();

  FolderRows m_messages;
  FolderRows m_conversations;
  QGroupBox* m_confirmGroup;
  QCheckBox* m_messagesConfirm;
  QCheckBox* m_conversationsConfirm;
};
