// CAppImageLists: the program's seven image lists, built once at start-up from the image strips
// compiled into the program (ui/art/art_images.h) and released at exit.
//
//   tray          16 x 16  strip 250/251  the tray icon's frames (not connected, answering on,
//                                          on with new messages, off, a call being handled)
//   status        16 x 16  strip 256/257  contact online status 0-9, then strip 258/259 from the
//                                          mark base: heard and new
//   conversation  16 x 16  strip 260/261  recording, paused, ended
//   options       32 x 32  strip 252/253  the nine option children
//   small button  13 x 13  strip 254/255  play, stop, record, pause, reset, browse, edit
//   menu          16 x 16  strip 262/263  the list pages' context menus
//   toolbar       26 x 26  strip 264/265  the list pages' and the player's image buttons
//
// The even ids are PNG strips with alpha, used on 32-bit screens; the odd ids the same strips on
// magenta, for other screens. Reached through g_pImageLists while it exists. GUI thread only.
#pragma once

#include <cstdint>

#include "ui/controls/image_list.h"

class CAppImageLists {
 public:
  // Builds the seven lists for the screen's colour depth (GetCachedColorDepth). Throws the
  // integer id of a strip that is missing or cannot be decoded. Returns the colour depth, which
  // is also the image lists' colour flag.
  int32_t Create();
  // Empties every list.
  void Release();

  int32_t ColorDepth() const { return m_colorDepth; }
  int MarkBase() const { return m_markBase; }

  CImageList m_trayList;
  CImageList m_statusList;
  CImageList m_conversationList;
  CImageList m_optionsList;
  CImageList m_smallButtonList;
  CImageList m_menuList;
  CImageList m_toolbarList;

  // Builds the lists for a given colour depth (Create uses the screen's).
  int32_t CreateForDepth(int32_t colorDepth);

 private:
  int32_t m_colorDepth = 0;
  int m_markBase = -1;
};

// Decodes image `id` from the program's pictures; throws the id when it is missing or cannot be
// decoded.
QImage LoadImageFromResource(int id);

// The program's image lists while they exist; null otherwise.
extern CAppImageLists* g_pImageLists;
