#include "ui/art/qt_image_lists_part.h"

#include "foundation/logger.h"

CQtImageListsPart::~CQtImageListsPart() { Release(); }

int32_t CQtImageListsPart::Create() {
  try {
    m_lists.Create();
  } catch (int id) {
    QAV_LOG(LOG_SEVERE, u"CAppImageLists::Create [ERROR image %d cannot be loaded; the lists stay short]", id);
  }
  g_pImageLists = &m_lists;
  return m_lists.ColorDepth();
}

void CQtImageListsPart::Release() {
  if (g_pImageLists == &m_lists) g_pImageLists = nullptr;
  m_lists.Release();
}
