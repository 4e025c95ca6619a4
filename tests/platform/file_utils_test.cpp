#include <gtest/gtest.h>

#include "platform/file_utils.h"
#include "support/test_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void touch(const QString& path, const QByteArray& data = QByteArray())
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(data);
}

TEST(Wildcard, WindowsRules)
{
    struct Case { const char* name; const char* pattern; bool match; };
    const Case cases[] = {
        {"Avery.def", "*.def", true},
        {"AVERY.DEF", "*.def", true},
        {"avery.def.bak", "*.def", false},
        {"avery.defx", "*.def", false},
        {"user.def", "user.def", true},
        {"README", "*.*", true},          // "*.*" also takes names without a dot
        {".hidden", "*.*", true},
        {"a.b.c", "*.*", true},
        {"README", "*.", true},           // a trailing dot asks for no extension
        {"read.me", "*.", false},
        {"abc", "abc.*", true},
        {"abc.txt", "abc.*", true},
        {"abcd", "abc.*", false},
        {"x.ext", "*.EXT", true},
        {"English.lng", "*.lng", true},
        {"a1.bmp", "a?.bmp", true},
        {"a.bmp", "a?.bmp", false},
        {"a12.bmp", "a?.bmp", false},
        {"KVO2K_3.clp", "KVO2K_*.clp", true},
        {"~KVO12.tmp", "~KVO*", true},
        {"anything", "*", true},
        {"", "*", false},
        {"name", "", false},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*a*a*a*c", false}, // no runaway backtracking
        {"Größe.def", "GRÖSSE.def", false},
        {"größe.def", "GRÖßE.DEF", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(WildcardMatch(QString::fromUtf8(c.name), QString::fromUtf8(c.pattern)), c.match)
            << c.name << " ~ " << c.pattern;
}

TEST(FileLookup, CaseInsensitivePathsAndSortedListings)
{
    const QString root = testsupport::freshDir(QStringLiteral("lookup"));
    QDir(root).mkpath(QStringLiteral("Paper"));
    QDir(root).mkpath(QStringLiteral("paper/mask"));
    touch(root + QStringLiteral("/Paper/b.def"));
    touch(root + QStringLiteral("/Paper/A.DEF"));
    touch(root + QStringLiteral("/Paper/c.def"));
    touch(root + QStringLiteral("/Paper/user.def"));
    touch(root + QStringLiteral("/Paper/Avery.EXT"));
    touch(root + QStringLiteral("/Paper/English.lng"));
    touch(root + QStringLiteral("/paper/mask/Mask1.BMP"));
    QDir(root).mkpath(QStringLiteral("Paper/folder.def")); // folders never count as files

    // An exact name wins over one that differs only in case.
    EXPECT_EQ(FindPathNoCase(root + QStringLiteral("/PAPER/a.def")), root + QStringLiteral("/Paper/A.DEF"));
    EXPECT_EQ(FindPathNoCase(root + QStringLiteral("/paper/MASK/mask1.bmp")), root + QStringLiteral("/paper/mask/Mask1.BMP"));
    EXPECT_EQ(FindPathNoCase(root + QStringLiteral("\\paper\\mask\\MASK1.bmp")), root + QStringLiteral("/paper/mask/Mask1.BMP"));
    EXPECT_EQ(FindPathNoCase(root + QStringLiteral("/paper/none.bmp")), root + QStringLiteral("/paper/none.bmp"));
    EXPECT_TRUE(FileExistsNoCase(root + QStringLiteral("/PAPER/USER.DEF")));
    EXPECT_FALSE(FileExistsNoCase(root + QStringLiteral("/PAPER")));
    EXPECT_FALSE(FileExistsNoCase(root + QStringLiteral("/Paper/none.def")));

    const QString paper = root + QStringLiteral("/Paper/");
    EXPECT_EQ(FindFiles(root + QStringLiteral("/PAPER"), QStringLiteral("*.def")),
              (QStringList{paper + "A.DEF", paper + "b.def", paper + "c.def", paper + "user.def"}));
    // "paper" exists as itself too, so it is taken as it is; "PAPER" matches both and the sorted first wins.
    EXPECT_TRUE(FindFiles(root + QStringLiteral("/paper/"), QStringLiteral("*.ext")).isEmpty());
    EXPECT_EQ(FindFiles(root + QStringLiteral("/PAPER/"), QStringLiteral("*.ext")), QStringList{paper + "Avery.EXT"});
    EXPECT_EQ(FindFiles(root + QStringLiteral("/Paper"), QStringLiteral("*.*")).size(), 6);
    EXPECT_TRUE(FindFiles(root + QStringLiteral("/missing"), QStringLiteral("*.*")).isEmpty());
}

TEST(FileLookup, ProgramDirFollowsTheOverride)
{
    const QByteArray old = qgetenv("KORVANE_PROGRAM_DIR");
    qputenv("KORVANE_PROGRAM_DIR", "/opt/korvane/");
    EXPECT_EQ(ProgramDir(), QStringLiteral("/opt/korvane"));
    qunsetenv("KORVANE_PROGRAM_DIR");
    EXPECT_EQ(ProgramDir(), QCoreApplication::applicationDirPath());
    if (!old.isEmpty()) qputenv("KORVANE_PROGRAM_DIR", old);
}

TEST(TempFolder, PrivateAndMadeOnFirstUse)
{
    const QString base = testsupport::freshDir(QStringLiteral("tmpbase"));
    const QByteArray old = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(base));
    const QString expected = base + QStringLiteral("/korvane-%1/").arg(::getuid());
    EXPECT_EQ(TempDir(), expected);
    struct stat st;
    ASSERT_EQ(::stat(QFile::encodeName(expected).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // Loosened permissions are tightened again.
    ::chmod(QFile::encodeName(expected).constData(), 0777);
    EXPECT_EQ(TempDir(), expected);
    ::stat(QFile::encodeName(expected).constData(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // A link planted under the name, or a file there, is never used, nor is the shared base:
    // the next private place of the user's, the same at every call so a second instance finds
    // the first.
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR"), oldCache = qgetenv("XDG_CACHE_HOME");
    const QString other = testsupport::freshDir(QStringLiteral("tmpbase2"));
    const QString runtime = testsupport::freshDir(QStringLiteral("runtime"));
    const QString cache = testsupport::freshDir(QStringLiteral("cache"));
    qputenv("TMPDIR", QFile::encodeName(other));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cache));
    const QString target = testsupport::freshDir(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QFile::link(target, other + QStringLiteral("/korvane-%1").arg(::getuid())));
    EXPECT_EQ(TempDir(), runtime + QStringLiteral("/korvane/"));
    EXPECT_EQ(TempDir(), runtime + QStringLiteral("/korvane/"));
    ::stat(QFile::encodeName(runtime + QStringLiteral("/korvane")).constData(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // No runtime folder, or one taken too: the cache folder.
    touch(runtime + QStringLiteral("/taken"));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime + QStringLiteral("/taken")));
    const QString cached = cache + QStringLiteral("/korvane-tmp-%1/").arg(::getuid());
    EXPECT_EQ(TempDir(), cached);
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(TempDir(), cached);

    // Nowhere private: nothing, rather than a folder others can write to.
    qputenv("XDG_CACHE_HOME", QFile::encodeName(runtime + QStringLiteral("/taken")));
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(runtime + QStringLiteral("/taken")));
    EXPECT_EQ(TempDir(), QString());

    qputenv("HOME", oldHome);
    for (const auto& [name, value] : {std::pair{"XDG_RUNTIME_DIR", oldRuntime}, std::pair{"XDG_CACHE_HOME", oldCache}}) {
        if (value.isEmpty()) qunsetenv(name);
        else qputenv(name, value);
    }
    qputenv("TMPDIR", old);
}

// Each display is a session of its own; names that would not make a plain folder name give none.
TEST(TempFolder, DisplayFolderNames)
{
    const struct {
        const char* platform;
        const char* x11;
        const char* wayland;
        const char* folder;
    } cases[] = {
        {"xcb", ":14", "", "display-14"},
        {"xcb", ":14.0", "", "display-14"},
        {"xcb", ":14.1", "wayland-1", "display-14"},
        {"xcb", "localhost:10.0", "", "display-localhost-10"},
        {"xcb", "/tmp/.X11-unix/X3:3", "", "display-_tmp_.X11-unix_X3-3"},
        {"xcb", "", "", ""},
        {"xcb", "nocolon", "", ""},
        {"xcb", "host:", "", ""},
        {"xcb", "..:..", "", ""},
        {"xcb", ":1/../x", "", "display-1_"},
        {"wayland", ":14", "wayland-1", "wayland-1"},
        {"wayland", "", "", "wayland-0"},
        {"wayland-egl", "", "/run/user/0/wayland-2", "wayland-2"},
        {"wayland", "", "..", ""},
        {"offscreen", ":14", "wayland-1", ""},
        {"", ":14", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.platform) + " " + c.x11 + " " + c.wayland);
        EXPECT_EQ(SessionFolderName(QString::fromLatin1(c.platform), QString::fromLatin1(c.x11),
                                    QString::fromLatin1(c.wayland))
                      .toStdString(),
                  c.folder);
    }
}

TEST(AtomicWrite, ReplacesWholeKeepsModeAndReportsFailure)
{
    const QString dir = testsupport::freshDir(QStringLiteral("atomic"));
    const QString path = dir + QStringLiteral("/user.def");
    touch(path, "old contents");
    ::chmod(QFile::encodeName(path).constData(), 0640);
    QString error;
    EXPECT_TRUE(WriteFileAtomic(path, QByteArray("new"), &error)) << error.toStdString();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("new"));
    struct stat st;
    ::stat(QFile::encodeName(path).constData(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(QDir(dir).entryList(QDir::Files), QStringList{QStringLiteral("user.def")});

    EXPECT_FALSE(WriteFileAtomic(dir + QStringLiteral("/no/such/folder/x"), QByteArray("x"), &error));
    EXPECT_FALSE(error.isEmpty());
    // A failed write leaves the old file as it was.
    touch(dir + QStringLiteral("/blocker"));
    EXPECT_FALSE(WriteFileAtomic(dir + QStringLiteral("/blocker/x"), QByteArray("x")));
}

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

TEST(AtomicWrite, CopyFromAFileReplacesWholePieceByPiece)
{
    const QString dir = testsupport::freshDir(QStringLiteral("atomic-copy"));
    // Larger than one piece of the copy, and not a multiple of it.
    QByteArray data(200000, Qt::Uninitialized);
    for (qsizetype i = 0; i < data.size(); ++i)
        data[i] = char(i * 7 % 251);
    const QString source = dir + QStringLiteral("/job.pdf"), target = dir + QStringLiteral("/sheet.pdf");
    touch(source, data);
    touch(target, "old contents");
    for (const QString& linked : {target, dir + QStringLiteral("/link.pdf")}) {
        if (linked != target)
            QFile::link(target, linked);
        QString error;
        EXPECT_TRUE(CopyFileAtomic(source, linked, &error)) << error.toStdString();
        EXPECT_EQ(contents(target), data);
    }
    EXPECT_TRUE(QFileInfo(dir + QStringLiteral("/link.pdf")).isSymLink());
    // A missing source or a folder that does not exist: the reason, and the target as it was.
    QString error;
    EXPECT_FALSE(CopyFileAtomic(dir + QStringLiteral("/gone.pdf"), target, &error));
    EXPECT_TRUE(error.contains(QLatin1String("gone.pdf"))) << error.toStdString();
    EXPECT_FALSE(CopyFileAtomic(source, dir + QStringLiteral("/no/such/folder/x"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(contents(target), data);
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::System).size(), 3);
}

ino_t inode(const QString& path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_ino : 0;
}

TEST(AtomicWrite, LinksAreKept)
{
    const QString dir = testsupport::freshDir(QStringLiteral("atomic-links"));
    const QString real = dir + QStringLiteral("/real.kvo");
    touch(real, "old");
    QDir(dir).mkdir(QStringLiteral("sub"));
    struct Case { const char* what; QString link; bool symbolic; } cases[] = {
        {"absolute symbolic link", dir + QStringLiteral("/abs.kvo"), true},
        {"relative link in another folder", dir + QStringLiteral("/sub/rel.kvo"), true},
        {"hard link", dir + QStringLiteral("/hard.kvo"), false},
    };
    ASSERT_EQ(::symlink(QFile::encodeName(real).constData(), QFile::encodeName(cases[0].link).constData()), 0);
    ASSERT_EQ(::symlink("../abs.kvo", QFile::encodeName(cases[1].link).constData()), 0);   // a chain of two
    ASSERT_EQ(::link(QFile::encodeName(real).constData(), QFile::encodeName(cases[2].link).constData()), 0);
    const ino_t realInode = inode(real);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray data = QByteArray("through ") + c.what;
        QString error;
        ASSERT_TRUE(WriteFileAtomic(c.link, data, &error)) << error.toStdString();
        EXPECT_EQ(QFileInfo(c.link).isSymLink(), c.symbolic);
        EXPECT_EQ(contents(real), data);
        EXPECT_EQ(contents(cases[2].link), data);   // the hard link sees every write
        if (!c.symbolic) {
            EXPECT_EQ(inode(real), realInode);
        }
    }
    // A link to a file that does not exist yet creates it there.
    const QString dangling = dir + QStringLiteral("/dangling.kvo");
    ASSERT_EQ(::symlink("sub/new.kvo", QFile::encodeName(dangling).constData()), 0);
    EXPECT_TRUE(WriteFileAtomic(dangling, "new"));
    EXPECT_TRUE(QFileInfo(dangling).isSymLink());
    EXPECT_EQ(contents(dir + QStringLiteral("/sub/new.kvo")), QByteArray("new"));
    // A loop of links is an error, not a hang.
    ASSERT_EQ(::symlink("loop2", QFile::encodeName(dir + QStringLiteral("/loop1")).constData()), 0);
    ASSERT_EQ(::symlink("loop1", QFile::encodeName(dir + QStringLiteral("/loop2")).constData()), 0);
    EXPECT_FALSE(WriteFileAtomic(dir + QStringLiteral("/loop1"), "x"));
    EXPECT_TRUE(QFileInfo(dir + QStringLiteral("/loop1")).isSymLink());
    // A shorter file written in place loses its old tail.
    EXPECT_TRUE(WriteFileAtomic(cases[2].link, "s"));
    EXPECT_EQ(contents(real), QByteArray("s"));
}

TEST(AtomicWrite, WritableFileInAFolderThatTakesNoNewFile)
{
    const QString dir = testsupport::freshDir(QStringLiteral("atomic-locked"));
    const QString path = dir + QStringLiteral("/doc.kvo");
    touch(path, "old contents, longer than the new");
    testsupport::FolderLock lock(dir);
    if (!lock.Ok())
        GTEST_SKIP() << "no way to lock a folder here";
    QString error;
    EXPECT_TRUE(WriteFileAtomic(path, "new", &error)) << error.toStdString();
    EXPECT_EQ(contents(path), QByteArray("new"));
    // A new file there cannot be made, and the failure names it.
    EXPECT_FALSE(WriteFileAtomic(dir + QStringLiteral("/other.kvo"), "x", &error));
    EXPECT_TRUE(error.contains(dir + QStringLiteral("/other.kvo"))) << error.toStdString();
    EXPECT_EQ(QDir(dir).entryList(QDir::Files), QStringList{QStringLiteral("doc.kvo")});
}

TEST(AtomicWrite, ReadOnlyFileIsNotReplaced)
{
    const QString dir = testsupport::freshDir(QStringLiteral("atomic-readonly"));
    const QString path = dir + QStringLiteral("/doc.kvo");
    touch(path, "old");
    ::chmod(QFile::encodeName(path).constData(), 0444);
    if (::access(QFile::encodeName(path).constData(), W_OK) == 0)
        GTEST_SKIP() << "permissions do not stop this user";
    QString error;
    EXPECT_FALSE(WriteFileAtomic(path, "new", &error));
    EXPECT_TRUE(error.contains(path)) << error.toStdString();
    EXPECT_EQ(contents(path), QByteArray("old"));
    EXPECT_EQ(QDir(dir).entryList(QDir::Files), QStringList{QStringLiteral("doc.kvo")});
}

// Under a file-size limit, in a child process: the write fails with an error, the old file stays
// whole and no temporary file is left, whichever way the file is written.
TEST(AtomicWriteDeathTest, FileSizeLimitFailsTheWrite)
{
    const QString dir = testsupport::freshDir(QStringLiteral("atomic-fsize"));
    const QString plain = dir + QStringLiteral("/plain.kvo");
    const QString linked = dir + QStringLiteral("/linked.kvo");
    touch(plain, "old");
    touch(linked, "old");
    ASSERT_EQ(::link(QFile::encodeName(linked).constData(), QFile::encodeName(dir + QStringLiteral("/other")).constData()), 0);
    EXPECT_EXIT(
        {
            IgnoreFileSizeSignal();
            struct rlimit limit;
            ::getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = 1024;
            ::setrlimit(RLIMIT_FSIZE, &limit);
            int faults = 0;
            for (const QString& path : {plain, linked}) {
                QString error;
                if (WriteFileAtomic(path, QByteArray(64 * 1024, 'x'), &error) || !error.contains(path))
                    ++faults;
                if (contents(path) != "old")
                    ++faults;
            }
            if (QDir(dir).entryList(QDir::Files).size() != 3)
                ++faults;
            // A small file still fits.
            if (!WriteFileAtomic(plain, "fits") || contents(plain) != "fits")
                ++faults;
            std::_Exit(faults);
        },
        ::testing::ExitedWithCode(0), "");
}

// A batch writes each file as WriteFileAtomic would: a file that cannot be written keeps its old
// contents and leaves no temporary file, and the other files of the batch are still replaced.
TEST(FileBatch, OneFailedFileLeavesTheOthersWritten)
{
    struct Case { const char* what; QString failing; };
    const QString root = testsupport::freshDir(QStringLiteral("batch"));
    touch(root + QStringLiteral("/blocker"));
    QDir(root).mkdir(QStringLiteral("folder.EXT"));
    ASSERT_EQ(::symlink("loop2", QFile::encodeName(root + QStringLiteral("/loop1")).constData()), 0);
    ASSERT_EQ(::symlink("loop1", QFile::encodeName(root + QStringLiteral("/loop2")).constData()), 0);
    const Case cases[] = {
        {"missing folder", root + QStringLiteral("/no/such/B.EXT")},
        {"a file where a folder should be", root + QStringLiteral("/blocker/B.EXT")},
        {"a folder in the way", root + QStringLiteral("/folder.EXT")},
        {"a loop of links", root + QStringLiteral("/loop1")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString dir = testsupport::freshDir(QStringLiteral("batch-files"));
        const QString a = dir + QStringLiteral("/A.EXT");
        const QString z = dir + QStringLiteral("/Z.EXT");
        touch(a, "old a");
        TFileBatch batch;
        batch.Add(a, "new a");
        batch.Add(c.failing, "lost");
        batch.Add(z, "new z");
        QStringList errors;
        EXPECT_FALSE(batch.Commit(&errors));
        ASSERT_EQ(errors.size(), 1);
        EXPECT_TRUE(errors[0].contains(c.failing)) << errors[0].toStdString();
        EXPECT_EQ(contents(a), QByteArray("new a"));
        EXPECT_EQ(contents(z), QByteArray("new z"));
        EXPECT_EQ(QDir(dir).entryList(QDir::Files), (QStringList{QStringLiteral("A.EXT"), QStringLiteral("Z.EXT")}));
    }
    EXPECT_EQ(QDir(root).entryList(QDir::Files | QDir::System),
              (QStringList{QStringLiteral("blocker"), QStringLiteral("loop1"), QStringLiteral("loop2")}));
}

// More files than are held open at once, through links, with a pending write replaced and one
// dropped: every file ends with the contents asked for last.
TEST(FileBatch, ManyFilesThroughLinks)
{
    const QString dir = testsupport::freshDir(QStringLiteral("batch-many"));
    const QString real = dir + QStringLiteral("/real.EXT");
    const QString symbolic = dir + QStringLiteral("/symbolic.EXT");
    const QString hard = dir + QStringLiteral("/hard.EXT");
    touch(real, "old");
    ASSERT_EQ(::symlink("real.EXT", QFile::encodeName(symbolic).constData()), 0);
    ASSERT_EQ(::link(QFile::encodeName(real).constData(), QFile::encodeName(hard).constData()), 0);
    const ino_t realInode = inode(real);
    TFileBatch batch;
    QStringList names;
    for (int i = 0; i < 150; ++i) {
        names << dir + QStringLiteral("/P%1.EXT").arg(i, 3, 10, QLatin1Char('0'));
        batch.Add(names.last(), "first " + QByteArray::number(i));
    }
    batch.Add(names[7], "second 7");
    batch.Add(symbolic, "through the link");
    batch.Forget(names[9]);
    QStringList errors;
    ASSERT_TRUE(batch.Commit(&errors)) << errors.join('\n').toStdString();
    for (int i = 0; i < names.size(); ++i) {
        const QByteArray expected = i == 7 ? "second 7" : i == 9 ? "<missing>" : "first " + QByteArray::number(i);
        EXPECT_EQ(contents(names[i]), expected) << i;
    }
    EXPECT_TRUE(QFileInfo(symbolic).isSymLink());
    EXPECT_EQ(contents(hard), QByteArray("through the link"));
    EXPECT_EQ(inode(real), realInode);
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::System).size(), 152);
    // A committed batch is empty.
    EXPECT_TRUE(batch.Commit());
}

// Under a file-size limit the file too large for it fails and keeps its old contents; the small
// files of the same batch are written and no temporary file is left.
TEST(FileBatchDeathTest, FileSizeLimitFailsOnlyTheLargeFile)
{
    const QString dir = testsupport::freshDir(QStringLiteral("batch-fsize"));
    const QString small = dir + QStringLiteral("/small.EXT");
    const QString large = dir + QStringLiteral("/large.EXT");
    touch(small, "old");
    touch(large, "old");
    EXPECT_EXIT(
        {
            IgnoreFileSizeSignal();
            struct rlimit limit;
            ::getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = 1024;
            ::setrlimit(RLIMIT_FSIZE, &limit);
            TFileBatch batch;
            batch.Add(small, "fits");
            batch.Add(large, QByteArray(64 * 1024, 'x'));
            batch.Add(dir + QStringLiteral("/new.EXT"), "new");
            QStringList errors;
            int faults = batch.Commit(&errors) ? 1 : 0;
            if (errors.size() != 1 || !errors[0].contains(large)) ++faults;
            if (contents(small) != "fits" || contents(large) != "old" || contents(dir + QStringLiteral("/new.EXT")) != "new")
                ++faults;
            if (QDir(dir).entryList(QDir::Files).size() != 3) ++faults;
            std::_Exit(faults);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(ReadOnly, FollowsTheWriteBits)
{
    const QString dir = testsupport::freshDir(QStringLiteral("ro"));
    const QString path = dir + QStringLiteral("/Doc.kvo");
    touch(path);
    EXPECT_FALSE(IsReadOnly(path));
    ::chmod(QFile::encodeName(path).constData(), 0444);
    EXPECT_TRUE(IsReadOnly(path));
    EXPECT_TRUE(IsReadOnly(dir + QStringLiteral("/DOC.KVO")));
    EXPECT_FALSE(IsReadOnly(dir + QStringLiteral("/missing")));
}

} // namespace
