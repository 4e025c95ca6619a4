// The graphics-library panel: which pictures become tiles and in what order, the first tile at
// once, the layout in rows, the pictures shipped in "BackGrnd", and stopping the library
// thread when the panel or the main window goes away while it still loads.
#include "app/graphics_library.h"

#include "app/main_frame.h"
#include "bars/tool_window.h"
#include "document/graphics_library_object.h"
#include "document/paper_catalogue.h"
#include "platform/file_utils.h"
#include "platform/message_box.h"
#include "support/test_support.h"
#include "tests/support/test_papers.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <chrono>
#include <filesystem>
#include <thread>

namespace {

QString WriteBmp(const QString& dir, const QString& name, int w = 40, int h = 30)
{
    TBitmap b(w, h, pf24bit);
    b.image().fill(QColor(0x40, 0x80, 0xC0));
    const QString path = dir + QLatin1Char('/') + name;
    b.SaveToFile(path);
    return path;
}

void WriteJpeg(const QString& dir, const QString& name)
{
    QImage img(50, 40, QImage::Format_RGB32);
    img.fill(Qt::darkGreen);
    QFile f(dir + QLatin1Char('/') + name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(TJPEGImage::Encode(img, 80));
}

void WriteGif(const QString& dir, const QString& name)
{
    ASSERT_TRUE(QFile::copy(testsupport::fixture(QStringLiteral("images/gif_plain.gif")), dir + QLatin1Char('/') + name));
}

void WriteBroken(const QString& dir, const QString& name)
{
    QFile f(dir + QLatin1Char('/') + name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("BM this file was cut short");
}

// Many copies of one large picture: the thread needs a good while for them.
QString SlowFolder(const QString& name, int copies)
{
    const QString dir = testsupport::freshDir(name);
    WriteBmp(dir, QStringLiteral("000.bmp"));
    const QString big = WriteBmp(testsupport::freshDir(name + QStringLiteral("-src")), QStringLiteral("big.bmp"), 2000, 1500);
    for (int i = 1; i <= copies; ++i) {
        const QString copy = dir + QStringLiteral("/%1.bmp").arg(i, 3, 10, QLatin1Char('0'));
        std::error_code ec;
        std::filesystem::create_hard_link(big.toStdString(), copy.toStdString(), ec);
        if (ec)
            QFile::copy(big, copy);
    }
    return dir;
}

QList<CGraphicsLibraryObject*> Tiles(const QScrollArea& list)
{
    QList<CGraphicsLibraryObject*> tiles;
    if (auto* client = qobject_cast<TControlHost*>(list.widget()))
        for (TGraphicControl* control : client->Controls())
            if (auto* tile = qobject_cast<CGraphicsLibraryObject*>(control))
                tiles << tile;
    return tiles;
}

QStringList Names(const QScrollArea& list)
{
    QStringList names;
    for (const CGraphicsLibraryObject* tile : Tiles(list))
        names << QFileInfo(tile->FileName).fileName();
    return names;
}

QList<QPoint> Positions(const QScrollArea& list)
{
    QList<QPoint> positions;
    for (const CGraphicsLibraryObject* tile : Tiles(list))
        positions << tile->pos();
    return positions;
}

void WaitUntilFilled(const CGraphicsLibrary& library)
{
    while (!library.ThreadFinished()) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

class GraphicsLibraryPanel : public ::testing::Test {
protected:
    void SetUp() override
    {
        list.resize(160, 300);   // two tiles a row beside the scroll bar
        item.setEnabled(true);
    }
    QScrollArea list;
    QAction item{nullptr};
    CGraphicsLibrary library{&list, &item, nullptr};
};

} // namespace

TEST_F(GraphicsLibraryPanel, TilesFollowTheNameOrderWhateverTheKind)
{
    const QString dir = testsupport::freshDir(QStringLiteral("gl-order"));
    WriteJpeg(dir, QStringLiteral("b.JPG"));
    WriteGif(dir, QStringLiteral("a.gif"));
    WriteBmp(dir, QStringLiteral("c.bmp"));
    WriteBmp(dir, QStringLiteral("notes.txt"));
    EXPECT_EQ(GraphicsLibraryFiles(dir),
              QStringList({dir + QStringLiteral("/a.gif"), dir + QStringLiteral("/b.JPG"), dir + QStringLiteral("/c.bmp")}));

    library.Start(dir);
    EXPECT_EQ(Names(list), QStringList{QStringLiteral("a.gif")});   // at once, before any event
    EXPECT_TRUE(library.ThreadStarted());
    EXPECT_TRUE(item.isEnabled());
    WaitUntilFilled(library);
    EXPECT_EQ(Names(list), QStringList({QStringLiteral("a.gif"), QStringLiteral("b.JPG"), QStringLiteral("c.bmp")}));
    for (const CGraphicsLibraryObject* tile : Tiles(list)) {
        EXPECT_FALSE(tile->isHidden());
        EXPECT_EQ(tile->Thumbnail->PixelFormat(), pf16bit);
    }
}

TEST_F(GraphicsLibraryPanel, TheFirstTileIsTheFirstReadablePicture)
{
    const QString dir = testsupport::freshDir(QStringLiteral("gl-first"));
    WriteBroken(dir, QStringLiteral("a-broken.bmp"));
    WriteBroken(dir, QStringLiteral("b-broken.jpg"));
    WriteBmp(dir, QStringLiteral("c.bmp"));
    WriteBmp(dir, QStringLiteral("d.bmp"));

    library.Start(dir);
    const QList<CGraphicsLibraryObject*> first = Tiles(list);
    ASSERT_EQ(first.size(), 1);
    EXPECT_EQ(QFileInfo(first[0]->FileName).fileName(), QStringLiteral("c.bmp"));
    EXPECT_FALSE(first[0]->Thumbnail->Empty());
    EXPECT_EQ(first[0]->pos(), QPoint(0, 0));
    WaitUntilFilled(library);
    EXPECT_EQ(Names(list), QStringList({QStringLiteral("c.bmp"), QStringLiteral("d.bmp")}));
}

TEST_F(GraphicsLibraryPanel, DamagedPicturesLeaveNoGap)
{
    const QString dir = testsupport::freshDir(QStringLiteral("gl-gap"));
    WriteBmp(dir, QStringLiteral("a.bmp"));
    WriteBroken(dir, QStringLiteral("b.bmp"));
    WriteBmp(dir, QStringLiteral("c.bmp"));
    WriteBroken(dir, QStringLiteral("d.gif"));
    WriteBmp(dir, QStringLiteral("e.bmp"));
    library.Start(dir);
    WaitUntilFilled(library);
    EXPECT_EQ(Names(list), QStringList({QStringLiteral("a.bmp"), QStringLiteral("c.bmp"), QStringLiteral("e.bmp")}));
    // 140 pixels hold two tiles of 65 with the gap of 2.
    EXPECT_EQ(Positions(list), QList<QPoint>({{0, 0}, {67, 0}, {0, 67}}));
}

TEST_F(GraphicsLibraryPanel, NoFolderOrNoReadablePictureDisablesTheItem)
{
    const QString root = testsupport::freshDir(QStringLiteral("gl-none"));
    QDir(root).mkdir(QStringLiteral("empty"));
    QDir(root).mkdir(QStringLiteral("others"));
    WriteBmp(root + QStringLiteral("/others"), QStringLiteral("picture.png"));
    WriteBmp(root + QStringLiteral("/others"), QStringLiteral("readme.txt"));
    QDir(root).mkdir(QStringLiteral("broken"));
    WriteBroken(root + QStringLiteral("/broken"), QStringLiteral("a.bmp"));
    WriteBroken(root + QStringLiteral("/broken"), QStringLiteral("b.jpg"));
    WriteBroken(root, QStringLiteral("file"));

    for (const char* folder : {"missing", "file", "empty", "others", "broken"}) {
        QScrollArea box;
        QAction action(nullptr);
        CGraphicsLibrary panel(&box, &action, nullptr);
        panel.Start(root + QLatin1Char('/') + QString::fromLatin1(folder));
        EXPECT_FALSE(action.isEnabled()) << folder;
        EXPECT_TRUE(Tiles(box).isEmpty()) << folder;
        EXPECT_FALSE(panel.ThreadStarted()) << folder;
    }
}

TEST_F(GraphicsLibraryPanel, ResizingLaysTheTilesOutAgainFromTheTop)
{
    const QString dir = testsupport::freshDir(QStringLiteral("gl-layout"));
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp"})
        WriteBmp(dir, QString::fromLatin1(name));
    list.show();
    library.Start(dir);
    WaitUntilFilled(library);
    ASSERT_EQ(Tiles(list).size(), 5);

    // The rows fill the room inside the frame beside the vertical scroll bar, shown or not.
    const int bar = 2 * list.frameWidth() + list.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list.verticalScrollBar());
    const struct { int width; QList<QPoint> positions; } cases[] = {
        {131, {{0, 0}, {0, 67}, {0, 134}, {0, 201}, {0, 268}}},   // narrower than two tiles and the gap
        {132, {{0, 0}, {67, 0}, {0, 67}, {67, 67}, {0, 134}}},
        {198, {{0, 0}, {67, 0}, {0, 67}, {67, 67}, {0, 134}}},
        {199, {{0, 0}, {67, 0}, {134, 0}, {0, 67}, {67, 67}}},
    };
    for (const auto& c : cases) {
        list.resize(c.width + bar, 150);
        list.verticalScrollBar()->setValue(list.verticalScrollBar()->maximum());
        list.resize(c.width + bar, 160);
        EXPECT_EQ(Positions(list), c.positions) << c.width;
        // Every tile lies inside the visible box: nothing to scroll sideways.
        EXPECT_LE(list.widget()->width(), list.viewport()->width()) << c.width;
        EXPECT_EQ(list.verticalScrollBar()->value(), 0) << c.width;
        EXPECT_EQ(list.widget()->height(), c.positions.last().y() + 65) << c.width;
    }
}

TEST_F(GraphicsLibraryPanel, StoppingWhileLoadingEndsTheThreadAndAddsNoTile)
{
    library.Start(SlowFolder(QStringLiteral("gl-stop"), 60));
    ASSERT_TRUE(library.ThreadStarted());
    EXPECT_FALSE(library.ThreadFinished());
    library.Stop();
    EXPECT_FALSE(library.ThreadStarted());
    EXPECT_TRUE(library.ThreadFinished());
    QCoreApplication::processEvents();
    EXPECT_EQ(Tiles(list).size(), 1);   // thumbnails made before the stop are not placed
    library.Stop();                      // a second stop is harmless
}

TEST(GraphicsLibraryPanelOwner, DestroyingThePanelWhileLoadingStopsTheThread)
{
    QScrollArea list;
    auto* library = new CGraphicsLibrary(&list, nullptr, nullptr);
    library->Start(SlowFolder(QStringLiteral("gl-destroy"), 60));
    ASSERT_TRUE(library->ThreadStarted());
    delete library;
    QCoreApplication::processEvents();
    EXPECT_EQ(Tiles(list).size(), 1);
}

TEST(GraphicsLibraryShipped, EveryShippedPictureMakesATile)
{
    const QString dir = QStringLiteral(KORVANE_BIN_DIR) + QStringLiteral("/BackGrnd");
    const QStringList files = GraphicsLibraryFiles(dir);
    ASSERT_GE(files.size(), 6);
    for (const char* ext : {".bmp", ".jpg", ".gif"})
        EXPECT_TRUE(std::any_of(files.begin(), files.end(), [&](const QString& f) { return f.endsWith(QLatin1String(ext)); }))
            << ext;
    for (const QString& file : files) {
        CGraphicsLibraryObject tile;
        tile.LoadFromFile(file);
        EXPECT_EQ(tile.FileName, file);
        EXPECT_FALSE(tile.Thumbnail->Empty()) << file.toStdString();
    }
}

namespace {

const TGUID LibraryPaper = NameGUID("graphics-library-test-paper");

class GraphicsLibraryMainWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        program = testsupport::freshDir(QStringLiteral("gl-program-%1").arg(++counter));
        QDir(program).mkdir(QStringLiteral("Paper"));
        const PaperType p = testpaper::Discs(LibraryPaper, QStringLiteral("Disc"), 1170, {{1, 465, 175}});
        WriteFileAtomic(program + QStringLiteral("/Paper/test.def"), WritePaperDefinitionData({&p}));
        qputenv("KORVANE_PROGRAM_DIR", program.toLocal8Bit());
        qputenv("KORVANE_REGISTRY_DIR", testsupport::freshDir(QStringLiteral("gl-registry-%1").arg(counter)).toLocal8Bit());
        SetMessageBoxHandler([](const MessageBoxCall&) { return IDNO; });
    }
    void TearDown() override
    {
        delete frame.data();
        SetMessageBoxHandler(nullptr);
    }
    QString program;
    QPointer<TMainFrame> frame;
    static inline int counter = 0;
};

} // namespace

TEST_F(GraphicsLibraryMainWindow, PanelShowsWhenTheFolderHoldsAPicture)
{
    QDir(program).mkdir(QStringLiteral("backgrnd"));   // found without regard to case
    WriteBroken(program + QStringLiteral("/backgrnd"), QStringLiteral("a.bmp"));
    WriteBmp(program + QStringLiteral("/backgrnd"), QStringLiteral("b.bmp"));
    WriteJpeg(program + QStringLiteral("/backgrnd"), QStringLiteral("c.jpg"));
    frame = new TMainFrame;
    ASSERT_TRUE(frame->CreatedOk());
    EXPECT_TRUE(frame->GraphicsLibraryItem->isEnabled());
    EXPECT_TRUE(frame->GraphicsLibraryItem->isChecked());
    EXPECT_FALSE(frame->GraphicsLibraryBar->isHidden());
    auto* library = frame->findChild<CGraphicsLibrary*>();
    ASSERT_NE(library, nullptr);
    WaitUntilFilled(*library);
    EXPECT_EQ(Names(*frame->GraphicLibraryList), QStringList({QStringLiteral("b.bmp"), QStringLiteral("c.jpg")}));
}

TEST_F(GraphicsLibraryMainWindow, WithoutPicturesThePanelIsHidden)
{
    QDir(program).mkdir(QStringLiteral("BackGrnd"));
    WriteBroken(program + QStringLiteral("/BackGrnd"), QStringLiteral("a.bmp"));
    frame = new TMainFrame;
    ASSERT_TRUE(frame->CreatedOk());
    EXPECT_FALSE(frame->GraphicsLibraryItem->isEnabled());
    EXPECT_FALSE(frame->GraphicsLibraryItem->isChecked());
    EXPECT_TRUE(frame->GraphicsLibraryBar->isHidden());
}

TEST_F(GraphicsLibraryMainWindow, ClosingWhileTheLibraryLoadsEndsCleanly)
{
    const QString slow = SlowFolder(QStringLiteral("gl-close-src"), 60);
    ASSERT_TRUE(QFile::rename(slow, program + QStringLiteral("/BackGrnd")));
    frame = new TMainFrame;
    ASSERT_TRUE(frame->CreatedOk());
    QPointer<CGraphicsLibrary> library = frame->findChild<CGraphicsLibrary*>();
    ASSERT_TRUE(library);
    EXPECT_FALSE(library->ThreadFinished());
    QPointer<QScrollArea> list = frame->GraphicLibraryList;
    frame->close();
    EXPECT_TRUE(library->ThreadFinished());
    EXPECT_FALSE(library->ThreadStarted());
    const qsizetype tiles = Tiles(*list).size();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (list) {
        EXPECT_EQ(Tiles(*list).size(), tiles);
    }
    delete frame.data();
    EXPECT_FALSE(library);
}
