// The document window's own commands: delete, lock, properties, paper properties, page setup,
// picture insertion, page export, relabelling, closing; and the print worker they stop.
#include "document/document_commands.h"

#include "child_frame_test_support.h"
#include "document/page_renderer.h"
#include "document/picture_object.h"
#include "document/rectangle.h"
#include "document/std.h"
#include "lang/builtin_strings.h"
#include "platform/registry.h"
#include "support/test_support.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <atomic>
#include <climits>
#include <chrono>
#include <thread>

using namespace frametest;

namespace {

// The recording link, plus the dialogs and the recent-files list of the main window.
class CommandLink : public RecordingLink {
public:
    void AddRecentFile(const QString& path) override { recent.push_back(path); }
    bool RunPaperPropertyDialog(QWidget* owner, TPaperPropertiesRequest& request) override
    {
        ++paperDialogRuns;
        seen = request;
        dialogOwner = owner;
        if (!paperDialogOk)
            return false;
        request = answer;
        return true;
    }
    bool RunPageSetupDialog(QWidget* owner, PaperType* paper) override
    {
        ++pageSetupRuns;
        dialogOwner = owner;
        setupPaper = paper;
        if (pageSetupOk && paper && !paper->Shapes.empty())
            paper->Shapes[0].X += 10;
        return pageSetupOk;
    }

    QStringList recent;
    int paperDialogRuns = 0, pageSetupRuns = 0;
    bool paperDialogOk = true, pageSetupOk = true;
    TPaperPropertiesRequest seen, answer;
    PaperType* setupPaper = nullptr;
};

class DocumentCommandsTest : public FrameFixture {
protected:
    void SetUp() override
    {
        FrameFixture::SetUp();
        SetMainWindowLink(&clink);
    }
    void TearDown() override
    {
        SetFileDialogHandler(nullptr);
        FrameFixture::TearDown();
    }

    TChildFrame* Window(uint8_t paper, bool fullPage = false, int width = 0, int height = 0)
    {
        clink.nextPaper = Id(paper);
        clink.nextFullPage = fullPage;
        return Make(paper, fullPage, width, height);
    }

    // n plain objects named o0.. at distinct places, none selected.
    std::vector<PlainObject*> Objects(TChildFrame* f, int n)
    {
        std::vector<PlainObject*> list;
        for (int i = 0; i < n; ++i)
            list.push_back(AddObject(f, QStringLiteral("o%1").arg(i), 20 + 10 * i, 30, 40, 20));
        f->Modified = false;
        return list;
    }

    static QStringList Names(TChildFrame* f)
    {
        QStringList names;
        for (CDesignObject* o : f->Objects())
            names << o->Name();
        return names;
    }
    static QStringList SelectedNames(TChildFrame* f)
    {
        QStringList names;
        for (CDesignObject* o : f->Objects())
            if (o->Selected)
                names << o->Name();
        return names;
    }

    CommandLink clink;
};

TEST_F(DocumentCommandsTest, DeleteSelectsTheObjectBelowTheLowestDeletedAndMarksTheDocument)
{
    const struct {
        std::vector<int> selected;
        std::vector<int> locked;
        QStringList remaining;
        QStringList selectedAfter;
        bool modified;
    } cases[] = {
        {{2, 4}, {}, {"o0", "o1", "o3", "o5"}, {"o1"}, true},
        {{0, 3}, {}, {"o1", "o2", "o4", "o5"}, {"o1"}, true},
        {{1, 2}, {2}, {"o0", "o2", "o3", "o4", "o5"}, {"o0"}, true},  // the locked o2 stays
        {{2, 4}, {2, 4}, {"o0", "o1", "o2", "o3", "o4", "o5"}, {"o2", "o4"}, false},  // only locked: nothing
        {{}, {}, {"o0", "o1", "o2", "o3", "o4", "o5"}, {}, false},
    };
    for (const auto& c : cases) {
        TChildFrame* f = Window(1);
        std::vector<PlainObject*> o = Objects(f, 6);
        for (int i : c.selected)
            o[size_t(i)]->SetSelected(true, true);
        for (int i : c.locked)
            o[size_t(i)]->SetLocked(true);
        clink.saveEnabled.clear();
        f->DeleteSelected();
        EXPECT_EQ(Names(f), c.remaining);
        EXPECT_EQ(f->Modified, c.modified) << c.remaining.join(',').toStdString();
        if (c.modified) {
            ASSERT_FALSE(clink.saveEnabled.empty());
            EXPECT_TRUE(clink.saveEnabled.back());
        }
        // The object selected alone deselects the rest.
        EXPECT_EQ(SelectedNames(f), c.selectedAfter) << c.remaining.join(',').toStdString();
    }
}

TEST_F(DocumentCommandsTest, DeletingTheLastObjectsLeavesAnEmptyModifiedPage)
{
    TChildFrame* f = Window(1);
    std::vector<PlainObject*> o = Objects(f, 2);
    f->SelectAll();
    f->DeleteSelected();
    EXPECT_EQ(f->ObjectCount(), 0);
    EXPECT_TRUE(f->Modified);
}

TEST_F(DocumentCommandsTest, LockTouchesOnlyTheSelectionAndMarksOnlyWhenSomethingWasSelected)
{
    TChildFrame* f = Window(1);
    std::vector<PlainObject*> o = Objects(f, 3);
    f->LockSelected();
    EXPECT_FALSE(f->Modified);
    for (PlainObject* p : o)
        EXPECT_FALSE(p->Locked);

    o[0]->SetLocked(true);
    o[0]->SetSelected(true, true);
    o[2]->SetSelected(true, true);
    f->LockSelected();
    EXPECT_TRUE(f->Modified);
    EXPECT_TRUE(o[0]->Locked);
    EXPECT_FALSE(o[1]->Locked);
    EXPECT_TRUE(o[2]->Locked);
    EXPECT_TRUE(o[2]->PopupMenu()->LockedItem->isChecked());
}

TEST_F(DocumentCommandsTest, PropertiesGoToTheTopmostSelectedObject)
{
    TChildFrame* f = Window(1);
    std::vector<PlainObject*> o = Objects(f, 3);
    f->EditSelectedProperties();
    for (PlainObject* p : o)
        EXPECT_EQ(p->propertyRuns, 0);
    o[0]->SetSelected(true, true);
    o[1]->SetSelected(true, true);
    f->EditSelectedProperties();
    EXPECT_EQ(o[0]->propertyRuns, 0);
    EXPECT_EQ(o[1]->propertyRuns, 1);
}

TEST_F(DocumentCommandsTest, ClickOnThePageDeselectsEverything)
{
    TChildFrame* f = Window(1);
    std::vector<PlainObject*> o = Objects(f, 3);
    f->SelectAll();
    f->FormClick(f);
    EXPECT_TRUE(SelectedNames(f).isEmpty());
}

TEST_F(DocumentCommandsTest, PaperPropertiesWithANewPaperLaysTheWindowOutAgain)
{
    TChildFrame* f = Window(1);
    f->OutlineColor = clGray;
    f->CoreColor = clYellow;
    clink.answer = {Id(2), 0, clRed, clAqua};
    f->PaperPropertiesItemClick();
    EXPECT_EQ(clink.paperDialogRuns, 1);
    EXPECT_EQ(clink.dialogOwner, f);
    EXPECT_EQ(clink.seen.PaperID, Id(1));
    EXPECT_EQ(clink.seen.ShapeStyle, ShapeCircle);
    EXPECT_EQ(clink.seen.OutlineColor, clGray);
    EXPECT_EQ(clink.seen.CoreColor, clYellow);

    EXPECT_EQ(f->Paper->ID, Id(2));
    EXPECT_EQ(f->Paper->ShapeStyle, ShapeRectangle);
    EXPECT_EQ(f->Paper->ShapeWidth, 500);
    EXPECT_EQ(clink.panels[2], QStringLiteral("Tall 2"));
    EXPECT_EQ(f->BaseWidth, ScreenPixels(500));
    // The tall label fills 95 % of the height, and the zoom follows the new paper at once.
    EXPECT_EQ(f->HalfHeight, RoundValue(f->ClientHeight() * 0.475));
    EXPECT_EQ(f->Zoom, RoundValue(float(f->HalfWidth) * 2.0f / float(f->BaseWidth) * 100.0f));
    EXPECT_EQ(f->OutlineColor, clRed);
    EXPECT_EQ(f->CoreColor, clAqua);
    EXPECT_EQ(f->Color(), clAqua);
    EXPECT_TRUE(f->Modified);
}

TEST_F(DocumentCommandsTest, PaperPropertiesWithTheSamePaperChangeOnlyTheColours)
{
    TChildFrame* f = Window(2, false, 300, 500);
    const int halfWidth = f->HalfWidth, halfHeight = f->HalfHeight;
    f->Paper->Shapes[0].X = 777;  // a change of the window's own copy stays
    clink.answer = {Id(2), 1, clBlue, clLime};
    f->PaperPropertiesItemClick();
    EXPECT_EQ(clink.seen.ShapeStyle, ShapeRectangle);
    EXPECT_EQ(f->Paper->Shapes[0].X, 777);
    EXPECT_EQ(f->HalfWidth, halfWidth);
    EXPECT_EQ(f->HalfHeight, halfHeight);
    EXPECT_EQ(f->OutlineColor, clBlue);
    EXPECT_EQ(f->Color(), clLime);
    EXPECT_TRUE(f->Modified);

    // Cancel changes nothing.
    f->Modified = false;
    clink.paperDialogOk = false;
    clink.answer = {Id(1), 0, clBlack, clBlack};
    f->PaperPropertiesItemClick();
    EXPECT_EQ(f->Paper->ID, Id(2));
    EXPECT_EQ(f->OutlineColor, clBlue);
    EXPECT_FALSE(f->Modified);
}

TEST_F(DocumentCommandsTest, MaskOfAnEarlierPaperDoesNotStay)
{
    TChildFrame* f = Window(1);
    f->MaskBitmap->SetSize(10, 10);
    ASSERT_FALSE(f->MaskBitmap->Empty());
    f->LoadPaperMask();
    EXPECT_TRUE(f->MaskBitmap->Empty());

    f->MaskBitmap->SetSize(10, 10);
    f->Paper->HasShapeMask = 1;  // a paper with mask pictures whose picture is missing
    f->LoadPaperMask();
    EXPECT_TRUE(f->MaskBitmap->Empty());
}

TEST_F(DocumentCommandsTest, PageSetupEditsTheWindowsPaperWithoutMarkingTheDocument)
{
    TChildFrame* f = Window(1);
    const int x = f->Paper->Shapes[0].X;
    f->PageSetup();
    EXPECT_EQ(clink.pageSetupRuns, 1);
    EXPECT_EQ(clink.setupPaper, f->Paper.get());
    EXPECT_EQ(f->Paper->Shapes[0].X, x + 10);
    EXPECT_FALSE(f->Modified);
    clink.pageSetupOk = false;
    f->PageSetup();
    EXPECT_FALSE(f->Modified);
}

TEST_F(DocumentCommandsTest, InsertedPictureLandsOnTheSheetSelectedAlone)
{
    for (bool fullPage : {false, true}) {
        TChildFrame* f = Window(fullPage ? 1 : 2, fullPage);
        std::vector<PlainObject*> o = Objects(f, 1);
        o[0]->SetSelected(true, true);
        TPicture picture;
        auto bmp = std::make_unique<TBitmap>(200, 100);
        picture.SetGraphic(std::move(bmp));
        f->InsertPicture(&picture);
        ASSERT_EQ(f->ObjectCount(), 2) << fullPage;
        auto* image = qobject_cast<CImage*>(f->Objects().back());
        ASSERT_NE(image, nullptr);
        EXPECT_TRUE(image->Name().startsWith(QStringLiteral("CImage_2"))) << image->Name().toStdString();
        EXPECT_EQ(image->Left(), f->PaperCentre.X - f->HalfWidth) << fullPage;
        EXPECT_EQ(image->Top(), f->PaperCentre.Y - f->HalfHeight) << fullPage;
        EXPECT_EQ(image->Width(), 200 * f->Zoom / 100);
        EXPECT_EQ(image->Height(), 100 * f->Zoom / 100);
        EXPECT_FLOAT_EQ(image->Zoom, f->Zoom * 0.01f);
        EXPECT_TRUE(image->HasPicture);
        EXPECT_EQ(SelectedNames(f), QStringList{image->Name()});
        EXPECT_TRUE(f->Modified);
    }
}

TEST_F(DocumentCommandsTest, InsertingNoPictureDoesNothing)
{
    TChildFrame* f = Window(1);
    TPicture empty;
    f->InsertPicture(&empty);
    f->InsertPicture(nullptr);
    EXPECT_EQ(f->ObjectCount(), 0);
    EXPECT_FALSE(f->Modified);
}

TEST_F(DocumentCommandsTest, ExportWritesThePageAt200Dpi)
{
    const QString dir = testsupport::freshDir(QStringLiteral("export"));
    // The square lies 170 window pixels right of the paper's left edge and 5 below its top,
    // 40 wide; the paper is 380 window pixels wide.
    const struct {
        bool fullPage;
        int width, height;
        TRect square;
    } cases[] = {
        // 1200 x 0.7874 = 944.9; 945 / 380 = 2.487 pixels each: 422.8, 12.4, 99.5 wide
        {false, 945, 945, {423, 12, 522, 111}},
        // the A4 sheet; 1654 / 380 = 4.353 pixels each: 739.9, 21.8, 174.1 wide
        {true, 1654, 2339, {740, 22, 914, 196}},
    };
    for (const auto& c : cases) {
        TChildFrame* f = Window(1, c.fullPage);
        // A red square near the top of the label, 40 window pixels wide.
        auto* o = new CRectangle(f);
        o->SetName(QStringLiteral("x"));
        o->SetBounds(f->PaperCentre.X - 20, f->PaperCentre.Y - f->HalfHeight + 5, 40, 40);
        o->LineColor = o->CoreColor = clRed;
        const QString file = dir + (c.fullPage ? QStringLiteral("/sheet.bmp") : QStringLiteral("/label.bmp"));
        TOpenDialogEx seen;
        SetFileDialogHandler([&](TOpenDialogEx& d) {
            seen.Filter = d.Filter;
            seen.DefaultExt = d.DefaultExt;
            seen.Options = d.Options;
            d.FileName = file;
            return true;
        });
        f->ExportPageBitmap();
        EXPECT_EQ(seen.Filter, QStringLiteral("Windows Bitmaps(*.bmp)|*.bmp"));
        EXPECT_EQ(seen.DefaultExt, QStringLiteral("bmp"));
        EXPECT_TRUE(seen.Options & ofOverwritePrompt);
        TBitmap b;
        b.LoadFromFile(file);
        EXPECT_EQ(b.Width(), c.width);
        EXPECT_EQ(b.Height(), c.height);
        EXPECT_EQ(b.PixelFormat(), pf24bit);
        EXPECT_FALSE(f->Modified);
        // The added object was drawn, in its place and size, within a pixel of rounding.
        TRect red(INT_MAX, INT_MAX, INT_MIN, INT_MIN);
        for (int y = 0; y < b.Height(); ++y) {
            for (int x = 0; x < b.Width(); ++x) {
                if (b.Canvas()->Pixel(x, y) == clRed)
                    red = TRect(std::min(red.Left, x), std::min(red.Top, y), std::max(red.Right, x + 1),
                                std::max(red.Bottom, y + 1));
            }
        }
        EXPECT_NEAR(red.Left, c.square.Left, 1) << c.fullPage;
        EXPECT_NEAR(red.Top, c.square.Top, 1) << c.fullPage;
        EXPECT_NEAR(red.Right, c.square.Right, 1) << c.fullPage;
        EXPECT_NEAR(red.Bottom, c.square.Bottom, 1) << c.fullPage;
    }
}

TEST_F(DocumentCommandsTest, SaveAsAndExportStartAtTheDocumentsFolderAndName)
{
    const QString dir = testsupport::freshDir(QStringLiteral("save-start"));
    const QString last = testsupport::freshDir(QStringLiteral("save-start-last"));
    const QString saved = dir + QStringLiteral("/Summer disc.kvo");
    QFile(saved).open(QIODevice::WriteOnly);
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const struct {
        const char* name;
        QString caption, lastDir;
        QString dir, kvo, bmp;
    } cases[] = {
        {"Saved", saved, last, dir, QStringLiteral("Summer disc.kvo"), QStringLiteral("Summer disc.bmp")},
        {"UntitledAfterAnOpen", QStringLiteral("Edit3"), last, last, QStringLiteral("Edit3.kvo"), QStringLiteral("Edit3.bmp")},
        {"UntitledFirstRun", QStringLiteral("Edit1"), QString(), documents, QStringLiteral("Edit1.kvo"), QStringLiteral("Edit1.bmp")},
        {"LastDirGone", QStringLiteral("Edit2"), dir + QStringLiteral("/gone"), documents, QStringLiteral("Edit2.kvo"),
         QStringLiteral("Edit2.bmp")},
    };
    for (const auto& c : cases) {
        TRegIniFile(ProductKey()).WriteString(BasicInfo(), QStringLiteral("LastDir"), c.lastDir);
        TChildFrame* f = Window(1);
        f->SetCaption(c.caption);
        QStringList dirs, names;
        SetFileDialogHandler([&](TOpenDialogEx& d) {
            dirs << d.InitialDir;
            names << d.FileName;
            return false;
        });
        f->SaveDocumentAs();
        f->ExportPageBitmap();
        EXPECT_EQ(dirs, QStringList({c.dir, c.dir})) << c.name;
        EXPECT_EQ(names, QStringList({c.kvo, c.bmp})) << c.name;
    }
    TRegIniFile(ProductKey()).WriteString(BasicInfo(), QStringLiteral("LastDir"), QString());
}

TEST_F(DocumentCommandsTest, CancelledExportWritesNothing)
{
    const QString dir = testsupport::freshDir(QStringLiteral("export-cancel"));
    TChildFrame* f = Window(1);
    SetFileDialogHandler([&](TOpenDialogEx& d) {
        d.FileName = dir + QStringLiteral("/x.bmp");
        return false;
    });
    f->ExportPageBitmap();
    EXPECT_FALSE(QFileInfo::exists(dir + QStringLiteral("/x.bmp")));
}

TEST(UntitledNumber, TrailingDigitsWhateverTheWord)
{
    const struct {
        const char* caption;
        const char* number;
    } cases[] = {
        {"Edit12", "12"}, {"Etikett3", "3"}, {"Ed7", "7"}, {"\xE7\xB7\xA8\xE9\x9B\x86" "5", "5"},
        {"Edit", ""},     {"", ""},          {"12345", "12345"}, {"Edit1x", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UntitledNumber(QString::fromUtf8(c.caption)), QString::fromUtf8(c.number)) << c.caption;
}

// Relabelling in another language, with the German library beside the program.
class RelabelTest : public DocumentCommandsTest {
protected:
    void SetUp() override
    {
        DocumentCommandsTest::SetUp();
        oldProgram = qgetenv("KORVANE_PROGRAM_DIR");
        qputenv("KORVANE_PROGRAM_DIR", QByteArray(KORVANE_BIN_DIR));
    }
    void TearDown() override
    {
        FreeLanguageDll();
        if (oldProgram.isEmpty())
            qunsetenv("KORVANE_PROGRAM_DIR");
        else
            qputenv("KORVANE_PROGRAM_DIR", oldProgram);
        DocumentCommandsTest::TearDown();
    }
    QByteArray oldProgram;
};

TEST_F(RelabelTest, UntitledWindowsKeepTheirNumberFilesKeepTheirPath)
{
    const QString dir = testsupport::freshDir(QStringLiteral("relabel"));
    const QString file = dir + QStringLiteral("/doc12.kvo");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    TChildFrame* untitled = Window(1);
    untitled->SetCaption(QStringLiteral("Edit12"));
    TChildFrame* shortName = Window(1);
    shortName->SetCaption(QStringLiteral("Ed7"));
    TChildFrame* named = Window(1);
    named->SetCaption(file);
    std::vector<PlainObject*> o = Objects(untitled, 1);

    LanguageDll = LoadLibraryA(QStringLiteral("QNGerman.dll"));
    ASSERT_NE(LanguageDll, nullptr);
    const QString edit = LoadLangStr(UntitledCaptionString);
    ASSERT_NE(edit, QStringLiteral("Edit"));
    for (TChildFrame* f : {untitled, shortName, named})
        f->Dispatch(WM_RELABEL, 0, 0);

    EXPECT_EQ(untitled->Caption(), edit + QStringLiteral("12"));
    EXPECT_EQ(shortName->Caption(), edit + QStringLiteral("7"));
    EXPECT_EQ(named->Caption(), file);
    EXPECT_EQ(untitled->Hint(), LoadLangStr(ReadyHintString));
    EXPECT_EQ(untitled->PasteItem->text(), LoadLangStr(PasteItemString));
    EXPECT_EQ(untitled->SaveDialog->Filter, LoadLangStr(LabelFileFilterString));
    EXPECT_EQ(o[0]->PopupMenu()->DeleteItem->text(), LoadLangStr(708));
    EXPECT_EQ(clink.panels[2], QStringLiteral("Disc 1"));
}

TEST_F(DocumentCommandsTest, ShowingTheWindowRelabelsIt)
{
    TChildFrame* f = Window(1);
    f->hide();
    f->SetCaption(QStringLiteral("Edit4"));
    f->SetHint(QString());
    f->show();
    EXPECT_EQ(f->Hint(), QStringLiteral("Ready"));
    EXPECT_EQ(f->Caption(), QStringLiteral("Edit4"));
}

TEST_F(DocumentCommandsTest, ClosingStoresThePaperListsTheFileAndClearsTheStatusBar)
{
    const QString dir = testsupport::freshDir(QStringLiteral("close"));
    const QString file = dir + QStringLiteral("/saved.kvo");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    for (bool exists : {true, false}) {
        TChildFrame* f = Window(exists ? 2 : 1);
        Objects(f, 2);
        f->SetCaption(exists ? file : QStringLiteral("Edit3"));
        clink.recent.clear();
        clink.panels[1] = clink.panels[2] = QStringLiteral("x");
        bool freeWindow = false;
        f->FormClose(f, freeWindow);
        EXPECT_TRUE(freeWindow);
        EXPECT_EQ(f->ObjectCount(), 0);
        EXPECT_EQ(TRegIniFile(ProductKey()).ReadString(BasicInfo(), QStringLiteral("PaperID"), QString()),
                  GUIDToString(Id(exists ? 2 : 1)));
        EXPECT_EQ(clink.recent, exists ? QStringList{file} : QStringList{});
        EXPECT_TRUE(clink.panels[1].isEmpty());
        EXPECT_TRUE(clink.panels[2].isEmpty());
    }
}

TEST_F(DocumentCommandsTest, ClosingStopsARunningPrintJobAndWaitsForIt)
{
    TChildFrame* f = Window(1);
    std::atomic<bool> started{false}, cleanedUp{false};
    f->PrintThread = std::make_unique<TPrintWorker>();
    ASSERT_TRUE(f->PrintThread->Start([&](TPrintWorker& w) {
        started = true;
        while (!w.StopRequested())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        cleanedUp = true;  // the job releases its printer and files itself
    }));
    while (!started)
        std::this_thread::yield();
    bool freeWindow = false;
    f->FormClose(f, freeWindow);
    EXPECT_TRUE(cleanedUp);
    EXPECT_EQ(f->PrintThread, nullptr);
}

TEST(PrintWorker, OneJobAtATimeStoppedCooperatively)
{
    TPrintWorker worker;
    EXPECT_FALSE(worker.Running());
    worker.Join();  // nothing started: returns at once

    std::atomic<int> steps{0};
    ASSERT_TRUE(worker.Start([&](TPrintWorker& w) {
        while (!w.StopRequested())
            ++steps, std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }));
    EXPECT_TRUE(worker.Running());
    EXPECT_FALSE(worker.Start([](TPrintWorker&) {}));
    worker.Stop();
    EXPECT_FALSE(worker.Running());

    // A finished job makes room for the next; an exception never leaves the thread.
    std::atomic<bool> ran{false};
    ASSERT_TRUE(worker.Start([&](TPrintWorker& w) {
        EXPECT_FALSE(w.StopRequested());
        ran = true;
        throw std::runtime_error("printer gone");
    }));
    worker.Join();
    EXPECT_TRUE(ran);
    EXPECT_FALSE(worker.Running());
    EXPECT_TRUE(worker.Start([](TPrintWorker&) {}));
}

TEST(PrintWorker, DestroyingTheWorkerEndsItsJob)
{
    std::atomic<bool> ended{false};
    {
        TPrintWorker worker;
        worker.Start([&](TPrintWorker& w) {
            while (!w.StopRequested())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            ended = true;
        });
    }
    EXPECT_TRUE(ended);
}

} // namespace
