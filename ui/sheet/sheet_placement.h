// Where the property sheet opens: at the position it had when it was last closed in this run, when
// that position is known and the sheet fits the full-screen work area there; otherwise centred on
// the screen, its left edge rounded down to a multiple of 8.
#pragma once

#include <QPoint>
#include <QSize>

QPoint SheetPlacement(QPoint remembered, QSize sheet, QSize screen, QSize fullScreenWork);
