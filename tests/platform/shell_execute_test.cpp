// Starting a program with an argument list: each argument arrives whole, and nothing in one is
// read by a shell.
#include "platform/shell_execute.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTest>

TEST(ShellStart, ArgumentsArriveWholeAndNoShellReadsThem)
{
    const QString dir = testsupport::freshDir(QStringLiteral("shell-start"));
    const QString output = dir + QStringLiteral("/args");
    const QString program = dir + QStringLiteral("/stub.sh");
    {
        QFile f(program);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n{ echo \"$#\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > \"$0.part\"\n"
                "mv \"$0.part\" \"" + QFile::encodeName(output) + "\"\n");
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const QString marker = dir + QStringLiteral("/touched");
    const QStringList arguments{QStringLiteral("two words"), QStringLiteral("$(touch ") + marker + QLatin1Char(')'),
                                QStringLiteral("\"quoted\" ; touch ") + marker, QStringLiteral("*")};
    ASSERT_TRUE(ShellStart(program, arguments));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(output); }, 20000));
    QFile f(output);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()), QStringLiteral("4\n") + arguments.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    EXPECT_FALSE(QFileInfo::exists(marker));
    EXPECT_FALSE(ShellStart(dir + QStringLiteral("/missing"), {}));
}
