// Cut, copy and paste of design objects, and pasting text and pictures as new objects.
#include "document/clipboard.h"

#include "document/child_frame.h"
#include "document/document_file.h"
#include "document/label.h"
#include "document/picture_object.h"
#include "document/std.h"
#include "platform/codepage.h"
#include "platform/file_utils.h"
#include "platform/message_box.h"
#include "platform/picture.h"
#include "platform/stream_errors.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <cstring>
#include <memory>

namespace {

bool FitsBlock(const QString& path, QByteArray& bytes)
{
    bytes = ToAnsi(path);
    return bytes.size() < ClipboardPathSize && FromAnsi(bytes) == path;
}

// The text as a label holds it: lines end in CR LF.
QString WithCrLf(const QString& text)
{
    QString out;
    out.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\n') && (i == 0 || text.at(i - 1) != QLatin1Char('\r')))
            out += QLatin1Char('\r');
        out += c;
    }
    return out;
}

// The clipboard's picture as a bitmap; transparent parts are laid on white paper.
std::unique_ptr<TBitmap> ClipboardBitmap(const QImage& image)
{
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    {
        QPainter p(&flat);
        p.drawImage(0, 0, image);
    }
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetImage(flat);
    return bitmap;
}

} // namespace

QByteArray EncodeClipboardBlock(uint32_t count, const QString& path)
{
    QByteArray block(ClipboardBlockSize, '\0');
    for (int i = 0; i < 4; ++i)
        block[i] = char((count >> (8 * i)) & 0xFF);
    QByteArray bytes;
    if (!FitsBlock(path, bytes))
        throw EFCreateError(QStringLiteral("Cannot create file \"%1\". The path is too long").arg(path));
    std::memcpy(block.data() + 4, bytes.constData(), size_t(bytes.size()));
    return block;
}

bool DecodeClipboardBlock(const QByteArray& block, uint32_t& count, QString& path)
{
    if (block.size() < 5)
        return false;
    count = 0;
    for (int i = 0; i < 4; ++i)
        count |= uint32_t(uint8_t(block[i])) << (8 * i);
    // Up to the NUL, and never past the path field.
    path = FromAnsi(block.mid(4, ClipboardPathSize));
    return !path.isEmpty();
}

QString TransferFileName(const QString& caption)
{
    const QString dir = TempDir();
    const QString prefix = dir + QStringLiteral("KVO2K_");
    const QString ext = QStringLiteral(".clp");
    QString base = QFileInfo(caption).completeBaseName();
    QByteArray bytes;
    if (!FitsBlock(prefix + base + ext, bytes)) {
        // A name the code page cannot spell is replaced; a long one is cut until it fits.
        if (FromAnsi(ToAnsi(base)) != base)
            base = QString::number(qHash(base), 16);
        while (!base.isEmpty() && !FitsBlock(prefix + base + ext, bytes))
            base.chop(base.size() >= 2 && base.at(base.size() - 1).isLowSurrogate() ? 2 : 1);
        if (!FitsBlock(prefix + base + ext, bytes))
            throw EFCreateError(QStringLiteral("Cannot create file in \"%1\". The path is too long").arg(dir));
    }
    return prefix + base + ext;
}

// ---- the window's clipboard commands ----

void TChildFrame::CopySelection()
{
    int selected = 0;
    for (CDesignObject* o : Objects())
        if (o->Selected && ObjectKindOf(o) >= 0)
            ++selected;
    if (selected == 0)
        return;
    const QString path = TransferFileName(Caption());
    int written = 0;
    const QByteArray bytes = EncodeDocument(*this, true, &written);
    // The file is complete before the clipboard names it; a failed write leaves the clipboard
    // as it was.
    QString error;
    if (!WriteFileAtomic(path, bytes, &error))
        throw EFCreateError(QStringLiteral("Cannot create file \"%1\". %2").arg(QDir::toNativeSeparators(path), error));
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(CF_MIXEDOBJ), EncodeClipboardBlock(uint32_t(written), path));
    QGuiApplication::clipboard()->setMimeData(data);
}

void TChildFrame::CutSelection()
{
    bool any = false;
    for (CDesignObject* o : Objects())
        any = any || o->Selected;
    if (!any)
        return;
    CopySelection();
    // Locked objects go too: they were copied with the rest.
    const std::vector<CDesignObject*> objects = Objects();
    for (auto it = objects.rbegin(); it != objects.rend(); ++it)
        if ((*it)->Selected)
            delete *it;
    SetModified(true);
    Refresh();
}

void TChildFrame::PasteItemClick()
{
    PasteClipboard();
}

void TChildFrame::PasteClipboard()
{
    const QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard->mimeData();
    if (!data)
        return;

    const QString mixed = QString::fromLatin1(CF_MIXEDOBJ);
    if (data->hasFormat(mixed)) {
        uint32_t count = 0;
        QString path;
        if (!DecodeClipboardBlock(data->data(mixed), count, path))
            return;
        QFile file;
        OpenDocumentFile(file, path);
        TDocumentReader reader(file);
        DocumentHeader header;
        if (!reader.ReadHeader(header))
            return;
        const float scale = float(HalfHeight) / float(header.HalfHeight);
        int pasted = 0;
        try {
            for (int i = 0; i < header.Count; ++i) {
                const TDocumentReader::Object o = reader.ReadObject();
                AddDocumentObject(*this, header, scale, o, NewObjectName(*this, ObjectKindPrefix(o.Record.Kind)));
                ++pasted;
            }
        } catch (const EBadDocument&) {
            if (pasted)
                SetModified(true);
            MessageDlg(LoadLangStr(NotLabelFileString), mtInformation, mbOK);
            return;
        } catch (...) {
            if (pasted)
                SetModified(true);
            throw;
        }
        SetModified(true);
        return;
    }

    // Text and pictures start at the paper's top-left corner.
    const int left = PaperCentre.X - HalfWidth, top = PaperCentre.Y - HalfHeight;
    if (data->hasText()) {
        auto* label = new CLabel(nullptr);
        label->SetName(NewObjectName(*this, QStringLiteral("CLabel")));
        label->SetParent(this);
        label->move(left, top);
        label->Zoom = float(Zoom) * 0.01f;
        label->Text = WithCrLf(data->text());
        label->Canvas.Font.Name = QStringLiteral("Times New Roman");
        label->FontSize = 10;
        label->Canvas.Font.Color = clBlack;
        label->Font = &label->Canvas.Font;
        label->SetSize(100, 100);
        label->SetSelected(true, false);
        SetModified(true);
        return;
    }

    const QImage image = ClipboardPicture(data);
    if (image.isNull()) {
        // Paste was offered for a picture format; say why nothing came of it.
        if (ClipboardOffersPicture(data))
            MessageDlg(LoadLangStr(ClipboardPictureUnreadableString), mtWarning, mbOK);
        return;
    }
    const QString name = NewObjectName(*this, QStringLiteral("CImage"));
    auto* picture = new CImage(nullptr);
    picture->SetName(name);
    picture->SetParent(this);
    picture->move(left, top);
    {
        TPicture p;
        p.SetGraphic(ClipboardBitmap(image));
        picture->SetImage(&p);
    }
    picture->Zoom = float(Zoom) * 0.01f;
    const TGraphic* g = picture->Image->Graphic();
    picture->SetSize(int(int64_t(g->Width()) * Zoom / 100), int(int64_t(g->Height()) * Zoom / 100));
    picture->SetSelected(true, false);
    SetModified(true);
}

bool ClipboardOffersMixedObj(const QMimeData* data)
{
    return data && data->hasFormat(QString::fromLatin1(CF_MIXEDOBJ));
}

bool ClipboardOffersPicture(const QMimeData* data)
{
    if (!data)
        return false;
    if (data->hasImage())
        return true;
    for (const QString& format : data->formats())
        if (format.startsWith(QLatin1String("image/"), Qt::CaseInsensitive))
            return true;
    return false;
}

bool ClipboardOffersPaste(const QMimeData* data)
{
    return data && (ClipboardOffersMixedObj(data) || ClipboardOffersPicture(data) || data->hasText());
}

QImage ClipboardPicture(const QMimeData* data)
{
    if (!data)
        return {};
    if (data->hasImage()) {
        const QImage image = qvariant_cast<QImage>(data->imageData());
        if (!image.isNull())
            return image;
    }
    for (const QString& format : data->formats()) {
        if (!format.startsWith(QLatin1String("image/"), Qt::CaseInsensitive))
            continue;
        const QImage image = QImage::fromData(data->data(format));
        if (!image.isNull())
            return image;
    }
    return {};
}
