// Windowless controls: the parent's one list is the z-order; the parent paints them in that order,
// each clipped to its bounds and only where the region needs it, leaving out those that opaque
// ones hide wholly; the mouse goes to the topmost control under the pointer and stays with it
// while a button is held; cursors and hints.
#include "platform/graphic_control.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTest>
#include <QToolTip>
#include <functional>
#include <memory>
#include <vector>

namespace {

// Fills its bounds and a margin beyond them with its colour, and records what reaches it.
class Box : public TGraphicControl {
public:
    Box(TControlHost* host, QRect bounds, QColor color) : TGraphicControl(host), color(color)
    {
        setGeometry(bounds);
    }
    void PaintControl(QPainter& p) override
    {
        ++paints;
        p.fillRect(rect().adjusted(-20, -20, 20, 20), color);
        if (onPaint)
            onPaint();
    }
    bool PaintsOpaque() const override { return opaque; }
    void mousePressEvent(QMouseEvent* e) override { Record("press", e); }
    void mouseMoveEvent(QMouseEvent* e) override { Record("move", e); }
    void mouseReleaseEvent(QMouseEvent* e) override { Record("release", e); }
    bool contextMenuEvent(QContextMenuEvent*) override
    {
        events.push_back("menu");
        return true;
    }
    void leaveEvent() override { events.push_back("leave"); }
    void Record(const char* what, QMouseEvent* e)
    {
        events.push_back(what);
        points.push_back(e->position().toPoint());
        if (onEvent)
            onEvent();
    }
    QColor color;
    int paints = 0;
    std::vector<std::string> events;
    std::vector<QPoint> points;
    std::function<void()> onEvent;
    std::function<void()> onPaint;
    bool opaque = false;
};

// A host that records the mouse it keeps for itself.
class Host : public TControlHost {
public:
    Host()
    {
        resize(300, 200);
        setAutoFillBackground(true);
        QPalette pal = palette();
        pal.setColor(QPalette::Window, Qt::white);
        setPalette(pal);
    }
    std::vector<QPoint> ownPresses;
    int ownMenus = 0;

protected:
    void mousePressEvent(QMouseEvent* e) override { ownPresses.push_back(e->position().toPoint()); }
    void contextMenuEvent(QContextMenuEvent*) override { ++ownMenus; }
};

void Send(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void Press(QWidget* w, QPoint p)
{
    Send(w, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
}
void Drag(QWidget* w, QPoint p)
{
    Send(w, QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton);
}
void Hover(QWidget* w, QPoint p)
{
    Send(w, QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton);
}
void Release(QWidget* w, QPoint p)
{
    Send(w, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
}

QColor Pixel(QWidget& w, int x, int y)
{
    return w.grab().toImage().pixelColor(x, y);
}

class GraphicControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
        a = new Box(&host, QRect(10, 10, 100, 80), Qt::red);
        b = new Box(&host, QRect(60, 40, 100, 80), Qt::green);
        c = new Box(&host, QRect(200, 20, 50, 50), Qt::blue);
    }
    Host host;
    Box *a = nullptr, *b = nullptr, *c = nullptr;
};

TEST_F(GraphicControlTest, TheListIsTheZOrder)
{
    using List = std::vector<TGraphicControl*>;
    EXPECT_EQ(host.Controls(), (List{a, b, c}));
    a->raise();
    EXPECT_EQ(host.Controls(), (List{b, c, a}));
    c->lower();
    EXPECT_EQ(host.Controls(), (List{c, b, a}));
    delete b;
    EXPECT_EQ(host.Controls(), (List{c, a}));
    EXPECT_EQ(host.ControlCount(), 2);

    // A control moved to another parent leaves this one and lands on top there.
    Host other;
    auto* d = new Box(&other, QRect(0, 0, 5, 5), Qt::black);
    c->SetHost(&other);
    EXPECT_EQ(host.Controls(), List{a});
    EXPECT_EQ(other.Controls(), (List{d, c}));
    EXPECT_EQ(c->parentWidget(), &other);
}

TEST_F(GraphicControlTest, ManyControlsFreedInAnyOrderLeaveTheListWhole)
{
    std::vector<Box*> boxes;
    for (int i = 0; i < 1000; ++i)
        boxes.push_back(new Box(&host, QRect(i % 300, i % 200, 3, 3), Qt::black));
    // Every other one from the front, then the rest from the back.
    for (size_t i = 0; i < boxes.size(); i += 2)
        delete boxes[i];
    for (size_t i = boxes.size() - 1; i > 400; i -= 2)
        delete boxes[i];
    std::vector<TGraphicControl*> expected{a, b, c};
    for (size_t i = 1; i <= 400; i += 2)
        expected.push_back(boxes[i]);
    EXPECT_EQ(host.Controls(), expected);
    EXPECT_EQ(host.ControlCount(), int(expected.size()));
    boxes[1]->raise();
    EXPECT_EQ(host.Controls().back(), boxes[1]);
}

TEST_F(GraphicControlTest, PaintedInOrderEachClippedToItsBounds)
{
    EXPECT_EQ(Pixel(host, 20, 20), QColor(Qt::red));
    EXPECT_EQ(Pixel(host, 80, 60), QColor(Qt::green)); // b lies over a
    EXPECT_EQ(Pixel(host, 5, 5), QColor(Qt::white));   // the margin beyond a's bounds
    EXPECT_EQ(Pixel(host, 170, 60), QColor(Qt::white));
    a->raise();
    EXPECT_EQ(Pixel(host, 80, 60), QColor(Qt::red));
    b->hide();
    EXPECT_EQ(Pixel(host, 150, 100), QColor(Qt::white));
    a->move(150, 100);
    EXPECT_EQ(Pixel(host, 20, 20), QColor(Qt::white));
    EXPECT_EQ(Pixel(host, 160, 110), QColor(Qt::red));
}

TEST_F(GraphicControlTest, OnlyControlsInThePaintRegionArePainted)
{
    host.repaint();
    a->paints = b->paints = c->paints = 0;
    host.repaint(QRect(210, 30, 10, 10)); // c alone
    EXPECT_EQ(c->paints, 1);
    EXPECT_EQ(a->paints + b->paints, 0);
}

TEST_F(GraphicControlTest, ControlsWhollyHiddenByOpaqueOnesAreNotPainted)
{
    // a: 10,10 to 110,90; b: 60,40 to 160,120. low lies below both.
    struct Case {
        const char* what;
        bool aOpaque, bOpaque, aHidden;
        QRect low;
        QRect repainted; // empty: the whole parent
        bool painted;
    } cases[] = {
        {"nothing opaque above", false, false, false, QRect(20, 20, 30, 30), {}, true},
        {"inside opaque a", true, false, false, QRect(20, 20, 30, 30), {}, false},
        {"a's bounds exactly", true, false, false, QRect(10, 10, 100, 80), {}, false},
        {"one pixel beyond a", true, false, false, QRect(10, 10, 101, 80), {}, true},
        {"across a's edge", true, false, false, QRect(100, 20, 30, 15), {}, true},
        {"covered by a and b together", true, true, false, QRect(90, 45, 40, 35), {}, false},
        {"where b is not opaque", true, false, false, QRect(90, 45, 40, 35), {}, true},
        {"a opaque but hidden", true, false, true, QRect(20, 20, 30, 30), {}, true},
        {"the repainted part covered", true, false, false, QRect(100, 20, 30, 15), QRect(95, 25, 10, 5),
         false},
        {"the repainted part open", true, false, false, QRect(100, 20, 30, 15), QRect(115, 25, 5, 5), true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        a->opaque = k.aOpaque;
        b->opaque = k.bOpaque;
        a->setVisible(!k.aHidden);
        Box low(&host, k.low, Qt::yellow);
        low.lower();
        host.repaint();
        low.paints = 0;
        if (k.repainted.isEmpty())
            host.repaint();
        else
            host.repaint(k.repainted);
        EXPECT_EQ(low.paints, k.painted ? 1 : 0);
    }
    // What shows is what painting everything shows.
    a->show();
    a->opaque = b->opaque = true;
    Box low(&host, QRect(20, 20, 30, 30), Qt::yellow);
    low.lower();
    EXPECT_EQ(Pixel(host, 25, 25), QColor(Qt::red));
    EXPECT_EQ(Pixel(host, 80, 60), QColor(Qt::green));
    low.raise();
    EXPECT_EQ(Pixel(host, 25, 25), QColor(Qt::yellow));
}

TEST_F(GraphicControlTest, AControlFreedWhileThePaintRunsIsLeftOut)
{
    // b is painted before c, which lies above it.
    QPointer<Box> gone(c);
    b->onPaint = [&] { delete gone.data(); };
    host.repaint();
    EXPECT_TRUE(gone.isNull());
    EXPECT_EQ(Pixel(host, 220, 30), QColor(Qt::white));
}

TEST_F(GraphicControlTest, TheMouseGoesToTheTopmostAndStaysWhileHeld)
{
    Press(&host, {80, 60}); // over a and b
    EXPECT_EQ(b->events, std::vector<std::string>{"press"});
    EXPECT_EQ(b->points.back(), QPoint(20, 20));
    EXPECT_TRUE(a->events.empty());
    // Held: b has the mouse, wherever the pointer goes.
    Drag(&host, {220, 30});
    Drag(&host, {5, 5});
    Release(&host, {5, 5});
    EXPECT_EQ(b->events, (std::vector<std::string>{"press", "move", "move", "release", "leave"}));
    EXPECT_EQ(b->points.back(), QPoint(-55, -35));
    EXPECT_TRUE(c->events.empty());

    // Released: the pointer is over the page itself, which keeps its own presses.
    Press(&host, {5, 5});
    EXPECT_EQ(host.ownPresses, std::vector<QPoint>{QPoint(5, 5)});
    Release(&host, {5, 5});
    Hover(&host, {220, 30});
    EXPECT_EQ(c->events, std::vector<std::string>{"move"});
    Hover(&host, {20, 20});
    EXPECT_EQ(c->events.back(), "leave");
    EXPECT_EQ(a->events, std::vector<std::string>{"move"});
}

TEST_F(GraphicControlTest, AControlFreedWhileItHasTheMouseLetsItGo)
{
    QPointer<Box> gone(b);
    b->onEvent = [&] { delete gone.data(); };
    Press(&host, {80, 60});
    EXPECT_TRUE(gone.isNull());
    Drag(&host, {20, 20});
    Release(&host, {20, 20});
    // The next press finds what lies under the pointer now.
    Press(&host, {20, 20});
    EXPECT_EQ(a->events, (std::vector<std::string>{"press"}));
}

TEST_F(GraphicControlTest, CursorsAndHintsOfTheControlUnderThePointer)
{
    host.SetOwnCursor(QCursor(Qt::CrossCursor));
    a->setCursor(QCursor(Qt::SizeAllCursor));
    Hover(&host, {20, 20});
    EXPECT_EQ(host.cursor().shape(), Qt::SizeAllCursor);
    Hover(&host, {220, 30}); // c has none: the parent's own shows
    EXPECT_EQ(host.cursor().shape(), Qt::CrossCursor);
    c->setCursor(QCursor(Qt::PointingHandCursor)); // set while under the pointer
    EXPECT_EQ(host.cursor().shape(), Qt::PointingHandCursor);
    Hover(&host, {5, 5});
    EXPECT_EQ(host.cursor().shape(), Qt::CrossCursor);

    c->setToolTip(QStringLiteral("c's hint"));
    QHelpEvent help(QEvent::ToolTip, QPoint(220, 30), host.mapToGlobal(QPoint(220, 30)));
    EXPECT_TRUE(QApplication::sendEvent(&host, &help));
    EXPECT_EQ(QToolTip::text(), QStringLiteral("c's hint"));
    QToolTip::hideText();

    // The context menu goes to the control under the pointer, else to the parent.
    QContextMenuEvent onC(QContextMenuEvent::Mouse, QPoint(220, 30), host.mapToGlobal(QPoint(220, 30)));
    QApplication::sendEvent(&host, &onC);
    EXPECT_EQ(c->events.back(), "menu");
    QContextMenuEvent onPage(QContextMenuEvent::Mouse, QPoint(5, 5), host.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&host, &onPage);
    EXPECT_EQ(host.ownMenus, 1);
}

TEST_F(GraphicControlTest, APressOnTheParentKeepsTheMouseThereUntilReleased)
{
    Press(&host, {5, 5});
    Drag(&host, {20, 20}); // over a, but the parent has the mouse
    Release(&host, {20, 20});
    EXPECT_TRUE(a->events.empty());
    Hover(&host, {20, 20});
    EXPECT_EQ(a->events, std::vector<std::string>{"move"});
}

} // namespace
