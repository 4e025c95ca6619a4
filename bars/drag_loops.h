#pragma once
// The geometry of the drag and sizing loops of the tool windows, as plain functions: where the
// outline goes, whether a dock takes the bar, and how a floating outline is kept on screen.
#include <QPoint>
#include <QRect>
#include <QSize>

// The grab point's share of newLength when the window keeps its proportional place under the
// cursor: MulDiv(newLength - 1, grab, oldLength - 1); 0 for a window one pixel long.
int ScaledGrab(int newLength, int grab, int oldLength);

// The outline of a window of newSize under cursor, grabbed at grab in a window of oldSize.
QRect DragOutlineRect(const QPoint& cursor, const QPoint& grab, const QSize& oldSize, const QSize& newSize);

// Whether the cursor lies in a dock's docking zone (dockRect in screen coordinates; a dock with
// no thickness counts one pixel wider on each side) and the bar's shape there, placed at the
// cursor, meets the dock.
bool InDockingZone(const QRect& dockRect, bool leftRight, const QPoint& cursor, const QPoint& grab,
                   const QSize& oldSize, const QSize& dockedSize);

// A floating outline kept on the work area: never wholly outside the work area shrunk by
// 4 + frame, and its caption's lower edge at least 4 pixels below the work area's top.
QRect KeepFloatingOutline(QRect outline, const QRect& work, int frame, int captionHeight);

// A floating window's sizing: the rectangle for a cursor moved by delta from its start, the
// moving edges given by the handle (see TToolWindowSizeHandle), never below minSize.
QRect SizedRect(const QRect& start, int handle, const QPoint& delta, const QSize& minSize);
