// The layout the voice-messages and conversations pages share: a toolbar of six image buttons
// (play, call, chat, delete, open folder, play with analysis) above the list of recordings, and
// the framed text that stands in the list's place while no user is signed in. GUI thread only.
#pragma once

#include <QStringList>
#include <initializer_list>

class QLabel;
class QTreeWidget;
class QWidget;
class CButtonSSL;

struct RecordingListControls {
  CButtonSSL* play;
  CButtonSSL* call;
  CButtonSSL* chat;
  CButtonSSL* remove;
  CButtonSSL* folder;
  CButtonSSL* analysis;
  QTreeWidget* list;
  QLabel* noUser;
};

// Builds the controls on the page and lays them out: the buttons with their toolbar pictures (the
// open-folder one only when the settings show it), the list with one column per width, sortable
// by a click on a column's header, several rows selectable, a context menu of its own; the text
// hidden. The page connects them.
RecordingListControls BuildRecordingListControls(QWidget& page, std::initializer_list<int> columnWidths);

// The column titles in the current language; the time and duration columns (1 and 2) centred.
void SetRecordingListHeaders(QTreeWidget& list, const QStringList& titles);
