// Writing and reading ".kvo" documents, and the window's Save, Save As and close question.
#include "document/document_file.h"

#include "document/child_frame.h"
#include "document/label.h"
#include "document/main_window_link.h"
#include "document/paper_catalogue.h"
#include "document/paper_type.h"
#include "document/picture_object.h"
#include "document/rectangle.h"
#include "document/std.h"
#include "lang/builtin_strings.h"
#include "platform/byte_order.h"
#include "platform/codepage.h"
#include "platform/cursors.h"
#include "platform/file_utils.h"
#include "platform/message_box.h"
#include "platform/picture.h"
#include "platform/registry.h"
#include "platform/same_text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace {

constexpr char kMagic[6] = {'K', 'V', 'O', '_', '2', '\0'};

// Objects from damaged files stay within what a window can show; real documents never come
// near these bounds.
constexpr double kMaxObjectPosition = 1 << 20;
constexpr double kMaxObjectExtent = 32767;

int ClampedRound(double v, double low, double high)
{
    if (!std::isfinite(v))
        return 0;
    return RoundValue(std::clamp(v, low, high));
}

[[noreturn]] void NoSuchProperty(const TStreamComponent& c, const QByteArray& name)
{
    throw EReadError(QStringLiteral("Error reading %1.%2: Property %2 does not exist")
                         .arg(QString::fromLatin1(c.ClassName), QString::fromLatin1(name)));
}

// The properties every streamed object inherits from the framework's control and from the
// design object. Their values are checked as the framework's reader would, then left unused.
bool TakeControlProperty(const TStreamProperty& p)
{
    const QByteArray& n = p.Name;
    if (SameText(n, "Tag") || SameText(n, "Left") || SameText(n, "Top") || SameText(n, "Width") ||
        SameText(n, "Height"))
        (void)p.Value.AsInteger();
    else if (SameText(n, "Cursor"))
        (void)p.Value.AsCursor();
    else if (SameText(n, "Hint"))
        (void)p.Value.AsString();
    else if (SameText(n, "Locked"))
        (void)p.Value.AsBoolean();
    else
        return false;
    return true;
}

void AddControlProperties(TStreamComponent& c, const CDesignObject& o)
{
    c.Add("Left", TPropertyValue::Integer(o.Left()));
    c.Add("Top", TPropertyValue::Integer(o.Top()));
    c.Add("Width", TPropertyValue::Integer(o.Width()));
    c.Add("Height", TPropertyValue::Integer(o.Height()));
    if (o.Cursor() != crDefault)
        c.Add("Cursor", TPropertyValue::Cursor(o.Cursor()));
    c.Add("Locked", TPropertyValue::Boolean(o.Locked));
}

QByteArray ComponentName(const CDesignObject& o)
{
    return ToAnsi(o.Name()).left(255);
}

// A value of the wrong kind names its property: "Error reading CLabel.FontSize: ...".
template <class F>
void ReadingProperty(const TStreamComponent& c, const TStreamProperty& p, F&& take)
{
    try {
        take();
    } catch (const EReadError& e) {
        const QString message = QString::fromUtf8(e.what());
        if (message.startsWith(QLatin1String("Error reading ")))
            throw;
        throw EReadError(QStringLiteral("Error reading %1.%2: %3")
                             .arg(QString::fromLatin1(c.ClassName), QString::fromLatin1(p.Name), message));
    }
}

void ApplyLabelProperty(CLabel& label, const TStreamComponent& c, const TStreamProperty& p)
{
    if (SameText(p.Name, "Text"))
        label.Text = p.Value.AsString();
    else if (SameText(p.Name, "FontSize"))
        label.FontSize = p.Value.AsInteger();
    else if (SameText(p.Name, "Angle"))
        label.Angle = p.Value.AsInteger();
    else if (p.Name.size() > 5 && SameText(p.Name.left(5), "Font.")) {
        if (!ReadFontProperty(p.Name.mid(5), p.Value, label.Canvas.Font))
            NoSuchProperty(c, p.Name);
    } else if (!TakeControlProperty(p))
        NoSuchProperty(c, p.Name);
}

void ApplyLabelStream(CLabel& label, const TStreamComponent& c)
{
    for (const TStreamProperty& p : c.Properties)
        ReadingProperty(c, p, [&] { ApplyLabelProperty(label, c, p); });
    label.Font = &label.Canvas.Font;
}

void ApplyImageStream(CImage& image, const TStreamComponent& c)
{
    TPicture picture;
    bool stretch = false;
    for (const TStreamProperty& p : c.Properties) {
        ReadingProperty(c, p, [&] {
            if (SameText(p.Name, "StretchInRatio"))
                stretch = p.Value.AsBoolean();
            else if (p.Name.size() > 6 && SameText(p.Name.left(6), "Image.")) {
                if (!ReadPictureProperty(p.Name.mid(6), p.Value, picture))
                    NoSuchProperty(c, p.Name);
            } else if (!TakeControlProperty(p))
                NoSuchProperty(c, p.Name);
        });
    }
    image.SetStretchInRatio(stretch);
    image.SetImage(&picture);
}

} // namespace

void OpenDocumentFile(QFile& file, const QString& path)
{
    // Only plain files: a pipe or a device named here would block or never end.
    file.setFileName(path);
    if (!QFileInfo(path).isFile())
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\". No such file").arg(QDir::toNativeSeparators(path)));
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2")
                              .arg(QDir::toNativeSeparators(path), file.errorString()));
}

namespace {

// A caption that names no file, so that a later Save asks where to write.
void LeaveUntitled(TChildFrame& frame)
{
    QString name = MainWindowLink()->UntitledName();
    if (name.isEmpty())
        name = LoadLangStr(UntitledCaptionString) + QLatin1Char('1');
    frame.SetCaption(name);
}

// Closes a window that got no document, leaving nothing of the file behind: the recent-files
// list takes only files that exist under the window's caption.
void DiscardWindow(TChildFrame& frame)
{
    frame.Modified = false;
    frame.SetCaption(QString());
    frame.WindowWidget()->close();
}

// Every question and dialog below runs an event loop, in which the main window may close and
// free the document window (the session ends); nothing of the window is touched after that.

bool SaveDocumentAsFile(TChildFrame& frame)
{
    QPointer<TChildFrame> alive(&frame);
    frame.StartSaveDialogAtDocument(*frame.SaveDialog, QStringLiteral(".kvo"));
    if (!frame.SaveDialog->Execute() || !alive)
        return false;
    const QString file = frame.SaveDialog->FileName;
    frame.SaveDocument(file);
    frame.SetCaption(file);
    return true;
}

// The Save command; true when the document was written.
bool SaveCurrentDocument(TChildFrame& frame)
{
    QPointer<TChildFrame> alive(&frame);
    if (frame.ObjectCount() == 0 &&
        (Application->MessageBox(LoadLangStr(NothingToSaveString), frame.Caption(), MB_YESNO) != IDNO || !alive))
        return false;
    const QString path = frame.Caption();
    if (!path.isEmpty() && QFileInfo(path).isFile()) {
        frame.SaveDocument(path);
        return true;
    }
    return SaveDocumentAsFile(frame);
}

} // namespace

// ---- layout ----

QByteArray DocumentHeader::Encode() const
{
    QByteArray b(DocumentHeaderSize, '\0');
    char* p = b.data();
    std::memcpy(p, kMagic, sizeof kMagic);
    WriteLE16(p + 6, Count);
    WriteLE32(p + 8, uint32_t(HalfHeight));
    WriteLE32(p + 12, uint32_t(PaperCentre.X));
    WriteLE32(p + 16, uint32_t(PaperCentre.Y));
    WriteLE32(p + 20, OutlineColor);
    WriteLE32(p + 24, CoreColor);
    PaperID.toBytes(reinterpret_cast<uint8_t*>(p + 28));
    WriteLE32(p + 44, uint32_t(PageMode));
    return b;
}

bool DocumentHeader::Decode(const QByteArray& bytes, DocumentHeader& header)
{
    if (bytes.size() < qsizetype(sizeof kMagic) || std::memcmp(bytes.constData(), kMagic, sizeof kMagic) != 0)
        return false;
    if (bytes.size() < DocumentHeaderSize)
        throw EReadError("Stream read error");
    const char* p = bytes.constData();
    header.Count = ReadLE16(p + 6);
    header.HalfHeight = int32_t(ReadLE32(p + 8));
    header.PaperCentre = TPoint(int32_t(ReadLE32(p + 12)), int32_t(ReadLE32(p + 16)));
    header.OutlineColor = ReadLE32(p + 20);
    header.CoreColor = ReadLE32(p + 24);
    header.PaperID = TGUID::fromBytes(reinterpret_cast<const uint8_t*>(p + 28));
    header.PageMode = int32_t(ReadLE32(p + 44));
    return true;
}

QByteArray ObjectRecord::Encode() const
{
    QByteArray b(ObjectRecordSize, '\0');
    char* p = b.data();
    WriteLE32(p, uint32_t(Kind));
    WriteLE32(p + 4, uint32_t(Left));
    WriteLE32(p + 8, uint32_t(Top));
    WriteLE32(p + 12, uint32_t(Width));
    WriteLE32(p + 16, uint32_t(Height));
    WriteFixedField(p + 20, ObjectRecordNameSize, Name);
    return b;
}

ObjectRecord ObjectRecord::Decode(const char* p)
{
    ObjectRecord r;
    r.Kind = int32_t(ReadLE32(p));
    r.Left = int32_t(ReadLE32(p + 4));
    r.Top = int32_t(ReadLE32(p + 8));
    r.Width = int32_t(ReadLE32(p + 12));
    r.Height = int32_t(ReadLE32(p + 16));
    r.Name = ReadFixedField(p + 20, ObjectRecordNameSize);
    return r;
}

QByteArray ShapeObjectData::Encode() const
{
    QByteArray b(ShapeObjectDataSize, '\0');
    WriteLE32(b.data(), LineColor);
    WriteLE32(b.data() + 4, CoreColor);
    b[8] = char(LineWidth);
    return b;
}

ShapeObjectData ShapeObjectData::Decode(const char* p)
{
    ShapeObjectData d;
    d.LineColor = ReadLE32(p);
    d.CoreColor = ReadLE32(p + 4);
    d.LineWidth = uint8_t(p[8]);
    return d;
}

int ObjectKindOf(const CDesignObject* object)
{
    // An ellipse is a rectangle too, so it is asked for first.
    if (qobject_cast<const CLabel*>(object))
        return okLabel;
    if (qobject_cast<const CImage*>(object))
        return okImage;
    if (qobject_cast<const CEllipse*>(object))
        return okEllipse;
    if (qobject_cast<const CRectangle*>(object))
        return okRectangle;
    return -1;
}

QString ObjectKindPrefix(int kind)
{
    switch (kind) {
    case okLabel: return QStringLiteral("CLabel");
    case okImage: return QStringLiteral("CImage");
    case okRectangle: return QStringLiteral("CRect");
    case okEllipse: return QStringLiteral("CElips");
    default: return QString();
    }
}

// ---- component streams ----

TStreamComponent LabelComponent(const CLabel& label)
{
    TStreamComponent c;
    c.ClassName = "CLabel";
    c.Name = ComponentName(label);
    AddControlProperties(c, label);
    if (label.Angle != 0)
        c.Add("Angle", TPropertyValue::Integer(label.Angle));
    if (label.FontSize != 0)
        c.Add("FontSize", TPropertyValue::Integer(label.FontSize));
    AddFontProperties(c, "Font", label.Font ? *label.Font : label.Canvas.Font);
    if (!label.Text.isEmpty())
        c.Add("Text", TPropertyValue::String(label.Text));
    return c;
}

TStreamComponent ImageComponent(const CImage& image)
{
    TStreamComponent c;
    c.ClassName = "CImage";
    c.Name = ComponentName(image);
    AddControlProperties(c, image);
    if (image.Image && image.Image->Graphic())
        c.Add("Image.Data", TPropertyValue::Binary(StoredPictureData(*image.Image)));
    if (image.StretchInRatio)
        c.Add("StretchInRatio", TPropertyValue::Boolean(true));
    return c;
}

QByteArray StoredPictureData(const TPicture& picture)
{
    const TGraphic* g = picture.Graphic();
    if (!g)
        return EncodePictureData(picture);
    bool keep = TPicture::CreateGraphic(g->ClassName()) != nullptr;
    QByteArray data;
    if (keep) {
        try {
            data = EncodePictureData(picture);
        } catch (const std::exception&) {
            keep = false;
        }
    }
    // Bitmaps and JPEG images always carry their data; other classes write their own, which
    // must be more than the class name when there is a picture.
    if (keep && !g->Empty() && !dynamic_cast<const TBitmap*>(g) && !dynamic_cast<const TJPEGImage*>(g) &&
        data.size() <= 1 + g->ClassName().toLatin1().size())
        keep = false;
    if (keep)
        return data;
    auto bitmap = std::make_unique<TBitmap>();
    if (!g->Empty())
        bitmap->Assign(*g);
    TPicture asBitmap;
    asBitmap.SetGraphic(std::move(bitmap));
    return EncodePictureData(asBitmap);
}

QByteArray EncodeDocument(const TChildFrame& frame, bool selectedOnly, int* written)
{
    std::vector<std::pair<CDesignObject*, int>> objects;
    for (CDesignObject* o : frame.Objects()) {
        const int kind = ObjectKindOf(o);
        if (kind < 0 || (selectedOnly && !o->Selected))
            continue;
        objects.emplace_back(o, kind);
    }
    if (objects.size() > 0xFFFF)
        throw EWriteError("A document holds at most 65535 objects");

    DocumentHeader header;
    header.Count = uint16_t(objects.size());
    header.HalfHeight = frame.HalfHeight;
    header.PaperCentre = frame.PaperCentre;
    header.OutlineColor = frame.OutlineColor;
    header.CoreColor = frame.CoreColor;
    if (frame.Paper)
        header.PaperID = frame.Paper->ID;
    header.PageMode = frame.PageMode;

    // Each object's bytes first, then one buffer of the whole size: growing one buffer object by
    // object copied the document over and over.
    std::vector<QByteArray> parts;
    parts.reserve(2 * objects.size() + 1);
    parts.push_back(header.Encode());
    for (const auto& [o, kind] : objects) {
        ObjectRecord r;
        r.Kind = kind;
        r.Left = o->Left();
        r.Top = o->Top();
        r.Width = o->Width();
        r.Height = o->Height();
        r.Name = o->Name();
        parts.push_back(r.Encode());
        switch (kind) {
        case okLabel: parts.push_back(WriteComponentStream(LabelComponent(*static_cast<const CLabel*>(o)))); break;
        case okImage: parts.push_back(WriteComponentStream(ImageComponent(*static_cast<const CImage*>(o)))); break;
        default: {
            const auto* shape = static_cast<const CRectangle*>(o);
            ShapeObjectData d;
            d.LineColor = shape->LineColor;
            d.CoreColor = shape->CoreColor;
            d.LineWidth = uint8_t(uint32_t(shape->LineWidth) & 0xFF);
            parts.push_back(d.Encode());
            break;
        }
        }
    }
    qsizetype size = 0;
    for (const QByteArray& part : parts)
        size += part.size();
    QByteArray out;
    out.reserve(size);
    for (QByteArray& part : parts) {
        out += part;
        part = QByteArray();  // the copy is made: the part's memory goes back at once
    }
    if (written)
        *written = int(objects.size());
    return out;
}

// ---- reading ----

QByteArray TDocumentReader::readExactly(qint64 size)
{
    QByteArray b = m_device.read(size);
    if (b.size() != size)
        throw EReadError("Stream read error");
    return b;
}

bool TDocumentReader::ReadHeader(DocumentHeader& header)
{
    const QByteArray b = m_device.read(DocumentHeaderSize);
    if (!DocumentHeader::Decode(b, header))
        return false;
    // The scale reference: a file without one cannot be placed on any window. A page mode
    // other than label or full page has no paper to show and would be written back as it is.
    return header.HalfHeight > 0 && (header.PageMode == PageModeLabel || header.PageMode == PageModeFull);
}

TDocumentReader::Object TDocumentReader::ReadObject()
{
    Object o;
    o.Record = ObjectRecord::Decode(readExactly(ObjectRecordSize).constData());
    switch (o.Record.Kind) {
    case okLabel:
    case okImage: {
        o.Component = ReadComponentStream(m_device);
        const QByteArray expected = o.Record.Kind == okLabel ? "CLabel" : "CImage";
        if (o.Component.ClassName != "CLabel" && o.Component.ClassName != "CImage")
            throw EClassNotFound(
                QStringLiteral("Class %1 not found").arg(QString::fromLatin1(o.Component.ClassName)));
        if (o.Component.ClassName != expected || !o.Component.Children.empty())
            throw EReadError("Invalid stream format");
        break;
    }
    case okRectangle:
    case okEllipse:
        o.Shape = ShapeObjectData::Decode(readExactly(ShapeObjectDataSize).constData());
        break;
    default:
        throw EBadDocument(QStringLiteral("Invalid object kind %1").arg(o.Record.Kind));
    }
    return o;
}

CDesignObject* AddDocumentObject(TChildFrame& frame, const DocumentHeader& header, float scale,
                                 const TDocumentReader::Object& o, const QString& name)
{
    const ObjectRecord& r = o.Record;
    std::unique_ptr<CDesignObject> object;
    switch (r.Kind) {
    case okLabel: object = std::make_unique<CLabel>(nullptr); break;
    case okImage: object = std::make_unique<CImage>(nullptr); break;
    case okRectangle: object = std::make_unique<CRectangle>(nullptr); break;
    case okEllipse: object = std::make_unique<CEllipse>(nullptr); break;
    default: throw EBadDocument(QStringLiteral("Invalid object kind %1").arg(r.Kind));
    }

    object->SetName(name);
    object->Zoom = float(frame.Zoom) * 0.01f;
    switch (r.Kind) {
    case okLabel: ApplyLabelStream(*static_cast<CLabel*>(object.get()), o.Component); break;
    case okImage: ApplyImageStream(*static_cast<CImage*>(object.get()), o.Component); break;
    default: {
        auto* shape = static_cast<CRectangle*>(object.get());
        shape->LineColor = o.Shape.LineColor;
        shape->CoreColor = o.Shape.CoreColor;
        shape->LineWidth = o.Shape.LineWidth;
        break;
    }
    }

    // The payload was taken: from here on the object belongs to the window.
    CDesignObject* added = object.release();
    added->SetParent(&frame);
    // Around this window's paper centre, scaled by the ratio of the half-heights.
    const double s = double(scale);
    const float dx = float(int64_t(header.PaperCentre.X) - int64_t(r.Left));
    const float dy = float(int64_t(header.PaperCentre.Y) - int64_t(r.Top));
    added->SetBounds(ClampedRound(double(frame.PaperCentre.X) - double(dx) * s, -kMaxObjectPosition, kMaxObjectPosition),
                     ClampedRound(double(frame.PaperCentre.Y) - double(dy) * s, -kMaxObjectPosition, kMaxObjectPosition),
                     ClampedRound(double(r.Width) * s, 0, kMaxObjectExtent),
                     ClampedRound(double(r.Height) * s, 0, kMaxObjectExtent));
    if (r.Kind == okLabel)
        added->SetSize(100, 100);
    added->SetSelected(true, false);
    return added;
}

bool HasObjectNamed(const TChildFrame& frame, const QString& name)
{
    return frame.Page->HasObjectNamed(name);
}

QString NewObjectName(const TChildFrame& frame, const QString& prefix)
{
    const QString suffix = frame.MakeObjectNameSuffix();
    QString name = prefix + suffix;
    if (!HasObjectNamed(frame, name))
        return name;
    // The suffix starts with "_" and the count; the time follows it.
    const int count = frame.ObjectCount() + 1;
    const QString head = QLatin1Char('_') + QString::number(count);
    const bool counted = suffix.startsWith(head);
    const QString time = counted ? suffix.mid(head.size()) : suffix;
    for (int n = count + 1;; ++n) {
        name = counted ? prefix + QLatin1Char('_') + QString::number(n) + time
                       : prefix + suffix + QLatin1Char('_') + QString::number(n);
        if (!HasObjectNamed(frame, name))
            return name;
    }
}

// ---- the window's file commands ----

void TChildFrame::SaveDocument(const QString& path)
{
    const QByteArray bytes = EncodeDocument(*this, false);
    // A temporary file beside the document replaces it only once it is complete.
    QString error;
    if (!WriteFileAtomic(path, bytes, &error))
        throw EFCreateError(QStringLiteral("Cannot create file \"%1\". %2").arg(QDir::toNativeSeparators(path), error));
    MainWindowLink()->AddRecentFile(path);
    SetModified(false);
}

void TChildFrame::SaveDocumentAs()
{
    SaveDocumentAsFile(*this);
}

void TChildFrame::QuerySaveDocument()
{
    SaveCurrentDocument(*this);
}

void TChildFrame::FormCloseQuery(QObject*, bool& canClose)
{
    canClose = true;
    if (!Modified)
        return;
    QPointer<TChildFrame> alive(this);
    const int answer = Application->MessageBox(LoadLangStr(SaveJobQuestionString), Caption(), MB_YESNOCANCEL);
    if (!alive)
        return;
    switch (answer) {
    case IDYES:
        // The window goes only once its document is safe on disk.
        try {
            canClose = SaveCurrentDocument(*this);
        } catch (const std::exception& e) {
            if (alive)
                Application->ShowException(e);
            canClose = false;
        }
        break;
    case IDNO:
        break;
    default:
        canClose = false;
        break;
    }
}

void TChildFrame::LoadDocument(const QString& path)
{
    QPointer<TChildFrame> alive(this);
    bool paperMissing = false;
    try {
        QFile file;
        OpenDocumentFile(file, path);
        TDocumentReader reader(file);
        DocumentHeader header;
        if (!reader.ReadHeader(header)) {
            MessageDlg(FileMessageText(path, LoadLangStr(NotLabelFileString)), mtInformation, mbOK);
            if (alive)
                DiscardWindow(*this);
            return;
        }

        PageMode = header.PageMode;
        bool known = false;
        if (const PaperType* source = PaperOrFirst(header.PaperID, &known))
            CopyPaperType(source, Paper.get());
        Paper->ID = header.PaperID;
        if (!known) {
            paperMissing = true;
            ShowMessage(LoadLangStr(UnknownPaperString));
            if (!alive)
                return;
            PaperPropertiesItemClick();
            if (!alive)
                return;
        }

        BaseWidth = 0;
        LayoutPaperArea();
        LoadPaperMask();
        BaseWidth = PaperBaseWidth(*Paper, PageMode, Screen->PixelsPerInch);
        PreviousHalfHeight = HalfHeight;
        FormResize(this);

        OutlineColor = header.OutlineColor;
        CoreColor = header.CoreColor;
        SetColor(CoreColor);
        LayoutPaperArea();
        FormResize(this);

        const float scale = float(HalfHeight) / float(header.HalfHeight);
        // All pictures of the document together stay within one memory budget.
        const TPictureMemoryBudget budget;
        for (int i = 0; i < header.Count; ++i) {
            const TDocumentReader::Object o = reader.ReadObject();
            QString name = o.Record.Name;
            if (!name.isEmpty() && HasObjectNamed(*this, name))
                name = NewObjectName(*this, ObjectKindPrefix(o.Record.Kind));
            AddDocumentObject(*this, header, scale, o, name);
        }
        // More than the header counted: the count is damaged, and saving what it covers would
        // throw the rest away.
        if (!file.atEnd())
            throw EBadDocument(QStringLiteral("Data after the last object"));
    } catch (const EOutOfPictureMemory& e) {
        if (!alive)
            return;
        // Pictures too large to hold together: the document is refused as a whole.
        Application->ShowFileException(path, e);
        if (alive)
            DiscardWindow(*this);
        return;
    } catch (const std::exception& e) {
        if (!alive)
            return;
        // What was read stays, but the window no longer names the file: a later Save cannot
        // replace the whole document with the part that could be read.
        LeaveUntitled(*this);
        if (dynamic_cast<const EBadDocument*>(&e))
            MessageDlg(FileMessageText(path, LoadLangStr(NotLabelFileString)), mtInformation, mbOK);
        else
            Application->ShowFileException(path, e);
        if (!alive)
            return;
        Modified = false;
        FormActivate(this);
        SetModified(paperMissing);
        return;
    }

    {
        TRegIniFile reg(ProductKey());
        reg.WriteString(BasicInfo(), QStringLiteral("LastDir"), QFileInfo(Caption()).absolutePath());
    }
    Modified = false;
    FormActivate(this);
    SetModified(paperMissing);
}
