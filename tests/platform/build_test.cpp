#include <gtest/gtest.h>

#include <QApplication>

TEST(Build, RunsOnOffscreenPlatform)
{
    EXPECT_EQ(QApplication::platformName(), QStringLiteral("offscreen"));
}
