#pragma once
// Shared pieces of the docking bars: a reference-counted registry of procedures that want to see
// certain events of the UI thread (application event filters, installed only while someone needs
// them), printing of controls that draw their own frame, a list sort with extra data, the screen
// helpers of the floating windows and the 3-D edges the bars draw.
#include "platform/graphics.h"

#include <QBrush>
#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <utility>
#include <vector>

class QPainter;
class QWidget;

// Misuse of docks, toolbars and their image lists.
class EInvalidOperation : public std::runtime_error {
public:
    explicit EInvalidOperation(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromUtf8(what()); }
};

// The library's numbered texts; English until the program hands its own lookup over.
enum TDockBarsStringId : unsigned {
    DockParentErrorString =
        65393, // "A TDockX control cannot be placed inside a tool window or another TDockX"
    DockPositionErrorString = 65394, // "Cannot change Position of a TDockX if it already contains controls"
    NoNameErrorString = 65395,       // "Cannot save tool window's position because Name property is not set"
    NoDockedToNameErrorString =
        65396, // "Cannot save tool window's position because DockedTo's Name property not set"
    ToolWindowParentErrorString =
        65397, // "A tool window can only be placed on a TDockX or directly on the form"
    NoParentWindowErrorString = 65398,  // "Control '%s' has no parent window"
    SeparatorParentErrorString = 65399, // "TToolbarSepX can only be placed on a TToolbarX"
};
QString DockBarsString(unsigned id);

// Stored places and sizes are clamped to this before any arithmetic: far beyond any screen, far
// from overflowing when sizes are added.
constexpr int StoredCoordinateLimit = 1 << 20;
// lookup gives the text of a number ("" for the English one); nullptr restores English.
void SetDockBarsStringLookup(std::function<QString(unsigned)> lookup);

// ---------------------------------------------------------------------------------------------
// Hook registry.
enum THookProcCode { hpSendActivateApp, hpSendWindowPosChanged, hpPreDestroy, hpPostMouseMove };
using THookProcCodes = unsigned; // bit (1 << code) per code
constexpr THookProcCodes HookCode(THookProcCode code)
{
    return 1u << unsigned(code);
}

// Wnd: the window the event is for (none for application activation). WParam: activation flag
// (hpSendActivateApp) or the mouse buttons held (hpPostMouseMove). LParam: the cursor position in
// Wnd, y in the high and x in the low 16 bits (hpPostMouseMove).
using THookProc = void (*)(THookProcCode Code, QWidget* Wnd, uintptr_t WParam, intptr_t LParam);

// The three filters: the call-window one serves hpSendActivateApp and hpSendWindowPosChanged, the
// CBT one hpPreDestroy, the get-message one hpPostMouseMove.
enum THookType { htCallWndProc, htCBT, htGetMessage };

// A registered procedure only has its count raised. Unless onlyIncrementCount (design time), the
// filters the codes need get their use counts raised and are installed when not yet.
void InstallHookProc(THookProc proc, THookProcCodes codes, bool onlyIncrementCount);
// Lowers the procedure's count (removed at 0) and the use counts of its filters (removed at 0).
void UninstallHookProc(THookProc proc);
// What the registry holds: the procedure's count (0 when not registered), a filter's use count
// and whether it is installed.
int HookProcCount(THookProc proc);
int HookUseCount(THookType type);
bool HookInstalled(THookType type);

// The application has an active window.
bool ApplicationIsActive();

// Quicksort of list (middle element as pivot), compare(a, b, extraData) negative, zero or
// positive; not stable.
template <class List, class Compare, class Extra>
void ListSortEx(List& list, Compare compare, Extra extraData)
{
    struct Sorter {
        List& l;
        Compare& c;
        Extra& e;
        void sort(long lo, long hi)
        {
            while (lo < hi) {
                long i = lo, j = hi;
                const auto pivot = l[(lo + hi) / 2];
                while (i <= j) {
                    while (c(l[i], pivot, e) < 0)
                        ++i;
                    while (c(l[j], pivot, e) > 0)
                        --j;
                    if (i <= j) {
                        std::swap(l[i], l[j]);
                        ++i;
                        --j;
                    }
                }
                // The smaller half recursively, the larger one in the loop: depth stays logarithmic.
                if (j - lo < hi - i) {
                    sort(lo, j);
                    lo = i;
                } else {
                    sort(i, hi);
                    hi = j;
                }
            }
        }
    };
    if (list.size() > 1)
        Sorter{list, compare, extraData}.sort(0, long(list.size()) - 1);
}

// ---------------------------------------------------------------------------------------------
// Printing a control with its self-drawn frame.
constexpr unsigned PRF_CHECKVISIBLE = 0x1;
constexpr unsigned PRF_NONCLIENT = 0x2;
constexpr unsigned PRF_CLIENT = 0x4;
constexpr unsigned PRF_ERASEBKGND = 0x8;
constexpr unsigned PRF_CHILDREN = 0x10;
constexpr unsigned PRF_OWNED = 0x20;

using TNCPaintFunc = void (*)(QWidget* wnd, QPainter& dc, void* appData);
// Paints wnd into dc: with PRF_CHECKVISIBLE a hidden window paints nothing; PRF_NONCLIENT runs
// ncPaint for the frame; PRF_CLIENT paints the client area (clientRect, in wnd's coordinates;
// the whole widget when empty), with PRF_CHILDREN its child widgets too, and with PRF_OWNED the
// visible windows it owns. Returns 1.
int HandleWMPrint(QWidget* wnd, QPainter& dc, unsigned flags, TNCPaintFunc ncPaint, void* appData,
                  const QRect& clientRect = QRect());
// Runs control's own painting into dc, without its children.
void HandleWMPrintClient(QWidget* control, QPainter& dc);

// ---------------------------------------------------------------------------------------------
// Screen helpers.
int GetSmallCaptionHeight();
// The primary screen's work area (the whole screen when it gives none).
QRect GetDesktopAreaRect();
bool UsingMultipleMonitors();
// Work area of the monitor nearest the rectangle or point.
QRect GetRectOfMonitorContaining(const QRect& r);
QRect GetRectOfMonitorContainingPoint(const QPoint& p);
// The top-left nearest wanted at which a window of this size lies inside work and covers none
// of taken; wanted itself when there is no such place.
QPoint UncoveredPlaceFor(const QPoint& wanted, const QSize& size, const QRect& work,
                         const std::vector<QRect>& taken);
bool AreGradientCaptionsOn();

// The dock position of the tool window that holds a control, for drop-down menus.
enum TGetToolbarDockPosType { gtpNone, gtpTop, gtpBottom, gtpLeft, gtpRight };
using TGetToolbarDockPosProc = TGetToolbarDockPosType (*)(QWidget* control);
// None until a tool window is constructed.
extern TGetToolbarDockPosProc GetToolbarDockPosProc;

// ---------------------------------------------------------------------------------------------
// 3-D edges as the bars draw them, in the system colours.
constexpr unsigned BDR_RAISEDOUTER = 0x1;
constexpr unsigned BDR_SUNKENOUTER = 0x2;
constexpr unsigned BDR_RAISEDINNER = 0x4;
constexpr unsigned BDR_SUNKENINNER = 0x8;
constexpr unsigned EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr unsigned EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr unsigned EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr unsigned BF_LEFT = 0x1;
constexpr unsigned BF_TOP = 0x2;
constexpr unsigned BF_RIGHT = 0x4;
constexpr unsigned BF_BOTTOM = 0x8;
constexpr unsigned BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
constexpr unsigned BF_MIDDLE = 0x800;
constexpr unsigned BF_SOFT = 0x1000;
constexpr unsigned BF_ADJUST = 0x2000;

// Draws the edge inside r; with BF_ADJUST r shrinks by the edge drawn, with BF_MIDDLE the inside
// is filled with the button face.
void DrawEdge(QPainter& p, TRect& r, unsigned edge, unsigned flags);
// A one-pixel frame of r in colour.
void FrameRectIn(QPainter& p, const TRect& r, TColor color);
// The close box of a caption: a raised button (sunken when pushed) with an X.
void DrawCaptionCloseButton(QPainter& p, const TRect& r, bool pushed);
// The 8 by 8 halftone of the drag outlines: rows alternating 0x55 and 0xAA, in black and white.
QBrush HalftoneBrush();
// The dither of pressed group buttons: 8 by 8 of clBtnFace with clBtnHighlight where x and y are
// both even or both odd.
QBrush ButtonDownPattern();
