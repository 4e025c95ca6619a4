// Graphics-library tiles dragged onto a document window: which drags the window takes, the
// picture object a drop makes, and a tile whose file went bad since the panel was filled.
#include "child_frame_test_support.h"

#include "document/graphics_library_object.h"
#include "document/picture_object.h"
#include "platform/picture.h"
#include "support/test_support.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QFile>
#include <QLabel>
#include <QUrl>

namespace {

class LibraryDropTest : public frametest::FrameFixture {
protected:
    void SetUp() override
    {
        FrameFixture::SetUp();
        dir = testsupport::freshDir(QStringLiteral("library-drops"));
        path = dir + QStringLiteral("/wide.bmp");
        TBitmap bmp(400, 200, pf24bit);
        bmp.image().fill(QColor(0x20, 0x90, 0x60));
        bmp.SaveToFile(path);
        tile.LoadFromFile(path);
        ASSERT_EQ(tile.FileName, path);
    }

    std::vector<CImage*> Images(const TChildFrame* f) const
    {
        std::vector<CImage*> images;
        for (CDesignObject* o : f->Objects())
            if (auto* image = qobject_cast<CImage*>(o))
                images.push_back(image);
        return images;
    }

    QString dir, path;
    CGraphicsLibraryObject tile;
};

} // namespace

TEST_F(LibraryDropTest, OnlyLibraryTilesAreTaken)
{
    TChildFrame* f = Make(1);
    QLabel button;
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(path)});
    TControlDragData fromTile(&tile), fromButton(&button);
    QMimeData forged;
    forged.setData(QString::fromLatin1(DragControlMimeType), "CGraphicsLibraryObject");

    const struct { const char* what; const QMimeData* data; bool accepted; } cases[] = {
        {"tile", &fromTile, true},
        {"toolbar button", &fromButton, false},
        {"file from the folder tree", &files, false},
        {"private format without a tile", &forged, false},
        {"nothing", nullptr, false},
    };
    for (const auto& c : cases) {
        bool accept = !c.accepted;
        f->FormDragOver(nullptr, c.data, 10, 10, accept);
        EXPECT_EQ(accept, c.accepted) << c.what;
    }

    // The same through the window's drag events.
    QDragEnterEvent enterTile(QPoint(20, 20), Qt::CopyAction, &fromTile, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f, &enterTile);
    EXPECT_TRUE(enterTile.isAccepted());
    QDragEnterEvent enterButton(QPoint(20, 20), Qt::CopyAction, &fromButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f, &enterButton);
    EXPECT_FALSE(enterButton.isAccepted());
}

TEST_F(LibraryDropTest, DropFillsThePaperAreaWithTheFullPictureWhereverItLands)
{
    for (bool fullPage : {false, true}) {
        TChildFrame* f = Make(fullPage ? 1 : 2, fullPage, 480, 520);
        f->Tool = ToolRect;
        f->SetModified(false);
        TControlDragData data(&tile);
        f->FormDragDrop(&tile, &data, 5, 5);
        f->FormDragDrop(&tile, &data, f->ClientWidth() - 5, f->ClientHeight() - 5);

        const std::vector<CImage*> images = Images(f);
        ASSERT_EQ(images.size(), 2u) << fullPage;
        for (CImage* image : images) {
            EXPECT_TRUE(image->Name().startsWith(QStringLiteral("CImage"))) << fullPage;
            EXPECT_TRUE(image->HasPicture);
            // The whole picture, not the tile's thumbnail.
            EXPECT_EQ(image->Image->Width(), 400);
            EXPECT_EQ(image->Image->Height(), 200);
            EXPECT_EQ(image->size(), QSize(2 * f->HalfWidth, 2 * f->HalfHeight)) << fullPage;
            EXPECT_EQ(image->pos(), QPoint(f->PaperCentre.X - image->Width() / 2, f->PaperCentre.Y - image->Height() / 2))
                << fullPage;
            EXPECT_FLOAT_EQ(image->Zoom, f->Zoom * 0.01f);
        }
        EXPECT_NE(images[0]->Name(), images[1]->Name());
        EXPECT_FALSE(images[0]->Selected);   // the later drop is selected alone
        EXPECT_TRUE(images[1]->Selected);
        EXPECT_TRUE(f->Modified);
        EXPECT_EQ(f->Tool, ToolRect);
    }
}

TEST_F(LibraryDropTest, DropEventsOnTheWindowNameEachObjectAfterThoseAlreadyThere)
{
    TChildFrame* f = Make(1);
    const QString text = dir + QStringLiteral("/notes.txt");
    QFile(text).open(QIODevice::WriteOnly);
    TControlDragData fromTile(&tile);
    QMimeData picture, other;
    picture.setUrls({QUrl::fromLocalFile(path)});
    other.setUrls({QUrl::fromLocalFile(text)});

    // Tiles and files reach the window as the desktop delivers them: as drop events.
    const struct { const char* what; const QMimeData* data; const char* prefix; } drops[] = {
        {"first tile", &fromTile, "CImage_1"},
        {"second tile", &fromTile, "CImage_2"},
        {"picture file", &picture, "CImage_3"},
    };
    const auto dropOn = [&](const QMimeData* data) {
        QDragEnterEvent enter(QPoint(30, 30), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(f, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(30, 30), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(f, &drop);
    };
    for (const auto& d : drops) {
        dropOn(d.data);
        const std::vector<CImage*> images = Images(f);
        ASSERT_FALSE(images.empty()) << d.what;
        // The suffix starts with the count of objects including the new one, then the time.
        EXPECT_TRUE(images.back()->Name().startsWith(QString::fromLatin1(d.prefix))) << d.what << ": "
                                                                                   << images.back()->Name().toStdString();
        EXPECT_TRUE(images.back()->Selected) << d.what;
    }
    EXPECT_EQ(f->ObjectCount(), 3);

    // Anything else dropped goes on to the main window, untouched.
    link.drops.clear();
    dropOn(&other);
    ASSERT_EQ(link.drops.size(), 1u);
    EXPECT_EQ(link.drops[0], QStringList{text});
    EXPECT_EQ(f->ObjectCount(), 3);
}

TEST_F(LibraryDropTest, ATileWhoseFileWentBadMakesNoObject)
{
    TChildFrame* f = Make(1);
    f->SetModified(false);
    TControlDragData data(&tile);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write("BM no longer a picture");
    file.close();
    f->FormDragDrop(&tile, &data, 10, 10);
    EXPECT_TRUE(Images(f).empty());
    EXPECT_EQ(boxes.size(), 1);

    ASSERT_TRUE(QFile::remove(path));
    f->FormDragDrop(&tile, &data, 10, 10);
    EXPECT_TRUE(Images(f).empty());
    EXPECT_EQ(boxes.size(), 2);
    EXPECT_FALSE(f->Modified);
    EXPECT_FALSE(tile.Thumbnail->Empty());   // the tile keeps its thumbnail
}
