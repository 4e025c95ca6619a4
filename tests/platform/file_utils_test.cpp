#include <gtest/gtest.h>

#include "platform/file_utils.h"
#include "support/test_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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

    // A link planted under the name is never used.
    const QString other = testsupport::freshDir(QStringLiteral("tmpbase2"));
    qputenv("TMPDIR", QFile::encodeName(other));
    const QString target = testsupport::freshDir(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QFile::link(target, other + QStringLiteral("/korvane-%1").arg(::getuid())));
    const QString got = TempDir();
    EXPECT_NE(got, other + QStringLiteral("/korvane-%1/").arg(::getuid()));
    EXPECT_TRUE(got.startsWith(other + QStringLiteral("/korvane-"))) << got.toStdString();
    EXPECT_FALSE(QFileInfo(got).isSymLink());
    qputenv("TMPDIR", old);
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
