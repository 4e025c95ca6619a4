// The namespace over the file system: paths and lists, enumeration, attributes, renaming, the
// trash, the mount table, new folders and the folder locator.
#include "shellcontrols/shell_controls.h"
#include "shellcontrols/shell_namespace.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMimeData>
#include <cstdlib>
#include <sys/stat.h>

namespace {

void Touch(const QString& path, const QByteArray& data = "x")
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

// HOME, the desktop and the trash of a test in folders of its own, put back afterwards.
class ShellHome {
public:
    explicit ShellHome(const QString& name)
        : m_saved({"HOME", "XDG_DATA_HOME", "XDG_DESKTOP_DIR", "XDG_CONFIG_HOME"})
    {
        Root = testsupport::freshDir(name);
        Home = Root + QStringLiteral("/home");
        QDir().mkpath(Home + QStringLiteral("/Desktop"));
        QDir().mkpath(Home + QStringLiteral("/.local/share"));
        qputenv("HOME", QFile::encodeName(Home));
        qputenv("XDG_DATA_HOME", QFile::encodeName(Home + QStringLiteral("/.local/share")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(Home + QStringLiteral("/.config")));
        qunsetenv("XDG_DESKTOP_DIR");
    }
    QString Root, Home;

private:
    testsupport::SavedEnvironment m_saved;
};

QByteArray Bytes(PCItemIDList p)
{
    return IdListBytes(p);
}

QStringList Names(IShellFolder folder, uint32_t flags)
{
    std::unique_ptr<TEnumIDList> items;
    EXPECT_EQ(folder->EnumObjects(nullptr, flags, items), S_OK);
    QStringList names;
    PItemIDList p = nullptr;
    while (items && items->Next(p) == S_OK) {
        TPidlHolder hold(p);
        QString name;
        folder->GetDisplayNameOf(p, SHGDN_INFOLDER, name);
        names << name;
    }
    return names;
}

IShellFolder FolderOf(const QString& path)
{
    PItemIDList p = nullptr;
    EXPECT_EQ(ShellGetIdListFromPath(path, p), S_OK) << path.toStdString();
    TPidlHolder hold(p);
    IShellFolder folder;
    EXPECT_EQ(ShellGetFolderFromIdList(p, folder), S_OK);
    return folder;
}

} // namespace

TEST(ShellNamespaceTest, PathsRoundTripThroughLists)
{
    ShellHome home(QStringLiteral("ns-paths"));
    const QString tree = home.Root + QStringLiteral("/tree");
    QDir().mkpath(tree + QStringLiteral("/a b/c"));
    Touch(tree + QStringLiteral("/a b/c/song 1.mp3"));
    QDir().mkpath(home.Home + QStringLiteral("/Music"));
    Touch(home.Home + QStringLiteral("/Desktop/note.txt"));
    const QByteArray latin1 = QFile::encodeName(tree) + "/caf\xe9";
    ASSERT_EQ(::mkdir(latin1.constData(), 0755), 0);

    const QString paths[] = {
        tree,
        tree + QStringLiteral("/a b"),
        tree + QStringLiteral("/a b/c/song 1.mp3"),
        home.Home,
        home.Home + QStringLiteral("/Music"),
        home.Home + QStringLiteral("/Desktop"),
        home.Home + QStringLiteral("/Desktop/note.txt"),
        QStringLiteral("/"),
    };
    for (const QString& path : paths) {
        PItemIDList p = nullptr;
        ASSERT_EQ(ShellGetIdListFromPath(path, p), S_OK) << path.toStdString();
        TPidlHolder hold(p);
        EXPECT_EQ(ShellGetPathFromIdList(p), path) << path.toStdString();
    }
    // The desktop's own folder is the empty list; home is its Home item.
    PItemIDList desk = nullptr;
    ASSERT_EQ(ShellGetIdListFromPath(home.Home + QStringLiteral("/Desktop"), desk), S_OK);
    EXPECT_EQ(IdListLen(desk), 2u);
    ShellMemFree(desk);
    PItemIDList h = nullptr;
    ASSERT_EQ(ShellGetIdListFromPath(home.Home + QStringLiteral("//Music/."), h), S_OK);
    EXPECT_EQ(ShellGetPathFromIdList(h), home.Home + QStringLiteral("/Music"));
    EXPECT_EQ(ShellGetFriendlyNameForLastIdListElement(h), QStringLiteral("Music"));
    ShellMemFree(h);
    // A name the locale cannot spell keeps its bytes in the list and in its path.
    IShellFolder treeFolder = FolderOf(tree);
    std::unique_ptr<TEnumIDList> items;
    ASSERT_EQ(treeFolder->EnumObjects(nullptr, SHCONTF_FOLDERS, items), S_OK);
    QList<QByteArray> raw;
    for (PItemIDList p = nullptr; items->Next(p) == S_OK;) {
        TPidlHolder hold(p);
        raw << ViewItem(p).Name;
        if (raw.last().startsWith("caf")) {
            EXPECT_EQ(treeFolder->ItemPath(p), latin1);
        }
    }
    EXPECT_EQ(raw, QList<QByteArray>({"a b", "caf\xe9"}));
    ::rmdir(latin1.constData());

    PItemIDList missing = nullptr;
    EXPECT_EQ(ShellGetIdListFromPath(tree + QStringLiteral("/nothing"), missing), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(missing, nullptr);
    EXPECT_EQ(ShellGetIdListFromPath(QStringLiteral("relative/path"), missing), HRESULT_FROM_WIN32(123));
    const QByteArray empty("\0\0", 2);
    EXPECT_EQ(ShellFindCSIDLFromIdList(reinterpret_cast<PCItemIDList>(empty.constData())), csidlDesktop);
    EXPECT_EQ(ShellFindCSIDLFromIdList(treeFolder->AbsoluteIdList()), csidlNone);
    PItemIDList computer = nullptr;
    ShellGetSpecialFolderIdList(csidlDrives, computer);
    EXPECT_EQ(ShellFindCSIDLFromIdList(computer), csidlDrives);
    EXPECT_EQ(ShellGetPathFromIdList(computer), QString());
    ShellMemFree(computer);
}

TEST(ShellNamespaceTest, EnumeratesWithFlagsInNameOrder)
{
    ShellHome home(QStringLiteral("ns-enum"));
    const QString dir = home.Root + QStringLiteral("/list");
    QDir().mkpath(dir + QStringLiteral("/Zeta"));
    QDir().mkpath(dir + QStringLiteral("/.hidden"));
    Touch(dir + QStringLiteral("/file10.txt"));
    Touch(dir + QStringLiteral("/File9.txt"));
    Touch(dir + QStringLiteral("/.dot"));
    IShellFolder folder = FolderOf(dir);
    EXPECT_EQ(Names(folder, SHCONTF_FOLDERS), QStringList({QStringLiteral("Zeta")}));
    QStringList all = Names(folder, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN);
    EXPECT_EQ(all.size(), 5);

    // Folders first, then names in natural order without regard to case.
    std::vector<QByteArray> items;
    for (const char* n : {"file10.txt", "Zeta", "File9.txt", ".hidden"}) {
        PItemIDList p = nullptr;
        ASSERT_EQ(folder->ParseDisplayName(nullptr, QString::fromLatin1(n), p), S_OK);
        items.push_back(Bytes(p));
        ShellMemFree(p);
    }
    auto cmp = [&](int a, int b) {
        const HRESULT hr = folder->CompareIDs(0, reinterpret_cast<PCItemIDList>(items[a].constData()),
                                              reinterpret_cast<PCItemIDList>(items[b].constData()));
        return int(int16_t(uint16_t(hr & 0xFFFF)));
    };
    EXPECT_LT(cmp(1, 0), 0);   // Zeta before file10.txt
    EXPECT_LT(cmp(2, 0), 0);   // File9 before file10
    EXPECT_LT(cmp(3, 1), 0);   // .hidden before Zeta
    EXPECT_EQ(cmp(0, 0), 0);

    IShellFolder desktop;
    ASSERT_EQ(ShellGetDesktopFolder(desktop), S_OK);
    const QStringList top = Names(desktop, SHCONTF_FOLDERS);
    ASSERT_GE(top.size(), 3);
    EXPECT_EQ(top.mid(0, 3), QStringList({QStringLiteral("Home"), QStringLiteral("Computer"), QStringLiteral("Trash")}));
    IShellFolder missing;
    PItemIDList p = nullptr;
    ShellGetIdListFromPath(dir, p);
    TPidlHolder hold(p);
    QDir(dir).removeRecursively();
    std::unique_ptr<TEnumIDList> none;
    EXPECT_EQ(TShellFolder::Bind(p, missing), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(folder->EnumObjects(nullptr, SHCONTF_FOLDERS, none), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
}

TEST(ShellNamespaceTest, AttributesComeFromTheFileSystem)
{
    ShellHome home(QStringLiteral("ns-attr"));
    const QString dir = home.Root + QStringLiteral("/attr");
    QDir().mkpath(dir + QStringLiteral("/sub/inner"));
    QDir().mkpath(dir + QStringLiteral("/leaf"));
    Touch(dir + QStringLiteral("/doc.txt"));
    ASSERT_EQ(QFile::link(dir + QStringLiteral("/doc.txt"), dir + QStringLiteral("/link.txt")), true);
    IShellFolder folder = FolderOf(dir);
    auto attrs = [&](const char* name, uint32_t asked) {
        PItemIDList p = nullptr;
        EXPECT_EQ(folder->ParseDisplayName(nullptr, QString::fromLatin1(name), p), S_OK);
        TPidlHolder hold(p);
        PCItemIDList items[1] = {p};
        EXPECT_EQ(folder->GetAttributesOf(1, items, asked), S_OK);
        return asked;
    };
    const uint32_t all = 0xF20B0000 | SFGAO_CANRENAME | SFGAO_CANDELETE;
    EXPECT_EQ(attrs("sub", all) & (SFGAO_FOLDER | SFGAO_HASSUBFOLDER | SFGAO_FILESYSTEM),
              SFGAO_FOLDER | SFGAO_HASSUBFOLDER | SFGAO_FILESYSTEM);
    EXPECT_EQ(attrs("leaf", all) & SFGAO_HASSUBFOLDER, 0u);
    EXPECT_EQ(attrs("doc.txt", all) & (SFGAO_FOLDER | SFGAO_CANRENAME), SFGAO_CANRENAME);
    EXPECT_TRUE(attrs("link.txt", all) & SFGAO_LINK);

    // A vanished item has no attributes to give.
    PItemIDList gone = nullptr;
    ASSERT_EQ(folder->ParseDisplayName(nullptr, QStringLiteral("doc.txt"), gone), S_OK);
    TPidlHolder hold(gone);
    QFile::remove(dir + QStringLiteral("/doc.txt"));
    PCItemIDList items[1] = {gone};
    uint32_t asked = SFGAO_FOLDER;
    EXPECT_TRUE(FAILED(folder->GetAttributesOf(1, items, asked)));
}

TEST(ShellNamespaceTest, RenameNeverOverwrites)
{
    ShellHome home(QStringLiteral("ns-rename"));
    const QString dir = home.Root + QStringLiteral("/ren");
    QDir().mkpath(dir);
    Touch(dir + QStringLiteral("/a.txt"), "A");
    Touch(dir + QStringLiteral("/b.txt"), "B");
    IShellFolder folder = FolderOf(dir);
    PItemIDList a = nullptr;
    ASSERT_EQ(folder->ParseDisplayName(nullptr, QStringLiteral("a.txt"), a), S_OK);
    TPidlHolder hold(a);
    PItemIDList renamed = nullptr;
    EXPECT_EQ(folder->SetNameOf(nullptr, a, QStringLiteral("b.txt"), 0, &renamed), HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(renamed, nullptr);
    QFile b(dir + QStringLiteral("/b.txt"));
    ASSERT_TRUE(b.open(QIODevice::ReadOnly));
    EXPECT_EQ(b.readAll(), QByteArray("B"));
    for (const char* bad : {"", "x/y", "..", "."})
        EXPECT_TRUE(FAILED(folder->SetNameOf(nullptr, a, QString::fromLatin1(bad), 0, &renamed))) << bad;
    ASSERT_EQ(folder->SetNameOf(nullptr, a, QStringLiteral("c.txt"), 0, &renamed), S_OK);
    EXPECT_EQ(ViewItem(renamed).Name, QByteArray("c.txt"));
    ShellMemFree(renamed);
    EXPECT_TRUE(QFile::exists(dir + QStringLiteral("/c.txt")));
    EXPECT_FALSE(QFile::exists(dir + QStringLiteral("/a.txt")));
}

TEST(ShellNamespaceTest, DeleteGoesToTheTrashAndTrashListsIt)
{
    ShellHome home(QStringLiteral("ns-trash"));
    const QString dir = home.Home + QStringLiteral("/work");
    QDir().mkpath(dir);
    Touch(dir + QStringLiteral("/old.txt"), "keep me");
    IShellFolder folder = FolderOf(dir);
    PItemIDList item = nullptr;
    ASSERT_EQ(folder->ParseDisplayName(nullptr, QStringLiteral("old.txt"), item), S_OK);
    TPidlHolder hold(item);
    std::unique_ptr<TContextMenu> menu;
    ASSERT_EQ(NSGetContextMenu(folder, {item}, nullptr, menu), S_OK);
    EXPECT_EQ(NSFindVerbOffset(menu.get(), QStringLiteral("delete")), int(verbDelete));
    testsupport::MessageRecorder answers(IDYES);
    ASSERT_EQ(NSInvokeVerb(menu.get(), QStringLiteral("delete"), nullptr), S_OK);
    EXPECT_EQ(answers.texts, QStringList({QStringLiteral("Move \"old.txt\" to the Trash?")}));
    EXPECT_FALSE(QFile::exists(dir + QStringLiteral("/old.txt")));
    QFile trashed(home.Home + QStringLiteral("/.local/share/Trash/files/old.txt"));
    ASSERT_TRUE(trashed.open(QIODevice::ReadOnly));
    EXPECT_EQ(trashed.readAll(), QByteArray("keep me"));

    PItemIDList trash = nullptr;
    ShellGetSpecialFolderIdList(csidlBitBucket, trash);
    TPidlHolder holdTrash(trash);
    IShellFolder trashFolder;
    ASSERT_EQ(ShellGetFolderFromIdList(trash, trashFolder), S_OK);
    EXPECT_EQ(Names(trashFolder, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS), QStringList({QStringLiteral("old.txt")}));
    // The trash's items are read-only: they are neither renamed nor deleted again.
    PItemIDList inTrash = nullptr;
    ASSERT_EQ(trashFolder->ParseDisplayName(nullptr, QStringLiteral("old.txt"), inTrash), S_OK);
    TPidlHolder holdItem(inTrash);
    PCItemIDList items[1] = {inTrash};
    uint32_t attributes = SFGAO_CANRENAME | SFGAO_CANDELETE | SFGAO_READONLY;
    ASSERT_EQ(trashFolder->GetAttributesOf(1, items, attributes), S_OK);
    EXPECT_EQ(attributes, SFGAO_READONLY);
    std::unique_ptr<TContextMenu> trashMenu;
    ASSERT_EQ(NSGetContextMenu(trashFolder, {inTrash}, nullptr, trashMenu), S_OK);
    EXPECT_TRUE(FAILED(NSInvokeVerb(trashMenu.get(), QStringLiteral("delete"), nullptr)));
}

TEST(ShellNamespaceTest, CopyAndPasteThroughTheClipboard)
{
    ShellHome home(QStringLiteral("ns-paste"));
    const QString from = home.Root + QStringLiteral("/from"), to = home.Root + QStringLiteral("/to");
    QDir().mkpath(from + QStringLiteral("/folder"));
    QDir().mkpath(to);
    Touch(from + QStringLiteral("/folder/inside.txt"), "in");
    Touch(to + QStringLiteral("/folder"), "a file of that name");
    IShellFolder source = FolderOf(from);
    PItemIDList item = nullptr;
    ASSERT_EQ(source->ParseDisplayName(nullptr, QStringLiteral("folder"), item), S_OK);
    TPidlHolder hold(item);
    std::unique_ptr<TContextMenu> menu;
    ASSERT_EQ(NSGetContextMenu(source, {item}, nullptr, menu), S_OK);
    ASSERT_EQ(NSInvokeVerb(menu.get(), QStringLiteral("copy"), nullptr), S_OK);
    std::unique_ptr<TContextMenu> target;
    ASSERT_EQ(NSGetContextMenu(FolderOf(to), {}, nullptr, target), S_OK);
    ASSERT_EQ(NSInvokeVerb(target.get(), QStringLiteral("paste"), nullptr), S_OK);
    // The name in use is kept; the copy takes the next free one.
    EXPECT_TRUE(QFile::exists(to + QStringLiteral("/folder (2)/inside.txt")));
    EXPECT_TRUE(QFile::exists(from + QStringLiteral("/folder/inside.txt")));
}

TEST(ShellNamespaceTest, ItemsDataCarriesEveryPathWhole)
{
    ShellHome home(QStringLiteral("ns-data"));
    QString dir = home.Root;
    // Deeper than any fixed-size name buffer.
    for (int i = 0; i < 12; ++i)
        dir += QStringLiteral("/a-rather-long-folder-name-%1").arg(i);
    QDir().mkpath(dir);
    Touch(dir + QStringLiteral("/last file.txt"));
    IShellFolder folder = FolderOf(dir);
    PItemIDList item = nullptr;
    ASSERT_EQ(folder->ParseDisplayName(nullptr, QStringLiteral("last file.txt"), item), S_OK);
    TPidlHolder hold(item);
    std::unique_ptr<QMimeData> data(MakeShellItemsData(folder->AbsoluteIdList(), {item}, true));
    bool cut = false;
    const QList<QByteArray> paths = ShellItemsPaths(data.get(), &cut);
    ASSERT_EQ(paths.size(), 1);
    EXPECT_GT(paths[0].size(), 300);
    EXPECT_EQ(paths[0], QFile::encodeName(dir + QStringLiteral("/last file.txt")));
    EXPECT_TRUE(cut);
    // Without the URL list the checked block gives the same path.
    QMimeData blockOnly;
    blockOnly.setData(QString::fromLatin1(ShellIdListMimeType), data->data(QString::fromLatin1(ShellIdListMimeType)));
    EXPECT_EQ(ShellItemsPaths(&blockOnly), paths);
    blockOnly.setData(QString::fromLatin1(ShellIdListMimeType), QByteArray("\x01\x00\x00\x00\xff\xff", 6));
    EXPECT_TRUE(ShellItemsPaths(&blockOnly).isEmpty());
}

TEST(ShellNamespaceTest, MountTableGivesTheDrives)
{
    const QByteArray table =
        "22 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
        "23 22 0:5 / /proc rw - proc proc rw\n"
        "24 22 0:21 / /tmp rw - tmpfs tmpfs rw\n"
        "30 22 8:17 / /media/user/USB\\040STICK rw - vfat /dev/sdb1 rw\n"
        "31 22 11:0 / /media/cdrom ro - iso9660 /dev/sr0 ro\n"
        "32 22 0:50 / /mnt/share rw - cifs //srv/share rw\n"
        "33 22 0:51 / /srv/nfs rw - nfs4 srv:/x rw\n"
        "garbage line\n"
        "34 22 8:17 / /media/user/USB\\040STICK rw - exfat /dev/sdb1 rw\n";
    const std::vector<TShellDrive> drives = ParseMountTable(table);
    ASSERT_EQ(drives.size(), 5u);
    EXPECT_EQ(drives[0].MountPoint, QByteArray("/"));
    EXPECT_EQ(drives[1].MountPoint, QByteArray("/media/user/USB STICK"));
    EXPECT_EQ(drives[1].Type, DRIVE_REMOVABLE);
    EXPECT_EQ(drives[1].FsType, QStringLiteral("exfat"));
    EXPECT_EQ(drives[2].Type, DRIVE_CDROM);
    EXPECT_EQ(drives[3].Type, DRIVE_REMOTE);
    EXPECT_EQ(drives[4].MountPoint, QByteArray("/srv/nfs"));
    // Without a line for "/" the root is still a drive.
    EXPECT_EQ(ParseMountTable(QByteArray()).size(), 1u);
}

TEST(ShellNamespaceTest, NewFolderNamesAndFailures)
{
    ShellHome home(QStringLiteral("ns-newfolder"));
    const QString dir = home.Root + QStringLiteral("/nf");
    QDir().mkpath(dir);
    QString name;
    ASSERT_TRUE(NSShCreateNewFolder(dir, name));
    EXPECT_EQ(name, QStringLiteral("New Folder"));
    ASSERT_TRUE(NSShCreateNewFolder(dir, name));
    EXPECT_EQ(name, QStringLiteral("New Folder (2)"));
    for (int n = 3; n <= NSSH_MAX_FOLDER_ATTEMPTS; ++n)
        QDir().mkpath(dir + QStringLiteral("/New Folder (%1)").arg(n));
    ASSERT_TRUE(NSShCreateNewFolder(dir, name));
    EXPECT_EQ(name, QStringLiteral("fldr"));

    // A virtual folder has no place for one: nothing is made, in the current folder least of all.
    const QStringList before = QDir::current().entryList();
    testsupport::MessageRecorder none;
    EXPECT_FALSE(NSShCreateNewFolder(QString(), name));
    EXPECT_EQ(QDir::current().entryList(), before);
    EXPECT_TRUE(none.texts.isEmpty());

    const QString locked = home.Root + QStringLiteral("/locked");
    QDir().mkpath(locked);
    testsupport::FolderLock lock(locked);
    if (!lock.Ok())
        GTEST_SKIP() << "no way to lock a folder here";
    testsupport::MessageRecorder messages;
    EXPECT_FALSE(NSShCreateNewFolder(locked, name));
    ASSERT_EQ(messages.texts.size(), 1);
    EXPECT_TRUE(messages.texts[0].startsWith(QStringLiteral("Unable to create the folder '") + locked +
                                            QStringLiteral("/New Folder'")));
    EXPECT_FALSE(messages.texts[0].contains(QStringLiteral("exists"))) << messages.texts[0].toStdString();
}

TEST(ShellNamespaceTest, LocatorTellsOfRealChangesOnly)
{
    ShellHome home(QStringLiteral("ns-locator"));
    int changes = 0;
    TNSShellLocator locator;
    locator.OnChange = [&](TNSShellLocator*) { ++changes; };
    locator.SetPathName(home.Home);
    locator.SetPathName(home.Home);
    EXPECT_EQ(changes, 1);
    locator.SetIdList(nullptr);
    locator.Clear();
    EXPECT_EQ(changes, 2);
    locator.SetCSIDL(csidlFonts);
    TNSShellLocator other;
    other.SetCSIDL(csidlPrinters);
    int otherChanges = 0;
    other.OnChange = [&](TNSShellLocator*) { ++otherChanges; };
    other.Assign(&locator);
    EXPECT_EQ(otherChanges, 1);
    other.Assign(&locator);
    EXPECT_EQ(otherChanges, 1);
    EXPECT_EQ(other.CSIDL(), csidlFonts);
}

TEST(ShellNamespaceTest, LocatorStreamIsCheckedWhenRead)
{
    ShellHome home(QStringLiteral("ns-stream"));
    TNSShellLocator locator;
    EXPECT_TRUE(locator.WriteData().isEmpty());
    locator.SetPathName(home.Home);
    const QByteArray data = locator.WriteData();
    TNSShellLocator back;
    ASSERT_TRUE(back.ReadData(data));
    EXPECT_TRUE(back.IsEqual(locator));
    TNSShellLocator desktop;
    ASSERT_TRUE(desktop.ReadData(QByteArray("\0\0\0\0\0", 5)));
    EXPECT_EQ(desktop.CSIDL(), csidlDesktop);

    QByteArray longLength = data;
    longLength[1] = char(0x7F);
    const QByteArray cases[] = {
        QByteArray(),
        QByteArray("\0\1", 2),
        longLength,
        data.left(data.size() - 1),
        QByteArray("\1", 1),
        QByteArray("\1\xff", 2),
        QByteArray("\0\4\0\0\0\1\0\0\0", 9),
    };
    for (const QByteArray& c : cases) {
        TNSShellLocator l;
        l.SetPathName(home.Home);
        EXPECT_FALSE(l.ReadData(c)) << c.toHex().constData();
        EXPECT_EQ(l.PathName(), home.Home);
    }
}

TEST(ShellNamespaceTest, NamesKeepTheirBytesAndShowAsOneLine)
{
    const struct {
        QByteArray bytes;
        QString shown;
    } names[] = {
        {"plain.txt", QStringLiteral("plain.txt")},
        {"caf\xc3\xa9", QStringLiteral("caf\u00e9")},
        {"bad\xff\xfe", QStringLiteral("bad\uFFFD\uFFFD")},
        {"bad\xef\xbf\xbd", QStringLiteral("bad\uFFFD")},
        {"two\nlines\r\t\x7f", QStringLiteral("two\u21B5lines\u21B5\uFFFD\uFFFD")},
        // Overlong, surrogate and cut-off sequences are no UTF-8.
        {"\xc0\xaf\xed\xa0\x80\xe2\x82", QString(7, QChar(0xFFFD))},
        {"\xf0\x9f\x8e\xb5.mp3", QStringLiteral("\U0001F3B5.mp3")},
    };
    for (const auto& n : names) {
        SCOPED_TRACE(n.bytes.toHex().constData());
        EXPECT_EQ(EncodeNativeName(DecodeNativeName(n.bytes)), n.bytes);
        EXPECT_EQ(ShowNativeName(n.bytes), n.shown);
        // A setting keeps the bytes whole.
        const QString stored = StoredPathName(DecodeNativeName("/dir/" + n.bytes));
        const QByteArray back = stored.startsWith(QLatin1String("file:"))
                                    ? NativePathOfFileUrl(stored.toLatin1())
                                    : EncodeNativeName(stored);
        EXPECT_EQ(back, "/dir/" + n.bytes);
    }
    // URLs from outside: only this machine's files, every escape a byte, nothing with a NUL.
    const struct {
        const char* url;
        QByteArray path;
    } urls[] = {
        {"file:///caf%E9/x%20y", "/caf\xe9/x y"},
        {"file://localhost/a", "/a"},
        {"file:/a", "/a"},
        {"file:///a#fragment", "/a"},
        {"file:///a%zz", "/a%zz"},
        {"file://elsewhere/a", ""},
        {"file://", ""},
        {"file:", ""},
        {"file:relative", ""},
        {"file:///a%00b", ""},
        {"http://host/a", ""},
        {"", ""},
    };
    for (const auto& u : urls)
        EXPECT_EQ(NativePathOfFileUrl(u.url), u.path) << u.url;
    EXPECT_EQ(FileUrlOfNativePath("/caf\xe9/x y%"), QByteArray("file:///caf%E9/x%20y%25"));
}

TEST(ShellNamespaceTest, UriListsFromOutsideGiveTheirLocalFiles)
{
    const struct {
        QByteArray list;
        QList<QByteArray> paths;
    } cases[] = {
        {"file:///a\r\nfile:///b%FF\r\n", {"/a", "/b\xff"}},
        {"# comment\nfile:///a\n\nhttp://x/y\n", {"/a"}},
        {"\r\n\r\n", {}},
        {QByteArray(100000, 'f'), {}},
        {"file:///a%00\nfile://remote/b\n", {}},
    };
    for (const auto& c : cases) {
        QMimeData data;
        data.setData(QStringLiteral("text/uri-list"), c.list);
        EXPECT_EQ(ShellItemsPaths(&data), c.paths) << c.list.left(40).constData();
    }
}
