// The mouse on the page: the rubber band of the select tool and of the creation tools, and
// files dropped on the window.
#include "document/child_frame.h"

#include "document/main_window_link.h"
#include "platform/cursors.h"

#include <QFileInfo>

void TChildFrame::FormMouseDown(QObject*, TMouseButton button, TShiftState, int x, int y)
{
    if (button != mbLeft)
        return;
    // Escape must reach the window, also when the band starts on an object.
    Page->setFocus(Qt::MouseFocusReason);
    Dragging = true;
    BandStart = BandCurrent = TPoint(x, y);
    m_band->raise();
    m_band->update();
}

void TChildFrame::FormMouseMove(QObject*, TShiftState, int x, int y)
{
    if (Dragging) {
        BandCurrent = TPoint(x, y);
        m_band->update();
    } else {
        SetCursor(ToolCursor);
    }
}

void TChildFrame::FormKeyDown(QObject*, int& key, TShiftState)
{
    if (key == 27 && Dragging) {
        Dragging = false;
        Refresh();
        key = 0;
    }
}

void TChildFrame::FormMouseUp(QObject*, TMouseButton button, TShiftState, int x, int y)
{
    if (!Dragging || button != mbLeft)
        return;
    Dragging = false;
    Refresh();
    if (x == BandStart.X || y == BandStart.Y)
        return;
    TPoint origin, size;
    NormalizeDragRect(BandStart, TPoint(x, y), origin, size);

    if (Tool == ToolArrow) {
        for (CDesignObject* o : Objects()) {
            const int cx = o->Left() + o->Width() / 2, cy = o->Top() + o->Height() / 2;
            if (origin.X <= cx && cx <= origin.X + size.X && origin.Y <= cy && cy <= origin.Y + size.Y) {
                o->SetSelected(true, true);
                o->update();
            }
        }
        return;
    }
    CreateToolObject(Tool, origin.X, origin.Y, size.X, size.Y);
}

void TChildFrame::ReturnToArrowTool()
{
    MainWindowLink()->SetToolButtonDown(ToolArrow);
    Tool = ToolArrow;
    ToolCursor = crArrow;
}

void TChildFrame::OnDropFiles(const QStringList& files)
{
    // Pictures become objects here; everything else goes to the main window once, together.
    QStringList others;
    for (const QString& file : files) {
        if (QFileInfo(file).isFile() && IsDroppedPictureFile(file))
            AddDroppedPicture(file);
        else
            others << file;
    }
    if (!others.isEmpty())
        MainWindowLink()->DropFiles(others);
}
