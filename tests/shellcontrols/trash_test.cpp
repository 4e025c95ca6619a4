// Moving to the trash as the freedesktop.org trash standard has it: the home trash made
// when missing, the info file first with its path percent-encoded, unique names, names of any
// bytes and length, the top directory's trash on another mount, and failures that move nothing.
#include "shellcontrols/shell_namespace.h"
#include "shellcontrols/trash.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <cerrno>
#include <filesystem>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A fresh HOME with nothing in it (no ~/.local/share) and no XDG_DATA_HOME.
class TrashTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved.emplace({"HOME", "XDG_DATA_HOME"});
        const QString name =
            QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
        Root = QFile::encodeName(testsupport::freshDir(name));
        Home = Root + "/home";
        ::mkdir(Home.constData(), 0755);
        qputenv("HOME", Home);
        qunsetenv("XDG_DATA_HOME");
    }
    void TearDown() override
    {
        m_saved.reset();
    }
    static void Make(const QByteArray& path, const QByteArray& data = "x")
    {
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0) << path.constData();
        ASSERT_EQ(::write(fd, data.constData(), size_t(data.size())), ssize_t(data.size()));
        ::close(fd);
    }
    static bool Exists(const QByteArray& path)
    {
        struct stat st;
        return ::lstat(path.constData(), &st) == 0;
    }
    static QByteArray Read(const QByteArray& path)
    {
        QFile f(QString::fromUtf8(path));
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || !f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
            return QByteArray();
        return f.readAll();
    }
    QByteArray Root, Home;

private:
    std::optional<testsupport::SavedEnvironment> m_saved;
};

} // namespace

TEST_F(TrashTest, HomeTrashIsMadeAndEachNameRecordedByItsBytes)
{
    const QByteArray dir = Home + "/work";
    ASSERT_EQ(::mkdir(dir.constData(), 0755), 0);
    const QByteArray longName(255, 'n');
    const struct {
        QByteArray name, recorded;
    } cases[] = {
        {"plain.txt", "plain.txt"},
        {"with space %.txt", "with%20space%20%25.txt"},
        {"bad\xff\xfename.txt", "bad%FF%FEname.txt"},
        {"caf\xc3\xa9\nline.txt", "caf%C3%A9%0Aline.txt"},
        {longName, longName},
    };
    const QByteArray trash = Home + "/.local/share/Trash";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name.constData());
        const QByteArray path = dir + '/' + c.name;
        Make(path, "content of " + c.name);
        QByteArray trashedAs;
        ASSERT_EQ(MoveToTrash(path, &trashedAs), 0);
        EXPECT_FALSE(Exists(path));
        EXPECT_EQ(Read(trashedAs), "content of " + c.name);
        const QByteArray trashName = trashedAs.mid(trashedAs.lastIndexOf('/') + 1);
        EXPECT_EQ(trashedAs, trash + "/files/" + trashName);
        EXPECT_LE(trashName.size() + 10, 255);
        const QByteArray info = Read(trash + "/info/" + trashName + ".trashinfo");
        EXPECT_TRUE(info.startsWith("[Trash Info]\nPath=" + dir.toPercentEncoding("/") + '/' + c.recorded +
                                    "\nDeletionDate="))
            << info.constData();
    }
    // The folders made are the user's alone.
    struct stat st;
    ASSERT_EQ(::stat((trash + "/files").constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(TrashTest, ASecondItemOfTheSameNameGetsANameOfItsOwn)
{
    const QByteArray a = Home + "/a", b = Home + "/b";
    ::mkdir(a.constData(), 0755);
    ::mkdir(b.constData(), 0755);
    Make(a + "/same.txt", "first");
    Make(b + "/same.txt", "second");
    QByteArray first, second;
    ASSERT_EQ(MoveToTrash(a + "/same.txt", &first), 0);
    ASSERT_EQ(MoveToTrash(b + "/same.txt", &second), 0);
    EXPECT_NE(first, second);
    EXPECT_EQ(Read(first), "first");
    EXPECT_EQ(Read(second), "second");
    const QByteArray info = Home + "/.local/share/Trash/info/";
    EXPECT_TRUE(Read(info + second.mid(second.lastIndexOf('/') + 1) + ".trashinfo")
                    .contains("Path=" + b + "/same.txt"));
}

TEST_F(TrashTest, FailuresMoveNothingAndSayWhy)
{
    const QByteArray dir = Home + "/work";
    ::mkdir(dir.constData(), 0755);
    Make(dir + "/kept.txt");
    EXPECT_EQ(MoveToTrash(dir + "/missing.txt"), ENOENT);
    EXPECT_EQ(MoveToTrash("relative.txt"), EINVAL);
    // A home whose data folder takes no new folder: the trash cannot be made.
    const QByteArray share = Home + "/.local";
    ::mkdir(share.constData(), 0755);
    testsupport::FolderLock lock(QFile::decodeName(share));
    if (!lock.Ok())
        GTEST_SKIP() << "no way to lock a folder here";
    const int error = MoveToTrash(dir + "/kept.txt");
    EXPECT_TRUE(error == EACCES || error == EPERM) << error;
    EXPECT_TRUE(Exists(dir + "/kept.txt"));
}

TEST_F(TrashTest, AFileOnAnotherMountGoesToThatMountsTrash)
{
    // /dev/shm is a mount of its own on most systems: the top directory of a file there.
    const QByteArray top = "/dev/shm";
    struct stat shm, home;
    if (::stat(top.constData(), &shm) != 0 || ::stat(Home.constData(), &home) != 0 ||
        shm.st_dev == home.st_dev || ::access(top.constData(), W_OK) != 0)
        GTEST_SKIP() << "no writable second mount here";
    const QByteArray uid = QByteArray::number(qulonglong(::getuid()));
    const QByteArray topTrash = top + "/.Trash-" + uid;
    const bool hadTrash = Exists(topTrash);
    const QByteArray dir = top + "/korvane-trash-test-" + QByteArray::number(qlonglong(::getpid()));
    ASSERT_EQ(::mkdir(dir.constData(), 0700), 0);
    Make(dir + "/away file.txt", "away");
    QByteArray trashedAs;
    ASSERT_EQ(MoveToTrash(dir + "/away file.txt", &trashedAs), 0);
    EXPECT_TRUE(trashedAs.startsWith(topTrash + "/files/")) << trashedAs.constData();
    EXPECT_EQ(Read(trashedAs), "away");
    const QByteArray name = trashedAs.mid(trashedAs.lastIndexOf('/') + 1);
    const QByteArray info = Read(topTrash + "/info/" + name + ".trashinfo");
    // Relative to the top directory.
    EXPECT_TRUE(info.contains("\nPath=" + dir.mid(top.size() + 1) + "/away%20file.txt\n"))
        << info.constData();
    EXPECT_FALSE(Exists(Home + "/.local/share/Trash"));
    ::unlink(trashedAs.constData());
    ::unlink((topTrash + "/info/" + name + ".trashinfo").constData());
    ::rmdir(dir.constData());
    if (!hadTrash)
        std::filesystem::remove_all(topTrash.constData());
}
