// CTitleMenu: the popup menu of the tray and of the list pages' context menus: items by command id,
// an optional picture from an image list in front of chosen items, an optional title band on top
// (a horizontal gradient with bold text), right-to-left order for languages that read so, and a
// default item shown in bold.
//
// TrackPopupMenu shows the menu modally and returns the chosen command id (0 when none), as the
// callers expect of a menu shown with TPM_RETURNCMD; the nested loop it runs keeps the platform
// loop served (ui/bridge/qt_loop_bridge.h). GUI thread only.
#pragma once

#include <QColor>
#include <QMenu>
#include <QString>
#include <cstdint>
#include <map>
#include <memory>

#include "ui/controls/image_list.h"

// Item flags, as the callers build menus.
inline constexpr uint32_t MF_STRING = 0x0;
inline constexpr uint32_t MF_GRAYED = 0x1;
inline constexpr uint32_t MF_DISABLED = 0x2;
inline constexpr uint32_t MF_CHECKED = 0x8;
inline constexpr uint32_t MF_BYPOSITION = 0x400;
inline constexpr uint32_t MF_SEPARATOR = 0x800;

class CTitleMenu {
 public:
  // The title band's command id.
  static constexpr uint32_t kTitleId = 0xFFFE;

  explicit CTitleMenu(QWidget* parent = nullptr);
  ~CTitleMenu();
  CTitleMenu(const CTitleMenu&) = delete;
  CTitleMenu& operator=(const CTitleMenu&) = delete;

  QMenu& Menu() { return *m_menu; }
  void SetRightToLeft(bool rightToLeft);
  // Pictures for items from now on come from a copy of `list`.
  void SetImageList(const CImageList& list);
  // Appends an item (or a separator); `image` -1 for none. False when the item cannot be added.
  bool AppendMenu(uint32_t flags, uint32_t id, const QString& text, int image = -1);
  // Inserts before the item at `position` (0 = top; past the end appends).
  bool InsertMenu(int position, uint32_t flags, uint32_t id, const QString& text, int image = -1);
  // Gives the item its picture, when images are on and the item is not a separator.
  void SetItemImage(uint32_t id, int image);
  // The picture index of an item; -1 when it has none.
  int GetItemImage(uint32_t id) const;
  void SetDefaultItem(uint32_t id);
  uint32_t GetDefaultItem() const;
  // A title band at the top, its text without "&"; withImages also takes the image list.
  void AddTitle(const QString& title, bool withImages = false, const CImageList* list = nullptr);
  QString Title() const { return m_title; }
  void SetTitleColors(const QColor& gradientStart, const QColor& gradientEnd, const QColor& text);

  QAction* FindItem(uint32_t id) const;
  // The command ids in menu order (separators as 0, the title as kTitleId).
  std::vector<uint32_t> ItemIds() const;
  // Shows the menu at the screen point and returns the chosen id, or 0.
  uint32_t TrackPopupMenu(const QPoint& at);

 private:
  QAction* MakeItem(uint32_t flags, uint32_t id, const QString& text);

  std::unique_ptr<QMenu> m_menu;
  QString m_title;
  bool m_rightToLeft = false;
  bool m_imagesOn = false;
  CImageList m_images;
  std::map<uint32_t, int> m_imageOfItem;
  QColor m_gradientStart, m_gradientEnd, m_titleText;
};
