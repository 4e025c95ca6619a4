// The main window: its items, settings kept between runs, the next document's paper, the
// hand-over receiver, untitled names, App Paths and what shut-down leaves behind.
#include "app/main_frame.h"
#include "bars/toolbar.h"
#include "bars/toolbar_button.h"
#include "controls/recent_list.h"

#include "document/child_frame.h"
#include "document/clipboard.h"
#include "document/document_file.h"
#include "document/paper_catalogue.h"
#include "lang/builtin_strings.h"
#include "platform/file_utils.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "support/dialog_test_support.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include "tests/support/test_papers.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPointer>
#include <QScreen>
#include <limits>
#include <QLabel>
#include <QLayout>
#include <QStatusBar>
#include <QTest>

namespace {

const TGUID FirstPaper = NameGUID("main-frame-test-first");
const TGUID SecondPaper = NameGUID("main-frame-test-second");

QString ProgramWithCatalogue()
{
    const PaperType a = testpaper::WithCatalogueTexts(testpaper::Discs(FirstPaper, QStringLiteral("First"), 1170, {{1, 465, 175}}));
    const PaperType b = testpaper::WithCatalogueTexts(testpaper::Discs(SecondPaper, QStringLiteral("Second"), 1170, {{1, 465, 175}}));
    return testsupport::programWithPapers(QStringLiteral("mf-program"), {&a, &b});
}

using testsupport::Settings;

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("KORVANE_PROGRAM_DIR", ProgramWithCatalogue().toLocal8Bit());
        qputenv("KORVANE_REGISTRY_DIR",
                testsupport::freshDir(QStringLiteral("mf-registry-%1").arg(++counter)).toLocal8Bit());
        QGuiApplication::clipboard()->clear();
    }
    void TearDown() override
    {
        for (QPointer<TMainFrame>& f : frames)
            delete f.data();
        QGuiApplication::clipboard()->clear();
    }
    TMainFrame* Make(const QStringList& args = {})
    {
        auto* f = new TMainFrame(args);
        frames << f;
        return f;
    }
    static void Close(TMainFrame* f)
    {
        QPointer<TMainFrame> guard(f);
        f->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        delete guard.data();
    }

    // An empty document on the first paper.
    static void WriteEmptyDocument(const QString& path)
    {
        DocumentHeader header;
        header.HalfHeight = 190;
        header.PaperID = FirstPaper;
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(header.Encode());
    }

    static inline int counter = 0;
    QList<QPointer<TMainFrame>> frames;
    testsupport::MessageRecorder recorder{IDYES};
    QStringList& boxes = recorder.texts;
    int& answer = recorder.answer;
};

} // namespace

TEST_F(MainFrameTest, WithoutDocumentWindowsOnlyTheGeneralCommandsAreEnabled)
{
    TMainFrame* f = Make();
    ASSERT_TRUE(f->CreatedOk());
    f->UpdateMenuItems();
    for (const char* name : {"FileCloseItem", "FileSaveItem", "FileSaveAsItem", "PageSetupItem", "PrintPreviewItem",
                             "PrintItem", "MultipleImagePrintWizardItem", "ExportItem", "CutItem", "CopyItem",
                             "PasteItem", "PaperPropertiesItem", "PropertiesItem", "SelectAllItem", "DeleteItem",
                             "LockedItem", "WindowCascadeItem", "WindowTileHItem", "WindowTileVItem",
                             "WindowArrangeItem", "WindowMinimizeItem"}) {
        QAction* a = f->findChild<QAction*>(QString::fromLatin1(name));
        ASSERT_NE(a, nullptr) << name;
        EXPECT_FALSE(a->isEnabled()) << name;
    }
    for (const char* name : {"FileNewItem", "FileOpenItem", "ImportItem", "SelectSourceItem", "AcquireItem",
                             "FileExitItem", "ToolbarItem", "UsersMenuItem", "HelpAboutItem"}) {
        QAction* a = f->findChild<QAction*>(QString::fromLatin1(name));
        ASSERT_NE(a, nullptr) << name;
        EXPECT_TRUE(a->isEnabled()) << name;
    }
    for (const char* name : {"SaveBtn", "PrintBtn", "PrintPreviewBtn", "MultipleImagePrintWizardBtn", "CutBtn",
                             "CopyBtn", "PasteBtn", "ArrowBtn", "LabelBtn", "ImageBtn", "RectBtn", "EllipseBtn",
                             "BarCodeBtn", "FileListBtn", "CDDBListBtn"}) {
        TToolbarButtonX* b = f->findChild<TToolbarButtonX*>(QString::fromLatin1(name));
        ASSERT_NE(b, nullptr) << name;
        EXPECT_FALSE(b->isEnabled()) << name;
    }
    for (const char* name : {"FileNewBtn", "FileOpenBtn", "AcquireBtn"})
        EXPECT_TRUE(f->findChild<TToolbarButtonX*>(QString::fromLatin1(name))->isEnabled()) << name;
    // Text on the clipboard alone does not enable Paste without a document.
    QGuiApplication::clipboard()->setText(QStringLiteral("label text"));
    f->UpdateMenuItems();
    EXPECT_FALSE(f->PasteItem->isEnabled());
    EXPECT_TRUE(f->CleanClipboradItem->isEnabled());
    EXPECT_EQ(f->LanguageItems.size(), 15);
}

TEST_F(MainFrameTest, PlacementAndBarsAreSavedAtCloseAndRestoredAtTheNextStart)
{
    {
        TRegIniFile reg = Settings();
        reg.WriteBool(BasicInfo(), QStringLiteral("Startup"), false);
        reg.WriteInteger(BasicInfo(), QStringLiteral("Left"), 40);
        reg.WriteInteger(BasicInfo(), QStringLiteral("Top"), 50);
        reg.WriteInteger(BasicInfo(), QStringLiteral("Width"), 700);
        reg.WriteInteger(BasicInfo(), QStringLiteral("Height"), 500);
    }
    TMainFrame* f = Make();
    f->show();
    // The stored place is the client area's, as it is saved.
    EXPECT_EQ(f->geometry(), QRect(40, 50, 700, 500));
    // With "Startup" off a blank document is asked for, on the first catalogue paper.
    EXPECT_EQ(f->DocumentCaptions(), QStringList{QStringLiteral("Edit1")});
    EXPECT_EQ(f->NextPaperID, FirstPaper);

    f->setGeometry(10, 20, 640, 480);
    f->ToolbarItem->trigger();
    EXPECT_FALSE(f->UpToolbar->isVisible());
    Close(f);
    {
        TRegIniFile reg = Settings();
        EXPECT_EQ(reg.ReadInteger(BasicInfo(), QStringLiteral("Left"), -1), 10);
        EXPECT_EQ(reg.ReadInteger(BasicInfo(), QStringLiteral("Top"), -1), 20);
        EXPECT_EQ(reg.ReadInteger(BasicInfo(), QStringLiteral("Width"), -1), 640);
        EXPECT_EQ(reg.ReadInteger(BasicInfo(), QStringLiteral("Height"), -1), 480);
        EXPECT_EQ(reg.ReadInteger(BasicInfo(), QStringLiteral("WindowState"), -1), 0);
        EXPECT_FALSE(reg.ReadBool(BasicInfo(), QStringLiteral("Toolbar"), true));
    }

    TMainFrame* g = Make();
    EXPECT_FALSE(g->ToolbarItem->isChecked());
    g->show();
    EXPECT_FALSE(g->UpToolbar->isVisible());
    EXPECT_EQ(g->size(), QSize(640, 480));
    // Closing maximised keeps the last normal bounds.
    g->showMaximized();
    Close(g);
    TRegIniFile reg = Settings();
    EXPECT_EQ(reg.ReadInteger(BasicInfo(), QStringLiteral("WindowState"), -1), 2);
    EXPECT_EQ(reg.ReadInteger(BasicInfo(), QStringLiteral("Width"), -1), 640);

    TMainFrame* h = Make();
    h->show();
    EXPECT_TRUE(h->isMaximized());
}

TEST_F(MainFrameTest, AWindowClosedWhileMinimisedIsStoredAsItWasShown)
{
    // Closed minimised (as the session's end does), the window keeps its last shown state
    // and, when that was the normal one, its place.
    const struct {
        bool maximised;
        int stored;
    } cases[] = {{false, 0}, {true, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.maximised);
        {
            TRegIniFile reg = Settings();
            reg.WriteBool(BasicInfo(), QStringLiteral("Startup"), false);
            reg.WriteInteger(BasicInfo(), QStringLiteral("WindowState"), 0);
            reg.WriteInteger(BasicInfo(), QStringLiteral("Width"), 700);
        }
        TMainFrame* f = Make();
        f->show();
        f->setGeometry(30, 40, 660, 470);
        if (c.maximised)
            f->showMaximized();
        f->showMinimized();
        ASSERT_EQ(WindowStateOf(f), wsMinimized);
        Close(f);
        TRegIniFile reg = Settings();
        EXPECT_EQ(reg.ReadInteger(BasicInfo(), QStringLiteral("WindowState"), -1), c.stored);
        EXPECT_EQ(reg.ReadInteger(BasicInfo(), QStringLiteral("Width"), -1), c.maximised ? 700 : 660);

        TMainFrame* g = Make();
        g->show();
        EXPECT_FALSE(g->isMinimized());
        EXPECT_EQ(g->isMaximized(), c.maximised);
        Close(g);
    }
}

TEST_F(MainFrameTest, StoredPlacesAtTheEndsOfTheNumbersGiveAWindowOnTheScreen)
{
    const int top = std::numeric_limits<int>::max(), bottom = std::numeric_limits<int>::min();
    const struct {
        int left, top, width, height;
    } cases[] = {
        {top, top, top, top},       {bottom, bottom, bottom, bottom},
        {bottom, bottom, top, top}, {top - 10, 5, 100, top},
        {20, 30, top, 200},
    };
    for (const auto& c : cases) {
        {
            TRegIniFile reg = Settings();
            reg.WriteBool(BasicInfo(), QStringLiteral("Startup"), false);
            reg.WriteInteger(BasicInfo(), QStringLiteral("WindowState"), 0);
            reg.WriteInteger(BasicInfo(), QStringLiteral("Left"), c.left);
            reg.WriteInteger(BasicInfo(), QStringLiteral("Top"), c.top);
            reg.WriteInteger(BasicInfo(), QStringLiteral("Width"), c.width);
            reg.WriteInteger(BasicInfo(), QStringLiteral("Height"), c.height);
        }
        TMainFrame* f = Make();
        f->show();
        const QRect screen = f->screen()->availableGeometry();
        EXPECT_TRUE(screen.contains(f->geometry()))
            << c.left << " " << c.top << " " << c.width << " " << c.height;
        EXPECT_FALSE(f->geometry().isEmpty());
        Close(f);
    }
}

TEST_F(MainFrameTest, ASettingsFileReadOnlyInPartIsNamedOnceAtStart)
{
    Make();
    EXPECT_TRUE(boxes.isEmpty()) << boxes.join(QLatin1Char('\n')).toStdString();

    // A key nested deeper than the reader goes: the file is never written back.
    const QString file = RegHiveFile(RootKey::CurrentUser);
    QByteArray deep = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software";
    for (int i = 0; i < RegMaxKeyDepth + 2; ++i)
        deep += "\\a";
    deep += "]\n\"D\"=\"deep\"\n";
    QFile hive(file);
    ASSERT_TRUE(hive.open(QIODevice::WriteOnly | QIODevice::Truncate));
    hive.write(deep);
    hive.close();
    Make();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].contains(file)) << boxes[0].toStdString();
}

TEST_F(MainFrameTest, NextDocumentPaperFallsBackToTheFirstCataloguePaper)
{
    TMainFrame* f = Make();
    ASSERT_TRUE(f->CreatedOk());
    struct Case { const char* stored; TGUID expected; } cases[] = {
        {nullptr, FirstPaper},                        // never stored
        {"", FirstPaper},
        {"not a guid", FirstPaper},
        {"{1234", FirstPaper},
        {nullptr, SecondPaper},                       // replaced below by the second paper's text
    };
    for (Case& c : cases) {
        TRegIniFile reg = Settings();
        if (c.expected == SecondPaper)
            reg.WriteString(BasicInfo(), QStringLiteral("PaperID"), GUIDToString(SecondPaper).toLower());
        else if (c.stored)
            reg.WriteString(BasicInfo(), QStringLiteral("PaperID"), QString::fromLatin1(c.stored));
        else
            reg.DeleteKey(BasicInfo(), QStringLiteral("PaperID"));
        TGUID id;
        ASSERT_TRUE(TMainFrame::StoredPaperID(id)) << (c.stored ? c.stored : "(none)");
        EXPECT_EQ(id, c.expected) << (c.stored ? c.stored : "(none)");
    }
    // Opening a document uses it.
    Settings().DeleteKey(BasicInfo(), QStringLiteral("PaperID"));
    f->OpenDocumentFile(QStringLiteral("Edit7"));
    EXPECT_EQ(f->NextPaperID, FirstPaper);
    ASSERT_FALSE(f->DocumentCaptions().isEmpty());
    EXPECT_EQ(f->DocumentCaptions().last(), QStringLiteral("Edit7"));
}

TEST_F(MainFrameTest, HandedOverPathsAreReadWithinTheirBlock)
{
    TMainFrame* f = Make();
    const QString dir = testsupport::freshDir(QStringLiteral("mf-copydata"));
    const QString good = dir + QStringLiteral("/good.KVO");
    WriteEmptyDocument(good);
    QFile(dir + QStringLiteral("/note.txt")).open(QIODevice::WriteOnly);

    const QByteArray goodZ = good.toUtf8() + '\0';
    // The path without terminator, followed in memory by more text: only cbData bytes count.
    const QByteArray unterminated = good.toUtf8() + QByteArray("trailing.kvo");
    const QByteArray txt = (dir + QStringLiteral("/note.txt")).toUtf8() + '\0';
    const QByteArray missing = (dir + QStringLiteral("/gone.kvo")).toUtf8() + '\0';
    struct Case { const char* what; const void* data; uint32_t size; bool opens; } cases[] = {
        {"no block", nullptr, 10, false},
        {"empty block", goodZ.constData(), 0, false},
        {"cut short", goodZ.constData(), 5, false},
        {"text file", txt.constData(), uint32_t(txt.size()), false},
        {"missing file", missing.constData(), uint32_t(missing.size()), false},
        {"no terminator", unterminated.constData(), uint32_t(good.toUtf8().size()), true},
        {"good", goodZ.constData(), uint32_t(goodZ.size()), true},
    };
    for (const Case& c : cases) {
        for (TChildFrame* doc : f->Documents())
            doc->SubWindow()->close();
        COPYDATASTRUCT data;
        data.dwData = 1;
        data.cbData = c.size;
        data.lpData = c.data;
        f->WMCopyData(data);
        EXPECT_EQ(f->DocumentCaptions(), c.opens ? QStringList{good} : QStringList{}) << c.what;
    }
}

namespace {

// The entry of the File menu's recent-files submenu that stands for the name, or null.
QAction* RecentFileEntry(TMainFrame* f, const QString& name)
{
    const int number = int(f->scMRUFileList->Items.indexOf(name)) + 1;
    for (TMRUMenuItem* item : f->findChildren<TMRUMenuItem*>())
        if (QMenu* submenu = item->SubMenu())
            for (QAction* a : submenu->actions())
                if (auto* entry = qobject_cast<TMRUMenuItem*>(a);
                    entry && number > 0 && entry->ItemNumber == number)
                    return entry;
    return nullptr;
}

} // namespace

TEST_F(MainFrameTest, ARecentFileOpensAndOneWhoseFileHasGoneIsSaidAndDropped)
{
    TMainFrame* f = Make();
    const QString dir = testsupport::freshDir(QStringLiteral("mf-recent"));
    const QString kept = dir + QStringLiteral("/kept.kvo");
    const QString gone = dir + QStringLiteral("/gone.kvo");
    WriteEmptyDocument(kept);
    WriteEmptyDocument(gone);
    f->scMRUFileList->AddItem(kept);
    f->scMRUFileList->AddItem(gone);
    QFile::remove(gone);

    QAction* entry = RecentFileEntry(f, kept);
    ASSERT_NE(entry, nullptr);
    entry->trigger();
    EXPECT_EQ(f->DocumentCaptions(), QStringList{kept});
    EXPECT_TRUE(boxes.isEmpty());

    entry = RecentFileEntry(f, gone);
    ASSERT_NE(entry, nullptr);
    entry->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(boxes, QStringList{gone + QStringLiteral(" was not found!")});
    EXPECT_EQ(f->DocumentCaptions(), QStringList{kept});
    EXPECT_EQ(f->scMRUFileList->Items, QStringList{kept});
    EXPECT_EQ(RecentFileEntry(f, gone), nullptr);
    // The next start no longer offers it either.
    Close(f);
    EXPECT_EQ(Make()->scMRUFileList->Items, QStringList{kept});
}

TEST(MainFrameNames, UntitledWindowsAreNumberedAfterTheHighestUntitledOne)
{
    const QString deleted = QStringLiteral("/docs/draft2009");   // no such file: counts as untitled
    auto exists = [](const QString& name) { return name.startsWith(QStringLiteral("/docs/kept")); };
    struct Case { QStringList captions; QString expected; } cases[] = {
        {{}, QStringLiteral("Edit1")},
        {{QStringLiteral("Edit1"), QStringLiteral("Edit3"), deleted}, QStringLiteral("Edit2010")},
        {{QStringLiteral("Edit1"), QStringLiteral("Edit3"), QStringLiteral("/docs/deleted.kvo")}, QStringLiteral("Edit4")},
        {{QStringLiteral("/docs/kept12.kvo")}, QStringLiteral("Edit1")},
        {{QStringLiteral("Edit")}, QStringLiteral("Edit1")},
        {{QStringLiteral("Edit12345")}, QStringLiteral("Edit2346")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TMainFrame::UntitledName(QStringLiteral("Edit"), c.captions, exists), c.expected)
            << c.captions.join(QLatin1Char(',')).toStdString();
}

TEST_F(MainFrameTest, ProgramRegistersItsAppPathOnceAndShowsUpdateOnlyWithAnUpdater)
{
    const QFileInfo program(QCoreApplication::applicationFilePath());
    const QString key = QStringLiteral("\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\");
    TMainFrame* f = Make();
    TRegIniFile lm(key, RootKey::LocalMachine);
    EXPECT_EQ(lm.ReadString(program.fileName(), QString(), QString()), program.absoluteFilePath());
    EXPECT_EQ(lm.ReadString(program.fileName(), QStringLiteral("Path"), QString()), program.absolutePath());
    EXPECT_FALSE(f->OnlineUpdateItem->isVisible());
    Close(f);

    // An entry already there is left alone; an updater that exists shows the item.
    lm.WriteString(program.fileName(), QString(), QStringLiteral("/elsewhere/korvane"));
    lm.WriteString(QStringLiteral("Updater.exe"), QString(), program.absoluteFilePath());
    TMainFrame* g = Make();
    EXPECT_EQ(lm.ReadString(program.fileName(), QString(), QString()), QStringLiteral("/elsewhere/korvane"));
    EXPECT_TRUE(g->OnlineUpdateItem->isVisible());
}

// The transfer file of objects the user keeps on the clipboard stays for a later paste; transfer
// files nothing refers to go.
TEST_F(MainFrameTest, ShutDownKeepsTheTransferFileOfObjectsLeftOnTheClipboard)
{
    const QString clp = TempDir() + QStringLiteral("KVO2K_Edit1.clp");
    const QString stale = TempDir() + QStringLiteral("KVO2K_old.clp");
    const QString other = TempDir() + QStringLiteral("keep.txt");
    struct Case { const char* what; bool mixed; int answer; bool asked; bool clipboardKept; bool clpKept; } cases[] = {
        {"other data on the clipboard", false, IDYES, false, true, false},
        {"objects kept on the clipboard", true, IDYES, true, true, true},
        {"objects declined", true, IDNO, true, false, false},
    };
    for (const Case& c : cases) {
        for (const QString& path : {clp, stale, other})
            QFile(path).open(QIODevice::WriteOnly);
        auto* data = new QMimeData;
        data->setText(QStringLiteral("text"));
        if (c.mixed)
            data->setData(QString::fromLatin1(CF_MIXEDOBJ_FORMAT), EncodeClipboardBlock(1, clp));
        QGuiApplication::clipboard()->setMimeData(data);
        boxes.clear();
        answer = c.answer;
        Close(Make());
        EXPECT_EQ(!boxes.isEmpty(), c.asked) << c.what;
        if (c.asked) {
            EXPECT_EQ(boxes.first(), BuiltinString(LargeClipboardString)) << c.what;
        }
        const QMimeData* now = QGuiApplication::clipboard()->mimeData();
        EXPECT_EQ(now && now->hasText(), c.clipboardKept) << c.what;
        EXPECT_EQ(QFileInfo::exists(clp), c.clpKept) << c.what;
        EXPECT_FALSE(QFileInfo::exists(stale)) << c.what;
        EXPECT_TRUE(QFileInfo::exists(other)) << c.what;
    }
}

TEST_F(MainFrameTest, MissingCatalogueIsReportedAndTheWindowIsNotUsable)
{
    qputenv("KORVANE_PROGRAM_DIR", testsupport::freshDir(QStringLiteral("mf-empty-program")).toLocal8Bit());
    TMainFrame* f = Make();
    EXPECT_FALSE(f->CreatedOk());
    ASSERT_FALSE(boxes.isEmpty());
    EXPECT_EQ(boxes.first(), BuiltinString(NoPaperDefinitionString));
}

// F1 opens the manual once, from the main window and from inside every document window.
TEST_F(MainFrameTest, F1OpensTheManualFromEveryWindow)
{
    TMainFrame* f = Make();
    f->show();
    f->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f));
    f->OpenChildWindow(QString(), false, FirstPaper);
    ASSERT_EQ(f->Documents().size(), 1);
    const QList<QWidget*> targets{f, f->Documents().front()->Page};
    for (QWidget* target : targets) {
        target->setFocus();
        boxes.clear();
        QTest::keyClick(target, Qt::Key_F1);
        EXPECT_EQ(boxes, QStringList{QStringLiteral("Can't find the Help file!")})
            << target->objectName().toStdString();
    }
}

// The longest hint (German, the Window menu's) shows whole before the zoom panel.
TEST_F(MainFrameTest, LongHintShowsWholeBesideTheZoomPanel)
{
    testsupport::GermanLanguage german;
    ASSERT_TRUE(german.Loaded());
    TMainFrame* f = Make();
    f->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f));
    const QString hint = LoadLangStr(496);
    f->ApplicationHint(hint);
    f->statusBar()->layout()->activate();
    QLabel* panel = f->StatusPanel[0];
    EXPECT_EQ(panel->text(), hint);
    EXPECT_GE(panel->contentsRect().width(), panel->fontMetrics().horizontalAdvance(hint));
    EXPECT_LT(panel->geometry().right(), f->StatusPanel[1]->x());
}
