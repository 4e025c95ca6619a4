#pragma once
// Pieces the side-bar controls share: background modes, border sides, the gradient fill,
// rectangle helpers, the library's numbered texts and its errors.
#include "lang/string_ids.h"
#include "platform/graphics.h"

#include <QString>

class QWidget;

enum TBackgroundModeGlobal { bkmNone, bkmGradientHorz, bkmGradientVert, bkmCenter, bkmStretch, bkmTile };
// The out header takes only the first three.
using TBackgroundPanelMode = TBackgroundModeGlobal;

enum TBorderSide { bdLeft, bdTop, bdRight, bdBottom };
// Bit mask as stored: bdLeft = 1, bdTop = 2, bdRight = 4, bdBottom = 8.
using TBorderSides = unsigned;
constexpr TBorderSides BorderSide(TBorderSide s) { return 1u << unsigned(s); }
constexpr TBorderSides AllBorderSides = 15;

using TSBVersion = QString;
// The text every control of the library publishes as its read-only Version.
QString SideBarVersion();


// The text of a library string, from the program's own table.
QString SBString(unsigned id);

// Raise the framework's exception (EKorvaneError) with the message.
[[noreturn]] void RaiseError(const QString& message);
[[noreturn]] void RaiseErrorFmt(const QString& format, int a, int b);

// Banded two-colour fill of (0, 0, width, height): one band per step of the largest channel
// difference, bands as wide as the length allows.
void FillGradient(TCanvas& canvas, int width, int height, TColor beginColor, TColor endColor, bool vertical);

// Moves r so that it is centred in bounds, keeping its size (rounded toward zero).
void HCenterRect(TRect& r, const TRect& bounds);
void VCenterRect(TRect& r, const TRect& bounds);
// Keeps r's height; its bottom becomes bounds' bottom.
void BottomAlignRect(TRect& r, const TRect& bounds);
// Clips r to bounds side by side.
void IntersectInto(TRect& r, const TRect& bounds);
// Moves the chosen sides of r inward by inset.
void InsetSides(TRect& r, TBorderSides sides, int inset);

// A property setter's first step: stores value and tells whether it differs from what the field
// held, so that the setter redoes its layout or painting only for a real change.
template <class T>
bool StoreChanged(T& field, const T& value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

// Opens url with the desktop (ShellExecute of the string).
void JumpToURL(const QString& url);

#include <functional>
class QObject;
// Events are method pointers with the sender first, called only when assigned.
using TNotifyEvent = std::function<void(QObject* sender)>;
