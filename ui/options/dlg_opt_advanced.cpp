#include "ui/options/dlg_opt_advanced.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QValidator>
#include <algorithm>
#include <cstdint>
#include <limits>

#include "calls/conversation_collection.h"
#include "calls/message_collection.h"
#include "foundation/language_tables.h"
#include "foundation/logger.h"
#include "foundation/settings.h"
#include "platform/message_box.h"
#include "platform/open_files.h"
#include "platform/text.h"
#include "ui/controls/button_ssl.h"
#include "ui/controls/number_edit.h"
#include "ui/options/folder_move.h"
#include "ui/options/icon_button_bar.h"
#include "ui/options/options_page_site.h"

namespace {
constexpr int kBrowseImage = 5;
// Below the subfolder, the per-user folders are recreated and their contents moved entry by entry.
constexpr int kMoveDepth = 2;
constexpr size_t kFailedFilesShown = 5;

// The size limits take any number of megabytes the setting can hold, digits only: a key or a paste
// that would make more is refused, as a full edit refuses it, so that the number shown is the one
// stored and read back after a restart. What the page sets (a stored number) is shown as it stands.
class CSizeLimitValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    uint64_t value = 0;
    for (const QChar c : input) {
      if (c < u'0' || c > u'9') return Invalid;
      value = value * 10u + static_cast<uint64_t>(c.unicode() - u'0');
      if (value > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) return Invalid;
    }
    return Acceptable;
  }
};
}  // namespace

CDlgOptAdvanced::CDlgOptAdvanced(COptionsPageSite& site, QWidget* parent)
    : COptionChild(site, kDialogId, "CDlgOptAdvanced", parent) {
  Trace("OnInitDialog");
  m_messages = AddFolderRows({1194, 1074, 1064, 1195, 1196, 1063, 1073, 1156, 1122}, "messages");
  m_conversations = AddFolderRows({1076, 1078, 1066, 1067, 1198, 1065, 1075, 1157, 1123}, "conversations");
  m_confirmGroup = Add<QGroupBox>(1197, "deleteConfirmationGroup");
  m_messagesConfirm = Add<QCheckBox>(1181, "messagesDeleteConfirmation");
  m_conversationsConfirm = Add<QCheckBox>(1183, "conversationsDeleteConfirmation");
  Arrange();
  for (const FolderRows* rows : {&m_messages, &m_conversations}) {
    rows->location->setReadOnly(true);
    rows->size->setValidator(new CSizeLimitValidator(rows->size));
    rows->sizeUnit->setText(QStringLiteral("MB"));
    ColourIconButton(rows->browse, kBrowseImage);
  }

  connect(m_messages.browse, &CButtonSSL::clicked, this, &CDlgOptAdvanced::OnButtonRcvdMsgsFolderPathSelect);
  connect(m_conversations.browse, &CButtonSSL::clicked, this, &CDlgOptAdvanced::OnButtonConvRecFolderPathSelect);
  connect(m_messages.limited, &QCheckBox::clicked, this, &CDlgOptAdvanced::OnCheckRcvdMsgsFolderLimit);
  connect(m_conversations.limited, &QCheckBox::clicked, this, &CDlgOptAdvanced::OnCheckConvRecFolderNotifyExceed);
  connect(m_messages.size, &QLineEdit::textChanged, this, &CDlgOptAdvanced::OnChangeEditRcvdMsgsFolderMaxSizeMB);
  connect(m_conversations.size, &QLineEdit::textChanged, this, &CDlgOptAdvanced::OnChangeEditConvRecFolderMaxSizeMB);
  connect(m_messagesConfirm, &QCheckBox::clicked, this, [this] {
    Trace("OnCheckVoiceMessageDeleteConfirmationNeeded");
    OnCheck(m_messagesConfirm, g_VoiceMsgDeleteConfirmation);
  });
  connect(m_conversationsConfirm, &QCheckBox::clicked, this, [this] {
    Trace("OnCheckConversationDeleteConfirmationNeeded");
    OnCheck(m_conversationsConfirm, g_ConversationDeleteConfirmation);
  });
  Localize();
  UpdateDlg();
}

CDlgOptAdvanced::FolderRows CDlgOptAdvanced::AddFolderRows(const FolderIds& ids, const std::string& kind) {
  auto name = [&kind](const char* what) { return kind + what; };
  FolderRows rows{};
  rows.group = Add<QGroupBox>(ids.group, name("Group").c_str());
  rows.locationLabel = Add<QLabel>(ids.locationLabel, name("LocationLabel").c_str());
  rows.location = Add<QLineEdit>(ids.location, name("Location").c_str());
  rows.browse = Add<CButtonSSL>(ids.browse, name("Browse").c_str());
  rows.limited = Add<QCheckBox>(ids.limited, name("SizeLimited").c_str());
  rows.size = Add<CNumberEdit>(ids.size, name("SizeLimit").c_str());
  rows.sizeUnit = Add<QLabel>(ids.sizeUnit, name("SizeLimitUnit").c_str());
  rows.currentLabel = Add<QLabel>(ids.currentLabel, name("CurrentSizeLabel").c_str());
  rows.current = Add<QLabel>(ids.current, name("CurrentSize").c_str());
  return rows;
}

void CDlgOptAdvanced::ArrangeFolderRows(const FolderRows& rows) {
  // Location and current size line up under their labels; the limit row runs on from its check
  // box. The grid's odd rows stay free for the browse button's caption in screen-reader mode.
  auto* grid = new QGridLayout(rows.group);
  grid->setColumnStretch(1, 1);
  grid->addWidget(rows.locationLabel, 0, 0);
  grid->addWidget(rows.location, 0, 1);
  AddIconBar({rows.browse})->PlaceIn(grid, 0, 2, 0);
  auto* limit = new QHBoxLayout;
  limit->addWidget(rows.limited);
  // Wide enough for the largest number the limit takes (ten digits).
  FitToDigits(rows.size, 10);
  limit->addWidget(rows.size);
  limit->addWidget(rows.sizeUnit);
  limit->addStretch(1);
  grid->addLayout(limit, 2, 0, 1, -1);
  grid->addWidget(rows.currentLabel, 4, 0);
  grid->addWidget(rows.current, 4, 1, 1, -1);
}

void CDlgOptAdvanced::Arrange() {
  ArrangeFolderRows(m_messages);
  ArrangeFolderRows(m_conversations);
  auto* confirm = new QVBoxLayout(m_confirmGroup);
  confirm->addWidget(m_messagesConfirm);
  confirm->addWidget(m_conversationsConfirm);
  auto* child = new QVBoxLayout(this);
  child->setContentsMargins(0, 0, 0, 0);
  child->addWidget(m_messages.group);
  child->addWidget(m_conversations.group);
  child->addWidget(m_confirmGroup);
  child->addStretch(1);
}

void CDlgOptAdvanced::Localize() {
  Trace("Localize");
  const std::pair<int, int> texts[] = {{1194, 850}, {1074, 851}, {1196, 852}, {1156, 853}, {1076, 854},
                                       {1078, 851}, {1198, 855}, {1157, 853}, {1197, 860}, {1181, 861},
                                       {1183, 862}};
  for (const auto& [id, text] : texts) SetText(id, text);
  SetIconButtonTip(m_messages.browse, 870);
  SetIconButtonTip(m_conversations.browse, 871);
}

void CDlgOptAdvanced::UpdateDlg() {
  Trace("UpdateDlg");
  m_messages.location->setText(QString::fromStdU16String(GetMessagesRootFolder() + u"My Received Voice Messages"));
  m_conversations.location->setText(
      QString::fromStdU16String(GetConversationsRootFolder() + u"My Recorded Conversations"));
  m_messages.limited->setChecked(g_IsRcvdMsgsFolderLimited.Get() != 0);
  m_messages.size->setText(QString::number(g_RcvdMsgsFolderSize.Get()));
  m_messages.size->setEnabled(g_IsRcvdMsgsFolderLimited.Get() != 0);
  m_conversations.limited->setChecked(g_IsRecConvsFolderNotified.Get() != 0);
  m_conversations.size->setText(QString::number(g_RecConvsFolderSize.Get()));
  m_conversations.size->setEnabled(g_IsRecConvsFolderNotified.Get() != 0);
  m_messages.current->setText(QString::number(g_MessageCollection.GetMessagesFolderSizeBytes() / 1024));
  m_conversations.current->setText(QString::number(g_ConversationCollection.GetConversationsFolderSizeBytes() / 1024));
  m_messagesConfirm->setChecked(g_VoiceMsgDeleteConfirmation.Get() != 0);
  m_conversationsConfirm->setChecked(g_ConversationDeleteConfirmation.Get() != 0);
  SetIconButtonTip(m_messages.browse, 870);
  SetIconButtonTip(m_conversations.browse, 871);
}

void CDlgOptAdvanced::OnCheckRcvdMsgsFolderLimit() {
  Trace("OnCheckRcvdMsgsFolderLimit");
  OnCheck(m_messages.limited, g_IsRcvdMsgsFolderLimited);
  m_messages.size->setEnabled(m_messages.limited->isChecked());
}

void CDlgOptAdvanced::OnCheckConvRecFolderNotifyExceed() {
  Trace("OnCheckConvRecFolderNotifyExceed");
  OnCheck(m_conversations.limited, g_IsRecConvsFolderNotified);
  m_conversations.size->setEnabled(m_conversations.limited->isChecked());
}

void CDlgOptAdvanced::OnSizeEdit(QLineEdit* edit, COptionInt& option) {
  const int32_t value = DecimalTextToInt(edit->text());
  if (value == option.Get()) return;
  option = value;
  SetModified();
}

void CDlgOptAdvanced::OnChangeEditRcvdMsgsFolderMaxSizeMB() {
  Trace("OnChangeEditRcvdMsgsFolderMaxSizeMB");
  OnSizeEdit(m_messages.size, g_RcvdMsgsFolderSize);
}

void CDlgOptAdvanced::OnChangeEditConvRecFolderMaxSizeMB() {
  Trace("OnChangeEditConvRecFolderMaxSizeMB");
  OnSizeEdit(m_conversations.size, g_RecConvsFolderSize);
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
    qav::ShowMessageBox(GetLangString(IDS_NOTIFY_USER_APP_IS_RUNNING_FROM_A_REMOVABLE_DRIVE) + u"\r\n" +
                            GetLangString(IDS_OPT_ADVANCED_NO_MOVE_IN_PORTABLE_MODE),
                        u"QAV", qav::MB_ICONEXCLAMATION);
    return;
  }
  const std::u16string oldRoot = kind.currentRoot();
  const std::optional<std::u16string> chosen =
      Site().ChooseFolder(this, GetLangString(IDS_OPT_ADVANCED_FOLDER_SELECTION_TITLE), oldRoot);
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
  qav::ShowMessageBox(qav::Format(GetLangString(IDS_OPT_ADVANCED_MOVE_FAILED),
                                  qav::Utf8ToUtf16(result.failed.front().reason.message()), list),
                      u"QAV", qav::MB_ICONEXCLAMATION);
}
