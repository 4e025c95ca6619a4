#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <filesystem>

// Widgets run offscreen; settings and temporary files go to folders of this run only,
// so tests never touch the user's own.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QTemporaryDir scratch;
    const QString reg = scratch.path() + QStringLiteral("/registry");
    const QString tmp = scratch.path() + QStringLiteral("/tmp");
    QDir().mkpath(reg);
    QDir().mkpath(tmp);
    setenv("KORVANE_REGISTRY_DIR", reg.toLocal8Bit().constData(), 1);
    setenv("TMPDIR", tmp.toLocal8Bit().constData(), 1);
    QApplication app(argc, argv);
    const int result = RUN_ALL_TESTS();
    // By the names' bytes: QTemporaryDir leaves names that are no UTF-8, which tests make.
    std::error_code error;
    std::filesystem::remove_all(QFile::encodeName(scratch.path()).constData(), error);
    return result;
}
