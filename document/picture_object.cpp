#include "document/picture_object.h"

#include "document/child_frame.h"
#include "document/main_window_link.h"
#include "document/std.h"
#include "imageformats/picture_formats.h"
#include "platform/cursors.h"
#include "platform/message_box.h"
#include "platform/picture.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <algorithm>
#include <cmath>

namespace {

int PixelsPerInch()
{
    return Screen && Screen->PixelsPerInch > 0 ? Screen->PixelsPerInch : 96;
}

// Top-left corner of the paper area in the window.
void PaperOrigin(const CDesignObject& o, int& ox, int& oy)
{
    ox = oy = 0;
    if (const TChildFrame* f = o.Frame()) {
        ox = RoundCoordinate((f->ClientWidth() - 2.0 * f->HalfWidth) * 0.5);
        oy = RoundCoordinate((f->ClientHeight() - 2.0 * f->HalfHeight) * 0.5);
    }
}

// Pixels per tenth of a millimetre on the page at o's zoom.
double TenthPixels(const CDesignObject& o)
{
    return PixelsPerInch() * 0.03937007874015748 * double(o.Zoom) * 0.1;
}

// The pixels of a typed size; an object keeps at least a pixel each way, so that it can still
// be seen and clicked.
int SizePixels(int tenths, double k)
{
    return std::max(RoundCoordinate(tenths * k), 1);
}

} // namespace

TObjectBoxes ObjectBoxesOf(const CDesignObject& o)
{
    const double m = 25.4 / PixelsPerInch();
    const double zoom = o.Zoom;
    int ox, oy;
    PaperOrigin(o, ox, oy);
    TObjectBoxes b;
    b.Left = RoundCoordinate((o.Left() - ox) * m * 10 / zoom);
    b.Top = RoundCoordinate((o.Top() - oy) * m * 10 / zoom);
    b.Width = RoundCoordinate(o.Width() * m * 10 / zoom);
    b.Height = RoundCoordinate(o.Height() * m * 10 / zoom);
    if (const std::optional<TObjectBoxes>& typed = o.TypedBoxes()) {
        const double k = TenthPixels(o);
        if (RoundCoordinate(typed->Left * k) + ox == o.Left())
            b.Left = typed->Left;
        if (RoundCoordinate(typed->Top * k) + oy == o.Top())
            b.Top = typed->Top;
        if (SizePixels(typed->Width, k) == o.Width())
            b.Width = typed->Width;
        if (SizePixels(typed->Height, k) == o.Height())
            b.Height = typed->Height;
    }
    return b;
}

void ApplyObjectBoxes(CDesignObject& o, const TObjectBoxes& shown, const TObjectBoxes& typed)
{
    const double k = TenthPixels(o);
    int ox, oy;
    PaperOrigin(o, ox, oy);
    if (typed.Left != shown.Left)
        o.SetLeft(RoundCoordinate(typed.Left * k) + ox);
    if (typed.Top != shown.Top)
        o.SetTop(RoundCoordinate(typed.Top * k) + oy);
    if (typed.Width != shown.Width)
        o.SetWidth(SizePixels(typed.Width, k));
    if (typed.Height != shown.Height)
        o.SetHeight(SizePixels(typed.Height, k));
    o.SetTypedBoxes(typed);
}

CImage::CImage(QWidget* owner) : CDesignObject(owner)
{
    FakeInitPictureFormatsLib();
    StretchInRatio = false;
    Image = std::make_unique<TPicture>();
    HasPicture = false;
}

CImage::~CImage() = default;

void CImage::UpdateHasPicture()
{
    HasPicture = Image && !Image->Empty();
}

void CImage::SetImage(const TPicture* value)
{
    Image->Assign(value);
    UpdateHasPicture();
}

void CImage::FillPopupMenu(TObjectMenu& menu)
{
    CDesignObject::FillPopupMenu(menu);
    menu.addSeparator();
    menu.EditItem = menu.AddItem("EditItem", [this] { EditItemClick(); });
    menu.SizeItem = menu.AddItem("SizeItem", [this] { SizeItemClick(); });
}

void CImage::LoadCaptions()
{
    CDesignObject::LoadCaptions();
    if (TObjectMenu* menu = ShownMenu()) {
        menu->EditItem->setText(LoadLangStr(EditImageItemString));
        menu->EditItem->setStatusTip(LoadLangStr(EditImageHintString));
        menu->SizeItem->setText(LoadLangStr(OriginalSizeItemString));
        menu->SizeItem->setStatusTip(LoadLangStr(OriginalSizeHintString));
    }
    update();
}

void CImage::FitToRatio(int& w, int& h) const
{
    const int pw = Image->Width(), ph = Image->Height();
    if (pw <= 0 || ph <= 0)
        return;
    const float r = float(pw) / float(ph);
    // A height of 0 counts as a very wide request.
    const float q = h == 0 ? float(w) * 10.0f : float(w) / float(h);
    if (q > r)
        w = RoundCoordinate(double(h) * double(r));
    else if (q < r)
        h = RoundCoordinate(double(w) / double(r));
}

void CImage::SetSize(int width, int height)
{
    if (RatioMode())
        FitToRatio(width, height);
    resize(std::max(width, 0), std::max(height, 0));
}

void CImage::Paint()
{
    const int W = Width(), H = Height();
    if (!HasPicture) {
        const TBrushStyle saved = Canvas.Brush.Style;
        Canvas.Brush.Style = bsSolid;
        Canvas.Rectangle(1, 1, W - 1, H - 1);
        const QString text = LoadLangStr(PicturePlaceholderString);
        const int tw = Canvas.TextWidth(text), th = Canvas.TextHeight(text);
        Canvas.TextOut(W / 2 - tw / 2, H / 2 - th / 2, text);
        Canvas.Brush.Style = saved;
    } else {
        Canvas.StretchDraw(TRect(0, 0, W, H), Image->Graphic());
    }
    if (Selected)
        DrawHandles();
}

bool CImage::PaintsOpaque() const
{
    if (!HasPicture || Canvas.CopyMode != cmSrcCopy || !Canvas.Transform.isIdentity())
        return false;
    const TGraphic* graphic = Image->Graphic();
    if (!graphic || graphic->Empty() || graphic->Transparent())
        return false;
    if (const auto* bitmap = dynamic_cast<const TBitmap*>(graphic))
        return !bitmap->image().hasAlphaChannel();
    return dynamic_cast<const TJPEGImage*>(graphic) != nullptr; // never has alpha
}

void CImage::DrawTo(TCanvas& canvas, QPoint position, float scale)
{
    if (!HasPicture)
        return; // the placeholder is never printed
    const double s = scale;
    canvas.StretchDraw(TRect(RoundCoordinate(position.x() * s), RoundCoordinate(position.y() * s),
                             RoundCoordinate((position.x() + double(Width())) * s),
                             RoundCoordinate((position.y() + double(Height())) * s)),
                       Image->Graphic());
}

void CImage::DrawHandles()
{
    if (!RatioMode()) {
        CDesignObject::DrawHandles();
        return;
    }
    if (!Selected || Locked)
        return;
    DrawCornerHandles(clBlue);
}

void CImage::MouseMove(TShiftState shift, int x, int y)
{
    if (!RatioMode()) {
        CDesignObject::MouseMove(shift, x, y);
        return;
    }
    TChildFrame* frame = Frame();
    if (frame)
        frame->FormMouseMove(nullptr, shift, x + Left(), y + Top());
    const int parentCursor = frame ? frame->Cursor() : crDefault;
    const int s = HandleSize, W = Width(), H = Height();
    switch (DragState) {
    case DragNone: {
        int cursor = parentCursor;
        if (parentCursor == crArrow && !Locked) {
            const bool left = 0 < x && x < s, right = W - s < x && x < W;
            const bool top = 0 < y && y < s, bottom = H - s < y && y < H;
            if ((left && top) || (right && bottom))
                cursor = crSizeNWSE;
            else if ((right && top) || (left && bottom))
                cursor = crSizeNESW;
        }
        SetCursor(cursor);
        break;
    }
    case DragMove: {
        const int dx = x - GrabPoint.X, dy = y - GrabPoint.Y;
        move(Left() + dx, Top() + dy);
        ObjectNotify(ocMoveSelection, dx, dy);
        Changed = true;
        break;
    }
    case DragTopLeft: case DragTopRight: case DragBottomLeft: case DragBottomRight:
        DragCorner(x, y);
        break;
    default:
        // Edge midpoints: only the corners resize in ratio mode.
        break;
    }
}

void CImage::DragCorner(int x, int y)
{
    const int X = x + Left(), Y = y + Top();
    const int L = AnchorLeft, Rr = AnchorRight, T = AnchorTop, B = AnchorBottom;
    const bool leftCorner = DragState == DragTopLeft || DragState == DragBottomLeft;
    const bool topCorner = DragState == DragTopLeft || DragState == DragTopRight;
    int x0, y0, w, h;
    bool reanchorX, reanchorY;

    // The dragged corner follows the pointer; the opposite edges stay. Past an opposite edge
    // the box continues on the other side of it, measured from that edge as for every object.
    if (leftCorner) {
        if (X <= Rr) { x0 = X; w = Rr - X; } else { x0 = Rr; w = X - Rr; }
        reanchorX = X <= Rr;
    } else {
        if (X < L) { x0 = X; w = L - X; } else { x0 = L; w = X - L; }
        reanchorX = X < L;
    }
    if (topCorner) {
        if (Y < B) { y0 = Y; h = B - Y; } else { y0 = B; h = Y - B; }
        reanchorY = Y < B;
    } else {
        if (Y <= T) { y0 = Y; h = T - Y; } else { y0 = T; h = Y - T; }
        reanchorY = Y < T;
    }
    w = std::max(w, 0);
    h = std::max(h, 0);
    FitToRatio(w, h);
    if (reanchorY)
        y0 = (topCorner ? B : T) - h;
    if (reanchorX)
        x0 = (leftCorner ? Rr : L) - w;
    setGeometry(x0, y0, w, h);
    Changed = true;
}

void CImage::OriginalSize()
{
    if (!HasPicture) {
        resize(100, 60);
        return;
    }
    const double k = double(PixelsPerInch()) * double(Zoom) / 180.0;
    resize(std::max(RoundCoordinate(Image->Width() * k), 0),
           std::max(RoundCoordinate(Image->Height() * k), 0));
}

TPictureScale CImage::PictureScale() const
{
    TPictureScale s;
    if (!HasPicture)
        return s;
    s.Width = Image->Width();
    s.Height = Image->Height();
    s.ScaleX = s.Width ? float(Width()) / float(s.Width) : 0.0f;
    s.ScaleY = s.Height ? float(Height()) / float(s.Height) : 0.0f;
    return s;
}

void CImage::KeepPictureScale(const TPictureScale& before)
{
    if (!HasPicture)
        return;
    const int pw = Image->Width(), ph = Image->Height();
    if (pw == before.Width && ph == before.Height)
        return;
    if (before.Width != 0 && before.Height != 0)
        resize(std::max(RoundCoordinate(pw * double(before.ScaleX)), 0),
               std::max(RoundCoordinate(ph * double(before.ScaleY)), 0));
    else
        OriginalSize();
}

void CImage::EditImage()
{
    if (!HasPicture) {
        EditProperties();
        return;
    }
    const TPictureScale before = PictureScale();
    TPicture edited(*Image);
    QPointer<CImage> self(this);
    const bool modified = MainWindowLink()->RunImageEditor(parentWidget(), edited);
    if (!self)
        return;
    if (modified) {
        SetImage(&edited);
        KeepPictureScale(before);
        ObjectNotify(ocChanged);
    }
    update();
}

void CImage::EditProperties()
{
    const TPictureScale before = PictureScale();
    TImagePropertiesRequest request;
    request.Picture.Assign(Image.get());
    request.StretchInRatio = StretchInRatio;
    const TObjectBoxes shown = ObjectBoxesOf(*this);
    request.Left = shown.Left;
    request.Top = shown.Top;
    request.Width = shown.Width;
    request.Height = shown.Height;
    QPointer<CImage> self(this);
    const bool ok = MainWindowLink()->RunImagePropertyDialog(parentWidget(), request);
    if (!self || !ok)
        return;
    SetImage(&request.Picture);
    StretchInRatio = request.StretchInRatio;
    if (HasPicture) {
        // A new picture keeps the old one's scale on the page; the boxes the user changed win.
        KeepPictureScale(before);
        ApplyObjectBoxes(*this, shown,
                         TObjectBoxes{request.Left, request.Top, request.Width, request.Height});
    }
    update();
    SetSelected(true, false);
    ObjectNotify(ocChanged);
}

void CImage::EditItemClick()
{
    EditImage();
}

void CImage::SizeItemClick()
{
    OriginalSize();
    ObjectNotify(ocChanged);
}
