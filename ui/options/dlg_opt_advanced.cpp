#include "ui/options/dlg_opt_advanced.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>

#include "calls/conversation_collection.h"
#include "calls/message_collection.h"
#include "foundation/language_tables.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "platform/message_box.h"
#include "platform/open_files.h"
#include "platform/text.h"
#include "ui/controls/button_ssl.h"
#include "ui/options/folder_move.h"
#include "ui/options/options_sheet_link.h"

namespace {
constexpr int kBrowseImage = 5;
// Below the subfolder, the per-user folders are recreated and their contents moved entry by entry.
constexpr int kMoveDepth = 2;
constexpr size_t kFailedFilesShown = 5;
}  // namespace

CDlgOptAdvanced::CDlgOptAdvanced(COptionsSheetLink& sheet, QWidget* parent)
    : COptionChild(sheet, kDialogId, "CDlgOptAdvanced", parent) {
  Trace("OnInitDialog");
  resize(400, 340);
  Add<QGroupBox>(1194, 0, 5, 396, 112);
  Add<QLabel>(1074, 10, 26, 70, 22);
  m_messagesLocation = Add<QLineEdit>(1064, 80, 26, 270, 22);
  m_messagesBrowse = Add<CButtonSSL>(1195, 356, 23, 28, 28);
  m_messagesLimited = Add<QCheckBox>(1196, 10, 56, 190, 22);
  m_messagesSize = Add<QLineEdit>(1063, 200, 56, 60, 22);
  Add<QLabel>(1073, 266, 56, 30, 22)->setText(QStringLiteral("MB"));
  Add<QLabel>(1156, 10, 84, 70, 22);
  m_messagesCurrent = Add<QLabel>(1122, 80, 84, 200, 22);
  Add<QGroupBox>(1076, 0, 122, 396, 112);
  Add<QLabel>(1078, 10, 143, 70, 22);
  m_conversationsLocation = Add<QLineEdit>(1066, 80, 143, 270, 22);
  m_conversationsBrowse = Add<CButtonSSL>(1067, 356, 140, 28, 28);
  m_conversationsNotified = Add<QCheckBox>(1198, 10, 173, 190, 22);
  m_conversationsSize = Add<QLineEdit>(1065, 200, 173, 60, 22);
  Add<QLabel>(1075, 266, 173, 30, 22)->setText(QStringLiteral("MB"));
  Add<QLabel>(1157, 10, 201, 70, 22);
  m_conversationsCurrent = Add<QLabel>(1123, 80, 201, 200, 22);
  Add<QGroupBox>(1197, 0, 239, 396, 76);
  auto* messagesConfirm = Add<QCheckBox>(1181, 10, 260, 380, 22);
  auto* conversationsConfirm = Add<QCheckBox>(1183, 10, 284, 380, 22);
  m_messagesLocation->setReadOnly(true);
  m_conversationsLocation->setReadOnly(true);
  ColourIconButton(m_messagesBrowse, kBrowseImage);
  ColourIconButton(m_conversationsBrowse, kBrowseImage);

  connect(m_messagesBrowse, &CButtonSSL::clicked, this, &CDlgOptAdvanced::OnButtonRcvdMsgsFolderPathSelect);
  connect(m_conversationsBrowse, &CButtonSSL::clicked, this, &CDlgOptAdvanced::OnButtonConvRecFolderPathSelect);
  connect(m_messagesLimited, &QCheckBox::clicked, this, &CDlgOptAdvanced::OnCheckRcvdMsgsFolderLimit);
  connect(m_conversationsNotified, &QCheckBox::clicked, this, &CDlgOptAdvanced::OnCheckConvRecFolderNotifyExceed);
  connect(m_messagesSize, &QLineEdit::textChanged, this, &CDlgOptAdvanced::OnChangeEditRcvdMsgsFolderMaxSizeMB);
  connect(m_conversationsSize, &QLineEdit::textChanged, this, &CDlgOptAdvanced::OnChangeEditConvRecFolderMaxSizeMB);
  connect(messagesConfirm, &QCheckBox::clicked, this, [this, messagesConfirm] {
    Trace("OnCheckVoiceMessageDeleteConfirmationNeeded");
    OnCheck(messagesConfirm, g_VoiceMsgDeleteConfirmation);
  });
  connect(conversationsConfirm, &QCheckBox::clicked, this, [this, conversationsConfirm] {
    Trace("OnCheckConversationDeleteConfirmationNeeded");
    OnCheck(conversationsConfirm, g_ConversationDeleteConfirmation);
  });
  Localize();
  UpdateDlg();
}

void CDlgOptAdvanced::Localize() {
  Trace("Localize");
  const std::pair<int, int> texts[] = {{1194, 850}, {1074, 851}, {1196, 852}, {1156, 853}, {1076, 854},
                                       {1078, 851}, {1198, 855}, {1157, 853}, {1197, 860}, {1181, 861},
                                       {1183, 862}};
  for (const auto& [id, text] : texts) SetText(id, text);
  SetIconButtonTip(m_messagesBrowse, 870);
  SetIconButtonTip(m_conversationsBrowse, 871);
}

void CDlgOptAdvanced::UpdateDlg() {
  Trace("UpdateDlg");
  m_messagesLocation->setText(QString::fromStdU16String(GetMessagesRootFolder() + u"My Received Voice Messages"));
  m_conversationsLocation->setText(
      QString::fromStdU16String(GetConversationsRootFolder() + u"My Recorded Conversations"));
  m_messagesLimited->setChecked(g_IsRcvdMsgsFolderLimited.Get() != 0);
  m_messagesSize->setText(QString::number(g_RcvdMsgsFolderSize.Get()));
  m_messagesSize->setEnabled(g_IsRcvdMsgsFolderLimited.Get() != 0);
  m_conversationsNotified->setChecked(g_IsRecConvsFolderNotified.Get() != 0);
  m_conversationsSize->setText(QString::number(g_RecConvsFolderSize.Get()));
  m_conversationsSize->setEnabled(g_IsRecConvsFolderNotified.Get() != 0);
  m_messagesCurrent->setText(QString::number(g_MessageCollection.GetMessagesFolderSizeBytes() / 1024));
  m_conversationsCurrent->setText(QString::number(g_ConversationCollection.GetConversationsFolderSizeBytes() / 1024));
  findChild<QCheckBox*>(QStringLiteral("1181"))->setChecked(g_VoiceMsgDeleteConfirmation.Get() != 0);
  findChild<QCheckBox*>(QStringLiteral("1183"))->setChecked(g_ConversationDeleteConfirmation.Get() != 0);
  SetIconButtonTip(m_messagesBrowse, 870);
  SetIconButtonTip(m_conversationsBrowse, 871);
}

void CDlgOptAdvanced::OnCheckRcvdMsgsFolderLimit() {
  Trace("OnCheckRcvdMsgsFolderLimit");
  OnCheck(m_messagesLimited, g_IsRcvdMsgsFolderLimited);
  m_messagesSize->setEnabled(m_messagesLimited->isChecked());
}

void CDlgOptAdvanced::OnCheckConvRecFolderNotifyExceed() {
  Trace("OnCheckConvRecFolderNotifyExceed");
  OnCheck(m_conversationsNotified, g_IsRecConvsFolderNotified);
  m_conversationsSize->setEnabled(m_conversationsNotified->isChecked());
}

void CDlgOptAdvanced::OnSizeEdit(QLineEdit* edit, COptionInt& option) {
  const int32_t value = DecimalTextToInt(edit->text());
  if (value == option.Get()) return;
  option = value;
  SetModified();
}

void CDlgOptAdvanced::OnChangeEditRcvdMsgsFolderMaxSizeMB() {
  Trace("OnChangeEditRcvdMsgsFolderMaxSizeMB");
  OnSizeEdit(m_messagesSize, g_RcvdMsgsFolderSize);
}

void CDlgOptAdvanced::OnChangeEditConvRecFolderMaxSizeMB() {
  Trace("OnChangeEditConvRecFolderMaxSizeMB");
  OnSizeEdit(m_conversationsSize, g_RecConvsFolderSize);
}

void CDlgOptAdvanced::OnButtonRcvdMsgsFolderPathSelect() {
  Trace("OnButtonRcvdMsgsFolderPathSelect");
  ChooseFolder({&g_RcvdMsgsFolderPath, u"RcvdMsgsFolderPath", &GetMessagesRootFolder, u"My Received Voice Messages", 866});
}

void CDlgOptAdvanced::OnButtonConvRecFolderPathSelect() {
  Trace("OnButtonConvRecFolderPathSelect");
  ChooseFolder(
      {&g_RecConvsFolderPath, u"RecConvsFolderPath", &GetConversationsRootFolder, u"My Recorded Conversations", 867});
}

void CDlgOptAdvanced::ChooseFolder(const FolderKind& kind) {
  if (g_RemovableMode) {
    // A portable program keeps its recordings beside it and reads them there whatever the setting
    // says: recordings moved elsewhere would drop out of the lists.
    QAV_LOG(LOG_WARNING, u"The recordings folder cannot move in portable mode");
    qav::ShowMessageBox(GetLangString(2172) + u"\r\n" + GetLangString(IDS_OPT_ADVANCED_NO_MOVE_IN_PORTABLE_MODE),
                        u"QAV", qav::MB_ICONEXCLAMATION);
    return;
  }
  const std::u16string oldRoot = kind.currentRoot();
  const std::optional<std::u16string> chosen = Sheet().ChooseFolder(this, GetLangString(865), oldRoot);
  if (!chosen) return;
  std::u16string newRoot = *chosen;
  while (!newRoot.empty() && (newRoot.back() == u'/' || newRoot.back() == u'\\')) newRoot.pop_back();
  newRoot += u"/";
  const std::u16string oldFolder = oldRoot + kind.subfolder;
  const std::u16string newFolder = newRoot + kind.subfolder;
  if (oldFolder == newFolder) return;
  if (!RefuseMove(oldFolder, newFolder, newRoot)) MoveRecordings(kind, oldFolder, newFolder, newRoot);
  UpdateDlg();
}

bool CDlgOptAdvanced::RefuseMove(const std::u16string& oldFolder, const std::u16string& newFolder,
                                 const std::u16string& newRoot) {
  auto refuse = [](const std::u16string& text) {
    QAV_LOG(LOG_WARNING, u"Folder move refused: %s", text);
    qav::ShowMessageBox(text, u"QAV", qav::MB_ICONEXCLAMATION);
    return true;
  };
  // The move would put the folder inside itself, or one level too deep where nobody looks.
  if (FoldersNest(oldFolder, newFolder)) {
    return refuse(qav::Format(GetLangString(IDS_OPT_ADVANCED_MOVE_INTO_ITSELF), oldFolder, newFolder));
  }
  // A recording still being written would lose what comes after the copy.
  const std::vector<std::u16string> busy = qav::FilesOpenForWriting(oldFolder);
  if (!busy.empty()) return refuse(qav::Format(GetLangString(IDS_OPT_ADVANCED_MOVE_WHILE_RECORDING), busy.front()));
  if (const std::error_code reason = CheckMoveTarget(oldFolder, newRoot)) {
    return refuse(qav::Format(GetLangString(IDS_OPT_ADVANCED_MOVE_TARGET_UNUSABLE), newFolder,
                              qav::Utf8ToUtf16(reason.message())));
  }
  return false;
}

void CDlgOptAdvanced::MoveRecordings(const FolderKind& kind, const std::u16string& oldFolder,
                                     const std::u16string& newFolder, const std::u16string& newRoot) {
  const std::u16string question = qav::Format(GetLangString(kind.confirmTextId), oldFolder, newFolder);
  QAV_LOG(LOG_INFO, u"%s", question);
  if (qav::ShowMessageBox(question, u"QAV", qav::MB_OKCANCEL | qav::MB_ICONINFORMATION) != qav::IDOK) return;

  CFolderMoveResult result;
  MoveFolderRecursive(oldFolder, newFolder, kMoveDepth, result);
  // Where the recordings now are is the root, at once and on disk, so that neither a Cancel of the
  // sheet nor a restart looks for them in the old place. When nothing could move, the old root stays.
  if (result.moved > 0 || result.failed.empty()) {
    *kind.rootSetting = newRoot;
    WriteUserIniString(kind.settingKey, newRoot);
  }
  if (result.failed.empty()) return;
  // The first few paths tell which files; a box with hundreds of lines would not fit the screen.
  std::u16string list;
  const size_t shown = std::min(result.failed.size(), kFailedFilesShown);
  for (size_t i = 0; i < shown; ++i) list += result.failed[i].path + u"\r\n";
  if (result.failed.size() > shown) {
    list += qav::Format(GetLangString(IDS_OPT_ADVANCED_MOVE_FAILED_MORE), static_cast<int>(result.failed.size() - shown));
  }
  qav::ShowMessageBox(qav::Format(GetLangString(868), qav::Utf8ToUtf16(result.failed.front().reason.message()), list),
                      u"QAV", qav::MB_ICONEXCLAMATION);
}
