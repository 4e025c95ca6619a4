// Document files: the bytes written, reading them back into windows of other sizes, damaged
// files, and the Save, Save As and close questions around them.
#include "document/document_file.h"

#include "child_frame_test_support.h"
#include "document/label.h"
#include "document/picture_object.h"
#include "document/rectangle.h"
#include "document/std.h"
#include "lang/builtin_strings.h"
#include "platform/codepage.h"
#include "platform/file_utils.h"
#include "platform/picture.h"
#include "platform/registry.h"
#include "support/test_support.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <cstring>
#include <deque>
#include <sys/resource.h>
#include <unistd.h>
#include <limits>

using namespace frametest;

namespace {

// ---- byte builders for expected streams ----

QByteArray Str(const QByteArray& s)
{
    return char(s.size()) + s;
}

QByteArray LE32(uint32_t v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((v >> (8 * i)) & 0xFF);
    return b;
}

// An integer as the framework's writer stores it: the smallest kind that holds it.
QByteArray Int(int v)
{
    if (v >= -128 && v <= 127)
        return QByteArray("\x02", 1) + char(v);
    if (v >= -32768 && v <= 32767)
        return QByteArray("\x03", 1) + char(v & 0xFF) + char((v >> 8) & 0xFF);
    return QByteArray("\x04", 1) + LE32(uint32_t(v));
}

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray b;
    for (int v : values)
        b.append(char(v));
    return b;
}

// ---- test graphics ----

// A graphic of a class no reader knows that writes nothing of itself.
class TSketch : public TGraphic {
public:
    QString ClassName() const override { return QStringLiteral("TSketch"); }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TSketch>(*this); }
    void LoadFromStream(QIODevice&) override {}
    void SaveToStream(QIODevice&) const override {}
    int Width() const override { return 3; }
    int Height() const override { return 2; }
    bool Empty() const override { return false; }
    void Draw(TCanvas*, const TRect&) const override {}
    QImage ToImage() const override
    {
        QImage img(3, 2, QImage::Format_ARGB32);
        img.fill(QColor(255, 0, 0));
        return img;
    }
};

// A graphic that cannot be turned into a bitmap either: saving a document holding it fails.
class TBrokenSketch : public TSketch {
public:
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TBrokenSketch>(*this); }
    QImage ToImage() const override { throw EInvalidGraphic("This picture cannot be drawn"); }
};

TPicture BitmapPicture(int w, int h)
{
    auto bmp = std::make_unique<TBitmap>(w, h, pf24bit);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            bmp->image().setPixel(x, y, qRgb(x * 40 % 256, y * 70 % 256, 90));
    TPicture p;
    p.SetGraphic(std::move(bmp));
    return p;
}

// ---- file builders for damaged documents ----

QByteArray Header(uint16_t count, int32_t halfHeight = 190, TGUID paper = Id(1))
{
    DocumentHeader h;
    h.Count = count;
    h.HalfHeight = halfHeight;
    h.PaperCentre = TPoint(200, 200);
    h.PaperID = paper;
    return h.Encode();
}

QByteArray Record(int32_t kind, const QString& name, int32_t left = 150, int32_t top = 170, int32_t w = 60,
                  int32_t h = 30)
{
    ObjectRecord r;
    r.Kind = kind;
    r.Left = left;
    r.Top = top;
    r.Width = w;
    r.Height = h;
    r.Name = name;
    return r.Encode();
}

QByteArray Shape(int lineWidth = 1)
{
    ShapeObjectData d;
    d.LineWidth = uint8_t(lineWidth);
    return d.Encode();
}

QByteArray Stream(const QByteArray& className, std::vector<TStreamProperty> props = {})
{
    TStreamComponent c;
    c.ClassName = className;
    c.Name = "X";
    c.Properties = std::move(props);
    return WriteComponentStream(c);
}

class DocLink : public RecordingLink {
public:
    void AddRecentFile(const QString& path) override { recent << path; }
    QString UntitledName() override { return QStringLiteral("Edit7"); }
    bool RunPaperPropertyDialog(QWidget* owner, TPaperPropertiesRequest&) override
    {
        ++paperDialogRuns;
        dialogOwner = owner;
        return false;
    }
    QStringList recent;
    int paperDialogRuns = 0;
};

class DocumentFileTest : public FrameFixture {
protected:
    void SetUp() override
    {
        FrameFixture::SetUp();
        SetMainWindowLink(&doc);
        SetMessageBoxHandler([this](const MessageBoxCall& call) {
            calls.push_back(call);
            if (answers.empty())
                return IDOK;
            const int a = answers.front();
            answers.pop_front();
            return a;
        });
        SetFileDialogHandler([this](TOpenDialogEx& d) {
            ++dialogRuns;
            if (saveAsPath.isEmpty())
                return false;
            d.FileName = saveAsPath;
            return true;
        });
        dir = testsupport::freshDir(QStringLiteral("docfile-") +
                                    QString::fromLatin1(testing::UnitTest::GetInstance()->current_test_info()->name())
                                        .replace(QLatin1Char('/'), QLatin1Char('_')));
    }
    void TearDown() override
    {
        SetFileDialogHandler(nullptr);
        FrameFixture::TearDown();
    }

    // A window on paper n; label mode lays a circle paper out at 400 x 400.
    TChildFrame* Open(uint8_t paper, int width = 0, int height = 0)
    {
        doc.nextPaper = Id(paper);
        windows.push_back(std::make_unique<TChildFrame>());
        TChildFrame* f = windows.back().get();
        f->setAttribute(Qt::WA_DeleteOnClose, false);
        f->SetCaption(QStringLiteral("Edit1"));
        if (width > 0)
            f->SetClientSize(width, height);
        f->show();
        return f;
    }

    QString WriteFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir + QLatin1Char('/') + name;
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }

    static QByteArray ReadFile(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Opens path in a new window as the main window does: captioned with the path first.
    TChildFrame* Load(const QString& path, uint8_t paper = 1)
    {
        TChildFrame* f = Open(paper);
        f->SetCaption(path);
        calls.clear();
        f->LoadDocument(path);
        return f;
    }

    CLabel* AddLabel(TChildFrame* f, const QString& name, const QString& text, int left, int top)
    {
        auto* l = new CLabel(nullptr);
        l->SetName(name);
        l->SetParent(f);
        l->Zoom = float(f->Zoom) * 0.01f;
        l->Text = text;
        l->move(left, top);
        l->SetSize(100, 100);
        return l;
    }

    template <class T>
    T* AddShape(TChildFrame* f, const QString& name, int left, int top, int w, int h)
    {
        auto* o = new T(nullptr);
        o->SetName(name);
        o->SetParent(f);
        o->SetBounds(left, top, w, h);
        return o;
    }

    static QString LastDir()
    {
        TRegIniFile reg(ProductKey());
        return reg.ReadString(BasicInfo(), QStringLiteral("LastDir"), QString());
    }

    DocLink doc;
    std::vector<MessageBoxCall> calls;
    std::deque<int> answers;
    QString saveAsPath;
    int dialogRuns = 0;
    QString dir;
};

// ---- the bytes ----

TEST_F(DocumentFileTest, HeaderRecordAndShapeDataAreWrittenByteForByte)
{
    TChildFrame* f = Open(1);
    ASSERT_EQ(f->HalfHeight, 190);
    ASSERT_EQ(f->PaperCentre, TPoint(200, 200));
    f->OutlineColor = 0x00112233;
    f->CoreColor = 0x00FFEEDD;
    auto* r = AddShape<CRectangle>(f, QStringLiteral("CRect_114_7_9"), 150, 170, 60, 30);
    r->LineWidth = 300;
    r->LineColor = 0x0000FF;
    r->CoreColor = 0x00FF00;

    QByteArray expected("KVO_2\0", 6);
    expected += Bytes({1, 0});                          // one object
    expected += Bytes({190, 0, 0, 0});                  // half-height
    expected += Bytes({200, 0, 0, 0, 200, 0, 0, 0});    // paper centre
    expected += Bytes({0x33, 0x22, 0x11, 0});           // outline colour
    expected += Bytes({0xDD, 0xEE, 0xFF, 0});           // core colour
    expected += Bytes({0x01, 0xEE, 0xFF, 0xC0, 0x34, 0x12, 0x78, 0x56, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48});
    expected += Bytes({0, 0, 0, 0});                    // label mode
    expected += Bytes({2, 0, 0, 0, 150, 0, 0, 0, 170, 0, 0, 0, 60, 0, 0, 0, 30, 0, 0, 0});
    expected += QByteArray("CRect_114_7_9\0\0\0\0\0\0\0", 20);
    expected += Bytes({0xFF, 0, 0, 0, 0, 0xFF, 0, 0, 44, 0, 0, 0});  // LineWidth 300 keeps 44
    EXPECT_EQ(EncodeDocument(*f, false).toHex(' '), expected.toHex(' '));

    // A name longer than the field keeps 19 bytes and its NUL.
    r->SetName(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ"));
    EXPECT_EQ(EncodeDocument(*f, false).mid(48 + 20, 20), QByteArray("ABCDEFGHIJKLMNOPQRS\0", 20));
}

TEST_F(DocumentFileTest, LabelStreamIsWrittenAsTheFrameworkWritesIt)
{
    ASSERT_EQ(Screen->PixelsPerInch, 96);
    CLabel label(nullptr);
    label.SetName(QStringLiteral("CLabel_114_7_9"));
    label.Text = QStringLiteral("Hello");
    label.FontSize = 12;
    label.Angle = 30;
    label.Canvas.Font.Name = QStringLiteral("Arial");
    label.Canvas.Font.Color = clRed;
    label.Canvas.Font.Style = fsBold;
    label.SetLocked(true);
    label.move(10, 20);
    label.SetSize(100, 100);

    QByteArray expected("TPF0");
    expected += Str("CLabel") + Str("CLabel_114_7_9");
    expected += Str("Left") + Int(10) + Str("Top") + Int(20);
    expected += Str("Width") + Int(label.Width()) + Str("Height") + Int(label.Height());
    expected += Str("Locked") + Bytes({0x09});
    expected += Str("Angle") + Int(30) + Str("FontSize") + Int(12);
    expected += Str("Font.Charset") + Bytes({0x07}) + Str("DEFAULT_CHARSET");
    expected += Str("Font.Color") + Bytes({0x07}) + Str("clRed");
    expected += Str("Font.Height") + Bytes({0x02, 0xF0});  // 12 points at 96 dpi
    expected += Str("Font.Name") + Bytes({0x06}) + Str("Arial");
    expected += Str("Font.Style") + Bytes({0x0B}) + Str("fsBold") + Bytes({0});
    expected += Str("Text") + Bytes({0x06}) + Str("Hello");
    expected += Bytes({0, 0});
    EXPECT_EQ(WriteComponentStream(LabelComponent(label)).toHex(' '), expected.toHex(' '));

    // Defaults are left out: no angle, no text, an unlocked label.
    label.Angle = 0;
    label.Text.clear();
    label.SetLocked(false);
    const TStreamComponent plain = LabelComponent(label);
    EXPECT_EQ(plain.Find("Angle"), nullptr);
    EXPECT_EQ(plain.Find("Text"), nullptr);
    ASSERT_NE(plain.Find("Locked"), nullptr);
    EXPECT_EQ(plain.Find("Locked")->Type, vaFalse);
}

TEST_F(DocumentFileTest, PictureStreamIsWrittenAsTheFrameworkWritesIt)
{
    CImage image(nullptr);
    image.SetName(QStringLiteral("CImage_214_7_9"));
    const TPicture picture = BitmapPicture(2, 1);
    image.SetImage(&picture);
    image.SetStretchInRatio(true);
    image.SetBounds(5, 6, 40, 20);
    image.SetCursor(crArrow);

    const QByteArray bmp = static_cast<TBitmap*>(image.Image->Graphic())->SaveToData();
    const QByteArray data = Str("TBitmap") + LE32(uint32_t(bmp.size())) + bmp;
    QByteArray expected("TPF0");
    expected += Str("CImage") + Str("CImage_214_7_9");
    expected += Str("Left") + Int(5) + Str("Top") + Int(6) + Str("Width") + Int(40) + Str("Height") + Int(20);
    expected += Str("Cursor") + Bytes({0x07}) + Str("crArrow");
    expected += Str("Locked") + Bytes({0x08});
    expected += Str("Image.Data") + Bytes({0x0A}) + LE32(uint32_t(data.size())) + data;
    expected += Str("StretchInRatio") + Bytes({0x09});
    expected += Bytes({0, 0});
    EXPECT_EQ(WriteComponentStream(ImageComponent(image)).toHex(' '), expected.toHex(' '));

    // Without a picture and without the ratio option only the control's values remain.
    CImage empty(nullptr);
    empty.SetName(QStringLiteral("CImage_1"));
    const TStreamComponent c = ImageComponent(empty);
    EXPECT_EQ(c.Find("Image.Data"), nullptr);
    EXPECT_EQ(c.Find("StretchInRatio"), nullptr);
}

TEST_F(DocumentFileTest, PictureOfAClassThatCannotWriteItselfIsStoredAsABitmap)
{
    TPicture sketch;
    sketch.SetGraphic(std::make_unique<TSketch>());
    TPicture back;
    DecodePictureData(StoredPictureData(sketch), back);
    ASSERT_NE(dynamic_cast<TBitmap*>(back.Graphic()), nullptr);
    EXPECT_EQ(back.Graphic()->ClassName(), QStringLiteral("TBitmap"));
    ASSERT_EQ(back.Width(), 3);
    ASSERT_EQ(back.Height(), 2);
    EXPECT_EQ(QColor(back.Graphic()->ToImage().pixel(1, 1)), QColor(255, 0, 0));

    // A class that writes itself keeps its own form.
    const TPicture bitmap = BitmapPicture(4, 3);
    EXPECT_EQ(StoredPictureData(bitmap), EncodePictureData(bitmap));
}

// ---- reading back ----

struct RoundTripCase {
    const char* name;
    int savedSize;       // client width and height of the window that saved
    TPoint rectAt;       // where a 60 x 30 rectangle 60 left and 30 above the centre lands
    TSize rectSize;      // at 400 x 400, where every circle label window opens
};

void PrintTo(const RoundTripCase& c, std::ostream* os) { *os << c.name; }

class DocumentRoundTrip : public DocumentFileTest, public testing::WithParamInterface<RoundTripCase> {};

TEST_P(DocumentRoundTrip, EveryKindReadsBackAroundTheCentreScaledByTheHalfHeights)
{
    const RoundTripCase& c = GetParam();
    TChildFrame* src = Open(1);
    src->SetClientSize(c.savedSize, c.savedSize);
    const int cx = src->PaperCentre.X, cy = src->PaperCentre.Y;
    src->OutlineColor = clNavy;
    src->CoreColor = clYellow;

    CLabel* label = AddLabel(src, QStringLiteral("CLabel_114_7_9"), QStringLiteral("Side A\r\nTrack & list"), cx - 50, cy + 10);
    label->FontSize = 14;
    label->Canvas.Font.Name = QStringLiteral("DejaVu Sans");
    label->Canvas.Font.Style = fsItalic;
    label->Canvas.Font.Color = clMaroon;
    label->SetSize(100, 100);
    label->SetLocked(true);
    CLabel* rotated = AddLabel(src, QStringLiteral("CLabel_214_7_9"), QStringLiteral("Up"), cx + 20, cy - 40);
    rotated->Angle = 90;
    rotated->SetSize(100, 100);
    auto* image = AddShape<CImage>(src, QStringLiteral("CImage_314_7_9"), cx - 60, cy - 30, 60, 30);
    const TPicture picture = BitmapPicture(20, 10);
    image->SetImage(&picture);
    image->SetStretchInRatio(true);
    auto* rect = AddShape<CRectangle>(src, QStringLiteral("CRect_414_7_9"), cx - 60, cy - 30, 60, 30);
    rect->LineWidth = 300;
    rect->LineColor = clRed;
    rect->CoreColor = clAqua;
    rect->SetLocked(true);
    auto* ellipse = AddShape<CEllipse>(src, QStringLiteral("CElips_514_7_9"), cx - 60, cy - 30, 60, 30);
    ellipse->LineWidth = 5;
    ellipse->SetSelected(true, false);

    const QString path = dir + QStringLiteral("/disc.kvo");
    src->SetCaption(path);
    src->SetModified(true);
    src->SaveDocument(path);
    EXPECT_FALSE(src->Modified);
    EXPECT_EQ(doc.recent, QStringList{path});

    TChildFrame* f = Load(path);
    EXPECT_TRUE(calls.empty()) << calls.front().text.toStdString();
    EXPECT_EQ(f->Caption(), path);
    EXPECT_FALSE(f->Modified);
    EXPECT_EQ(f->OutlineColor, clNavy);
    EXPECT_EQ(f->CoreColor, clYellow);
    EXPECT_EQ(f->Color(), clYellow);
    EXPECT_EQ(LastDir(), dir);
    ASSERT_EQ(f->HalfHeight, 190);

    const std::vector<CDesignObject*> objects = f->Objects();
    ASSERT_EQ(objects.size(), 5u);
    const QStringList names = {QStringLiteral("CLabel_114_7_9"), QStringLiteral("CLabel_214_7_9"),
                               QStringLiteral("CImage_314_7_9"), QStringLiteral("CRect_414_7_9"),
                               QStringLiteral("CElips_514_7_9")};
    const int kinds[] = {okLabel, okLabel, okImage, okRectangle, okEllipse};
    for (size_t i = 0; i < objects.size(); ++i) {
        EXPECT_EQ(objects[i]->Name(), names[int(i)]);
        EXPECT_EQ(ObjectKindOf(objects[i]), kinds[i]);
        EXPECT_FALSE(objects[i]->Locked) << i;                 // never carried over
        EXPECT_EQ(objects[i]->Selected, i + 1 == objects.size()) << i;
        EXPECT_FLOAT_EQ(objects[i]->Zoom, 0.84f) << i;   // the window's 84 %, not 380 / 454
    }

    for (int i = 2; i < 5; ++i) {
        EXPECT_EQ(TPoint(objects[size_t(i)]->Left(), objects[size_t(i)]->Top()), c.rectAt) << i;
        EXPECT_EQ(objects[size_t(i)]->Width(), c.rectSize.cx) << i;
        EXPECT_EQ(objects[size_t(i)]->Height(), c.rectSize.cy) << i;
    }

    auto* l = qobject_cast<CLabel*>(objects[0]);
    EXPECT_EQ(l->Text, QStringLiteral("Side A\r\nTrack & list"));
    EXPECT_EQ(l->FontSize, 14);
    EXPECT_EQ(l->Angle, 0);
    EXPECT_EQ(l->Font, &l->Canvas.Font);
    EXPECT_EQ(l->Canvas.Font.Name, QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(l->Canvas.Font.Style, fsItalic);
    EXPECT_EQ(l->Canvas.Font.Color, clMaroon);
    EXPECT_EQ(l->Canvas.Font.Size(), 11);   // 14 points at 84 %: 11.76, cut to whole points
    // The label fits its text at the new zoom.
    const int w = l->Width(), h = l->Height();
    l->AdjustSizeToText();
    EXPECT_EQ(l->Width(), w);
    EXPECT_EQ(l->Height(), h);
    EXPECT_EQ(qobject_cast<CLabel*>(objects[1])->Angle, 90);

    auto* img = qobject_cast<CImage*>(objects[2]);
    EXPECT_TRUE(img->StretchInRatio);
    ASSERT_TRUE(img->HasPicture);
    EXPECT_EQ(img->Image->Graphic()->ToImage(), picture.Graphic()->ToImage());

    auto* r = qobject_cast<CRectangle*>(objects[3]);
    EXPECT_EQ(r->LineWidth, 44);   // one byte of 300
    EXPECT_EQ(r->LineColor, clRed);
    EXPECT_EQ(r->CoreColor, clAqua);
    EXPECT_EQ(qobject_cast<CEllipse*>(objects[4])->LineWidth, 5);
}

INSTANTIATE_TEST_SUITE_P(WindowSizes, DocumentRoundTrip,
                         testing::Values(RoundTripCase{"SameSize", 400, {140, 170}, {60, 30}},
                                         RoundTripCase{"SavedLarger", 600, {160, 180}, {40, 20}},
                                         RoundTripCase{"SavedSmaller", 300, {120, 160}, {80, 40}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DocumentFileTest, EmptyDocumentAsksBeforeSavingAndReopensEmpty)
{
    TChildFrame* f = Open(1);
    const QString path = dir + QStringLiteral("/empty.kvo");
    saveAsPath = path;

    answers = {IDYES};  // stop the saving job
    f->QuerySaveDocument();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].text, LoadLangStr(NothingToSaveString));
    EXPECT_EQ(calls[0].caption, QStringLiteral("Edit1"));
    EXPECT_EQ(calls[0].flags & MB_TYPEMASK, MB_YESNO);
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(dialogRuns, 0);

    answers = {IDNO};
    f->QuerySaveDocument();
    EXPECT_EQ(dialogRuns, 1);
    EXPECT_EQ(f->Caption(), path);
    const QByteArray bytes = ReadFile(path);
    ASSERT_EQ(bytes.size(), 48);
    EXPECT_EQ(bytes.mid(6, 2), Bytes({0, 0}));

    TChildFrame* g = Load(path);
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(g->ObjectCount(), 0);
    EXPECT_FALSE(g->isHidden());

    // A titled document is saved where it is, without the dialog.
    AddShape<CRectangle>(f, QStringLiteral("CRect_1"), 10, 10, 20, 20);
    f->QuerySaveDocument();
    EXPECT_EQ(dialogRuns, 1);
    EXPECT_EQ(ReadFile(path).size(), 48 + 40 + 12);
}

TEST_F(DocumentFileTest, SaveAsWritesTheChosenFileAndCancelChangesNothing)
{
    TChildFrame* f = Open(1);
    AddShape<CEllipse>(f, QStringLiteral("CElips_1"), 10, 10, 20, 20);
    f->SetModified(true);
    f->SaveDocumentAs();   // cancelled
    EXPECT_EQ(f->Caption(), QStringLiteral("Edit1"));
    EXPECT_TRUE(f->Modified);
    EXPECT_TRUE(doc.recent.isEmpty());

    saveAsPath = dir + QStringLiteral("/other.kvo");
    f->SaveDocumentAs();
    EXPECT_EQ(f->Caption(), saveAsPath);
    EXPECT_FALSE(f->Modified);
    EXPECT_EQ(doc.recent, QStringList{saveAsPath});
    EXPECT_EQ(ReadFile(saveAsPath), EncodeDocument(*f, false));
}

struct CloseCase {
    const char* name;
    bool modified;
    int answer;          // to "Save current job to file?"
    bool titled;         // the caption names an existing file
    bool saveAsOk;       // the save dialog of an untitled window
    bool broken;         // the document cannot be written
    bool canClose;
    bool written;
};

void PrintTo(const CloseCase& c, std::ostream* os) { *os << c.name; }

class DocumentClose : public DocumentFileTest, public testing::WithParamInterface<CloseCase> {};

TEST_P(DocumentClose, WindowClosesOnlyWhenTheAnswerLeavesNothingUnsaved)
{
    const CloseCase& c = GetParam();
    TChildFrame* f = Open(1);
    AddShape<CRectangle>(f, QStringLiteral("CRect_1"), 10, 10, 20, 20);
    const QString path = dir + QStringLiteral("/job.kvo");
    const QByteArray original("original contents");
    if (c.titled) {
        WriteFile(QStringLiteral("job.kvo"), original);
        f->SetCaption(path);
    }
    if (c.saveAsOk)
        saveAsPath = path;
    if (c.broken) {
        auto* image = AddShape<CImage>(f, QStringLiteral("CImage_1"), 0, 0, 10, 10);
        TPicture p;
        p.SetGraphic(std::make_unique<TBrokenSketch>());
        image->SetImage(&p);
    }
    f->SetModified(c.modified);
    answers = {c.answer};
    calls.clear();
    const QString captionBefore = f->Caption();

    bool canClose = !c.canClose;
    f->FormCloseQuery(f, canClose);
    EXPECT_EQ(canClose, c.canClose);
    if (c.modified) {
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls[0].text, LoadLangStr(SaveJobQuestionString));
        EXPECT_EQ(calls[0].caption, captionBefore);
        EXPECT_EQ(calls[0].flags & MB_TYPEMASK, MB_YESNOCANCEL);
    } else {
        EXPECT_TRUE(calls.empty());
    }
    if (c.written) {
        EXPECT_EQ(ReadFile(path), EncodeDocument(*f, false));
        EXPECT_FALSE(f->Modified);
    } else if (c.titled) {
        EXPECT_EQ(ReadFile(path), original);   // a failed save leaves the file alone
    } else {
        EXPECT_FALSE(QFileInfo::exists(path));
    }
    if (c.broken) {
        ASSERT_EQ(calls.size(), 2u);
        EXPECT_EQ(calls[1].kind, MessageBoxCall::Exception);
        EXPECT_TRUE(calls[1].text.contains(QStringLiteral("cannot be drawn"))) << calls[1].text.toStdString();
        EXPECT_EQ(QDir(dir).entryList(QDir::Files), QStringList{QStringLiteral("job.kvo")});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, DocumentClose,
    testing::Values(CloseCase{"Unmodified", false, IDYES, true, false, false, true, false},
                    CloseCase{"Cancel", true, IDCANCEL, true, false, false, false, false},
                    CloseCase{"No", true, IDNO, true, false, false, true, false},
                    CloseCase{"YesTitled", true, IDYES, true, false, false, true, true},
                    CloseCase{"YesUntitledSaveAsCancelled", true, IDYES, false, false, false, false, false},
                    CloseCase{"YesUntitledSaveAsChosen", true, IDYES, false, true, false, true, true},
                    CloseCase{"YesSaveFails", true, IDYES, true, false, true, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DocumentFileTest, UnknownPaperTakesTheFirstOneOpensTheDialogAndMarksTheDocument)
{
    TGUID unknown = Id(9);
    const QString path = WriteFile(QStringLiteral("lost.kvo"), Header(1, 190, unknown) + Record(okRectangle, QStringLiteral("CRect_1")) + Shape());
    TChildFrame* f = Load(path, 2);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0].text, LoadLangStr(UnknownPaperString));
    EXPECT_EQ(doc.paperDialogRuns, 1);
    EXPECT_EQ(doc.dialogOwner, f);
    EXPECT_EQ(f->Paper->ID, unknown);
    EXPECT_EQ(f->Paper->Name, QStringLiteral("Disc 1"));  // the first of the catalogue
    EXPECT_TRUE(f->Modified);
    EXPECT_EQ(f->ObjectCount(), 1);
}

TEST_F(DocumentFileTest, NamesAreReadFromTheirFieldAndMadeUnique)
{
    // Record names: a full 20-byte field without NUL, and the same name twice.
    QByteArray twenty = Record(okRectangle, QString());
    twenty.replace(20, 20, QByteArray("ABCDEFGHIJKLMNOPQRST"));
    const QByteArray body = Header(3) + twenty + Shape() + Record(okEllipse, QStringLiteral("CElips_1")) + Shape() +
                            Record(okEllipse, QStringLiteral("CElips_1")) + Shape();
    TChildFrame* f = Load(WriteFile(QStringLiteral("names.kvo"), body));
    EXPECT_TRUE(calls.empty());
    const std::vector<CDesignObject*> objects = f->Objects();
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(objects[0]->Name(), QStringLiteral("ABCDEFGHIJKLMNOPQRST"));
    EXPECT_EQ(objects[1]->Name(), QStringLiteral("CElips_1"));
    EXPECT_NE(objects[2]->Name(), QStringLiteral("CElips_1"));
    EXPECT_TRUE(objects[2]->Name().startsWith(QStringLiteral("CElips_")));
}

// ---- damaged files ----

enum class Outcome { Closed, Untitled, Loaded };

struct DamageCase {
    const char* name;
    QByteArray bytes;
    Outcome outcome;
    int objects;          // left in the window
    int message;          // numbered string shown, or 0 for a shown exception
    const char* error;    // part of the exception's text
};

void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.name; }

class DamagedDocument : public DocumentFileTest, public testing::WithParamInterface<DamageCase> {};

TEST_P(DamagedDocument, GivesItsMessageAndKeepsTheFileSafe)
{
    const DamageCase& c = GetParam();
    const QString path = WriteFile(QStringLiteral("damaged.kvo"), c.bytes);
    const QString lastDirBefore = LastDir();
    TChildFrame* f = Load(path);

    EXPECT_EQ(f->ObjectCount(), c.objects);
    if (c.outcome == Outcome::Loaded) {
        EXPECT_TRUE(calls.empty());
        EXPECT_EQ(f->Caption(), path);
        return;
    }
    ASSERT_EQ(calls.size(), 1u);
    // The file is named on the first line.
    EXPECT_EQ(calls[0].text.section(QLatin1Char('\n'), 0, 0), QDir::toNativeSeparators(path)) << calls[0].text.toStdString();
    if (c.message) {
        EXPECT_EQ(calls[0].text.section(QLatin1Char('\n'), 1), LoadLangStr(c.message));
        EXPECT_EQ(calls[0].kind, MessageBoxCall::Dialog);
        EXPECT_EQ(calls[0].dlgType, mtInformation);
    } else {
        EXPECT_EQ(calls[0].kind, MessageBoxCall::Exception);
        EXPECT_TRUE(calls[0].text.contains(QLatin1String(c.error))) << calls[0].text.toStdString();
    }
    if (c.outcome == Outcome::Closed) {
        EXPECT_TRUE(f->isHidden());
        EXPECT_NE(f->Caption(), path);
        EXPECT_EQ(LastDir(), lastDirBefore);
    } else {
        EXPECT_FALSE(f->isHidden());
        EXPECT_EQ(f->Caption(), QStringLiteral("Edit7"));
        EXPECT_FALSE(f->Modified);
    }
    EXPECT_TRUE(doc.recent.isEmpty());
    // Closing adds no unreadable file to the recent files.
    bool freeWindow = false;
    f->FormClose(f, freeWindow);
    EXPECT_TRUE(doc.recent.isEmpty());
    EXPECT_EQ(ReadFile(path), c.bytes);
}

QByteArray WithPageMode(QByteArray header, int32_t mode)
{
    header.replace(44, 4, LE32(uint32_t(mode)));
    return header;
}

QByteArray RectBytes()
{
    return Record(okRectangle, QStringLiteral("CRect_1")) + Shape();
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedDocument,
    testing::Values(
        DamageCase{"Empty", QByteArray(), Outcome::Closed, 0, 761, nullptr},
        DamageCase{"BadMagic", QByteArray("KVO_1\0", 6) + Header(1).mid(6) + RectBytes(), Outcome::Closed, 0, 761, nullptr},
        DamageCase{"MagicWithoutNul", QByteArray("KVO_2X", 6) + Header(1).mid(6) + RectBytes(), Outcome::Closed, 0, 761, nullptr},
        DamageCase{"ZeroHalfHeight", Header(1, 0) + RectBytes(), Outcome::Closed, 0, 761, nullptr},
        DamageCase{"NegativeHalfHeight", Header(1, -190) + RectBytes(), Outcome::Closed, 0, 761, nullptr},
        DamageCase{"PageModeTwo", WithPageMode(Header(1), 2) + RectBytes(), Outcome::Closed, 0, 761, nullptr},
        DamageCase{"NegativePageMode", WithPageMode(Header(1), -1) + RectBytes(), Outcome::Closed, 0, 761, nullptr},
        DamageCase{"TruncatedHeader", Header(1).left(30), Outcome::Untitled, 0, 0, "Stream read error"},
        DamageCase{"TruncatedRecord", Header(2) + RectBytes() + RectBytes().left(25), Outcome::Untitled, 1, 0, "Stream read error"},
        DamageCase{"TruncatedShapeData", Header(1) + RectBytes().left(45), Outcome::Untitled, 0, 0, "Stream read error"},
        DamageCase{"HugeCount", Header(0xFFFF) + RectBytes(), Outcome::Untitled, 1, 0, "Stream read error"},
        DamageCase{"UnknownKind", Header(3) + RectBytes() + Record(7, QStringLiteral("X")) + RectBytes(), Outcome::Untitled, 1, 761, nullptr},
        DamageCase{"NegativeKind", Header(1) + Record(-1, QStringLiteral("X")) + Shape(), Outcome::Untitled, 0, 761, nullptr},
        DamageCase{"UnknownClass", Header(2) + RectBytes() + Record(okLabel, QStringLiteral("X")) + Stream("TButton"),
                   Outcome::Untitled, 1, 0, "Class TButton not found"},
        DamageCase{"ClassOfAnotherKind", Header(1) + Record(okImage, QStringLiteral("X")) + Stream("CLabel"),
                   Outcome::Untitled, 0, 0, "Invalid stream format"},
        DamageCase{"TruncatedStream", Header(1) + Record(okLabel, QStringLiteral("X")) + Stream("CLabel").left(9),
                   Outcome::Untitled, 0, 0, "Stream read error"},
        DamageCase{"NoStreamSignature", Header(1) + Record(okLabel, QStringLiteral("X")) + QByteArray("TPF1\x06" "CLabel"),
                   Outcome::Untitled, 0, 0, "does not start with TPF0"},
        DamageCase{"UnknownProperty", Header(1) + Record(okLabel, QStringLiteral("X")) +
                                          Stream("CLabel", {{"Colour", TPropertyValue::Integer(5)}}),
                   Outcome::Untitled, 0, 0, "Property Colour does not exist"},
        DamageCase{"WrongValueKind", Header(1) + Record(okLabel, QStringLiteral("X")) +
                                         Stream("CLabel", {{"FontSize", TPropertyValue::String(QStringLiteral("ten"))}}),
                   Outcome::Untitled, 0, 0, "Error reading CLabel.FontSize: Invalid property value"},
        DamageCase{"UnknownGraphicClass", Header(1) + Record(okImage, QStringLiteral("X")) +
                                              Stream("CImage", {{"Image.Data", TPropertyValue::Binary(Str("TMetafile") + LE32(0))}}),
                   Outcome::Untitled, 0, 0, "TMetafile"},
        DamageCase{"BrokenBitmap", Header(1) + Record(okImage, QStringLiteral("X")) +
                                       Stream("CImage", {{"Image.Data", TPropertyValue::Binary(Str("TBitmap") + LE32(6) + "BMxxxx")}}),
                   Outcome::Untitled, 0, 0, ""},
        DamageCase{"HugeGeometry", Header(1) + Record(okRectangle, QStringLiteral("X"), std::numeric_limits<int32_t>::min(),
                                                      std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max(),
                                                      std::numeric_limits<int32_t>::min()) + Shape(),
                   Outcome::Loaded, 1, 0, nullptr},
        // A count that does not cover the file: what it counts is read, and the window no longer
        // names the file, so that Save cannot throw the rest away.
        DamageCase{"TrailingBytes", Header(1) + RectBytes() + QByteArray(100, 'z'), Outcome::Untitled, 1, 761, nullptr},
        DamageCase{"CountTooSmall", Header(2) + RectBytes() + RectBytes() + RectBytes() + RectBytes(), Outcome::Untitled, 2, 761, nullptr},
        DamageCase{"CountZeroWithObjects", Header(0) + RectBytes(), Outcome::Untitled, 0, 761, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DocumentFileTest, HugeGeometryStaysWithinWhatAWindowCanShow)
{
    const QString path = WriteFile(QStringLiteral("huge.kvo"),
                                   Header(1, 1) + Record(okRectangle, QStringLiteral("X"), -2000000000, 2000000000,
                                                         2000000000, -5) + Shape());
    TChildFrame* f = Load(path);
    ASSERT_EQ(f->ObjectCount(), 1);
    const CDesignObject* o = f->Objects().front();
    EXPECT_LE(std::abs(o->Left()), 1 << 20);
    EXPECT_LE(std::abs(o->Top()), 1 << 20);
    EXPECT_LE(o->Width(), 32767);
    EXPECT_EQ(o->Height(), 0);
}

TEST_F(DocumentFileTest, MissingFileIsReportedAndTheWindowLeftUntitled)
{
    TChildFrame* f = Load(dir + QStringLiteral("/gone.kvo"));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].kind, MessageBoxCall::Exception);
    EXPECT_TRUE(calls[0].text.contains(QStringLiteral("Cannot open file"))) << calls[0].text.toStdString();
    EXPECT_EQ(f->Caption(), QStringLiteral("Edit7"));

    // A folder is no document either, and is never waited on.
    TChildFrame* g = Load(dir);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_TRUE(calls[0].text.contains(QStringLiteral("Cannot open file")));
    EXPECT_FALSE(g->isHidden());
}

TEST_F(DocumentFileTest, ReaderStopsAtTheBytesThatArePresent)
{
    // The reader asks the device for no more than the format says is next.
    QByteArray bytes = Header(2) + RectBytes() + Record(okLabel, QStringLiteral("L")) + Stream("CLabel") + QByteArray("tail");
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    TDocumentReader reader(buffer);
    DocumentHeader header;
    ASSERT_TRUE(reader.ReadHeader(header));
    EXPECT_EQ(header.Count, 2);
    EXPECT_EQ(reader.ReadObject().Record.Kind, okRectangle);
    const TDocumentReader::Object label = reader.ReadObject();
    EXPECT_EQ(label.Component.ClassName, QByteArray("CLabel"));
    EXPECT_EQ(buffer.read(4), QByteArray("tail"));
}

// ---- saving where the file is not a plain file in a plain folder ----

// Saving keeps the links the document is reached through and overwrites a writable document in a
// folder that takes no new file; the document reads back whole each time.
TEST_F(DocumentFileTest, SaveKeepsLinksAndWritesIntoFoldersThatTakeNoNewFile)
{
    TChildFrame* f = Open(1);
    AddShape<CRectangle>(f, QStringLiteral("CRect_1"), 10, 10, 20, 20);
    const QString real = dir + QStringLiteral("/real.kvo");
    f->SaveDocument(real);
    const QString symbolic = dir + QStringLiteral("/symbolic.kvo");
    const QString hard = dir + QStringLiteral("/hard.kvo");
    ASSERT_EQ(::symlink("real.kvo", QFile::encodeName(symbolic).constData()), 0);
    ASSERT_EQ(::link(QFile::encodeName(real).constData(), QFile::encodeName(hard).constData()), 0);

    int objects = 1;
    for (const QString& through : {symbolic, hard}) {
        SCOPED_TRACE(through.toStdString());
        AddShape<CEllipse>(f, QStringLiteral("CElips_%1").arg(++objects), 30, 30, 20, 20);
        f->SetCaption(through);
        f->SetModified(true);
        calls.clear();
        f->QuerySaveDocument();
        EXPECT_TRUE(calls.empty());
        EXPECT_FALSE(f->Modified);
        EXPECT_TRUE(QFileInfo(symbolic).isSymLink());
        EXPECT_EQ(QFileInfo(real).size(), 48 + objects * 52);
        EXPECT_EQ(ReadFile(hard), ReadFile(real));
        EXPECT_EQ(Load(through)->ObjectCount(), objects);
    }

    const QString locked = testsupport::freshDir(QStringLiteral("docfile-locked"));
    const QString inLocked = locked + QStringLiteral("/doc.kvo");
    f->SaveDocument(inLocked);
    testsupport::FolderLock lock(locked);
    if (!lock.Ok())
        GTEST_SKIP() << "no way to lock a folder here";
    AddShape<CEllipse>(f, QStringLiteral("CElips_%1").arg(++objects), 40, 40, 20, 20);
    f->SaveDocument(inLocked);
    EXPECT_EQ(Load(inLocked)->ObjectCount(), objects);
    // A new document cannot be made there: the failure names it and nothing is left behind.
    try {
        f->SaveDocument(locked + QStringLiteral("/new.kvo"));
        ADD_FAILURE() << "saved into a locked folder";
    } catch (const EFCreateError& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(locked + QStringLiteral("/new.kvo"))) << e.what();
    }
    EXPECT_EQ(QDir(locked).entryList(QDir::Files), QStringList{QStringLiteral("doc.kvo")});
}

// Under a file-size limit (in a child process) a save fails with its error like on a full disk:
// the program goes on, the document on disk is the old one, no temporary file is left and the
// window still counts as modified.
TEST_F(DocumentFileTest, SaveUnderAFileSizeLimitFailsWithAnError)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            IgnoreFileSizeSignal();
            TChildFrame* f = Open(1);
            AddShape<CRectangle>(f, QStringLiteral("CRect_1"), 10, 10, 20, 20);
            const QString path = dir + QStringLiteral("/limited.kvo");
            const QString linked = dir + QStringLiteral("/linked.kvo");
            f->SaveDocument(path);
            f->SaveDocument(linked);
            ::link(QFile::encodeName(linked).constData(), QFile::encodeName(dir + QStringLiteral("/other")).constData());
            const QByteArray before = ReadFile(path);
            AddLabel(f, QStringLiteral("CLabel_1"), QString(20000, QLatin1Char('x')), 5, 5);
            struct rlimit limit;
            ::getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = rlim_t(before.size() + 64);
            ::setrlimit(RLIMIT_FSIZE, &limit);
            int faults = 0;
            for (const QString& target : {path, linked}) {
                f->SetCaption(target);
                f->SetModified(true);
                calls.clear();
                try {
                    f->QuerySaveDocument();
                    ++faults;   // reported as saved
                } catch (const EFCreateError& e) {
                    if (!QString::fromUtf8(e.what()).contains(target))
                        ++faults;
                }
                if (ReadFile(target) != before || !f->Modified)
                    ++faults;
            }
            if (QDir(dir).entryList(QDir::Files).size() != 3)
                ++faults;
            std::_Exit(faults);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace

// A bitmap of width x height, 8 bits run-length coded, whose data ends at once: a few bytes
// that decode to a whole picture.
QByteArray EmptyRleBitmap(uint32_t width, uint32_t height)
{
    const uint32_t bits = 14 + 40 + 256 * 4;
    QByteArray b = QByteArray("BM") + LE32(bits + 2) + LE32(0) + LE32(bits);
    b += LE32(40) + LE32(width) + LE32(height) + QByteArray("\x01\x00\x08\x00", 4) + LE32(1) + LE32(2) + LE32(0) +
         LE32(0) + LE32(0) + LE32(0);
    b += QByteArray(256 * 4, '\0');
    b += QByteArray("\x00\x01", 2);
    return b;
}

TEST_F(DocumentFileTest, PicturesBeyondTheMemoryBudgetRefuseTheDocument)
{
    QFile jpeg(testsupport::fixture(QStringLiteral("pictures/quadrants.jpg")));
    ASSERT_TRUE(jpeg.open(QIODevice::ReadOnly));
    const QByteArray jpegData = Str("TJPEGImage") + LE32(uint32_t(jpeg.size())) + jpeg.readAll();
    const QByteArray rle = EmptyRleBitmap(2000, 2000); // 4,000,000 bytes decoded
    const QByteArray bitmapData = Str("TBitmap") + LE32(uint32_t(rle.size())) + rle;
    auto document = [](const std::vector<QByteArray>& pictures) {
        QByteArray d = Header(uint16_t(pictures.size()));
        for (size_t i = 0; i < pictures.size(); ++i)
            d += Record(okImage, QStringLiteral("CImage_%1").arg(i)) +
                 Stream("CImage", {{"Image.Data", TPropertyValue::Binary(pictures[i])}});
        return d;
    };
    struct Case {
        const char* name;
        std::vector<QByteArray> pictures;
        uint64_t budget;
        bool refused;
    };
    const std::vector<Case> cases = {
        {"two bitmaps within the budget", {bitmapData, bitmapData}, 10'000'000, false},
        {"the third bitmap passes it", {bitmapData, bitmapData, bitmapData}, 10'000'000, true},
        {"one bitmap larger than it all", {bitmapData}, 3'999'999, true},
        {"a JPEG counts its 32-bit pixels", {jpegData}, 32 * 24 * 4 - 1, true},
        {"the budget is for one document", {jpegData}, 32 * 24 * 4, false},
    };
    for (const Case& c : cases) {
        TPictureMemoryBudget::SetDefaultPictureMemoryBudget(c.budget);
        const QString path = WriteFile(QStringLiteral("pictures.kvo"), document(c.pictures));
        TChildFrame* f = Load(path);
        if (!c.refused) {
            EXPECT_TRUE(calls.empty()) << c.name;
            EXPECT_EQ(f->ObjectCount(), int(c.pictures.size())) << c.name;
            EXPECT_EQ(f->Caption(), path) << c.name;
            continue;
        }
        ASSERT_EQ(calls.size(), 1u) << c.name;
        EXPECT_EQ(calls[0].kind, MessageBoxCall::Exception) << c.name;
        const QStringList lines = calls[0].text.split(QLatin1Char('\n'));
        EXPECT_EQ(lines.value(0), QDir::toNativeSeparators(path)) << c.name;
        EXPECT_TRUE(calls[0].text.contains(QLatin1String(SOutOfResources))) << c.name;
        EXPECT_TRUE(f->isHidden()) << c.name;
        EXPECT_NE(f->Caption(), path) << c.name;
        EXPECT_TRUE(doc.recent.isEmpty()) << c.name;
    }
    TPictureMemoryBudget::SetDefaultPictureMemoryBudget(0);
    const uint64_t computed = TPictureMemoryBudget::DefaultPictureMemoryBudget();
    EXPECT_GT(computed, 0u);
    EXPECT_LE(computed, uint64_t(2) << 30);
}
