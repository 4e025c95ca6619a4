#include "document/label.h"

#include "document/child_frame.h"
#include "document/main_window_link.h"
#include "document/std.h"
#include "platform/cursors.h"

#include <QAction>
#include <QPointer>
#include <algorithm>
#include <cmath>

namespace {

// The largest font size a label asks for, in points; far beyond any label, well inside MulDiv.
constexpr int MaxFontPoints = 16384;

} // namespace

CLabel::CLabel(QWidget* owner) : CDesignObject(owner)
{
    Text.clear();
    Angle = 0;
    Canvas.Font.PixelsPerInch = Screen->PixelsPerInch;
    Canvas.Font.Name = QStringLiteral("Times New Roman");
    FontSize = 10;
    Canvas.Font.SetSize(10);
    Font = &Canvas.Font;
}

CLabel::~CLabel() = default;

void CLabel::FillPopupMenu(TObjectMenu& menu)
{
    CDesignObject::FillPopupMenu(menu);
    menu.MaxSizeItem->setVisible(false);
}

void CLabel::AngleCosSin(double& c, double& s) const
{
    // Single precision on purpose: cos(90 degrees) comes out as a tiny negative number, which
    // the rounding takes to -1, and the sizes of rotated labels rely on that.
    const float a = float(double(Angle) * M_PI / 180.0);
    c = std::cos(double(a));
    s = std::sin(double(a));
}

int CLabel::ZoomedFontSize() const
{
    const double v = double(FontSize) * double(Zoom);
    if (!(v > 0))
        return 0;
    return int(std::min(std::trunc(v), double(MaxFontPoints)));
}

void CLabel::AdjustSizeToText()
{
    Canvas.Font.SetSize(ZoomedFontSize());
    if (Text.isEmpty()) {
        const QString placeholder = LoadLangStr(LabelPlaceholderString);
        resize(Canvas.TextWidth(placeholder), Canvas.TextHeight(placeholder));
    } else if (Rotated()) {
        double c, s;
        AngleCosSin(c, s);
        const int w = Canvas.TextWidth(Text);
        const int h = Canvas.TextHeight(Text);
        resize(std::abs(RoundCoordinate(c * w)) + std::abs(RoundCoordinate(s * h)),
               std::abs(RoundCoordinate(c * h)) + std::abs(RoundCoordinate(s * w)));
    } else {
        TRect r(0, 0, Width(), Height());
        Canvas.DrawText(Text, r, TextFlags | DT_CALCRECT);
        resize(std::max(r.Right, 0), std::max(r.Bottom, 0));
    }
    update();
}

void CLabel::SetSize(int, int)
{
    if (Font && Font != &Canvas.Font)
        Canvas.Font.Assign(*Font);
    Canvas.Font.SetSize(ZoomedFontSize());
    Font = &Canvas.Font;
    AdjustSizeToText();
}

void CLabel::Paint()
{
    const TBrushStyle savedStyle = Canvas.Brush.Style;
    Canvas.Brush.Style = bsClear;
    if (Font && Font != &Canvas.Font)
        Canvas.Font.Assign(*Font);

    const int W = Width(), H = Height();
    if (Text.isEmpty()) {
        Canvas.TextOut(0, 0, LoadLangStr(LabelPlaceholderString));
    } else if (Rotated()) {
        double c, s;
        AngleCosSin(c, s);
        const int h = Canvas.TextHeight(Text);
        const int ch = std::abs(RoundCoordinate(c * h)), sh = std::abs(RoundCoordinate(s * h));
        int x = 0, y = 0;
        if (Angle <= 90) {
            x = 0;
            y = H - ch;
        } else if (Angle <= 180) {
            x = W - sh;
            y = H;
        } else if (Angle <= 270) {
            x = W;
            y = ch;
        } else {
            x = sh;
            y = 0;
        }
        Canvas.Font.Orientation = Angle * 10;
        Canvas.TextOut(x, y, Text);
        Canvas.Font.Orientation = 0;
    } else {
        TRect r(0, 0, W, H);
        Canvas.DrawText(Text, r, TextFlags);
    }

    Canvas.Brush.Style = savedStyle;
    if (Selected)
        DrawHandles();
}

void CLabel::DrawTo(TCanvas& canvas, QPoint position, float scale)
{
    const TBrushStyle savedStyle = canvas.Brush.Style;
    const TFont& source = Font ? *Font : Canvas.Font;
    canvas.Font.Assign(source);
    // At least one point: a size of 0 would mean the device's default font, far too large on a
    // small preview.
    const int points = RoundCoordinate(double(source.Size()) * double(scale));
    canvas.Font.SetSize(std::clamp(points, source.Size() > 0 ? 1 : 0, MaxFontPoints));
    canvas.Brush.Style = bsClear;

    const double s = scale;
    const int L = RoundCoordinate(position.x() * s), T = RoundCoordinate(position.y() * s);
    const int Rt = RoundCoordinate((double(Width()) + position.x()) * s),
              B = RoundCoordinate((double(Height()) + position.y()) * s);
    const int w = Rt - L, hh = B - T;

    if (!Text.isEmpty()) {
        if (Rotated()) {
            double c, sn;
            AngleCosSin(c, sn);
            const int h = canvas.TextHeight(Text);
            const int ch = std::abs(RoundCoordinate(c * h)), sh = std::abs(RoundCoordinate(sn * h));
            int x = L, y = T;
            if (Angle <= 90) {
                x = L;
                y = T + hh - ch;
            } else if (Angle <= 180) {
                x = L + w - sh;
                y = T + hh;
            } else if (Angle <= 270) {
                x = L + w;
                y = T + ch;
            } else {
                x = L + sh;
                y = T;
            }
            canvas.Font.Orientation = Angle * 10;
            canvas.TextOut(x, y, Text);
            canvas.Font.Orientation = 0;
        } else {
            TRect r(L, T, Rt, B);
            canvas.DrawText(Text, r, TextFlags | DT_CALCRECT);
            canvas.DrawText(Text, r, TextFlags);
        }
    }
    canvas.Brush.Style = savedStyle;
}

void CLabel::DrawHandles()
{
    if (!Selected || Locked)
        return;
    DrawCornerHandles(clLime);
}

void CLabel::MouseMove(TShiftState shift, int x, int y)
{
    TChildFrame* frame = Frame();
    if (frame)
        frame->FormMouseMove(nullptr, shift, x + Left(), y + Top());
    switch (DragState) {
    case DragNone:
        SetCursor(frame ? frame->Cursor() : crDefault);
        break;
    case DragMove: {
        const int dx = x - GrabPoint.X, dy = y - GrabPoint.Y;
        move(Left() + dx, Top() + dy);
        ObjectNotify(ocMoveSelection, dx, dy);
        Changed = true;
        break;
    }
    default:
        // A label is never resized with the mouse.
        break;
    }
}

void CLabel::EditProperties()
{
    const TFont& drawing = Font ? *Font : Canvas.Font;
    TLabelPropertiesRequest request;
    request.Text = Text;
    request.SampleFont = drawing;
    request.SampleFont.PixelsPerInch = Canvas.Font.PixelsPerInch;
    request.SampleFont.SetSize(FontSize);
    request.SampleFont.Orientation = 0;
    request.Angle = Angle;
    request.Bold = drawing.Style & fsBold;
    request.Italic = drawing.Style & fsItalic;
    QPointer<CLabel> self(this);
    const bool ok = MainWindowLink()->RunLabelPropertyDialog(parentWidget(), request);
    if (!self)
        return;
    if (ok)
        ApplyProperties(request.Text, request.Angle, request.SampleFont, request.Bold, request.Italic);
    update();
}

void CLabel::ApplyProperties(const QString& memoText, int angle, const TFont& sampleFont, bool bold,
                             bool italic)
{
    Text = memoText;
    if (!Text.isEmpty()) {
        Angle = angle;
        if (Rotated()) {
            // A rotated label is one line: the memo's first.
            for (qsizetype i = 0; i < Text.size(); ++i)
                if (Text[i] == QLatin1Char('\r') || Text[i] == QLatin1Char('\n')) {
                    Text.truncate(i);
                    break;
                }
        }
        Canvas.Font.Assign(sampleFont);
        FontSize = sampleFont.Size();
        Canvas.Font.Style = (Canvas.Font.Style & ~(fsBold | fsItalic)) | (bold ? fsBold : 0) |
                            (italic ? fsItalic : 0);
        Font = &Canvas.Font;
        Canvas.Font.SetSize(ZoomedFontSize());
        AdjustSizeToText();
    } else {
        Angle = 0;
    }
    SetSelected(true, false);
    ObjectNotify(ocChanged);
    update();
}
