#include "ui/art/app_image_lists.h"

#include <QImage>

#include "foundation/logger.h"
#include "ui/art/art_images.h"
#include "ui/controls/color_utils.h"

CAppImageLists* g_pImageLists = nullptr;

QImage LoadImageFromResource(int id) {
  const auto bytes = FindArtImage(id);
  QImage image;
  if (!bytes || !image.loadFromData(bytes->data(), static_cast<int>(bytes->size()))) {
    QAV_LOG(LOG_SEVERE, u"LoadImageFromResource [ERROR image %d missing or not decodable]", id);
    throw id;
  }
  return image;
}

int32_t CAppImageLists::Create() { return CreateForDepth(GetCachedColorDepth()); }

int32_t CAppImageLists::CreateForDepth(int32_t colorDepth) {
  m_colorDepth = colorDepth;
  // The PNG strips carry alpha; screens of fewer colours take the magenta-keyed bitmap strips.
  const int form = colorDepth == 32 ? 0 : 1;
  struct Entry {
    CImageList& list;
    int size;
    int strip;
  };
  Entry entries[] = {
      {m_trayList, 16, 250},        {m_statusList, 16, 256}, {m_conversationList, 16, 260},
      {m_optionsList, 32, 252},     {m_smallButtonList, 13, 254}, {m_menuList, 16, 262},
      {m_toolbarList, 26, 264},
  };
  for (Entry& entry : entries) {
    entry.list = CImageList(entry.size, entry.size);
    entry.list.AddStrip(LoadImageFromResource(entry.strip + form));
    if (&entry.list == &m_statusList) m_markBase = m_statusList.AddStrip(LoadImageFromResource(258 + form));
  }
  return m_colorDepth;
}

void CAppImageLists::Release() {
  for (CImageList* list : {&m_trayList, &m_statusList, &m_conversationList, &m_optionsList, &m_smallButtonList,
                           &m_menuList, &m_toolbarList}) {
    *list = CImageList();
  }
  m_markBase = -1;
}
