// The image lists as the application object builds and releases them (CImageListsPart of
// app/parts/image_lists.h): it owns the program's CAppImageLists and makes it g_pImageLists while it
// exists. GUI thread only.
#pragma once

#include "app/parts/image_lists.h"
#include "ui/art/app_image_lists.h"

class CQtImageListsPart : public CImageListsPart {
 public:
  ~CQtImageListsPart() override;
  // Builds the lists. A picture that cannot be loaded is logged and leaves its list short, so the
  // program still starts (the pictures are compiled in; this is a fault of the build, not of the
  // user's machine). Returns the colour flag.
  int32_t Create() override;
  void Release() override;

 private:
  CAppImageLists m_lists;
};
