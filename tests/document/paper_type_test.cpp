// The paper type record: copies and stored text widths.

#include <gtest/gtest.h>

#include <algorithm>

#include "document/paper_type.h"
#include "paper_test_support.h"
#include "platform/bitmap.h"
#include "platform/codepage.h"

using namespace papertest;

TEST(CopyPaperType, CopyIsIndependentButSharesTheBitmaps)
{
    auto source = Paper(1, 2);
    source->HasPreview = 1;
    source->HasShapeMask = 1;
    source->PreviewBitmap = std::make_shared<TBitmap>();
    source->ShapeMaskBitmap = std::make_shared<TBitmap>();
    std::weak_ptr<TBitmap> preview = source->PreviewBitmap;

    PaperType copy;
    ASSERT_TRUE(CopyPaperType(source.get(), &copy));
    EXPECT_EQ(copy.ID, source->ID);
    EXPECT_EQ(copy.Name, source->Name);
    EXPECT_EQ(copy.Description, source->Description);
    EXPECT_EQ(copy.Shapes, source->Shapes);
    EXPECT_EQ(copy.ExtraLines, source->ExtraLines);
    EXPECT_EQ(copy.OtherShapes, source->OtherShapes);
    EXPECT_EQ(copy.AuxItems, source->AuxItems);
    EXPECT_EQ(copy.ShapeCount, 2);
    EXPECT_EQ(copy.PreviewBitmap.get(), source->PreviewBitmap.get());
    EXPECT_EQ(copy.ShapeMaskBitmap.get(), source->ShapeMaskBitmap.get());

    copy.Shapes[0].X = 1;
    copy.OtherShapes[0].Width = 1;
    EXPECT_EQ(source->Shapes[0].X, 465);
    EXPECT_EQ(source->OtherShapes[0].Width, 60);

    // The catalogue record going away never leaves the copy with a dangling picture.
    source.reset();
    EXPECT_FALSE(preview.expired());
    EXPECT_EQ(copy.PreviewBitmap.use_count(), 1);
}

TEST(CopyPaperType, FlagsDecideWhichBitmapsTravel)
{
    auto source = Paper(1);
    source->PreviewBitmap = std::make_shared<TBitmap>();
    source->ShapeMaskBitmap = std::make_shared<TBitmap>();
    source->HasPreview = 0;
    source->HasShapeMask = 1;
    PaperType copy;
    copy.PreviewBitmap = std::make_shared<TBitmap>();  // replaced, not kept
    ASSERT_TRUE(CopyPaperType(source.get(), &copy));
    EXPECT_EQ(copy.PreviewBitmap, nullptr);
    EXPECT_EQ(copy.ShapeMaskBitmap, source->ShapeMaskBitmap);
}

TEST(CopyPaperType, EmptyTablesAndInconsistentCounts)
{
    auto source = Paper(1, 0);
    source->ExtraLines.clear();
    source->ExtraLineCount = 5;  // a count that lies about its table
    PaperType copy = *Paper(2, 4);
    ASSERT_TRUE(CopyPaperType(source.get(), &copy));
    EXPECT_EQ(copy.ShapeCount, 0);
    EXPECT_TRUE(copy.Shapes.empty());
    EXPECT_EQ(copy.ExtraLineCount, 0);
    EXPECT_TRUE(copy.ExtraLines.empty());
}

TEST(CopyPaperType, BadArgumentsLeaveTheDestinationAlone)
{
    auto source = Paper(1);
    PaperType dest = *Paper(2);
    EXPECT_FALSE(CopyPaperType(nullptr, &dest));
    EXPECT_EQ(dest.ID, Id(2));
    EXPECT_FALSE(CopyPaperType(source.get(), nullptr));
    EXPECT_TRUE(CopyPaperType(&dest, &dest));
    EXPECT_EQ(dest.ID, Id(2));
}

TEST(FitPaperText, CutsToTheByteWidthWithoutSplittingCharacters)
{
    struct Case {
        int codePage;
        QString text;
        int width;
        QString expected;
    };
    const QString kanji = QString::fromUtf8("\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e");  // 3 characters, 2 bytes each in 932
    const std::vector<Case> cases = {
        {1252, "short", 40, "short"},
        {1252, QString(40, 'x'), 40, QString(39, 'x')},
        {1252, "anything", 1, ""},
        {932, kanji, 6, kanji.left(2)},   // 5 bytes left: two characters, never half of the third
        {932, kanji, 7, kanji},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        SetAnsiCodePage(c.codePage);
        EXPECT_EQ(FitPaperText(c.text, c.width), c.expected);
    }
    SetAnsiCodePage(0);
}

TEST(PaperCatalogueList, LookupByIdFollowsEveryChangeOfTheList)
{
    TPaperCatalogue list;
    auto first = Paper(1);
    first->Name = QStringLiteral("first");
    auto second = Paper(1);
    second->Name = QStringLiteral("second");
    PaperType* a = first.get();
    PaperType* b = second.get();
    list.push_back(std::move(first));
    list.push_back(Paper(2));
    list.push_back(std::move(second));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list.Find(Id(1)), a);  // the first record of an ID wins
    EXPECT_EQ(list.Find(Id(2)), list[1]);
    EXPECT_EQ(list.Find(Id(3)), nullptr);

    // Removing the first record of an ID uncovers the next one.
    auto next = list.erase(list.begin());
    EXPECT_EQ(*next, list[0]);
    EXPECT_EQ(list.Find(Id(1)), b);
    list.erase(std::find(list.begin(), list.end(), b));
    EXPECT_EQ(list.Find(Id(1)), nullptr);
    ASSERT_EQ(list.size(), 1u);

    list.clear();
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.Find(Id(2)), nullptr);
}
