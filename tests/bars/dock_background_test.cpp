#include "bars/dock.h"
#include "bars/tool_window.h"
#include "bars/toolbar.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <gtest/gtest.h>

namespace dockbackgroundtest {

// A 7 by 5 tile whose every pixel differs, so that a misaligned tile shows; the bottom-left
// pixel is the transparent colour.
const QRgb KeyColour = qRgb(0, 255, 0);

QImage TileImage()
{
    QImage tile(7, 5, QImage::Format_RGB32);
    for (int y = 0; y < tile.height(); ++y)
        for (int x = 0; x < tile.width(); ++x)
            tile.setPixel(x, y, qRgb(30 * x, 50 * y, 200));
    tile.setPixel(0, 4, KeyColour);
    tile.setPixel(3, 0, KeyColour);
    return tile;
}

TBitmap Tile()
{
    TBitmap bitmap;
    bitmap.SetImage(TileImage());
    return bitmap;
}

// A form with a top dock holding a tool window, and a left dock below it holding another.
class DockBackgroundTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form.resize(400, 300);
        auto* layout = new TAlignLayout(&form);
        top = new TDockX(&form, dpTop);
        left = new TDockX(&form, dpLeft);
        layout->AddControl(top, TAlignLayout::alTop);
        layout->AddControl(left, TAlignLayout::alLeft);
        layout->AddControl(new QWidget(&form), TAlignLayout::alClient);
        topBar = new TToolWindowX;
        topBar->SetClientAreaSize(61, 17);
        topBar->SetParent(top);
        topBar->show();
        leftBar = new TToolWindowX;
        leftBar->SetClientAreaSize(43, 71);
        leftBar->SetParent(left);
        leftBar->show();
        form.show();
        layout->Realign();
    }

    // The tile's pixel at a point of the form, the tiles starting at the form's origin.
    static QRgb TileAt(QPoint inForm, bool transparent, QRgb colour)
    {
        static const QImage tile = TileImage();
        const QRgb pixel = tile.pixel(inForm.x() % tile.width(), inForm.y() % tile.height());
        return transparent && pixel == KeyColour ? colour : pixel;
    }

    QWidget form;
    TDockX *top, *left;
    TToolWindowX *topBar, *leftBar;
};

TEST_F(DockBackgroundTest, TilesLineUpWithTheFormUnderDocksAndBars)
{
    ASSERT_GT(top->height(), 0);
    ASSERT_EQ(left->y(), top->height());
    // The left dock starts where no whole tile ends: a tile started at the dock would show.
    ASSERT_NE(left->y() % 5, 0) << left->y();
    const QRgb red = qRgb(255, 0, 0);
    struct Case {
        const char* name;
        bool transparent;
        bool onToolbars;
    };
    const Case cases[] = {
        {"plain, under the bars too", false, true},
        {"transparent colour shows the dock's colour", true, true},
        {"bars keep their colour", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (TDockX* dock : {top, left}) {
            dock->SetColor(0x0000FF); // red
            dock->SetBackground(Tile());
            dock->SetBackgroundTransparent(c.transparent);
            dock->SetBackgroundOnToolbars(c.onToolbars);
            ASSERT_TRUE(dock->UsingBackground());
        }
        // Beside the bar on each dock, and the last pixel of the left dock.
        const QImage topShot = top->grab().toImage();
        const QImage leftShot = left->grab().toImage();
        for (QPoint p : {QPoint(top->width() - 7, 1), QPoint(top->width() - 1, top->height() - 1)})
            EXPECT_EQ(topShot.pixel(p), TileAt(top->mapTo(&form, p), c.transparent, red))
                << p.x() << "," << p.y();
        for (QPoint p : {QPoint(3, left->height() - 9), QPoint(left->width() - 1, left->height() - 1)})
            EXPECT_EQ(leftShot.pixel(p), TileAt(left->mapTo(&form, p), c.transparent, red))
                << p.x() << "," << p.y();

        // On a bar: the ring inside its edge, the handle between the grips and the client area.
        for (TToolWindowX* bar : {topBar, leftBar}) {
            const QImage shot = bar->grab().toImage();
            const QRect client = bar->ClientRect();
            const bool leftRight = bar == leftBar;
            const QPoint handle = leftRight ? QPoint(client.center().x(), 3) : QPoint(3, client.center().y());
            for (QPoint p : {QPoint(1, 1), handle, client.center(), client.bottomRight()}) {
                const QRgb want = c.onToolbars ? TileAt(bar->mapTo(&form, p), c.transparent, red)
                                               : ColorToQColor(clBtnFace).rgb();
                EXPECT_EQ(shot.pixel(p), want) << p.x() << "," << p.y();
            }
        }
    }
}

TEST_F(DockBackgroundTest, NoBackgroundLeavesTheDockColour)
{
    top->SetColor(0xFF0000); // blue
    top->SetBackground(Tile());
    top->SetBackground(TBitmap());
    EXPECT_FALSE(top->UsingBackground());
    const QImage shot = top->grab().toImage();
    EXPECT_EQ(shot.pixel(top->width() - 7, 1), qRgb(0, 0, 255));
}

TEST_F(DockBackgroundTest, DrawBackgroundTilesOnlyInsideItsClip)
{
    top->SetBackground(Tile());
    QImage canvas(30, 14, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    {
        QPainter p(&canvas);
        // Tiles from (2, 1), inside (0,0)-(23,11), not inside (4,2)-(6,4).
        top->DrawBackground(p, QRect(0, 0, 24, 12), QRect(4, 2, 3, 3), QRect(2, 1, 28, 13));
    }
    const QImage tile = TileImage();
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            const bool drawn = x >= 2 && y >= 1 && x < 24 && y < 12 && !QRect(4, 2, 3, 3).contains(x, y);
            const QRgb want = drawn ? tile.pixel((x - 2) % 7, (y - 1) % 5) : qRgb(0, 0, 0);
            ASSERT_EQ(canvas.pixel(x, y), want) << x << "," << y;
        }
}

// The dock's menu opens on a right click on the dock, and on a bar of it that has none.
TEST_F(DockBackgroundTest, PopupMenuOpensOnTheDockAndItsBars)
{
    QMenu menu;
    menu.addAction(QStringLiteral("Customize"));
    const auto rightClick = [](QWidget* w) {
        const QPoint at(4, 4);
        QContextMenuEvent e(QContextMenuEvent::Mouse, at, w->mapToGlobal(at));
        QApplication::sendEvent(w, &e);
        return e.isAccepted();
    };
    EXPECT_FALSE(rightClick(top));
    EXPECT_FALSE(menu.isVisible());

    top->SetPopupMenu(&menu);
    EXPECT_EQ(top->PopupMenu(), &menu);
    EXPECT_TRUE(rightClick(top));
    EXPECT_TRUE(menu.isVisible());
    menu.hide();
    rightClick(topBar);
    EXPECT_TRUE(menu.isVisible());
    menu.hide();
    // Another dock's bar does not open it.
    rightClick(leftBar);
    EXPECT_FALSE(menu.isVisible());
    {
        // A freed menu is forgotten.
        auto* gone = new QMenu;
        top->SetPopupMenu(gone);
        delete gone;
        EXPECT_EQ(top->PopupMenu(), nullptr);
        EXPECT_FALSE(rightClick(top));
    }
}

TEST(DockParentTest, ADockIsNeverPlacedInAToolWindowOrAnotherDock)
{
    QWidget form;
    auto* dock = new TDockX(&form, dpTop);
    auto* bar = new TToolWindowX;
    bar->SetParent(dock);
    const QString message = DockBarsString(DockParentErrorString);
    ASSERT_FALSE(message.isEmpty());

    struct Case {
        const char* name;
        QWidget* parent;
    };
    const Case refused[] = {{"another dock", dock}, {"a tool window", bar}};
    for (const Case& c : refused) {
        SCOPED_TRACE(c.name);
        try {
            TDockX inner(c.parent, dpLeft);
            ADD_FAILURE() << "no error";
        } catch (const EInvalidOperation& e) {
            EXPECT_EQ(e.Message(), message);
        }
        TDockX loose(nullptr, dpLeft);
        EXPECT_THROW(loose.SetParent(c.parent), EInvalidOperation);
        EXPECT_EQ(loose.parentWidget(), nullptr);
    }
    EXPECT_EQ(dock->findChildren<TDockX*>().size(), 0);
    EXPECT_EQ(bar->findChildren<TDockX*>().size(), 0);

    // A form, or any plain control on it, takes one.
    auto* panel = new QWidget(&form);
    TDockX* onPanel = nullptr;
    EXPECT_NO_THROW(onPanel = new TDockX(panel, dpBottom));
    EXPECT_EQ(onPanel->parentWidget(), panel);
    EXPECT_NO_THROW(onPanel->SetParent(&form));
    EXPECT_EQ(onPanel->parentWidget(), &form);
}

} // namespace dockbackgroundtest
