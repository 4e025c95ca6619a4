// Editing tools on the page: the rubber band of the select tool, every creation tool, the
// disc-text dialogs' labels, and files dropped on the window.
#include "child_frame_test_support.h"

#include "document/label.h"
#include "document/picture_object.h"
#include "document/rectangle.h"
#include "document/std.h"
#include "platform/picture.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QKeyEvent>

using namespace frametest;

namespace {

class ToolsTest : public FrameFixture {
protected:
    void SetUp() override
    {
        FrameFixture::SetUp();
        frame = Make(1, false, 600, 400);   // paper area (110, 10) - (490, 390), zoom 84 %
        frame->SetToolCursor(crArrow);
        a = AddObject(frame, QStringLiteral("A"), 100, 100, 100, 60);   // centre (150, 130)
        b = AddObject(frame, QStringLiteral("B"), 300, 100, 80, 40);    // centre (340, 120)
        c = AddObject(frame, QStringLiteral("C"), 100, 250, 50, 50);    // centre (125, 275)
        frame->SetModified(false);
        link.buttonsDown.clear();
    }

    void Band(QPoint from, QPoint to)
    {
        frame->FormMouseDown(frame->Page, mbLeft, 0, from.x(), from.y());
        frame->FormMouseMove(frame->Page, ssLeft, (from.x() + to.x()) / 2, (from.y() + to.y()) / 2);
        frame->FormMouseMove(frame->Page, ssLeft, to.x(), to.y());
        frame->FormMouseUp(frame->Page, mbLeft, 0, to.x(), to.y());
    }

    void UseTool(int tool)
    {
        frame->Tool = int8_t(tool);
        frame->SetToolCursor(CreationToolCursor);
    }

    // The objects made since SetUp.
    std::vector<CDesignObject*> NewObjects() const
    {
        std::vector<CDesignObject*> list;
        for (CDesignObject* o : frame->Objects())
            if (o != a && o != b && o != c)
                list.push_back(o);
        return list;
    }

    void ExpectBackAtArrow(const char* what)
    {
        EXPECT_EQ(frame->Tool, ToolArrow) << what;
        EXPECT_EQ(frame->ToolCursor, crArrow) << what;
        ASSERT_FALSE(link.buttonsDown.empty()) << what;
        EXPECT_EQ(link.buttonsDown.back(), ToolArrow) << what;
    }

    TDiscTextDialogResult Accepted(const QString& text, const QString& size = QStringLiteral("12"))
    {
        TDiscTextDialogResult r;
        r.ModalResult = mrOk;
        r.FontName = QStringLiteral("DejaVu Sans");
        r.FontSize = size;
        r.FontColor = clRed;
        r.Text = text;
        return r;
    }

    TChildFrame* frame = nullptr;
    PlainObject *a = nullptr, *b = nullptr, *c = nullptr;
};

TEST(NormalizeDragRectTest, OriginIsTheSmallerCornerAndSizeTheDistance)
{
    struct Case {
        TPoint start, end, origin, size;
    } cases[] = {
        {{10, 20}, {110, 80}, {10, 20}, {100, 60}},
        {{110, 80}, {10, 20}, {10, 20}, {100, 60}},
        {{110, 20}, {10, 80}, {10, 20}, {100, 60}},
        {{10, 80}, {110, 20}, {10, 20}, {100, 60}},
        {{-5, 7}, {-5, 7}, {-5, 7}, {0, 0}},
    };
    for (const Case& k : cases) {
        TPoint origin, size;
        NormalizeDragRect(k.start, k.end, origin, size);
        EXPECT_EQ(origin, k.origin);
        EXPECT_EQ(size, k.size);
    }
}

TEST_F(ToolsTest, TheBandSelectsByTheObjectsCentre)
{
    c->SetSelected(true, true);
    b->SetLocked(true);
    // Covers A's centre, not all of A; covers most of B but not its centre.
    Band({90, 90}, {200, 140});
    EXPECT_TRUE(a->Selected);
    EXPECT_FALSE(b->Selected);
    EXPECT_TRUE(c->Selected);   // the band only adds
    Band({290, 90}, {335, 150});
    EXPECT_FALSE(b->Selected);

    // From bottom-right to top-left: the same band; locked objects are taken too.
    Band({345, 125}, {330, 110});
    EXPECT_TRUE(b->Selected);
    EXPECT_EQ(frame->Tool, ToolArrow);
    EXPECT_TRUE(link.buttonsDown.empty());
    EXPECT_FALSE(frame->Modified);
}

TEST_F(ToolsTest, BandsWithoutWidthOrHeightDoNothing)
{
    UseTool(ToolRect);
    for (auto [from, to] : {std::pair{QPoint(50, 60), QPoint(50, 60)}, std::pair{QPoint(50, 60), QPoint(150, 60)},
                            std::pair{QPoint(50, 60), QPoint(50, 160)}}) {
        Band(from, to);
        EXPECT_TRUE(NewObjects().empty());
        EXPECT_FALSE(frame->Dragging);
    }
    EXPECT_EQ(frame->Tool, ToolRect);
    EXPECT_FALSE(frame->Modified);
}

TEST_F(ToolsTest, EscapeRemovesTheBandAndTheReleaseDoesNothing)
{
    UseTool(ToolEllipse);
    Press(frame->Page, {50, 60});
    Move(frame->Page, {150, 120});
    EXPECT_TRUE(frame->Dragging);
    EXPECT_EQ(frame->BandCurrent, TPoint(150, 120));
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(frame->Page, &esc);
    EXPECT_FALSE(frame->Dragging);
    Release(frame->Page, {150, 120});
    EXPECT_TRUE(NewObjects().empty());
    EXPECT_EQ(frame->Tool, ToolEllipse);
}

TEST_F(ToolsTest, ABandOnThePageItselfStartsWithAClickThatClearsTheSelection)
{
    a->SetSelected(true, true);
    Press(frame->Page, {290, 90}); // beside B: the page's own point
    Move(frame->Page, {345, 125});
    Release(frame->Page, {345, 125});
    EXPECT_FALSE(a->Selected);
    EXPECT_TRUE(b->Selected);
}

TEST_F(ToolsTest, EachCreationToolMakesItsObjectFromTheBand)
{
    struct Case {
        int tool;
        const char* prefix;
        const char* className;
        bool bandSize;
    } cases[] = {
        {ToolLabel, "CLabel", "CLabel", false},
        {ToolImage, "CImage", "CImage", true},
        {ToolRect, "CRect", "CRectangle", true},
        {ToolEllipse, "CElips", "CEllipse", true},
    };
    for (const Case& k : cases) {
        for (CDesignObject* o : NewObjects())
            delete o;
        frame->SetModified(false);
        a->SetSelected(true, false);
        UseTool(k.tool);
        Band({150, 120}, {50, 60});   // drawn from bottom-right to top-left
        const std::vector<CDesignObject*> made = NewObjects();
        ASSERT_EQ(made.size(), 1u) << k.prefix;
        CDesignObject* o = made.front();
        EXPECT_STREQ(o->metaObject()->className(), k.className);
        EXPECT_TRUE(o->Name().startsWith(QLatin1String(k.prefix) + QStringLiteral("_4"))) << o->Name().toStdString();
        EXPECT_EQ(o->pos(), QPoint(50, 60)) << k.prefix;
        if (k.bandSize) {
            EXPECT_EQ(o->size(), QSize(100, 60)) << k.prefix;
        }
        EXPECT_FLOAT_EQ(o->Zoom, 0.84f);
        EXPECT_EQ(o->parentWidget(), frame->Page);
        EXPECT_TRUE(o->isVisible());
        EXPECT_TRUE(o->Selected);
        EXPECT_FALSE(a->Selected) << k.prefix;
        EXPECT_TRUE(frame->Modified) << k.prefix;
        ExpectBackAtArrow(k.prefix);
    }
}

TEST_F(ToolsTest, TheBarCodeToolCreatesNothing)
{
    UseTool(ToolBarCode);
    Band({50, 60}, {150, 120});
    EXPECT_TRUE(NewObjects().empty());
    EXPECT_FALSE(frame->Modified);
    ExpectBackAtArrow("bar code");
}

TEST_F(ToolsTest, TheFileListToolMakesOneLabel)
{
    link.fileListResult = Accepted(QStringLiteral("a.mp3\r\nb.mp3\r\n"));
    UseTool(ToolFileList);
    Band({50, 60}, {150, 120});
    EXPECT_EQ(link.fileListRuns, 1);
    EXPECT_EQ(link.dialogOwner, frame);
    const std::vector<CDesignObject*> made = NewObjects();
    ASSERT_EQ(made.size(), 1u);
    auto* label = qobject_cast<CLabel*>(made.front());
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->Name().startsWith(QStringLiteral("CLabel_4")));
    EXPECT_EQ(label->Text, QStringLiteral("a.mp3\r\nb.mp3\r\n"));
    EXPECT_EQ(label->FontSize, 12);
    EXPECT_EQ(label->Font->Name, QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(label->Font->Color, clRed);
    EXPECT_EQ(label->pos(), QPoint(50, 60));
    EXPECT_TRUE(label->Selected);
    EXPECT_TRUE(frame->Modified);
    ExpectBackAtArrow("file list");
}

TEST_F(ToolsTest, TheFileListToolCreatesNothingWithoutAnAcceptedTextAndSize)
{
    struct Case {
        const char* what;
        int result;
        const char* text;
        const char* size;
        bool error;
    } cases[] = {
        {"cancel", mrCancel, "a.mp3\r\n", "12", false},
        {"empty text", mrOk, "", "12", false},
        {"size not a number", mrOk, "a.mp3\r\n", "abc", true},
        {"size empty", mrOk, "a.mp3\r\n", "", true},
        {"size with a fraction", mrOk, "a.mp3\r\n", "12.5", true},
        {"size zero", mrOk, "a.mp3\r\n", "0", true},
        {"size negative", mrOk, "a.mp3\r\n", "-3", true},
        {"size too large", mrOk, "a.mp3\r\n", "99999999999", true},
    };
    for (const Case& k : cases) {
        boxes.clear();
        link.fileListResult = Accepted(QString::fromLatin1(k.text), QString::fromLatin1(k.size));
        link.fileListResult.ModalResult = k.result;
        UseTool(ToolFileList);
        Band({50, 60}, {150, 120});
        EXPECT_TRUE(NewObjects().empty()) << k.what;
        EXPECT_FALSE(frame->Modified) << k.what;
        ASSERT_EQ(boxes.size(), k.error ? 1 : 0) << k.what;
        if (k.error) {
            EXPECT_EQ(boxes[0], QStringLiteral("The font size must be a whole number from 1 to 1638.")) << k.what;
        }
        ExpectBackAtArrow(k.what);
    }
    int size = 0;
    EXPECT_TRUE(FontSizeFromText(QStringLiteral(" 72 "), size));
    EXPECT_EQ(size, 72);
}

TEST_F(ToolsTest, TheCDDBToolMakesAHeadingAndABody)
{
    link.cddbResult = Accepted(QStringLiteral("1. One\r\n2. Two\r\n"), QStringLiteral("10"));
    link.cddbResult.AlbumName = QStringLiteral("Album");
    link.cddbResult.ArtistName = QStringLiteral("Artist");
    link.cddbResult.ShowAlbumName = true;
    link.cddbResult.ShowArtistName = true;
    UseTool(ToolCDDBList);
    Band({50, 60}, {150, 120});
    const std::vector<CDesignObject*> made = NewObjects();
    ASSERT_EQ(made.size(), 2u);
    auto* heading = qobject_cast<CLabel*>(made[0]);
    auto* body = qobject_cast<CLabel*>(made[1]);
    ASSERT_TRUE(heading && body);
    EXPECT_EQ(heading->Text, QStringLiteral("Album\r\nArtist"));
    EXPECT_EQ(heading->FontSize, 14);
    EXPECT_EQ(heading->Font->Color, clRed);
    EXPECT_EQ(heading->Left(), int(frame->PaperCentre.X - heading->Width() * 0.5));
    EXPECT_EQ(heading->Top(), 40);   // a tenth of the client height
    EXPECT_FALSE(heading->Selected);
    EXPECT_EQ(body->Text, QStringLiteral("1. One\r\n2. Two\r\n"));
    EXPECT_EQ(body->FontSize, 10);
    EXPECT_EQ(body->pos(), QPoint(50, 60));
    EXPECT_TRUE(body->Selected);
    EXPECT_NE(heading->Name(), body->Name());
    EXPECT_TRUE(frame->Modified);
    ExpectBackAtArrow("cddb");
}

TEST_F(ToolsTest, TheCDDBHeadingStaysWhenTheBodyIsEmpty)
{
    link.cddbResult = Accepted(QString(), QStringLiteral("10"));
    link.cddbResult.AlbumName = QStringLiteral("Album");
    link.cddbResult.ShowAlbumName = true;
    UseTool(ToolCDDBList);
    Band({50, 60}, {150, 120});
    const std::vector<CDesignObject*> made = NewObjects();
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(static_cast<CLabel*>(made[0])->Text, QStringLiteral("Album\r\n"));
    EXPECT_TRUE(frame->Modified);
    ExpectBackAtArrow("heading only");

    // Cancel makes nothing at all.
    delete made[0];
    frame->SetModified(false);
    link.cddbResult.ModalResult = mrCancel;
    UseTool(ToolCDDBList);
    Band({50, 60}, {150, 120});
    EXPECT_TRUE(NewObjects().empty());
    EXPECT_FALSE(frame->Modified);
}

class DropTest : public ToolsTest {
protected:
    void SetUp() override
    {
        ToolsTest::SetUp();
        dir = testsupport::freshDir(QStringLiteral("drops"));
        TBitmap bmp;
        bmp.SetSize(90, 60);
        bmp.SaveToFile(dir + QStringLiteral("/good.bmp"));
        QFile::copy(testsupport::fixture(QStringLiteral("pictures/quadrants.jpg")), dir + QStringLiteral("/photo.JPG"));
        for (const char* name : {"bad.bmp", "doc.kvo", "notes.txt", "picture.png"}) {
            QFile f(dir + QLatin1Char('/') + QLatin1String(name));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("not a picture at all");
        }
    }
    QString File(const char* name) const { return dir + QLatin1Char('/') + QLatin1String(name); }
    QString dir;
};

TEST_F(DropTest, APictureAndADocumentMakeOnePictureAndOneForward)
{
    TPicture reference;
    reference.LoadFromFile(File("photo.JPG"));
    frame->OnDropFiles({File("photo.JPG"), File("doc.kvo")});
    const std::vector<CDesignObject*> made = NewObjects();
    ASSERT_EQ(made.size(), 1u);
    auto* image = qobject_cast<CImage*>(made[0]);
    ASSERT_NE(image, nullptr);
    EXPECT_TRUE(image->Name().startsWith(QStringLiteral("CImage_4")));
    EXPECT_TRUE(image->HasPicture);
    EXPECT_TRUE(image->StretchInRatio);
    EXPECT_EQ(image->pos(), QPoint(110, 10));
    // Taken at 180 pixels per inch, at the window's zoom.
    const double k = 96 * 0.84 / 180;
    EXPECT_EQ(image->size(), QSize(RoundValue(reference.Width() * k), RoundValue(reference.Height() * k)));
    EXPECT_TRUE(image->Selected);
    EXPECT_TRUE(frame->Modified);
    ASSERT_EQ(link.drops.size(), 1u);
    EXPECT_EQ(link.drops[0], QStringList{File("doc.kvo")});
    ExpectBackAtArrow("drop");
}

TEST_F(DropTest, AnUnreadablePictureIsReportedAndTheRestGoesOn)
{
    frame->OnDropFiles({File("bad.bmp"), File("picture.png"), File("missing.jpg"), File("good.bmp"),
                        File("notes.txt")});
    const std::vector<CDesignObject*> made = NewObjects();
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(made[0]->size(), QSize(RoundValue(90 * 96 * 0.84 / 180), RoundValue(60 * 96 * 0.84 / 180)));
    // Each message names its file on the first line.
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_EQ(boxes[0].section(QLatin1Char('\n'), 0, 0), QDir::toNativeSeparators(File("bad.bmp")));
    EXPECT_EQ(boxes[1].section(QLatin1Char('\n'), 0, 0), QDir::toNativeSeparators(File("picture.png")));
    ASSERT_EQ(link.drops.size(), 1u);
    EXPECT_EQ(link.drops[0], (QStringList{File("missing.jpg"), File("notes.txt")}));

    // Nothing for the document: no change.
    link.drops.clear();
    frame->SetModified(false);
    frame->OnDropFiles({File("doc.kvo")});
    EXPECT_EQ(frame->ObjectCount(), 4);
    EXPECT_FALSE(frame->Modified);
    EXPECT_EQ(link.drops.size(), 1u);
}

} // namespace
