#include "platform/cursors.h"

#include <QDrag>
#include <QGuiApplication>
#include <QPixmap>

namespace {
TScreen g_screen;

Qt::CursorShape standardShape(int n)
{
    switch (n) {
    case crNone: return Qt::BlankCursor;
    case crCross: return Qt::CrossCursor;
    case crIBeam: return Qt::IBeamCursor;
    case crSizeNESW: return Qt::SizeBDiagCursor;
    case crSizeNS: return Qt::SizeVerCursor;
    case crSizeNWSE: return Qt::SizeFDiagCursor;
    case crSizeWE: return Qt::SizeHorCursor;
    case crUpArrow: return Qt::UpArrowCursor;
    case crHourGlass:
    case crSQLWait: return Qt::WaitCursor;
    case crDrag:
    case crMultiDrag: return Qt::DragCopyCursor;
    case crNoDrop:
    case crNo: return Qt::ForbiddenCursor;
    case crHSplit: return Qt::SplitHCursor;
    case crVSplit: return Qt::SplitVCursor;
    case crAppStart: return Qt::BusyCursor;
    case crHelp: return Qt::WhatsThisCursor;
    case crHandPoint: return Qt::PointingHandCursor;
    case crSizeAll: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;
    }
}
} // namespace

TScreen* Screen = &g_screen;

TScreen::TScreen() = default;

QCursor TScreen::Cursor(int n) const
{
    auto it = m_custom.find(n);
    if (it != m_custom.end()) return it->second;
    return QCursor(standardShape(n));
}

void TScreen::SetCursor(int n, const QCursor& c)
{
    m_custom[n] = c;
}

bool TScreen::HasCursor(int n) const
{
    return m_custom.count(n) != 0 || (n <= 0 && n >= crSizeAll);
}

void TScreen::SetScreenCursor(int n)
{
    if (n == m_screenCursor) return;
    if (m_screenCursor != crDefault && QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
    m_screenCursor = n;
    if (n != crDefault) QGuiApplication::setOverrideCursor(Cursor(n));
}

void UseScreenDragCursors(QDrag* drag)
{
    if (!drag || !Screen->HasCursor(crNoDrop))
        return;
    const QCursor noDrop = Screen->Cursor(crNoDrop);
    if (noDrop.shape() == Qt::BitmapCursor && !noDrop.pixmap().isNull())
        drag->setDragCursor(noDrop.pixmap(), Qt::IgnoreAction);
}
