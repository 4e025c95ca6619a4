// The shell list's report view: the header's columns with their texts, widths and alignment,
// the column widths Explorer keeps and those the lists of the process share, column clicks with
// their sort marks, the sort glyphs, and custom draw at every stage.
#include "platform/graphics.h"
#include "platform/registry.h"
#include "shellcontrols/shell_list.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QTest>

namespace {

class ShellListReportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Dir = testsupport::freshDir(QStringLiteral("shell-list-report"));
        qputenv("KORVANE_REGISTRY_DIR", QFile::encodeName(Dir + QStringLiteral("/registry")));
        QDir().mkpath(Dir + QStringLiteral("/registry"));
        QDir().mkpath(Dir + QStringLiteral("/files/Folder"));
        for (const auto& [name, size] : {std::pair{"small.txt", 10}, std::pair{"big.wav", 5000}}) {
            QFile f(Dir + QStringLiteral("/files/") + QLatin1String(name));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(size, 'x'));
        }
    }
    void TearDown() override { qunsetenv("KORVANE_REGISTRY_DIR"); }

    std::unique_ptr<TNSShellList> MakeList()
    {
        auto list = std::make_unique<TNSShellList>();
        list->SetOptions(ListOption(ptsloAutoFill) | ListOption(ptsloNonFilesystemAncestors) |
                         ListOption(ptsloDefaultKeyHandling));
        list->SetViewStyle(vsReport);
        list->resize(600, 300);
        list->Folder.SetPathName(Dir + QStringLiteral("/files"));
        list->show();
        QApplication::processEvents();
        return list;
    }
    static QStringList Captions(TNSShellList* list)
    {
        QStringList names;
        for (int i = 0; i < list->count(); ++i)
            names << list->ColumnText(list->item(i), 0);
        return names;
    }
    static void WriteDirectoryCols(const QByteArray& value)
    {
        TRegIniFile(QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion"))
            .WriteBinary(QStringLiteral("Explorer"), QStringLiteral("DirectoryCols"), value);
    }
    QString Dir;
};

} // namespace

TEST_F(ShellListReportTest, HeaderShowsTheFourColumnsAndEachItemsTexts)
{
    auto list = MakeList();
    QHeaderView* header = list->HeaderHandle();
    ASSERT_NE(header, nullptr);
    EXPECT_TRUE(header->isVisible());
    ASSERT_EQ(header->count(), 4);
    const struct {
        const char* caption;
        int width;
        Qt::Alignment alignment;
    } columns[] = {{"Name", 200, Qt::AlignLeft},
                   {"Size", 60, Qt::AlignRight},
                   {"Type", 100, Qt::AlignLeft},
                   {"Modified", 120, Qt::AlignLeft}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(header->model()->headerData(i, Qt::Horizontal).toString(),
                  QLatin1String(columns[i].caption));
        EXPECT_EQ(header->sectionSize(i), columns[i].width);
        EXPECT_EQ(list->Columns[size_t(i)].Alignment, columns[i].alignment);
    }
    // The header sits above the rows, which are as wide as the columns together.
    EXPECT_LE(header->geometry().bottom(), list->viewport()->geometry().top());
    ASSERT_EQ(Captions(list.get()), QStringList({QStringLiteral("Folder"), QStringLiteral("big.wav"),
                                                 QStringLiteral("small.txt")}));
    EXPECT_GE(list->visualItemRect(list->item(0)).width(), 480);
    // Wider columns than the window: the rows scroll sideways with the header.
    list->HeaderHandle()->resizeSection(0, 900);
    QApplication::processEvents();
    EXPECT_GE(list->visualItemRect(list->item(0)).width(), 1180);
    EXPECT_TRUE(list->horizontalScrollBar()->maximum() > 0);
    list->horizontalScrollBar()->setValue(100);
    EXPECT_EQ(list->HeaderHandle()->offset(), 100);
    EXPECT_EQ(list->ColumnText(list->item(1), 1), QStringLiteral("5KB"));
    EXPECT_EQ(list->ColumnText(list->item(2), 1), QStringLiteral("1KB"));
    EXPECT_TRUE(list->ColumnText(list->item(0), 1).isEmpty());
    EXPECT_FALSE(list->ColumnText(list->item(1), 2).isEmpty());
    EXPECT_FALSE(list->ColumnText(list->item(1), 3).isEmpty());
    // Other view styles have no header.
    list->SetViewStyle(vsList);
    EXPECT_EQ(list->HeaderHandle(), nullptr);
    EXPECT_EQ(list->viewport()->geometry().top(), list->frameWidth());
}

TEST_F(ShellListReportTest, HeaderClicksSortAndToggleTheDirection)
{
    auto list = MakeList();
    QHeaderView* header = list->HeaderHandle();
    ASSERT_NE(header, nullptr);
    auto click = [&](int section) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                                 header->height() / 2));
    };
    const struct {
        int section, sortColumn, markColumn;
        TNSLvSortDirection mark;
        QStringList order;
    } steps[] = {
        {0, -1, 0, ptsdAsc, {"small.txt", "big.wav", "Folder"}},
        {0, 1, 0, ptsdDesc, {"Folder", "big.wav", "small.txt"}},
        {1, 2, 1, ptsdDesc, {"Folder", "small.txt", "big.wav"}},
        {1, -2, 1, ptsdAsc, {"big.wav", "small.txt", "Folder"}},
    };
    for (const auto& s : steps) {
        click(s.section);
        EXPECT_EQ(list->SortColumn(), s.sortColumn);
        EXPECT_EQ(list->HeaderSortColumn(), s.markColumn);
        EXPECT_EQ(list->HeaderSortDirection(), s.mark);
        EXPECT_EQ(Captions(list.get()), s.order) << s.section;
    }
    // The style's marks beside the caption; the list's own arrows when placed elsewhere.
    EXPECT_FALSE(list->HeaderOwnerDraw());
    EXPECT_TRUE(header->isSortIndicatorShown());
    EXPECT_EQ(header->sortIndicatorSection(), 1);
    list->SetHeaderSortDisplayMode(ptlvLeftAlign);
    EXPECT_TRUE(list->HeaderOwnerDraw());
    EXPECT_FALSE(header->isSortIndicatorShown());
    list->SetHeaderSortDisplayMode(ptlvNone);
    EXPECT_FALSE(list->HeaderOwnerDraw());
}

TEST_F(ShellListReportTest, ColumnWidthsFromDirectoryColsAndSharedBetweenLists)
{
    // Four bytes set the Name and Size widths only.
    WriteDirectoryCols(QByteArray("\x2c\x01\x50\x00", 4));
    {
        auto list = MakeList();
        const int widths[] = {300, 80, 100, 120};
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(list->HeaderHandle()->sectionSize(i), widths[i]) << i;
        list->HeaderHandle()->resizeSection(2, 140);
        EXPECT_EQ(list->Columns[2].Width, 140);
    }
    // The next list takes the widths the last one had.
    {
        auto list = MakeList();
        EXPECT_EQ(list->HeaderHandle()->sectionSize(2), 140);
        EXPECT_EQ(list->HeaderHandle()->sectionSize(0), 300);
    }
    // A value read anew replaces them; one longer than 22 bytes is not taken.
    WriteDirectoryCols(QByteArray("\x64\x00\x32\x00\x46\x00\x5a\x00", 8));
    {
        auto list = MakeList();
        const int widths[] = {100, 50, 70, 90};
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(list->HeaderHandle()->sectionSize(i), widths[i]) << i;
    }
    WriteDirectoryCols(QByteArray(23, '\x01'));
    {
        auto list = MakeList();
        const int widths[] = {200, 60, 100, 120};
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(list->HeaderHandle()->sectionSize(i), widths[i]) << i;
    }
}

TEST(ShellListHeaderGlyphTest, ArrowsDrawTheirShadowAndHighlightLines)
{
    // A 10-pixel-high rectangle: h = 9, w = 10.
    const QRect rect(2, 2, 12, 10);
    const TColor face = clWhite, highlight = clRed, shadow = clBlue;
    const struct {
        bool up;
        std::vector<std::pair<QPoint, TColor>> pixels;
    } cases[] = {
        // Down: shadow along the top and down the left diagonal; highlight down the right one.
        {false,
         {{{2, 2}, shadow},
          {{6, 2}, shadow},
          {{2, 3}, shadow},
          {{5, 9}, shadow},
          {{10, 3}, highlight},
          {{11, 6}, face}}},
        // Up: shadow down the left diagonal; highlight up the right one.
        {true, {{{6, 2}, shadow}, {{5, 3}, shadow}, {{2, 9}, shadow}, {{8, 3}, highlight}, {{6, 6}, face}}},
    };
    for (const auto& c : cases) {
        QImage image(20, 16, QImage::Format_RGB32);
        image.fill(Qt::black);
        {
            QPainter painter(&image);
            TCanvas canvas(&painter);
            if (c.up)
                DrawUpArrow(canvas, rect, face, highlight, shadow);
            else
                DrawDownArrow(canvas, rect, face, highlight, shadow);
        }
        for (const auto& [at, colour] : c.pixels)
            EXPECT_EQ(image.pixelColor(at), ColorToQColor(colour)) << c.up << " " << at.x() << "," << at.y();
        // Nothing outside the w x h area and the highlight's end.
        EXPECT_EQ(image.pixelColor(13, 13), QColor(Qt::black));
    }
    // clNone leaves the face alone.
    QImage image(20, 16, QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        TCanvas canvas(&painter);
        DrawDownArrow(canvas, rect, clNone, highlight, shadow);
    }
    EXPECT_EQ(image.pixelColor(8, 4), QColor(Qt::black));
}

TEST_F(ShellListReportTest, CustomDrawFiresAtEveryStage)
{
    auto list = MakeList();
    std::vector<uint32_t> ex, plain;
    std::vector<int> subItems;
    list->OnNSCustomDrawEx = [&](QObject*, TNSCustomDraw* cd, QListWidgetItem* item) {
        ex.push_back(cd->RawDrawStage());
        if (cd->SubItem() >= 0)
            subItems.push_back(cd->SubItem());
        // The control's stages come without an item, every other with its item.
        EXPECT_EQ(item == nullptr, !cd->IsItem());
    };
    list->OnNSCustomDraw = [&](QObject*, TNSCustomDraw* cd, QListWidgetItem*) {
        plain.push_back(cd->RawDrawStage());
        // A column painted in red.
        if (cd->SubItem() == 1)
            cd->SetTextColor(Qt::red);
    };
    const QImage shot = list->grab().toImage();
    auto count = [](const std::vector<uint32_t>& v, uint32_t stage) {
        return std::count(v.begin(), v.end(), stage);
    };
    EXPECT_EQ(count(ex, 0x1), 1);     // pre-paint
    EXPECT_EQ(count(ex, 0x2), 1);     // post-paint
    EXPECT_EQ(count(ex, 0x10001), 3); // each item before
    EXPECT_EQ(count(ex, 0x10002), 3); // and after
    EXPECT_EQ(count(ex, 0x30001), 9); // each column but the name, of each item
    EXPECT_EQ(ex.front(), 0x1u);
    EXPECT_EQ(ex.back(), 0x2u);
    EXPECT_EQ(std::count(subItems.begin(), subItems.end(), 3), 3);
    EXPECT_EQ(count(plain, 0x10001) + count(plain, 0x30001), int(plain.size()));
    EXPECT_EQ(plain.size(), 12u);
    // The size column's text took the colour.
    const QRect size = list->visualItemRect(list->item(1)).translated(list->viewport()->pos());
    bool red = false;
    for (int x = size.left() + 200; x < size.left() + 260 && !red; ++x)
        for (int y = size.top(); y <= size.bottom() && !red; ++y)
            red = shot.pixelColor(x, y).red() > 200 && shot.pixelColor(x, y).green() < 80;
    EXPECT_TRUE(red);
}
