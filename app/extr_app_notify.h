// One notice to the sibling audio application "Voxpost Desk" about recordings: a
// "QAVInformationNotify" XML document with the program's version, the current user and one
// AudioFile element per recording, sent as UTF-16 text through the sibling-application thread.
//
//   <QAVInformationNotify version="1.0">
//     <QAVVersion>5.0.0.1</QAVVersion>
//     <User><SkypeName>..</SkypeName><FullName>..</FullName><DisplayName>..</DisplayName></User>
//     <AudioFile>
//       <Type>VoiceMessage</Type>            (or RecordedConversation)
//       <FileName>..</FileName><Path>folder/</Path>
//       <TimeOfCallUTC>seconds since 1970</TimeOfCallUTC><DurationSec>..</DurationSec>
//       <User>.. the caller ..</User>
//     </AudioFile>
//   </QAVInformationNotify>
//
// FullName and DisplayName are left out when empty. A notice lives from Begin to Release within
// one call on the GUI thread (it reads the model).
#pragma once

#include <memory>
#include <string>

#include "foundation/xml_document.h"
#include "platform/message.h"

class CConversation;
class CMessage;
class CNotifyExtrAppThread;
class CUser;

inline constexpr char kSiblingAppClass[] = "Voxpost Desk";
inline constexpr char kSiblingAppProClass[] = "Voxpost Desk Pro";

// The sibling application's window: the first of the class "Voxpost Desk", else of "Voxpost Desk
// Pro"; 0 when it does not run.
qav::Hwnd FindSiblingAppWindow();

class CExtrAppNotify {
 public:
  // Starts the document with the root, the version and the current user; false (and no document)
  // when the sibling application does not run, so nobody builds a notice for nobody.
  bool Begin();
  // Adds a User element under `parent`; nothing when either is missing.
  void AddUser(CXmlElement* parent, const CUser* user);
  void AddVoiceMessage(const CMessage& message);
  void AddConversation(const CConversation& conversation);
  // Hands the document's text to the thread, when there is a document and the sibling application
  // still runs; true when it was queued.
  bool Send(CNotifyExtrAppThread& thread);
  void Release();

  // The document's text (for tests); "" without a document.
  std::u16string GetXml() const;

 private:
  void AddAudioFile(std::u16string_view type, std::u16string_view fileName, std::u16string_view folder,
                    int64_t timeOfCall, int32_t durationSec, const CUser* caller);

  std::unique_ptr<CXmlDocument> m_document;
};
