#include <gtest/gtest.h>

#include "platform/cursors.h"
#include "platform/window_message.h"

#include <QCoreApplication>
#include <QObject>
#include <QPixmap>
#include <thread>
#include <vector>

namespace {

class Receiver : public QObject {
public:
    struct Got { unsigned msg; uintptr_t w; intptr_t l; };
    std::vector<Got> got;
    bool event(QEvent* e) override
    {
        if (const TMessageEvent* m = AsMessageEvent(e)) {
            got.push_back({m->Msg, m->WParam, m->LParam});
            return true;
        }
        return QObject::event(e);
    }
};

TEST(WindowMessage, PostedMessagesArriveInOrderFromAnyThread)
{
    EXPECT_EQ(WM_USER, 0x400u);
    EXPECT_EQ(WM_COPYDATA, 0x4Au);
    Receiver r;
    PostMessage(&r, WM_USER + 50, 7, -1);
    std::thread worker([&] { PostMessage(&r, WM_USER + 1, 0, 42); });
    worker.join();
    PostMessage(nullptr, WM_USER, 0, 0); // no target: dropped
    EXPECT_TRUE(r.got.empty());          // posted, not sent
    QCoreApplication::processEvents();
    ASSERT_EQ(r.got.size(), 2u);
    EXPECT_EQ(r.got[0].msg, WM_USER + 50);
    EXPECT_EQ(r.got[0].w, 7u);
    EXPECT_EQ(r.got[0].l, -1);
    EXPECT_EQ(r.got[1].msg, WM_USER + 1);
    EXPECT_EQ(r.got[1].l, 42);
    QEvent other(QEvent::User);
    EXPECT_EQ(AsMessageEvent(&other), nullptr);
}

TEST(Screen, NumberedCursorTable)
{
    EXPECT_EQ(Screen->PixelsPerInch, 96);
    EXPECT_EQ(Screen->Cursor(crArrow).shape(), Qt::ArrowCursor);
    EXPECT_EQ(Screen->Cursor(crHourGlass).shape(), Qt::WaitCursor);
    EXPECT_EQ(Screen->Cursor(crSizeNWSE).shape(), Qt::SizeFDiagCursor);
    EXPECT_EQ(Screen->Cursor(2).shape(), Qt::ArrowCursor); // not yet registered
    EXPECT_FALSE(Screen->HasCursor(2));

    QPixmap pm(16, 16);
    pm.fill(Qt::black);
    Screen->SetCursor(2, QCursor(pm, 3, 4));
    EXPECT_TRUE(Screen->HasCursor(2));
    EXPECT_EQ(Screen->Cursor(2).shape(), Qt::BitmapCursor);
    EXPECT_EQ(Screen->Cursor(2).hotSpot(), QPoint(3, 4));
    Screen->SetCursor(1, QCursor(Qt::CrossCursor));
    EXPECT_EQ(Screen->Cursors(1).shape(), Qt::CrossCursor);

    Screen->SetScreenCursor(crHourGlass);
    EXPECT_EQ(Screen->ScreenCursor(), crHourGlass);
    Screen->SetScreenCursor(crDefault);
    EXPECT_EQ(Screen->ScreenCursor(), crDefault);
}

} // namespace
