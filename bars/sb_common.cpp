#include "bars/sb_common.h"

#include "lang/builtin_strings.h"
#include "platform/message_box.h"
#include "platform/shell_execute.h"
#include "platform/version.h"

#include <QUrl>
#include <algorithm>
#include <cstdlib>

QString SideBarVersion()
{
    return QStringLiteral(KORVANE_VERSION_TEXT);
}

QString SBString(unsigned id)
{
    return BuiltinString(id);
}

void RaiseError(const QString& message)
{
    throw EKorvaneError(message);
}

void RaiseErrorFmt(const QString& format, int a, int b)
{
    // The library's formats carry %d placeholders.
    QString text = format;
    const int first = int(text.indexOf(QLatin1String("%d")));
    if (first >= 0)
        text.replace(first, 2, QString::number(a));
    const int second = int(text.indexOf(QLatin1String("%d")));
    if (second >= 0)
        text.replace(second, 2, QString::number(b));
    RaiseError(text);
}

void FillGradient(TCanvas& canvas, int width, int height, TColor beginColor, TColor endColor, bool vertical)
{
    const int length = vertical ? height : width;
    if (length < 1)
        return;
    const TColor b = ColorToRGB(beginColor), e = ColorToRGB(endColor);
    const int r0 = GetRValue(b), g0 = GetGValue(b), b0 = GetBValue(b);
    const int dR = GetRValue(e) - r0, dG = GetGValue(e) - g0, dB = GetBValue(e) - b0;
    const int steps = std::max({std::abs(dR), std::abs(dG), std::abs(dB)}) + 1;
    const int band = length / steps + 1;
    TRect r = vertical ? TRect(0, 0, width, band) : TRect(0, 0, band, height);
    const TBrush saved = canvas.Brush;
    canvas.Brush.Style = bsSolid;
    for (int i = 0; i < steps; ++i) {
        const long long offset = (long long)i * band;
        canvas.Brush.Color = RGB(int((r0 + offset * dR / length) & 255), int((g0 + offset * dG / length) & 255),
                                 int((b0 + offset * dB / length) & 255));
        canvas.FillRect(r);
        if (vertical) {
            r.Top += band;
            if (r.Top > height)
                break;
            r.Bottom += band;
        } else {
            r.Left += band;
            if (r.Left > width)
                break;
            r.Right += band;
        }
    }
    canvas.Brush = saved;
}

void HCenterRect(TRect& r, const TRect& bounds)
{
    const int w = r.Width();
    r.Left = (bounds.Left + bounds.Right - w) / 2;
    r.Right = r.Left + w;
}

void VCenterRect(TRect& r, const TRect& bounds)
{
    const int h = r.Height();
    r.Top = (bounds.Top + bounds.Bottom - h) / 2;
    r.Bottom = r.Top + h;
}

void BottomAlignRect(TRect& r, const TRect& bounds)
{
    const int h = r.Height();
    r.Bottom = bounds.Bottom;
    r.Top = r.Bottom - h;
}

void IntersectInto(TRect& r, const TRect& bounds)
{
    r.Left = std::max(r.Left, bounds.Left);
    r.Top = std::max(r.Top, bounds.Top);
    r.Right = std::min(r.Right, bounds.Right);
    r.Bottom = std::min(r.Bottom, bounds.Bottom);
}

void InsetSides(TRect& r, TBorderSides sides, int inset)
{
    if (sides & BorderSide(bdLeft))
        r.Left += inset;
    if (sides & BorderSide(bdTop))
        r.Top += inset;
    if (sides & BorderSide(bdRight))
        r.Right -= inset;
    if (sides & BorderSide(bdBottom))
        r.Bottom -= inset;
}

void JumpToURL(const QString& url)
{
    ShellOpen(QUrl::fromUserInput(url));
}
