#include "bars/toolbar.h"
#include "bars/toolbar_button.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace {

TToolbarItem Button()
{
    TToolbarItem i;
    i.Width = 23;
    i.Height = 22;
    return i;
}
TToolbarItem Separator(bool blank = false)
{
    TToolbarItem i;
    i.Separator = true;
    i.Blank = blank;
    return i;
}

TEST(ToolbarLayoutTest, Table)
{
    const std::vector<TToolbarItem> tools = {Button(), Button(), Separator(), Button()};
    const std::vector<TToolbarItem> blankBreak = {Button(), Button(), Separator(true), Button()};
    struct Case {
        const char* name;
        std::vector<TToolbarItem> items;
        TToolbarLayoutInput input;
        std::vector<TRect> bounds;
        std::vector<TToolbarLineSeparator> lines;
        QSize client;
    };
    TToolbarLayoutInput leftDock;
    leftDock.LeftRight = true;
    leftDock.BarSize = 23;
    leftDock.CrossSize = 30;
    TToolbarLayoutInput floating;
    floating.Floating = true;
    floating.BarSize = floating.CrossSize = 22;
    TToolbarLayoutInput narrow = floating;
    narrow.FloatingWidth = 30; // below the widest button + 8
    TToolbarLayoutInput topDock;
    topDock.BarSize = topDock.CrossSize = 22;

    const Case cases[] = {
        {"left dock: stacked, centred across, no margins",
         tools,
         leftDock,
         {Bounds(3, 0, 23, 22), Bounds(3, 22, 23, 22), Bounds(0, 44, 30, 6), Bounds(3, 50, 23, 22)},
         {},
         QSize(23, 72)},
        {"top dock: one line",
         tools,
         topDock,
         {Bounds(0, 0, 23, 22), Bounds(23, 0, 23, 22), Bounds(46, 0, 6, 22), Bounds(52, 0, 23, 22)},
         {},
         QSize(75, 22)},
        {"floating, one line: margins 4, 2 and 1",
         tools,
         floating,
         {Bounds(4, 2, 23, 22), Bounds(27, 2, 23, 22), Bounds(50, 2, 6, 22), Bounds(56, 2, 23, 22)},
         {},
         QSize(83, 25)},
        {"floating, narrower than a button: widest + 8",
         tools,
         narrow,
         {Bounds(4, 2, 23, 22), Bounds(4, 24, 23, 22), Bounds(27, 24, 0, 22), Bounds(4, 52, 23, 22)},
         {{52, false}},
         QSize(31, 75)},
        {"blank separator breaks without a line",
         blankBreak,
         narrow,
         {Bounds(4, 2, 23, 22), Bounds(4, 24, 23, 22), Bounds(27, 24, 0, 22), Bounds(4, 52, 23, 22)},
         {{52, true}},
         QSize(31, 75)},
        {"no children", {}, floating, {}, {}, QSize(16, 25)},
    };
    for (const Case& c : cases) {
        const TToolbarLayout l = LayoutToolbar(c.items, c.input);
        EXPECT_EQ(l.ClientSize, c.client) << c.name;
        ASSERT_EQ(l.Bounds.size(), c.bounds.size()) << c.name;
        for (size_t i = 0; i < l.Bounds.size(); ++i)
            EXPECT_EQ(l.Bounds[i], c.bounds[i]) << c.name << " item " << i;
        ASSERT_EQ(l.LineSeparators.size(), c.lines.size()) << c.name;
        for (size_t i = 0; i < c.lines.size(); ++i) {
            EXPECT_EQ(l.LineSeparators[i].Y, c.lines[i].Y) << c.name;
            EXPECT_EQ(l.LineSeparators[i].Blank, c.lines[i].Blank) << c.name;
        }
    }
}

TEST(ToolbarLayoutTest, PotentialSizesAreTheWidthsWhereWrappingChanges)
{
    const std::vector<TToolbarItem> tools = {Button(), Button(), Separator(), Button()};
    const std::vector<QSize> sizes = ToolbarPotentialSizes(tools, 22);
    EXPECT_EQ(sizes, (std::vector<QSize>{QSize(83, 25), QSize(54, 53), QSize(31, 75)}));
}

TEST(ToolbarLayoutTest, ResizingSnapsToListedSizes)
{
    TToolbarSizer sizer;
    sizer.Sizes = {QSize(31, 75), QSize(83, 25), QSize(54, 53)};
    sizer.Current = QSize(54, 53);
    sizer.Begin();
    EXPECT_EQ(sizer.Sizes.front(), QSize(83, 25));
    EXPECT_EQ(sizer.Threshold, 12);
    EXPECT_EQ(sizer.Track(60), QSize(54, 53)); // inside the band round the current size
    EXPECT_EQ(sizer.Track(70), QSize(83, 25)); // growing: the next larger size
    EXPECT_EQ(sizer.Track(50), QSize(31, 75)); // shrinking: the largest that fits
    EXPECT_EQ(sizer.Track(54), QSize(54, 53));
    EXPECT_EQ(sizer.Track(10), QSize(31, 75));  // nothing fits: the smallest
    EXPECT_EQ(sizer.Track(500), QSize(83, 25)); // nothing larger: the largest

    // Close neighbours narrow the band.
    TToolbarSizer close;
    close.Sizes = {QSize(40, 10), QSize(45, 20), QSize(60, 30)};
    close.Current = QSize(45, 20);
    close.Begin();
    EXPECT_EQ(close.Threshold, 4);

    // A current size the list lacks stands for its nearest listed one.
    TToolbarSizer off;
    off.Sizes = {QSize(31, 75), QSize(83, 25), QSize(54, 53)};
    off.Current = QSize(60, 40);
    off.Begin();
    EXPECT_EQ(off.Current, QSize(54, 53));
    EXPECT_EQ(off.Track(58), QSize(54, 53));
}

class ToolbarWidgetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        bar = new TToolbarX;
        bar->setObjectName(QStringLiteral("Bar"));
        for (int i = 0; i < 3; ++i) {
            buttons[i] = new TToolbarButtonX(bar);
            buttons[i]->setObjectName(QStringLiteral("B%1").arg(i));
        }
        sep = new TToolbarSepX(bar);
        sep->setObjectName(QStringLiteral("Sep"));
        form.resize(300, 300);
        bar->SetHideWhenInactive(false);
        bar->SetParent(&form);
        bar->show();
    }
    void TearDown() override { delete bar; }
    QWidget form;
    TToolbarX* bar;
    TToolbarButtonX* buttons[3];
    TToolbarSepX* sep;
};

TEST_F(ToolbarWidgetTest, OrderFollowsInsertionAndIndexesClamp)
{
    EXPECT_EQ(bar->OrderedControls(), (QList<QWidget*>{buttons[0], buttons[1], buttons[2], sep}));
    bar->SetOrderIndex(sep, -5);
    EXPECT_EQ(bar->GetOrderIndex(sep), 0);
    bar->SetOrderIndex(sep, 99);
    EXPECT_EQ(bar->GetOrderIndex(sep), 3);
    QWidget stranger;
    EXPECT_THROW(bar->GetOrderIndex(&stranger), EInvalidOperation);
    EXPECT_THROW(sep->SetParent(&form), EInvalidOperation);
}

TEST_F(ToolbarWidgetTest, FloatingToolbarWrapsAtItsWidth)
{
    bar->SetOrderIndex(sep, 2);
    const QMargins nc = bar->NonClient();
    EXPECT_EQ(bar->ClientRect().size(), QSize(83, 25));
    EXPECT_EQ(buttons[2]->pos(), QPoint(nc.left() + 56, nc.top() + 2));
    bar->SetFloatingWidth(30);
    EXPECT_EQ(bar->ClientRect().size(), QSize(31, 75));
    EXPECT_EQ(sep->width(), 0);
    ASSERT_EQ(bar->LineSeparators().size(), 1u);
    EXPECT_EQ(bar->LineSeparators()[0].Y, 52);
    EXPECT_EQ(buttons[2]->pos(), QPoint(nc.left() + 4, nc.top() + 52));
}

} // namespace
