#include "document/graphics_library_object.h"

#include "document/std.h"
#include "imageformats/picture_formats.h"
#include "platform/cursors.h"

#include <QApplication>
#include <QDrag>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

namespace {

// A JPEG file larger than this is not read for a thumbnail; no label background comes near it.
constexpr qint64 MaxJpegFileSize = qint64(256) << 20;

QByteArray ReadWholeFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw EInvalidGraphic(QStringLiteral("Cannot open file \"%1\". %2").arg(path, f.errorString()));
    if (f.size() > MaxJpegFileSize)
        throw EInvalidGraphic(SOutOfResources);
    QByteArray data = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw EInvalidGraphic(QStringLiteral("Cannot read file \"%1\". %2").arg(path, f.errorString()));
    return data;
}

// The picture reduced to size (averaging the pixels it drops) on white, as a 16-bit image.
QImage Reduce(const QImage& picture, const QSize& size)
{
    QImage work(size, QImage::Format_RGB32);
    if (work.isNull())
        throw EInvalidGraphic(SOutOfResources);
    work.fill(Qt::white);
    QPainter p(&work);
    if (picture.size() == size)
        p.drawImage(0, 0, picture);
    else
        p.drawImage(0, 0, picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    p.end();
    return work.convertToFormat(QImage::Format_RGB16);
}

// The class registered for the file's extension; the registry may be read from any thread.
QString RegisteredClass(const QString& path)
{
    const QString ext = QFileInfo(path).suffix();
    QString cls;
    if (ext.isEmpty())
        return cls;
    for (const TFileFormat& f : TPicture::FileFormats())
        if (f.Extension.compare(ext, Qt::CaseInsensitive) == 0)
            cls = f.ClassName;
    return cls;
}

} // namespace

CGraphicsLibraryObject::CGraphicsLibraryObject(TControlHost* owner)
    : TGraphicControl(owner), Thumbnail(std::make_unique<TBitmap>())
{
    Thumbnail->SetPixelFormat(pf16bit);
    SetTileSize(65);
    BoardSize = 2;
    ThumbRect = {BoardSize, BoardSize, width() - 2 * BoardSize, height() - 2 * BoardSize};
    // The readers of the other formats register themselves with the picture class.
    FakeInitPictureFormatsLib();
}

CGraphicsLibraryObject::~CGraphicsLibraryObject() = default;

void CGraphicsLibraryObject::SetBoardSize(int value)
{
    BoardSize = value;
    UpdateThumbRect();
    update();
}

void CGraphicsLibraryObject::SetTileSize(int n)
{
    resize(n, n);
    UpdateThumbRect();
    update();
}

QSize CGraphicsLibraryObject::ThumbnailSize(int width, int height, int tileWidth, int tileHeight)
{
    tileWidth = std::max(1, tileWidth);
    tileHeight = std::max(1, tileHeight);
    if (height <= 2 * tileHeight && width <= 2 * tileWidth)
        return QSize(width, height);
    int k = 4;
    while (RoundValue(double(width) / k) > tileWidth && RoundValue(double(height) / k) > tileHeight)
        ++k;
    // A readable picture always keeps a visible thumbnail, however thin it is.
    return QSize(std::max(1, RoundValue(double(width) / k)), std::max(1, RoundValue(double(height) / k)));
}

TJPEGScale CGraphicsLibraryObject::ThumbnailJpegScale(const QSize& full, const QSize& thumb)
{
    static const struct { TJPEGScale scale; int denom; } scales[] = {{jsEighth, 8}, {jsQuarter, 4}, {jsHalf, 2}};
    for (const auto& s : scales) {
        // libjpeg rounds the scaled size up.
        const int w = (full.width() + s.denom - 1) / s.denom;
        const int h = (full.height() + s.denom - 1) / s.denom;
        if (w >= thumb.width() && h >= thumb.height())
            return s.scale;
    }
    return jsFullSize;
}

QImage CGraphicsLibraryObject::MakeThumbnail(const QString& path, int tileWidth, int tileHeight)
{
    if (RegisteredClass(path) == QLatin1String("TJPEGImage")) {
        // Large JPEG pictures are decoded at a reduced scale: the full picture is never built.
        const QByteArray data = ReadWholeFile(path);
        const QSize full = TJPEGImage::ReadSize(data);
        if (full.isEmpty())
            return QImage();
        const QSize size = ThumbnailSize(full.width(), full.height(), tileWidth, tileHeight);
        return Reduce(TJPEGImage::Decode(data, ThumbnailJpegScale(full, size)), size);
    }
    TPicture picture;
    picture.LoadFromFile(path);
    if (picture.Empty() || picture.Width() <= 0 || picture.Height() <= 0)
        return QImage();
    const QSize size = ThumbnailSize(picture.Width(), picture.Height(), tileWidth, tileHeight);
    return Reduce(picture.Graphic()->ToImage(), size);
}

void CGraphicsLibraryObject::LoadFromFile(const QString& path)
{
    QImage thumbnail;
    try {
        thumbnail = MakeThumbnail(path, width(), height());
    } catch (const std::exception&) {
        // An unreadable file keeps the tile as it was; the panel drops tiles without a file.
        return;
    }
    SetThumbnail(thumbnail, path);
}

void CGraphicsLibraryObject::SetThumbnail(const QImage& thumbnail, const QString& path)
{
    if (thumbnail.isNull()) {
        FileName.clear();
        return;
    }
    Thumbnail->SetImage(thumbnail.convertToFormat(QImage::Format_RGB16));
    FileName = path;
    setToolTip(QFileInfo(path).fileName());
    UpdateThumbRect();
    update();
}

void CGraphicsLibraryObject::UpdateThumbRect()
{
    if (!Thumbnail || Thumbnail->Empty())
        return;
    const int aw = width() - 2 * BoardSize;
    const int ah = height() - 2 * BoardSize;
    const int tw = Thumbnail->Width();
    const int th = Thumbnail->Height();
    int w = tw, h = th;
    if (tw > aw || th > ah) {
        const int longer = tw >= th ? tw : th;
        const int available = tw >= th ? aw : ah;
        int p = 99;
        do {
            --p;
        } while (p > 2 && RoundValue(longer * p * 0.01) > available);
        w = RoundValue(tw * p * 0.01);
        h = RoundValue(th * p * 0.01);
    }
    ThumbRect = {RoundValue((aw - w) * 0.5) + BoardSize, RoundValue((ah - h) * 0.5) + BoardSize, w, h};
}

void CGraphicsLibraryObject::MouseMove(Qt::KeyboardModifiers, int, int)
{
    if (TControlHost* host = Host()) {
        for (TGraphicControl* control : host->Controls()) {
            auto* other = qobject_cast<CGraphicsLibraryObject*>(control);
            if (other && other != this && other->Highlighted) {
                other->Highlighted = false;
                other->update();
            }
        }
    }
    if (!Highlighted) {
        Highlighted = true;
        update();
    }
}

void CGraphicsLibraryObject::Paint(TCanvas& canvas)
{
    const TRect area = Bounds(ThumbRect.Left, ThumbRect.Top, ThumbRect.Width, ThumbRect.Height);
    if (Thumbnail && !Thumbnail->Empty()) {
        canvas.StretchDraw(area, Thumbnail.get());
    } else {
        const TColor old = canvas.Brush.Color;
        canvas.Brush.Color = clBlack;
        canvas.FillRect(area);
        canvas.Brush.Color = old;
    }
    if (Highlighted) {
        const TBrushStyle old = canvas.Brush.Style;
        canvas.Brush.Style = bsClear;
        canvas.Pen.Color = clBlue;
        canvas.Rectangle(0, 0, width(), height());
        canvas.Brush.Style = old;
    }
}

void CGraphicsLibraryObject::PaintControl(QPainter& painter)
{
    TCanvas canvas(&painter);
    Paint(canvas);
}

void CGraphicsLibraryObject::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    MouseMove(event->modifiers(), pos.x(), pos.y());
    if (m_pressed && (event->buttons() & Qt::LeftButton)
        && (pos - m_pressPos).manhattanLength() >= QApplication::startDragDistance()) {
        m_pressed = false;
        StartDrag();
    }
}

void CGraphicsLibraryObject::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        m_pressPos = event->position().toPoint();
    }
    // The tile keeps the press: passed on, it would reach the bar holding the library, whose
    // move loop takes the mouse before the tile's drag can start.
    event->accept();
}

void CGraphicsLibraryObject::mouseReleaseEvent(QMouseEvent*)
{
    m_pressed = false;
}

void CGraphicsLibraryObject::StartDrag()
{
    auto* drag = new QDrag(this);
    drag->setMimeData(new TControlDragData(this));
    if (Thumbnail && !Thumbnail->Empty() && ThumbRect.Width > 0 && ThumbRect.Height > 0) {
        const QImage img = Thumbnail->ToImage().scaled(ThumbRect.Width, ThumbRect.Height);
        drag->setPixmap(QPixmap::fromImage(img));
        drag->setHotSpot(QPoint(img.width() / 2, img.height() / 2));
    }
    UseScreenDragCursors(drag);
    drag->exec(Qt::CopyAction);
}

CGraphicsLibraryObject* CGraphicsLibraryObject::FromDrag(const QMimeData* data)
{
    const auto* drag = qobject_cast<const TControlDragData*>(data);
    if (!drag || !drag->Source)
        return nullptr;
    // Drag sources are told apart by class name, without case.
    if (drag->SourceClassName().compare(QStringLiteral("CGraphicsLibraryObject"), Qt::CaseInsensitive) != 0)
        return nullptr;
    return qobject_cast<CGraphicsLibraryObject*>(drag->Source.data());
}

TControlDragData::TControlDragData(QObject* source) : Source(source)
{
    setData(QString::fromLatin1(DragControlMimeType),
            source ? QByteArray(source->metaObject()->className()) : QByteArray());
}

QString TControlDragData::SourceClassName() const
{
    return QString::fromLatin1(data(QString::fromLatin1(DragControlMimeType)));
}
