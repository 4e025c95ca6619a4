// Clipboard exchange: copying, cutting and pasting objects through the transfer file, pasting
// text and pictures, the clipboard block and the transfer file's name.
#include "document/clipboard.h"

#include "child_frame_test_support.h"
#include "document/document_file.h"
#include "document/label.h"
#include "document/picture_object.h"
#include "document/rectangle.h"
#include "document/std.h"
#include "lang/string_ids.h"
#include "platform/codepage.h"
#include "platform/file_utils.h"
#include "platform/picture.h"
#include "platform/stream_errors.h"

#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QTime>

using namespace frametest;

namespace {

class ClipboardTest : public FrameFixture {
protected:
    void SetUp() override
    {
        FrameFixture::SetUp();
        SetMessageBoxHandler([this](const MessageBoxCall& call) {
            calls.push_back(call);
            return IDOK;
        });
        QGuiApplication::clipboard()->clear();
    }
    void TearDown() override
    {
        QGuiApplication::clipboard()->clear();
        for (const QString& f : FindFiles(TempDir(), QStringLiteral("KVO2K_*.clp")))
            QFile::remove(f);
        FrameFixture::TearDown();
    }

    TChildFrame* Open(uint8_t paper, int width = 0, int height = 0)
    {
        TChildFrame* f = Make(paper, false, width, height);
        f->SetCaption(QStringLiteral("Edit1"));
        return f;
    }

    template <class T>
    T* Add(TChildFrame* f, const QString& name, int left, int top, int w, int h)
    {
        auto* o = new T(nullptr);
        o->SetName(name);
        o->SetParent(f);
        o->SetBounds(left, top, w, h);
        o->SetSelected(false, false);
        return o;
    }

    // Five objects: rectangle, ellipse, rectangle, label, ellipse.
    std::vector<CDesignObject*> AddFive(TChildFrame* f)
    {
        Add<CRectangle>(f, QStringLiteral("CRect_114_7_9"), 100, 100, 60, 30);
        auto* e = Add<CEllipse>(f, QStringLiteral("CElips_214_7_9"), 140, 170, 60, 30);
        e->LineWidth = 7;
        e->CoreColor = clFuchsia;
        Add<CRectangle>(f, QStringLiteral("CRect_314_7_9"), 220, 90, 40, 40);
        auto* l = Add<CLabel>(f, QStringLiteral("CLabel_414_7_9"), 150, 250, 10, 10);
        l->Text = QStringLiteral("Label");
        l->Zoom = float(f->Zoom) * 0.01f;
        l->SetSize(100, 100);
        Add<CEllipse>(f, QStringLiteral("CElips_514_7_9"), 180, 200, 50, 50);
        return f->Objects();
    }

    static QByteArray Block()
    {
        const QMimeData* d = QGuiApplication::clipboard()->mimeData();
        return d ? d->data(QString::fromLatin1(CF_MIXEDOBJ)) : QByteArray();
    }

    static void SetBlock(const QString& path, const QString& text = QString())
    {
        auto* d = new QMimeData;
        d->setData(QString::fromLatin1(CF_MIXEDOBJ), EncodeClipboardBlock(1, path));
        if (!text.isEmpty())
            d->setText(text);
        QGuiApplication::clipboard()->setMimeData(d);
    }

    std::vector<MessageBoxCall> calls;
};

TEST_F(ClipboardTest, CopiedObjectsPasteExactlyOverTheirOriginals)
{
    TChildFrame* f = Open(1);
    std::vector<CDesignObject*> five = AddFive(f);
    five[1]->SetSelected(true, true);
    five[3]->SetSelected(true, true);
    f->CopySelection();
    EXPECT_FALSE(f->Modified);

    uint32_t count = 0;
    QString path;
    ASSERT_TRUE(DecodeClipboardBlock(Block(), count, path));
    EXPECT_EQ(Block().size(), ClipboardBlockSize);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(path, TempDir() + QStringLiteral("KVO2K_Edit1.clp"));
    QFile transfer(path);
    ASSERT_TRUE(transfer.open(QIODevice::ReadOnly));
    const QByteArray bytes = transfer.readAll();
    EXPECT_EQ(bytes, EncodeDocument(*f, true));
    EXPECT_EQ(bytes.mid(6, 2), QByteArray("\x02\x00", 2));

    f->PasteClipboard();
    const std::vector<CDesignObject*> all = f->Objects();
    ASSERT_EQ(all.size(), 7u);
    for (int i : {0, 1}) {
        CDesignObject* copy = all[size_t(5 + i)];
        CDesignObject* original = five[size_t(i == 0 ? 1 : 3)];
        EXPECT_EQ(copy->geometry(), original->geometry()) << i;
        EXPECT_EQ(ObjectKindOf(copy), ObjectKindOf(original));
        EXPECT_NE(copy->Name(), original->Name());
    }
    EXPECT_TRUE(all[5]->Name().startsWith(QStringLiteral("CElips_6")));
    EXPECT_TRUE(all[6]->Name().startsWith(QStringLiteral("CLabel_7")));
    EXPECT_EQ(qobject_cast<CEllipse*>(all[5])->LineWidth, 7);
    EXPECT_EQ(qobject_cast<CEllipse*>(all[5])->CoreColor, clFuchsia);
    EXPECT_EQ(qobject_cast<CLabel*>(all[6])->Text, QStringLiteral("Label"));
    for (size_t i = 0; i < all.size(); ++i)
        EXPECT_EQ(all[i]->Selected, i == 6) << i;
    EXPECT_TRUE(f->Modified);
    EXPECT_TRUE(calls.empty());
}

TEST_F(ClipboardTest, PasteIntoAnotherSizeScalesAroundThePaperCentre)
{
    TChildFrame* f = Open(1);
    ASSERT_EQ(f->HalfHeight, 190);
    auto* r = Add<CRectangle>(f, QStringLiteral("CRect_1"), 140, 170, 60, 30);
    r->SetSelected(true, false);
    f->CopySelection();

    TChildFrame* g = Open(1, 600, 600);
    ASSERT_EQ(g->HalfHeight, 285);
    ASSERT_EQ(g->PaperCentre, TPoint(300, 300));
    g->PasteClipboard();
    ASSERT_EQ(g->ObjectCount(), 1);
    EXPECT_EQ(g->Objects()[0]->geometry(), QRect(210, 255, 90, 45));
    EXPECT_FLOAT_EQ(g->Objects()[0]->Zoom, float(g->Zoom) * 0.01f);
}

TEST_F(ClipboardTest, CutTakesLockedObjectsAndMarksTheDocument)
{
    TChildFrame* f = Open(1);
    std::vector<CDesignObject*> five = AddFive(f);
    five[0]->SetSelected(true, true);
    five[2]->SetSelected(true, true);
    five[2]->SetLocked(true);
    f->CutSelection();
    EXPECT_TRUE(f->Modified);
    const std::vector<CDesignObject*> left = f->Objects();
    ASSERT_EQ(left.size(), 3u);
    EXPECT_EQ(left[0]->Name(), QStringLiteral("CElips_214_7_9"));

    f->SetModified(false);
    f->PasteClipboard();
    ASSERT_EQ(f->ObjectCount(), 5);
    EXPECT_EQ(f->Objects()[4]->geometry(), QRect(220, 90, 40, 40));
    EXPECT_FALSE(f->Objects()[4]->Locked);
    EXPECT_TRUE(f->Modified);

    // Nothing selected: neither the clipboard nor the document changes.
    for (CDesignObject* o : f->Objects())
        o->SetSelected(false, false);
    QGuiApplication::clipboard()->setText(QStringLiteral("keep"));
    f->SetModified(false);
    f->CutSelection();
    f->CopySelection();
    EXPECT_EQ(f->ObjectCount(), 5);
    EXPECT_FALSE(f->Modified);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("keep"));
}

TEST_F(ClipboardTest, FailedTransferFileLeavesClipboardAndObjects)
{
    TChildFrame* f = Open(1);
    f->SetCaption(QStringLiteral("/labels/blocked.kvo"));
    auto* r = Add<CRectangle>(f, QStringLiteral("CRect_1"), 10, 10, 20, 20);
    r->SetSelected(true, false);
    // A folder where the transfer file should go cannot be replaced by a file.
    const QString path = TransferFileName(f->Caption());
    ASSERT_TRUE(QDir().mkpath(path));
    QGuiApplication::clipboard()->setText(QStringLiteral("keep"));

    EXPECT_THROW(f->CutSelection(), EFCreateError);
    EXPECT_EQ(f->ObjectCount(), 1);
    EXPECT_FALSE(f->Modified);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("keep"));
    EXPECT_FALSE(QGuiApplication::clipboard()->mimeData()->hasFormat(QString::fromLatin1(CF_MIXEDOBJ)));
    QDir(path).removeRecursively();
}

TEST_F(ClipboardTest, TextBecomesATimesLabelAtThePapersCorner)
{
    TChildFrame* f = Open(2);   // a tall label: half-width and half-height differ
    ASSERT_NE(f->HalfWidth, f->HalfHeight);
    Add<CRectangle>(f, QStringLiteral("CRect_1"), 10, 10, 20, 20)->SetSelected(true, false);
    QGuiApplication::clipboard()->setText(QStringLiteral("Side A\nSide B"));
    f->PasteClipboard();
    ASSERT_EQ(f->ObjectCount(), 2);
    auto* l = qobject_cast<CLabel*>(f->Objects()[1]);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->Left(), f->PaperCentre.X - f->HalfWidth);
    EXPECT_EQ(l->Top(), f->PaperCentre.Y - f->HalfHeight);
    EXPECT_EQ(l->Text, QStringLiteral("Side A\r\nSide B"));
    EXPECT_EQ(l->FontSize, 10);
    EXPECT_EQ(l->Canvas.Font.Name, QStringLiteral("Times New Roman"));
    EXPECT_EQ(l->Canvas.Font.Color, clBlack);
    EXPECT_TRUE(l->Name().startsWith(QStringLiteral("CLabel_2")));
    EXPECT_FLOAT_EQ(l->Zoom, float(f->Zoom) * 0.01f);
    EXPECT_TRUE(l->Selected);
    EXPECT_FALSE(f->Objects()[0]->Selected);
    EXPECT_TRUE(f->Modified);
    // The label fits its text.
    const QSize size = l->size();
    l->AdjustSizeToText();
    EXPECT_EQ(l->size(), size);
}

TEST_F(ClipboardTest, BitmapBecomesAPictureAtTheZoom)
{
    TChildFrame* f = Open(2);
    f->Zoom = 50;
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(QColor(10, 200, 30));
    image.setPixel(5, 7, qRgb(255, 0, 0));
    QGuiApplication::clipboard()->setImage(image);
    f->PasteClipboard();
    ASSERT_EQ(f->ObjectCount(), 1);
    auto* img = qobject_cast<CImage*>(f->Objects()[0]);
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->geometry(), QRect(f->PaperCentre.X - f->HalfWidth, f->PaperCentre.Y - f->HalfHeight, 100, 50));
    ASSERT_TRUE(img->HasPicture);
    const QImage back = img->Image->Graphic()->ToImage();
    EXPECT_EQ(back.size(), QSize(200, 100));
    EXPECT_EQ(QColor(back.pixel(5, 7)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(back.pixel(50, 50)), QColor(10, 200, 30));
    EXPECT_TRUE(img->Name().startsWith(QStringLiteral("CImage_1")));
    EXPECT_TRUE(f->Modified);
}

// Another program may offer a picture only as encoded file data: the popup Paste is offered
// and the picture is decoded from those bytes.
TEST_F(ClipboardTest, PictureOfferedOnlyAsEncodedDataIsPasted)
{
    TChildFrame* f = Open(2);
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(QColor(0, 0, 255));
    QByteArray bmp;
    {
        QBuffer buffer(&bmp);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(image.save(&buffer, "BMP"));
    }
    auto* mime = new QMimeData;
    mime->setData(QStringLiteral("image/bmp"), bmp);
    QGuiApplication::clipboard()->setMimeData(mime);
    EXPECT_TRUE(ClipboardOffersPaste(QGuiApplication::clipboard()->mimeData()));
    f->UpdatePasteItem();
    EXPECT_TRUE(f->PasteItem->isEnabled());
    f->PasteClipboard();
    ASSERT_EQ(f->ObjectCount(), 1);
    auto* img = qobject_cast<CImage*>(f->Objects()[0]);
    ASSERT_NE(img, nullptr);
    ASSERT_TRUE(img->HasPicture);
    EXPECT_EQ(img->Image->Graphic()->ToImage().size(), QSize(40, 30));

    // Damaged picture bytes paste nothing, and Paste says why.
    auto* broken = new QMimeData;
    broken->setData(QStringLiteral("image/bmp"), QByteArray("BM\x01\x02"));
    QGuiApplication::clipboard()->setMimeData(broken);
    calls.clear();
    f->PasteClipboard();
    EXPECT_EQ(f->ObjectCount(), 1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].text, LoadLangStr(ClipboardPictureUnreadableString));
}

TEST_F(ClipboardTest, ObjectsWinOverTextOnTheClipboard)
{
    TChildFrame* f = Open(1);
    Add<CRectangle>(f, QStringLiteral("CRect_1"), 10, 10, 20, 20)->SetSelected(true, false);
    f->CopySelection();
    uint32_t count;
    QString path;
    ASSERT_TRUE(DecodeClipboardBlock(Block(), count, path));
    SetBlock(path, QStringLiteral("ignored text"));
    f->PasteClipboard();
    ASSERT_EQ(f->ObjectCount(), 2);
    EXPECT_NE(qobject_cast<CRectangle*>(f->Objects()[1]), nullptr);
}

TEST_F(ClipboardTest, DamagedTransferFilesPasteNothingOrWhatCouldBeRead)
{
    TChildFrame* f = Open(1);
    const QString path = TempDir() + QStringLiteral("KVO2K_damaged.clp");
    auto write = [&](const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    };
    DocumentHeader header;
    header.Count = 2;
    header.HalfHeight = 190;
    header.PaperCentre = TPoint(200, 200);
    ObjectRecord rect;
    rect.Kind = okRectangle;
    rect.Width = rect.Height = 10;
    ShapeObjectData shape;

    // Wrong magic, and a header without a scale: nothing, silently.
    write(QByteArray("KVO_3\0", 6) + header.Encode().mid(6) + rect.Encode() + shape.Encode());
    SetBlock(path);
    f->PasteClipboard();
    header.HalfHeight = 0;
    write(header.Encode() + rect.Encode() + shape.Encode());
    f->PasteClipboard();
    EXPECT_EQ(f->ObjectCount(), 0);
    EXPECT_TRUE(calls.empty());
    EXPECT_FALSE(f->Modified);

    // A kind the format does not know after one good object: that object stays.
    header.HalfHeight = 190;
    ObjectRecord bad = rect;
    bad.Kind = 9;
    write(header.Encode() + rect.Encode() + shape.Encode() + bad.Encode() + shape.Encode());
    f->PasteClipboard();
    EXPECT_EQ(f->ObjectCount(), 1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].text, LoadLangStr(NotLabelFileString));
    EXPECT_TRUE(f->Modified);

    // Data that ends early: what was read stays and the error goes to the caller.
    f->SetModified(false);
    write(header.Encode() + rect.Encode() + shape.Encode() + rect.Encode().left(12));
    EXPECT_THROW(f->PasteClipboard(), EReadError);
    EXPECT_EQ(f->ObjectCount(), 2);
    EXPECT_TRUE(f->Modified);

    // A transfer file that is gone cannot be opened.
    QFile::remove(path);
    EXPECT_THROW(f->PasteClipboard(), EFOpenError);
    // Nor can anything but a plain file.
    SetBlock(QStringLiteral("/dev/zero"));
    EXPECT_THROW(f->PasteClipboard(), EFOpenError);
    EXPECT_EQ(f->ObjectCount(), 2);
}

TEST(ClipboardBlock, PathIsReadOnlyFromItsField)
{
    const QByteArray full = EncodeClipboardBlock(3, QStringLiteral("/tmp/KVO2K_a.clp"));
    ASSERT_EQ(full.size(), ClipboardBlockSize);
    QByteArray noNul(4, '\0');
    noNul[0] = 1;
    noNul += QByteArray(400, 'a');   // no NUL in the path field nor after it
    const struct {
        const char* name;
        QByteArray block;
        bool ok;
        uint32_t count;
        QString path;
    } cases[] = {
        {"empty", QByteArray(), false, 0, QString()},
        {"count cut short", QByteArray("\x01\x00\x00", 3), false, 0, QString()},
        {"count only", QByteArray("\x01\x00\x00\x00", 4), false, 0, QString()},
        {"no path", QByteArray(ClipboardBlockSize, '\0'), false, 0, QString()},
        {"written", full, true, 3, QStringLiteral("/tmp/KVO2K_a.clp")},
        {"unterminated", noNul, true, 1, QString(ClipboardPathSize, QLatin1Char('a'))},
        {"short block", QByteArray("\x02\x00\x00\x00/ab", 7), true, 2, QStringLiteral("/ab")},
    };
    for (const auto& c : cases) {
        uint32_t count = 0;
        QString path;
        EXPECT_EQ(DecodeClipboardBlock(c.block, count, path), c.ok) << c.name;
        if (c.ok) {
            EXPECT_EQ(count, c.count) << c.name;
            EXPECT_EQ(path, c.path) << c.name;
        }
    }
    EXPECT_THROW(EncodeClipboardBlock(1, QString(300, QLatin1Char('x'))), EFCreateError);
}

TEST(TransferFile, NamedAfterTheDocumentAndKeptWithinTheBlock)
{
    SetAnsiCodePage(1252);
    const QString dir = TempDir();
    const struct {
        QString caption;
        QString name;
    } cases[] = {
        {QStringLiteral("Edit2"), QStringLiteral("KVO2K_Edit2.clp")},
        {QStringLiteral("/home/me/Labels/disc.kvo"), QStringLiteral("KVO2K_disc.clp")},
        {QStringLiteral("/home/me/best.of.kvo"), QStringLiteral("KVO2K_best.of.clp")},
        {QStringLiteral("/home/me/Café.kvo"), QStringLiteral("KVO2K_Café.clp")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TransferFileName(c.caption), dir + c.name) << c.caption.toStdString();

    for (const QString& caption : {QStringLiteral("/x/") + QString(300, QLatin1Char('n')) + QStringLiteral(".kvo"),
                                   QStringLiteral("/x/\u65e5\u672c.kvo")}) {
        const QString name = TransferFileName(caption);
        EXPECT_TRUE(name.startsWith(dir + QStringLiteral("KVO2K_"))) << name.toStdString();
        EXPECT_TRUE(name.endsWith(QStringLiteral(".clp")));
        EXPECT_LT(ToAnsi(name).size(), ClipboardPathSize);
        EXPECT_EQ(FromAnsi(ToAnsi(name)), name);
        EXPECT_EQ(TransferFileName(caption), name);   // the same document, the same file
    }
    SetAnsiCodePage(0);
}

TEST_F(ClipboardTest, GeneratedNamesAreBumpedPastNamesInUse)
{
    TChildFrame* f = Open(1);
    Add<CRectangle>(f, QStringLiteral("CRect_x"), 10, 10, 20, 20);
    for (int attempt = 0; attempt < 3; ++attempt) {
        const QTime before = QTime::currentTime();
        // The next two names the window would give are taken already.
        const QString suffix = f->MakeObjectNameSuffix();   // "_2" + time
        const QString time = suffix.mid(2);
        auto* a = Add<CRectangle>(f, QStringLiteral("CRect_3") + time, 10, 10, 20, 20);
        auto* b = Add<CRectangle>(f, QStringLiteral("CRect_4") + time, 10, 10, 20, 20);
        // Three objects now, so the window offers "_4" + time first.
        const QString name = NewObjectName(*f, QStringLiteral("CRect"));
        if (QTime::currentTime().second() != before.second()) {
            delete a;
            delete b;
            continue;   // the clock moved on between the names
        }
        EXPECT_EQ(name, QStringLiteral("CRect_5") + time);
        EXPECT_FALSE(HasObjectNamed(*f, name));
        return;
    }
    FAIL() << "the clock kept moving";
}

} // namespace
