// CCentredImageDelegate: draws a list column that shows a picture and no text (the voice-messages
// list's new mark) with the picture centred inside the cell's grid lines, shrunk whole to fit where
// the column is narrower than the picture and its grid line (the 16-pixel new-mark column). Qt's
// own drawing keeps a margin on each side of a cell's picture and would clip it in so narrow a
// column. The row's background, selection and focus are drawn as in the other columns, and its
// grid lines too. GUI thread only.
#pragma once

#include "ui/recordings/recording_cell_delegate.h"

class CCentredImageDelegate : public CRecordingCellDelegate {
 public:
  using CRecordingCellDelegate::CRecordingCellDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
