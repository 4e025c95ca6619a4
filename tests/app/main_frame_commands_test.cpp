// The main window's commands: which items are enabled when, how document windows are opened,
// found again and named, the paint tools, the commands reaching the active document, and the
// Window menu's arrangements.
#include "app/main_frame.h"
#include "bars/image_list.h"
#include "bars/tool_window.h"
#include "bars/toolbar.h"
#include "bars/toolbar_button.h"

#include "app/new_dlg.h"
#include "app/program_icon.h"
#include "document/child_frame.h"
#include "document/design_object.h"
#include "document/main_window_link.h"
#include "document/paper_catalogue.h"
#include "document/picture_object.h"
#include "lang/builtin_strings.h"
#include "platform/cursors.h"
#include "platform/file_utils.h"
#include "platform/message_box.h"
#include "platform/registry.h"
#include "support/sane_test_support.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include "tests/support/test_papers.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QTimer>

namespace {

const TGUID CommandsPaper1 = NameGUID("commands-test-first");
const TGUID CommandsPaper2 = NameGUID("commands-test-second");

using testsupport::Settings;

// An object kind of its own, so the commands can be watched on it.
class TestObject : public CDesignObject {
public:
    using CDesignObject::CDesignObject;
    void Paint() override {}
    void EditProperties() override { ++Edits; }
    void DrawTo(TCanvas&, QPoint, float) override {}
    int Edits = 0;
};

QMimeData* ClipboardData(const char* kind)
{
    auto* data = new QMimeData;
    const QString k = QString::fromLatin1(kind);
    if (k == QLatin1String("text"))
        data->setText(QStringLiteral("label text"));
    else if (k == QLatin1String("bitmap"))
        data->setData(QStringLiteral("image/bmp"), QByteArray("BM\x3e\0\0\0", 6));
    else if (k == QLatin1String("image"))
        data->setImageData(QImage(4, 4, QImage::Format_RGB32));
    else if (k == QLatin1String("objects"))
        data->setData(QString::fromLatin1(CF_MIXEDOBJ_FORMAT), QByteArray(260, '\0'));
    else if (k == QLatin1String("other"))
        data->setData(QStringLiteral("application/x-other-program"), QByteArray("x"));
    return data;
}

class MainFrameCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const PaperType a = testpaper::WithCatalogueTexts(
            testpaper::Discs(CommandsPaper1, QStringLiteral("First"), 1170, {{1, 465, 175}}));
        const PaperType b = testpaper::WithCatalogueTexts(
            testpaper::Discs(CommandsPaper2, QStringLiteral("Second"), 1170, {{1, 465, 175}}));
        const QString program =
            testsupport::programWithPapers(QStringLiteral("cmd-program-%1").arg(++counter), {&a, &b});
        qputenv("KORVANE_PROGRAM_DIR", program.toLocal8Bit());
        qputenv("KORVANE_REGISTRY_DIR",
                testsupport::freshDir(QStringLiteral("cmd-registry-%1").arg(counter)).toLocal8Bit());
        docs = testsupport::freshDir(QStringLiteral("cmd-docs-%1").arg(counter));
        QGuiApplication::clipboard()->clear();
        frame = new TMainFrame;
        ASSERT_TRUE(frame->CreatedOk());
    }
    void TearDown() override
    {
        delete frame.data();
        QGuiApplication::clipboard()->clear();
    }
    // Shown with room for the tiling cases.
    void Show()
    {
        Settings().WriteBool(BasicInfo(), QStringLiteral("Startup"), true);
        // No new-document dialog waiting for the next turn of the event loop.
        frame->FirstActivation = false;
        frame->resize(1600, 1300);
        frame->show();
        frame->GraphicsLibraryBar->hide();
        frame->PaintToolBar->hide();
        frame->UpToolbar->hide();
        QCoreApplication::processEvents();
    }
    TChildFrame* Open(const QString& path)
    {
        frame->OpenDocumentFile(path);
        return frame->ActiveDocument();
    }
    QString Doc(const char* name) const { return docs + QLatin1Char('/') + QString::fromLatin1(name); }
    static void Touch(const QString& path) { QFile(path).open(QIODevice::WriteOnly); }

    static inline int counter = 0;
    QPointer<TMainFrame> frame;
    QString docs;
    testsupport::MessageRecorder recorder{IDNO};
    QStringList& boxes = recorder.texts;
};

QList<QAction*> DocumentItems(TMainFrame* f)
{
    return {f->FileCloseItem, f->FileSaveItem, f->FileSaveAsItem, f->PageSetupItem, f->PrintPreviewItem,
            f->PrintItem, f->MultipleImagePrintWizardItem, f->ExportItem, f->CutItem, f->CopyItem,
            f->PaperPropertiesItem, f->PropertiesItem, f->LockedItem, f->SelectAllItem, f->DeleteItem,
            f->WindowCascadeItem, f->WindowTileVItem, f->WindowTileHItem, f->WindowArrangeItem,
            f->WindowMinimizeItem};
}

QList<TToolbarButtonX*> DocumentButtons(TMainFrame* f)
{
    return {f->MultipleImagePrintWizardBtn, f->PrintBtn, f->PrintPreviewBtn, f->SaveBtn, f->CutBtn, f->CopyBtn,
            f->ArrowBtn, f->LabelBtn, f->ImageBtn, f->RectBtn, f->EllipseBtn, f->BarCodeBtn, f->FileListBtn,
            f->CDDBListBtn};
}

// Save is left out where a document was just activated: it then follows that document's
// modified flag.
void ExpectDocumentCommands(TMainFrame* f, bool enabled, const char* what, bool withSave = true)
{
    for (QAction* a : DocumentItems(f)) {
        if (withSave || a != f->FileSaveItem) {
            EXPECT_EQ(a->isEnabled(), enabled) << what << ": " << a->objectName().toStdString();
        }
    }
    for (TToolbarButtonX* b : DocumentButtons(f)) {
        if (withSave || b != f->SaveBtn) {
            EXPECT_EQ(b->isEnabled(), enabled) << what << ": " << b->objectName().toStdString();
        }
    }
}

} // namespace

TEST_F(MainFrameCommandsTest, PasteFollowsTheClipboardOnlyWhileADocumentIsOpen)
{
    struct Case { const char* clipboard; bool offered; } cases[] = {
        {"empty", false}, {"text", true}, {"bitmap", true}, {"image", true}, {"objects", true}, {"other", false},
    };
    for (int documents : {0, 1}) {
        if (documents == 1)
            Open(QStringLiteral("Edit1"));
        for (const Case& c : cases) {
            const std::string what = std::to_string(documents) + " documents, " + c.clipboard;
            QGuiApplication::clipboard()->setMimeData(ClipboardData(c.clipboard));
            frame->UpdateMenuItems();
            const bool paste = c.offered && documents == 1;
            EXPECT_EQ(frame->PasteItem->isEnabled(), paste) << what;
            EXPECT_EQ(frame->PasteBtn->isEnabled(), paste) << what;
            // Cleaning up needs no document; the documents' own Paste follows the clipboard too.
            EXPECT_EQ(frame->CleanClipboradItem->isEnabled(), c.offered) << what;
            for (TChildFrame* doc : frame->Documents())
                EXPECT_EQ(doc->PasteItem->isEnabled(), c.offered) << what;
            ExpectDocumentCommands(frame, documents == 1, what.c_str());
        }
    }
    // The commands that need no document stay as they are.
    for (QAction* a : {frame->FileNewItem, frame->FileOpenItem, frame->ImportItem, frame->AcquireItem,
                       frame->FileExitItem})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
}

TEST_F(MainFrameCommandsTest, ClosingTheLastDocumentDisablesEveryDocumentCommand)
{
    QGuiApplication::clipboard()->setMimeData(ClipboardData("objects"));
    Open(QStringLiteral("Edit1"));
    Open(QStringLiteral("Edit2"));
    ExpectDocumentCommands(frame, true, "two documents", false);
    EXPECT_TRUE(frame->PasteItem->isEnabled());

    // File, Close closes the active one; the other keeps the commands enabled.
    frame->FileCloseItem->trigger();
    EXPECT_EQ(frame->DocumentCaptions(), QStringList{QStringLiteral("Edit1")});
    ExpectDocumentCommands(frame, true, "one document left", false);

    // The last one closed by its own window frame.
    frame->Documents().first()->SubWindow()->close();
    EXPECT_EQ(frame->DocumentCount(), 0);
    ExpectDocumentCommands(frame, false, "no document left");
    EXPECT_FALSE(frame->PasteItem->isEnabled());
    EXPECT_FALSE(frame->PasteBtn->isEnabled());
    EXPECT_TRUE(frame->CleanClipboradItem->isEnabled());
    // Still so once the closed windows are really gone, and Close has nothing left to close.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    frame->FileCloseItemClick();
    frame->UpdateMenuItems();
    ExpectDocumentCommands(frame, false, "after the windows are freed");
    EXPECT_EQ(frame->ActiveDocument(), nullptr);
}

TEST_F(MainFrameCommandsTest, NewDocumentsAreNumberedAfterTheHighestUntitledOne)
{
    // Windows on files that exist do not count, nor do paths whose file is gone.
    const QString kept = Doc("kept12.kvo");
    Open(kept);
    Touch(kept);
    EXPECT_EQ(frame->NextUntitledName(), QStringLiteral("Edit1"));
    Open(QStringLiteral("Edit1"));
    Open(QStringLiteral("Edit3"));
    Open(Doc("deleted7.kvo"));
    EXPECT_EQ(frame->NextUntitledName(), QStringLiteral("Edit4"));

    // File, New takes the dialog's paper and opens the window under that name.
    Settings().WriteString(BasicInfo(), QStringLiteral("PaperID"), GUIDToString(CommandsPaper1));
    QTimer::singleShot(0, [] {
        auto* dlg = qobject_cast<TNewDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        dlg->PaperID = CommandsPaper2;
        dlg->done(1);
    });
    frame->FileNewItemClick();
    TChildFrame* doc = frame->ActiveDocument();
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->Caption(), QStringLiteral("Edit4"));
    ASSERT_TRUE(doc->Paper);
    EXPECT_EQ(doc->Paper->ID, CommandsPaper2);
    EXPECT_EQ(frame->DocumentCount(), 5);

    // Cancel opens nothing.
    QTimer::singleShot(0, [] {
        if (auto* dlg = qobject_cast<TNewDlg*>(QApplication::activeModalWidget()))
            dlg->done(2);
    });
    frame->FileNewItemClick();
    EXPECT_EQ(frame->DocumentCount(), 5);
}

TEST_F(MainFrameCommandsTest, AFileAlreadyOpenIsFocusedUnderAnyOfItsNames)
{
    const QString path = Doc("label.kvo");
    QDir(docs).mkdir(QStringLiteral("sub"));
    TChildFrame* first = Open(path);
    ASSERT_NE(first, nullptr);
    Touch(path);
    TChildFrame* other = Open(QStringLiteral("Edit1"));
    ASSERT_NE(other, first);
    ASSERT_TRUE(QFile::link(path, Doc("alias.kvo")));
    const QString names[] = {path, docs + QStringLiteral("/sub/../label.kvo"), Doc("alias.kvo")};
    for (const QString& name : names) {
        frame->MdiArea->setActiveSubWindow(other->SubWindow());
        frame->OpenDocumentFile(name);
        EXPECT_EQ(frame->DocumentCount(), 2) << name.toStdString();
        EXPECT_EQ(frame->ActiveDocument(), first) << name.toStdString();
    }
    // An untitled name matches only itself.
    frame->OpenDocumentFile(QStringLiteral("Edit1"));
    EXPECT_EQ(frame->ActiveDocument(), other);
    frame->OpenDocumentFile(QStringLiteral("edit1"));
    EXPECT_EQ(frame->DocumentCount(), 3);
}

TEST_F(MainFrameCommandsTest, OnlyTheFirstDocumentTakesTheStoredWindowState)
{
    Show();
    Settings().WriteInteger(BasicInfo(), QStringLiteral("ChildWindowState"), 1);
    TChildFrame* first = Open(QStringLiteral("Edit1"));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->WindowState(), wsMinimized);
    TChildFrame* second = Open(QStringLiteral("Edit2"));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->WindowState(), wsNormal);
    // A new window starts with the select tool.
    EXPECT_TRUE(frame->ArrowBtn->Down());
    EXPECT_EQ(second->Tool, ToolArrow);
}

TEST_F(MainFrameCommandsTest, PaintToolsGoToTheActiveDocumentOnly)
{
    TChildFrame* a = Open(QStringLiteral("Edit1"));
    TChildFrame* b = Open(QStringLiteral("Edit2"));
    ASSERT_TRUE(a && b && a != b);
    struct Case { TToolbarButtonX* button; int tool; int cursor; } cases[] = {
        {frame->LabelBtn, 1, crSelection}, {frame->ImageBtn, 2, crSelection}, {frame->RectBtn, 3, crSelection},
        {frame->EllipseBtn, 4, crSelection}, {frame->BarCodeBtn, 5, crSelection},
        {frame->FileListBtn, 6, crSelection}, {frame->CDDBListBtn, 7, crSelection}, {frame->ArrowBtn, 0, crArrow},
    };
    for (const Case& c : cases) {
        c.button->Click();
        EXPECT_EQ(b->Tool, c.tool) << c.tool;
        EXPECT_EQ(b->ToolCursor, c.cursor) << c.tool;
        EXPECT_EQ(a->Tool, ToolArrow) << c.tool;
        if (c.tool != ToolBarCode) {
            EXPECT_TRUE(c.button->Down()) << c.tool;
        }
    }
    // Activating a document pushes its own tool's button down.
    frame->RectBtn->Click();
    frame->MdiArea->setActiveSubWindow(a->SubWindow());
    EXPECT_TRUE(frame->ArrowBtn->Down());
    frame->MdiArea->setActiveSubWindow(b->SubWindow());
    EXPECT_TRUE(frame->RectBtn->Down());

    // With a dialog in front no document is active, and the tools change nothing.
    QTimer::singleShot(0, [this, b] {
        QWidget* dlg = QApplication::activeModalWidget();
        EXPECT_EQ(frame->ActiveDocument(), nullptr);
        frame->ToolBtnClick(1);
        EXPECT_EQ(b->Tool, ToolRect);
        if (auto* d = qobject_cast<QDialog*>(dlg))
            d->reject();
    });
    QDialog dialog(frame);
    dialog.exec();
    EXPECT_EQ(frame->ActiveDocument(), b);
}

// The CDDB tool draws its picture from the window's image list, not from a glyph of its own:
// what the list holds at its index is what the button shows.
TEST_F(MainFrameCommandsTest, TheCDDBToolShowsItsPictureFromTheWindowsImageList)
{
    TToolbarButtonX* button = frame->CDDBListBtn;
    EXPECT_EQ(button->Images(), frame->ImageList);
    EXPECT_EQ(button->ImageIndex(), TMainFrame::CDDBImage);
    EXPECT_TRUE(button->Glyph().Empty());
    button->setEnabled(true);
    const auto redPixels = [button] {
        const QImage shown = button->grab().toImage();
        int n = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) {
                const QRgb px = shown.pixel(x, y);
                n += qRed(px) > 200 && qGreen(px) < 60 && qBlue(px) < 60;
            }
        return n;
    };
    EXPECT_EQ(redPixels(), 0);
    QImage red(16, 16, QImage::Format_ARGB32);
    red.fill(Qt::red);
    QImage other = red;
    other.fill(Qt::blue);
    frame->ImageList->Replace(TMainFrame::CDDBImage - 1, other);
    EXPECT_EQ(redPixels(), 0);
    frame->ImageList->Replace(TMainFrame::CDDBImage, red);
    EXPECT_EQ(redPixels(), 16 * 16);
}

TEST_F(MainFrameCommandsTest, EditCommandsActOnTheSelectionOfTheActiveDocument)
{
    TChildFrame* doc = Open(QStringLiteral("Edit1"));
    ASSERT_NE(doc, nullptr);
    auto* back = new TestObject(doc);
    auto* front = new TestObject(doc);
    back->SetName(QStringLiteral("CRect_1"));
    front->SetName(QStringLiteral("CRect_2"));
    ASSERT_EQ(doc->ObjectCount(), 2);

    // Select All, then Properties opens the topmost selected object's dialog.
    back->SetSelected(false, false);
    front->SetSelected(false, false);
    frame->SelectAllItem->trigger();
    EXPECT_TRUE(back->Selected && front->Selected);
    frame->PropertiesItem->trigger();
    EXPECT_EQ(front->Edits, 1);
    EXPECT_EQ(back->Edits, 0);

    // Locked: the object keeps only Properties and Locked on its menu; the document changed.
    front->SetSelected(true, false);
    ASSERT_FALSE(back->Selected);
    doc->SetModified(false);
    EXPECT_FALSE(frame->SaveBtn->isEnabled());
    frame->LockedItem->trigger();
    EXPECT_TRUE(front->Locked);
    EXPECT_FALSE(back->Locked);
    EXPECT_TRUE(doc->Modified);
    EXPECT_TRUE(frame->SaveBtn->isEnabled());
    EXPECT_TRUE(frame->FileSaveItem->isEnabled());
    TObjectMenu* menu = front->PopupMenu();
    for (QAction* item : menu->actions()) {
        const bool stays = item == menu->PropertiesItem || item == menu->LockedItem;
        EXPECT_EQ(item->isEnabled(), stays) << item->text().toStdString();
    }
    EXPECT_TRUE(menu->LockedItem->isChecked());
    for (QAction* item : back->PopupMenu()->actions())
        EXPECT_TRUE(item->isEnabled()) << item->text().toStdString();

    // Delete leaves the locked object and removes the other selected one.
    frame->SelectAllItem->trigger();
    frame->DeleteItem->trigger();
    ASSERT_EQ(doc->ObjectCount(), 1);
    EXPECT_EQ(doc->Objects().front(), front);
}

TEST_F(MainFrameCommandsTest, DocumentWindowsReachTheMainWindowThroughItsLink)
{
    EXPECT_EQ(MainWindowLink()->MainWindow(), frame.data());
    Settings().WriteString(BasicInfo(), QStringLiteral("PaperID"), GUIDToString(CommandsPaper2));
    Settings().WriteBool(BasicInfo(), QStringLiteral("FullPageMode"), true);
    TChildFrame* doc = Open(QStringLiteral("Edit1"));
    ASSERT_NE(doc, nullptr);
    ASSERT_TRUE(doc->Paper);
    EXPECT_EQ(doc->Paper->ID, CommandsPaper2);
    EXPECT_EQ(doc->PageMode, PageModeFull);
    EXPECT_EQ(frame->StatusPanel[2]->text(), QStringLiteral("Second"));
    EXPECT_EQ(frame->StatusPanel[1]->text(), QString::number(doc->Zoom) + QLatin1Char('%'));
    doc->SetModified(true);
    EXPECT_TRUE(frame->SaveBtn->isEnabled());
    doc->SetModified(false);
    EXPECT_FALSE(frame->FileSaveItem->isEnabled());

    // Once the main window is gone the documents reach nothing.
    delete frame.data();
    EXPECT_EQ(MainWindowLink()->MainWindow(), nullptr);
}

namespace {

QRect Geometry(TChildFrame* doc) { return doc->SubWindow()->geometry(); }

} // namespace

TEST_F(MainFrameCommandsTest, TilingPutsTheFrontWindowFirstAndFillsTheArea)
{
    Show();
    QList<TChildFrame*> opened;
    for (int i = 1; i <= 5; ++i)
        opened << Open(QStringLiteral("Edit%1").arg(i));
    const QRect area = frame->MdiArea->viewport()->rect();
    ASSERT_GE(area.width(), 1200);
    ASSERT_GE(area.height(), 1000);

    // Two windows: side by side (vertical) or one above the other (horizontal), front first.
    for (int i = 2; i < 5; ++i)
        opened.at(i)->SubWindow()->close();
    TChildFrame* front = opened.at(1);
    TChildFrame* back = opened.at(0);
    frame->MdiArea->setActiveSubWindow(back->SubWindow());
    frame->MdiArea->setActiveSubWindow(front->SubWindow());
    front->SubWindow()->showMaximized();
    frame->WindowTileVItem->trigger();
    EXPECT_FALSE(front->SubWindow()->isMaximized());
    EXPECT_EQ(Geometry(front), QRect(0, 0, area.width() / 2, area.height()));
    EXPECT_EQ(Geometry(back), QRect(area.width() / 2, 0, area.width() / 2, area.height()));
    frame->WindowTileHItem->trigger();
    EXPECT_EQ(Geometry(front), QRect(0, 0, area.width(), area.height() / 2));
    EXPECT_EQ(Geometry(back), QRect(0, area.height() / 2, area.width(), area.height() / 2));
    EXPECT_EQ(frame->ActiveDocument(), front);

    // Five windows: two columns, the last one taking the remaining three rows; a minimised
    // window stays an icon below the tiles.
    QList<TChildFrame*> five = {front, back};
    for (int i = 3; i <= 5; ++i)
        five << Open(QStringLiteral("Tile%1").arg(i));
    TChildFrame* icon = Open(QStringLiteral("Icon"));
    icon->SubWindow()->showMinimized();
    for (TChildFrame* doc : five)
        frame->MdiArea->setActiveSubWindow(doc->SubWindow());   // stacking: five.last() in front
    frame->WindowTileVItem->trigger();
    const QRect iconBox = Geometry(icon);
    EXPECT_TRUE(icon->SubWindow()->isMinimized());
    EXPECT_EQ(iconBox.bottom(), area.bottom());
    EXPECT_EQ(iconBox.left(), 0);
    const int h = iconBox.top();
    const int w = area.width() / 2;
    const QRect expected[] = {
        {0, 0, w, h / 2}, {0, h / 2, w, h / 2},
        {w, 0, w, h / 3}, {w, h / 3, w, h / 3}, {w, 2 * (h / 3), w, h / 3},
    };
    for (int i = 0; i < 5; ++i) {
        TChildFrame* doc = five.at(4 - i);   // front to back
        EXPECT_EQ(Geometry(doc), expected[i]) << doc->Caption().toStdString();
        EXPECT_FALSE(Geometry(doc).intersects(iconBox)) << doc->Caption().toStdString();
    }
}

TEST_F(MainFrameCommandsTest, DocumentWindowsOpenWithTheClientSizeTheirPaperAsksFor)
{
    // The disc paper asks for a 400 x 400 client; the first window too, which alone takes the
    // stored window state.
    Show();
    for (const char* name : {"Edit1", "Edit2"}) {
        TChildFrame* doc = Open(name);
        ASSERT_NE(doc, nullptr);
        QCoreApplication::processEvents();
        EXPECT_EQ(QSize(doc->ClientWidth(), doc->ClientHeight()), QSize(400, 400)) << name;
        EXPECT_GT(doc->HalfHeight * 2, 300) << name;
    }
}

TEST_F(MainFrameCommandsTest, ArrangingNeverMakesADocumentWindowSmallerThanItsMinimum)
{
    Show();
    frame->resize(720, 560);
    QCoreApplication::processEvents();
    QList<TChildFrame*> docs;
    for (int i = 1; i <= 4; ++i)
        docs << Open(QStringLiteral("Edit%1").arg(i));
    const QRect area = frame->MdiArea->viewport()->rect();
    ASSERT_LT(area.height() / 2, docs.first()->minimumHeight());   // a plain split would go below it

    for (QAction* arrange : {frame->WindowTileVItem, frame->WindowTileHItem, frame->WindowCascadeItem}) {
        arrange->trigger();
        QCoreApplication::processEvents();
        for (TChildFrame* doc : docs) {
            const std::string what = arrange->objectName().toStdString() + " " + doc->Caption().toStdString();
            EXPECT_GE(doc->width(), doc->minimumWidth()) << what;
            EXPECT_GE(doc->height(), doc->minimumHeight()) << what;
            // The whole client shows inside its window, and the paper inside the client.
            EXPECT_TRUE(doc->SubWindow()->rect().contains(doc->geometry())) << what;
            EXPECT_LE(doc->PaperCentre.Y + doc->HalfHeight, doc->ClientHeight()) << what;
        }
    }
}

TEST_F(MainFrameCommandsTest, TheStatusBarShowsTheZoomOfTheActiveWindow)
{
    Show();
    TChildFrame* back = Open(QStringLiteral("Edit1"));
    TChildFrame* front = Open(QStringLiteral("Edit2"));
    frame->MdiArea->setActiveSubWindow(front->SubWindow());
    const QString frontZoom = QString::number(front->Zoom) + QLatin1Char('%');
    EXPECT_EQ(frame->StatusPanel[1]->text(), frontZoom);

    // Resizing another window changes its zoom, not what the status bar says.
    back->SubWindow()->resize(back->SubWindow()->size() * 2);
    QCoreApplication::processEvents();
    ASSERT_NE(QString::number(back->Zoom) + QLatin1Char('%'), frontZoom);
    EXPECT_EQ(frame->StatusPanel[1]->text(), frontZoom);

    // Tiling resizes every window; the status bar follows the active one.
    frame->WindowTileVItem->trigger();
    QCoreApplication::processEvents();
    ASSERT_EQ(frame->ActiveDocument(), front);
    EXPECT_EQ(frame->StatusPanel[1]->text(), QString::number(front->Zoom) + QLatin1Char('%'));
    frame->MdiArea->setActiveSubWindow(back->SubWindow());
    EXPECT_EQ(frame->StatusPanel[1]->text(), QString::number(back->Zoom) + QLatin1Char('%'));
}

TEST_F(MainFrameCommandsTest, WindowsShowTheProgramsOwnIcon)
{
    SetProgramIcon();
    const QIcon icon = ProgramIcon();
    for (int size : {16, 32, 48, 256}) {
        const QImage image = icon.pixmap(size).toImage();
        ASSERT_EQ(image.size(), QSize(size, size)) << size;
        // A disc: drawn round its centre hole, with the corners and the hole left clear.
        EXPECT_LT(qAlpha(image.pixel(size / 2, size / 2)), 128) << size;
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << size;
        EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 5)), 255) << size;
    }
    TMainFrame other;
    other.OpenDocumentFile(QStringLiteral("Edit1"));
    TChildFrame* doc = other.ActiveDocument();
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(other.windowIcon().cacheKey(), icon.cacheKey());
    EXPECT_EQ(doc->SubWindow()->windowIcon().cacheKey(), icon.cacheKey());
    QApplication::setWindowIcon(QIcon());
}

TEST_F(MainFrameCommandsTest, CascadeStepsFromTheBackAndKeepsTheFrontWindowOnTop)
{
    Show();
    QList<TChildFrame*> windows;
    for (int i = 1; i <= 3; ++i)
        windows << Open(QStringLiteral("Edit%1").arg(i));
    TChildFrame* active = windows.at(1);
    frame->MdiArea->setActiveSubWindow(active->SubWindow());
    frame->WindowCascadeItem->trigger();

    const QRect area = frame->MdiArea->viewport()->rect();
    const QList<QMdiSubWindow*> stacking = frame->MdiArea->subWindowList(QMdiArea::StackingOrder);
    ASSERT_EQ(stacking.size(), 3);
    EXPECT_EQ(stacking.last(), active->SubWindow());
    EXPECT_EQ(frame->ActiveDocument(), active);
    const QPoint origin = stacking.first()->pos();
    EXPECT_EQ(origin, QPoint(0, 0));
    const int step = stacking.at(1)->x();
    EXPECT_GT(step, 0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(stacking.at(i)->pos(), QPoint(i * step, i * step)) << i;
        EXPECT_EQ(stacking.at(i)->size(), stacking.first()->size()) << i;
        EXPECT_TRUE(area.contains(stacking.at(i)->geometry())) << i;
    }
    EXPECT_GT(stacking.first()->width(), area.width() / 2);
}

TEST_F(MainFrameCommandsTest, MinimizeAllAndArrangeIconsLineTheWindowsUpAlongTheBottom)
{
    Show();
    QList<TChildFrame*> windows;
    for (int i = 1; i <= 3; ++i)
        windows << Open(QStringLiteral("Edit%1").arg(i));
    frame->WindowMinimizeItem->trigger();
    for (TChildFrame* doc : windows)
        EXPECT_EQ(doc->WindowState(), wsMinimized) << doc->Caption().toStdString();

    // Scattered icons come back in a row from the bottom left, in the order of the windows.
    windows.at(0)->SubWindow()->move(300, 40);
    windows.at(2)->SubWindow()->move(10, 10);
    frame->WindowArrangeItem->trigger();
    const QRect area = frame->MdiArea->viewport()->rect();
    int x = 0;
    for (TChildFrame* doc : windows) {
        const QRect box = Geometry(doc);
        EXPECT_EQ(box.left(), x) << doc->Caption().toStdString();
        EXPECT_EQ(box.bottom(), area.bottom()) << doc->Caption().toStdString();
        x = box.right() + 1;
    }
}

TEST_F(MainFrameCommandsTest, ClosingTheMainWindowClosesEachDocumentInTurn)
{
    // Opened before their files exist, so nothing is read into them.
    const QString a = Doc("a.kvo"), b = Doc("b.kvo");
    Open(a);
    TChildFrame* second = Open(b);
    ASSERT_NE(second, nullptr);
    Touch(a);
    Touch(b);
    frame->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(frame.isNull());

    // Both left their files in the recent list, the last closed on top, and their paper.
    TRegIniFile reg = Settings();
    const QString section = QStringLiteral("History File List");
    EXPECT_EQ(reg.ReadString(section, QStringLiteral("F0"), QString()), b);
    EXPECT_EQ(reg.ReadString(section, QStringLiteral("F1"), QString()), a);
    EXPECT_EQ(reg.ReadString(BasicInfo(), QStringLiteral("PaperID"), QString()),
              GUIDToString(CommandsPaper1));
}

TEST_F(MainFrameCommandsTest, ScannerCommandsWithoutTheLibrarySayItOnceEach)
{
    Show();
    qputenv("KORVANE_SANE_LIBRARY", "/nonexistent/libsane.so.1");
    frame->SelectSourceItem->trigger();
    EXPECT_EQ(boxes, QStringList{QStringLiteral(
                         "Error! Could not find the scanner library /nonexistent/libsane.so.1 (SANE).")});
    boxes.clear();
    frame->AcquireItem->trigger();
    EXPECT_EQ(boxes, QStringList{QStringLiteral(
                         "Error! Could not find the scanner library /nonexistent/libsane.so.1 (SANE).")});
    boxes.clear();
    frame->AcquireBtn->Click();
    EXPECT_EQ(boxes.size(), 1);
    qunsetenv("KORVANE_SANE_LIBRARY");
    EXPECT_EQ(frame->DocumentCount(), 0);
}

TEST_F(MainFrameCommandsTest, AcquireInsertsTheScanIntoTheActiveDocumentOrANewOne)
{
    Show();
    testsupport::SaneTestBackend backend(QStringLiteral("cmd-sane"));
    // No document: a new one opens with the scanned picture.
    frame->AcquireItem->trigger();
    ASSERT_EQ(frame->DocumentCount(), 1);
    TChildFrame* doc = frame->ActiveDocument();
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->Caption(), QStringLiteral("Edit1"));
    ASSERT_EQ(doc->ObjectCount(), 1);
    auto* image = dynamic_cast<CImage*>(doc->Objects().front());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Image->Width(), 39);
    EXPECT_TRUE(doc->Modified);
    // With a document: the scan goes into it.
    frame->AcquireBtn->Click();
    EXPECT_EQ(frame->DocumentCount(), 1);
    EXPECT_EQ(doc->ObjectCount(), 2);
    EXPECT_TRUE(boxes.isEmpty());
}

TEST_F(MainFrameCommandsTest, ACancelledOrFailedScanOpensNoWindow)
{
    Show();
    testsupport::SaneTestBackend backend(QStringLiteral("cmd-sane-none"),
                                         testsupport::SaneTestBackend::DefaultConf(), false);
    frame->AcquireItem->trigger();
    EXPECT_EQ(frame->DocumentCount(), 0);
}
