#include "app/extr_app_notify.h"

#include "app/notify_extr_app_thread.h"
#include "calls/call.h"
#include "calls/conversation.h"
#include "calls/conversation_collection.h"
#include "calls/message.h"
#include "calls/message_collection.h"
#include "foundation/version.h"
#include "platform/window.h"
#include "skype/link/user.h"
#include "skype/link/user_collection.h"

qav::Hwnd FindSiblingAppWindow() {
  const qav::Hwnd window = qav::FindWindow(kSiblingAppClass);
  return window != 0 ? window : qav::FindWindow(kSiblingAppProClass);
}

bool CExtrAppNotify::Begin() {
  Release();
  if (FindSiblingAppWindow() == 0) return false;
  m_document = std::make_unique<CXmlDocument>();
  CXmlElement* root = m_document->AddElement(nullptr, u"QAVInformationNotify", u"", u"version=\"1.0\"");
  m_document->AddElement(root, u"QAVVersion", CVersion::GetAppVersion());
  AddUser(root, &g_CurrentUser);
  return true;
}

void CExtrAppNotify::AddUser(CXmlElement* parent, const CUser* user) {
  if (!m_document || parent == nullptr || user == nullptr) return;
  CXmlElement* element = m_document->AddElement(parent, u"User", u"");
  m_document->AddElement(element, u"SkypeName", user->GetHandle());
  if (!user->GetFullName().empty()) m_document->AddElement(element, u"FullName", user->GetFullName());
  const std::u16string displayName = user->GetDisplayName();
  if (!displayName.empty()) m_document->AddElement(element, u"DisplayName", displayName);
}

void CExtrAppNotify::AddVoiceMessage(const CMessage& message) {
  const CCall* call = message.GetCall();
  AddAudioFile(u"VoiceMessage", message.GetFileName(), g_MessageCollection.GetMessagesFolder(),
               call ? call->GetStartTime() : 0, message.GetDuration(), call ? call->GetPartner() : nullptr);
}

void CExtrAppNotify::AddConversation(const CConversation& conversation) {
  const std::vector<CCall*>& calls = conversation.GetCalls();
  const CUser* caller = calls.empty() || calls.front() == nullptr ? nullptr : calls.front()->GetPartner();
  AddAudioFile(u"RecordedConversation", conversation.GetAudioFileName(),
               g_ConversationCollection.GetConversationsFolder(), conversation.GetStartTime(),
               conversation.GetDuration(), caller);
}

void CExtrAppNotify::AddAudioFile(std::u16string_view type, std::u16string_view fileName, std::u16string_view folder,
                                  int64_t timeOfCall, int32_t durationSec, const CUser* caller) {
  if (!m_document) return;
  CXmlElement* file = m_document->AddElement(m_document->GetRoot(), u"AudioFile", u"");
  m_document->AddElement(file, u"Type", type);
  m_document->AddElement(file, u"FileName", fileName);
  m_document->AddElement(file, u"Path", folder);
  m_document->AddElementInt64(file, u"TimeOfCallUTC", timeOfCall);
  m_document->AddElementLong(file, u"DurationSec", durationSec);
  AddUser(file, caller);
}

bool CExtrAppNotify::Send(CNotifyExtrAppThread& thread) {
  if (!m_document || FindSiblingAppWindow() == 0) return false;
  return thread.PostNotice(m_document->GetXml());
}

void CExtrAppNotify::Release() { m_document.reset(); }

std::u16string CExtrAppNotify::GetXml() const { return m_document ? m_document->GetXml() : std::u16string(); }
