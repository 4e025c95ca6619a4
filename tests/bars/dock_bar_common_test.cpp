#include "bars/dock_bar_common.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct Seen {
    THookProcCode code;
    QWidget* wnd;
};
std::vector<Seen> g_seenA, g_seenB;

void ProcA(THookProcCode code, QWidget* wnd, uintptr_t, intptr_t)
{
    g_seenA.push_back({code, wnd});
}
void ProcB(THookProcCode code, QWidget* wnd, uintptr_t, intptr_t)
{
    g_seenB.push_back({code, wnd});
}

class HookRegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_seenA.clear();
        g_seenB.clear();
    }
    void TearDown() override
    {
        while (HookProcCount(ProcA) > 0)
            UninstallHookProc(ProcA);
        while (HookProcCount(ProcB) > 0)
            UninstallHookProc(ProcB);
    }
};

TEST_F(HookRegistryTest, OneEntryPerProcedureAndFiltersStayUntilTheLastUserGoes)
{
    const THookProcCodes codes = HookCode(hpSendActivateApp) | HookCode(hpPostMouseMove);
    InstallHookProc(ProcA, codes, false);
    InstallHookProc(ProcA, codes, false);
    EXPECT_EQ(HookProcCount(ProcA), 2);
    EXPECT_EQ(HookUseCount(htCallWndProc), 2);
    EXPECT_EQ(HookUseCount(htGetMessage), 2);
    EXPECT_EQ(HookUseCount(htCBT), 0);
    EXPECT_TRUE(HookInstalled(htCallWndProc));
    EXPECT_TRUE(HookInstalled(htGetMessage));
    EXPECT_FALSE(HookInstalled(htCBT));

    UninstallHookProc(ProcA);
    EXPECT_EQ(HookProcCount(ProcA), 1);
    EXPECT_TRUE(HookInstalled(htCallWndProc));
    UninstallHookProc(ProcA);
    EXPECT_EQ(HookProcCount(ProcA), 0);
    EXPECT_EQ(HookUseCount(htCallWndProc), 0);
    EXPECT_FALSE(HookInstalled(htCallWndProc));
    EXPECT_FALSE(HookInstalled(htGetMessage));
    // A second removal of a procedure no longer listed changes nothing.
    UninstallHookProc(ProcA);
    EXPECT_EQ(HookUseCount(htCallWndProc), 0);
}

TEST_F(HookRegistryTest, DesignTimeInstallOnlyCounts)
{
    InstallHookProc(ProcA, HookCode(hpPreDestroy), true);
    EXPECT_EQ(HookProcCount(ProcA), 1);
    EXPECT_EQ(HookUseCount(htCBT), 0);
    EXPECT_FALSE(HookInstalled(htCBT));
    UninstallHookProc(ProcA);
    EXPECT_EQ(HookUseCount(htCBT), 0);
}

TEST_F(HookRegistryTest, EventsReachTheProceduresOfTheirCode)
{
    InstallHookProc(ProcA, HookCode(hpSendWindowPosChanged), false);
    InstallHookProc(ProcB, HookCode(hpPostMouseMove), false);
    QWidget window;
    window.resize(50, 40);
    window.show();
    window.move(30, 30);
    QCoreApplication::processEvents();
    const auto sawWindow = [&](const std::vector<Seen>& seen, THookProcCode code) {
        for (const Seen& s : seen)
            if (s.code == code && s.wnd == &window)
                return true;
        return false;
    };
    EXPECT_TRUE(sawWindow(g_seenA, hpSendWindowPosChanged));
    EXPECT_FALSE(sawWindow(g_seenB, hpSendWindowPosChanged));

    QMouseEvent move(QEvent::MouseMove, QPointF(5, 6), QPointF(35, 36), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&window, &move);
    EXPECT_TRUE(sawWindow(g_seenB, hpPostMouseMove));
    EXPECT_FALSE(sawWindow(g_seenA, hpPostMouseMove));

    // Once removed, a procedure hears nothing more.
    UninstallHookProc(ProcB);
    g_seenB.clear();
    QApplication::sendEvent(&window, &move);
    EXPECT_TRUE(g_seenB.empty());
}

TEST(DockBarHelpersTest, ListSortExOrdersWithExtraData)
{
    struct Case {
        std::vector<int> in;
    } cases[] = {{{}}, {{1}}, {{3, 1, 2}}, {{5, 5, 1, 9, 0, -3, 5}}, {{9, 8, 7, 6, 5, 4, 3, 2, 1, 0}}};
    for (const Case& c : cases) {
        std::vector<int> list = c.in;
        int calls = 0;
        ListSortEx(
            list,
            [](int a, int b, int* n) {
                ++*n;
                return a - b;
            },
            &calls);
        std::vector<int> want = c.in;
        std::sort(want.begin(), want.end());
        EXPECT_EQ(list, want);
    }
}

TEST(DockBarHelpersTest, PrintingAHiddenWindowWithCheckVisiblePaintsNothing)
{
    QWidget w;
    w.resize(10, 10);
    QImage image(10, 10, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    int ncCalls = 0;
    auto nc = [](QWidget*, QPainter&, void* data) { ++*static_cast<int*>(data); };
    EXPECT_EQ(HandleWMPrint(&w, p, PRF_CHECKVISIBLE | PRF_NONCLIENT | PRF_CLIENT, nc, &ncCalls), 1);
    EXPECT_EQ(ncCalls, 0);
    EXPECT_EQ(HandleWMPrint(&w, p, PRF_NONCLIENT, nc, &ncCalls), 1);
    EXPECT_EQ(ncCalls, 1);
}

TEST(DockBarHelpersTest, OneMonitorUsesTheDesktopWorkArea)
{
    if (UsingMultipleMonitors())
        GTEST_SKIP() << "more than one screen";
    EXPECT_EQ(GetRectOfMonitorContaining(QRect(-5000, -5000, 10, 10)), GetDesktopAreaRect());
    EXPECT_EQ(GetRectOfMonitorContainingPoint(QPoint(1, 1)), GetDesktopAreaRect());
}

TEST(DockBarHelpersTest, UncoveredPlaceIsTheNearestFreeOneInsideTheWorkArea)
{
    struct Case {
        const char* name;
        QPoint wanted;
        QSize size;
        std::vector<QRect> taken;
        QPoint expected;
        QRect work = QRect(0, 0, 640, 480);
    };
    const Case cases[] = {
        {"nothing taken", {600, 440}, {40, 40}, {}, {600, 440}},
        {"free where wanted", {0, 0}, {40, 40}, {QRect(100, 100, 50, 50)}, {0, 0}},
        {"beside the one in the corner", {600, 440}, {40, 40}, {QRect(560, 380, 80, 100)}, {520, 440}},
        {"above the one filling the bottom", {0, 440}, {40, 40}, {QRect(0, 300, 640, 180)}, {0, 260}},
        {"into the gap between two",
         {100, 200},
         {40, 40},
         {QRect(0, 0, 300, 480), QRect(340, 0, 300, 480)},
         {300, 200}},
        {"a gap one pixel too narrow",
         {100, 200},
         {40, 40},
         {QRect(0, 0, 301, 480), QRect(340, 0, 300, 480)},
         {100, 200}},
        {"no room anywhere", {10, 10}, {40, 40}, {QRect(0, 0, 640, 480)}, {10, 10}},
        {"larger than the work area", {0, 0}, {700, 40}, {QRect(0, 100, 10, 10)}, {0, 0}},
        {"work area away from the origin",
         {100, 50},
         {40, 40},
         {QRect(100, 50, 40, 100)},
         {140, 50},
         QRect(100, 50, 640, 480)},
        // Only one place is left, at the end of the shorter one.
        {"one place left", {0, 0}, {40, 80}, {QRect(0, 0, 640, 400), QRect(0, 400, 600, 80)}, {600, 400}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UncoveredPlaceFor(c.wanted, c.size, c.work, c.taken), c.expected) << c.name;
}

TEST(DockBarHelpersTest, MulDivRoundsLikeWindowsAndRefusesZero)
{
    const struct {
        int a, b, c, want;
    } cases[] = {
        {32, 10, 0, -1},          // a one-pixel window: never divides
        {32, 5, 9, 18},           // 17.78
        {32, 3, 64, 2},           // 1.5 rounds away from zero
        {-32, 3, 64, -2},         // -1.5 too
        {20, 7, 40, 4},           // 3.5
        {20, 1, 3, 7},            // 6.67
        {1 << 30, 4, 2, -1},      // does not fit
        {1 << 30, 4, 4, 1 << 30}, // no overflow in between
    };
    for (const auto& c : cases)
        EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.want) << c.a << "*" << c.b << "/" << c.c;
}

} // namespace
