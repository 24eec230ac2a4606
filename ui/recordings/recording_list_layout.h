// The layout the voice-messages and conversations pages share: a toolbar of six image buttons
// (play, call, chat, delete, open folder, play with analysis) above the list of recordings, and
// the framed text that stands in the list's place while no user is signed in. GUI thread only.
#pragma once

#include <vector>

class QAbstractItemModel;
class QLabel;
class QTreeView;
class QWidget;
class CButtonSSL;

struct RecordingListControls {
  CButtonSSL* play;
  CButtonSSL* call;
  CButtonSSL* chat;
  CButtonSSL* remove;
  CButtonSSL* folder;
  CButtonSSL* analysis;
  QTreeView* list;
  QLabel* noUser;
};

// One column of the list: its width in pixels, whatever the font, and whether it shows only a
// picture (drawn centred, the column as narrow as the picture).
struct RecordingColumnLayout {
  int width;
  bool imageOnly;
};

// Builds the controls on the page and lays them out: the buttons with their toolbar pictures (the
// open-folder one only when the settings show it), the list over `rows` with one column per
// layout, its headers clickable (the page sorts), several rows selectable, a context menu of its
// own; the text hidden. The page connects them.
RecordingListControls BuildRecordingListControls(QWidget& page, QAbstractItemModel& rows,
                                                 const std::vector<RecordingColumnLayout>& columns);
