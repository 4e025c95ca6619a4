// The shell tree and list together, as the file-list dialog links them: folder changes seen
// from outside, keyboard and mouse selection, renaming, the trash, menus running while a
// change arrives, and drives coming.
#include "shellcontrols/shell_list.h"
#include "shellcontrols/shell_tree.h"
#include "fake_mount_table.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QSplitter>
#include <QTest>
#include <QThread>
#include <atomic>
#include <fcntl.h>
#include <optional>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void MakeFile(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
}

// A file made by its raw bytes.
void MakeRaw(const QByteArray& path, const QByteArray& data = "x")
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << path.constData();
    ASSERT_EQ(::write(fd, data.constData(), size_t(data.size())), ssize_t(data.size()));
    ::close(fd);
}

QByteArray ReadRaw(const QByteArray& path)
{
    QByteArray data;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return QByteArray();
    char buf[4096];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
        data.append(buf, n);
    ::close(fd);
    return data;
}

bool ExistsRaw(const QByteArray& path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

// The list's item whose name has exactly these bytes.
QListWidgetItem* ItemNamed(TNSShellList* list, const QByteArray& name)
{
    for (int i = 0; i < list->count(); ++i)
        if (TNSShListData* d = TNSCustomShellList::DataOf(list->item(i));
            d && ViewItem(d->RelativeIdList()).Name == name)
            return list->item(i);
    return nullptr;
}

void SelectOnly(TNSShellList* list, QListWidgetItem* item)
{
    ASSERT_NE(item, nullptr);
    list->clearSelection();
    list->setCurrentItem(item);
    item->setSelected(true);
}

QStringList Captions(TNSShellList* list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names << static_cast<TShellListItem*>(list->item(i))->Caption();
    return names;
}

// What a view made of a drag that enters at a point, moves there and drops.
struct TreeListDrop {
    bool entered;
    bool accepted;
    Qt::DropAction action;
};

TreeListDrop DragAndDropAt(QWidget* viewport, QPoint at, const QMimeData* data, Qt::DropAction action,
                           Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QDragEnterEvent enter(at, action, data, Qt::LeftButton, modifiers);
    QApplication::sendEvent(viewport, &enter);
    QDragMoveEvent over(at, action, data, Qt::LeftButton, modifiers);
    QApplication::sendEvent(viewport, &over);
    QDropEvent drop(QPointF(at), action, data, Qt::LeftButton, modifiers);
    QApplication::sendEvent(viewport, &drop);
    return {enter.isAccepted(), over.isAccepted(), drop.dropAction()};
}

// Another program's folders coming and going in dir, named to fall on both sides of the
// test's own, until Stop.
class TSiblingChurn {
public:
    explicit TSiblingChurn(const QString& dir)
        : m_thread([this, base = QFile::encodeName(dir)] {
              for (bool make = true; !m_stop; make = !make)
                  for (int i = 0; i < 40; ++i) {
                      const QByteArray path = base + (i % 2 ? "/a" : "/z") + QByteArray::number(i);
                      if (make)
                          ::mkdir(path.constData(), 0755);
                      else
                          ::rmdir(path.constData());
                  }
          })
    {
    }
    ~TSiblingChurn() { Stop(); }
    // Folders that stay, among which the churning ones fall.
    static void MakeSteadyFolders(const QString& dir)
    {
        for (int i = 0; i < 40; ++i)
            QDir().mkpath(dir + QStringLiteral("/stay%1").arg(i, 2, 10, QLatin1Char('0')));
    }
    void Stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// A tree and a list in one window, as the dialog places them, with HOME and the trash in a
// folder of the test's own.
class ShellTreeListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved.emplace({"HOME", "XDG_DATA_HOME"});
        const QString name =
            QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
        Root = testsupport::freshDir(name);
        Home = Root + QStringLiteral("/home");
        QDir().mkpath(Home + QStringLiteral("/.local/share"));
        qputenv("HOME", QFile::encodeName(Home));
        qputenv("XDG_DATA_HOME", QFile::encodeName(Home + QStringLiteral("/.local/share")));
        Window = std::make_unique<QWidget>();
        Window->resize(600, 400);
        auto* splitter = new QSplitter(Window.get());
        splitter->resize(600, 400);
        Tree = new TNSShellTree(splitter);
        Tree->SetOptions(TreeOption(ptstoAutoFill) | TreeOption(ptstoVirtualFolders) |
                         TreeOption(ptstoDefaultKeyHandling) | TreeOption(ptstoDynamicRefresh) |
                         TreeOption(ptstoShowHidden));
        List = new TNSShellList(splitter);
        List->SetOptions(ListOption(ptsloAutoFill) | ListOption(ptsloNonFilesystemAncestors) |
                         ListOption(ptsloDefaultKeyHandling) | ListOption(ptsloDynamicRefresh) |
                         ListOption(ptsloShowHidden));
        List->SetViewStyle(vsList);
        List->setSelectionMode(QAbstractItemView::ExtendedSelection);
        Tree->SetShellList(List);
        Window->show();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        Window.reset();
        EXPECT_EQ(Messages.texts.size(), ExpectedMessages) << Messages.texts.join(QLatin1Char('|')).toStdString();
        m_saved.reset();
    }
    void Select(const QString& path)
    {
        Tree->SetSelectedPathName(path);
        QApplication::processEvents();
    }
    QTreeWidgetItem* NodeNamed(const QString& text)
    {
        const QList<QTreeWidgetItem*> found = Tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found[0];
    }

    QString Root, Home;
    // Every box is answered, so that none can stop a test; TearDown checks how many came.
    testsupport::MessageRecorder Messages;
    int ExpectedMessages = 0;
    std::unique_ptr<QWidget> Window;
    TNSShellTree* Tree = nullptr;
    TNSShellList* List = nullptr;

private:
    std::optional<testsupport::SavedEnvironment> m_saved;
};

} // namespace

TEST_F(ShellTreeListTest, ListShowsTheTreesFolder)
{
    const QString dir = Home + QStringLiteral("/Music");
    QDir().mkpath(dir + QStringLiteral("/Albums"));
    MakeFile(dir + QStringLiteral("/b.mp3"));
    MakeFile(dir + QStringLiteral("/a.mp3"));
    Select(dir);
    EXPECT_EQ(Tree->GetSelectedPathName(), dir);
    EXPECT_EQ(List->Folder.PathName(), dir);
    EXPECT_EQ(Captions(List), QStringList({QStringLiteral("Albums"), QStringLiteral("a.mp3"), QStringLiteral("b.mp3")}));
    // The desktop's first items are the places.
    QTreeWidgetItem* root = Tree->topLevelItem(0);
    ASSERT_NE(root, nullptr);
    ASSERT_GE(root->childCount(), 3);
    EXPECT_EQ(root->child(0)->text(0), QStringLiteral("Home"));
    EXPECT_EQ(root->child(1)->text(0), QStringLiteral("Computer"));
    EXPECT_EQ(root->child(2)->text(0), QStringLiteral("Trash"));
    // A path that does not exist selects the first root node.
    Select(Root + QStringLiteral("/nothing/here"));
    EXPECT_EQ(Tree->currentItem(), root);
}

TEST_F(ShellTreeListTest, HiddenFolderNotYetFilledIsStillSelected)
{
    Select(Home);
    QDir().mkpath(Home + QStringLiteral("/.secret/inner"));
    Select(Home + QStringLiteral("/.secret/inner"));
    EXPECT_EQ(Tree->GetSelectedPathName(), Home + QStringLiteral("/.secret/inner"));
}

TEST_F(ShellTreeListTest, FileCreatedOutsideAppearsAfterTheMergeDelay)
{
    const QString dir = Root + QStringLiteral("/watched");
    QDir().mkpath(dir);
    MakeFile(dir + QStringLiteral("/first.txt"));
    Select(dir);
    ASSERT_EQ(Captions(List), QStringList({QStringLiteral("first.txt")}));
    List->setFocus();
    QElapsedTimer t;
    t.start();
    MakeFile(dir + QStringLiteral("/second.txt"));
    MakeFile(dir + QStringLiteral("/third.txt"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return List->count() == 3; }, 10000));
    // Both changes merge into one refresh that comes after the delay, new items at the end.
    EXPECT_GE(t.elapsed(), NSSH_CHANGE_NOTIFY_FASTDELAY - 50);
    EXPECT_EQ(Captions(List).first(), QStringLiteral("first.txt"));
    QFile::remove(dir + QStringLiteral("/first.txt"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return List->count() == 2; }, 10000));
}

TEST_F(ShellTreeListTest, ARefreshTakesTheChangesThatWaitForTheirDelay)
{
    // As the refresh a big folder's fill ends with: it reads what a change waiting for its
    // delay would, and the change makes no second refresh.
    const QString dir = Root + QStringLiteral("/waiting");
    QDir().mkpath(dir);
    MakeFile(dir + QStringLiteral("/old.txt"));
    Select(dir);
    int refreshes = 0;
    List->OnFillStart = [&](QObject*) { ++refreshes; };
    MakeFile(dir + QStringLiteral("/new.txt"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return List->ChangeTimer()->isActive(); }, 10000));
    List->RefreshItems();
    EXPECT_EQ(Captions(List), QStringList({QStringLiteral("old.txt"), QStringLiteral("new.txt")}));
    EXPECT_EQ(refreshes, 1);
    EXPECT_FALSE(List->ChangeTimer()->isActive());
}

TEST_F(ShellTreeListTest, ArrowKeysNotifyTheListLaterAClickAtOnce)
{
    QDir().mkpath(Home + QStringLiteral("/A"));
    QDir().mkpath(Home + QStringLiteral("/B"));
    Select(Home + QStringLiteral("/A"));
    ASSERT_EQ(List->Folder.PathName(), Home + QStringLiteral("/A"));
    Tree->setFocus();
    QElapsedTimer t;
    t.start();
    QTest::keyClick(Tree, Qt::Key_Down);
    ASSERT_EQ(Tree->GetSelectedPathName(), Home + QStringLiteral("/B"));
    EXPECT_EQ(List->Folder.PathName(), Home + QStringLiteral("/A"));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return List->Folder.PathName() == Home + QStringLiteral("/B"); }, 10000));
    EXPECT_GE(t.elapsed(), NSSH_TREE_KEY_UPDATE_DELAY - 50);

    QTreeWidgetItem* a = NodeNamed(QStringLiteral("A"));
    ASSERT_NE(a, nullptr);
    const QPoint p = Tree->visualItemRect(a).center();
    QTest::mouseClick(Tree->viewport(), Qt::LeftButton, Qt::NoModifier, p);
    EXPECT_EQ(List->Folder.PathName(), Home + QStringLiteral("/A"));
    EXPECT_FALSE(Tree->ChangeTimer()->isActive());
}

TEST_F(ShellTreeListTest, RenameAndDeleteToTheTrash)
{
    const QString dir = Home + QStringLiteral("/Docs");
    QDir().mkpath(dir);
    MakeFile(dir + QStringLiteral("/old name.txt"));
    MakeFile(dir + QStringLiteral("/other.txt"));
    Select(dir);
    List->setFocus();
    List->setCurrentRow(0);
    List->item(0)->setSelected(true);
    QTest::keyClick(List, Qt::Key_F2);
    auto* editor = List->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("new name.txt"));
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(QFile::exists(dir + QStringLiteral("/new name.txt")));
    EXPECT_EQ(static_cast<TShellListItem*>(List->item(0))->Caption(), QStringLiteral("new name.txt"));

    // Renaming onto a name in use fails, keeps the caption and lets the next change count.
    QTest::keyClick(List, Qt::Key_F2);
    editor = List->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("other.txt"));
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(Messages.texts.size(), 1);
    ExpectedMessages = 1;
    EXPECT_EQ(static_cast<TShellListItem*>(List->item(0))->Caption(), QStringLiteral("new name.txt"));
    MakeFile(dir + QStringLiteral("/third.txt"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return List->count() == 3; }, 10000));

    for (int i = 0; i < List->count(); ++i)
        List->item(i)->setSelected(static_cast<TShellListItem*>(List->item(i))->Caption() != QStringLiteral("third.txt"));
    Messages.answer = IDYES;
    QTest::keyClick(List, Qt::Key_Delete);
    QApplication::processEvents();
    ExpectedMessages = 2;
    EXPECT_EQ(Captions(List), QStringList({QStringLiteral("third.txt")}));
    const QString trash = Home + QStringLiteral("/.local/share/Trash/files");
    EXPECT_TRUE(QFile::exists(trash + QStringLiteral("/new name.txt")));
    EXPECT_TRUE(QFile::exists(trash + QStringLiteral("/other.txt")));
}

TEST_F(ShellTreeListTest, SelectAllGivesEveryCaption)
{
    const QString dir = Root + QStringLiteral("/many");
    QDir().mkpath(dir);
    for (int i = 0; i < 300; ++i)
        MakeFile(dir + QStringLiteral("/file%1.txt").arg(i, 3, 10, QLatin1Char('0')));
    Select(dir);
    List->setFocus();
    QTest::keyClick(List, Qt::Key_A, Qt::ControlModifier);
    int selected = 0;
    for (QListWidgetItem* item = List->Selected(); item; item = List->GetNextSelected(item)) {
        // Items never painted still give their names.
        EXPECT_FALSE(static_cast<TShellListItem*>(item)->Caption().isEmpty());
        ++selected;
    }
    EXPECT_EQ(selected, 300);
}

TEST_F(ShellTreeListTest, ChangeDuringAMenuIsKeptForItsEnd)
{
    const QString dir = Root + QStringLiteral("/menu");
    QDir().mkpath(dir + QStringLiteral("/old"));
    Select(dir);
    Tree->currentItem()->setExpanded(true);
    ASSERT_NE(NodeNamed(QStringLiteral("old")), nullptr);
    List->BeginMenuOrDrag();
    Tree->BeginMenuOrDrag();
    MakeFile(dir + QStringLiteral("/during.txt"));
    QDir().mkpath(dir + QStringLiteral("/sub"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return List->RefreshPending() && Tree->RefreshPending(); }, 10000));
    EXPECT_EQ(List->count(), 1);
    List->EndMenuOrDrag();
    Tree->EndMenuOrDrag();
    EXPECT_EQ(List->count(), 3);
    EXPECT_NE(NodeNamed(QStringLiteral("sub")), nullptr);
}

TEST_F(ShellTreeListTest, FolderChangedDuringAMenuIsFilledAtItsEnd)
{
    // The tree moves the list on while the list's menu runs (its folder was deleted, a key
    // rested): the menu's end shows the new folder, not the old one read again.
    const QString dir = Root + QStringLiteral("/moved");
    QDir().mkpath(dir + QStringLiteral("/from"));
    QDir().mkpath(dir + QStringLiteral("/to"));
    MakeFile(dir + QStringLiteral("/from/old.txt"));
    MakeFile(dir + QStringLiteral("/to/a.txt"));
    MakeFile(dir + QStringLiteral("/to/b.txt"));
    Select(dir + QStringLiteral("/from"));
    ASSERT_EQ(Captions(List), QStringList({QStringLiteral("old.txt")}));
    List->BeginMenuOrDrag();
    Select(dir + QStringLiteral("/to"));
    EXPECT_EQ(Captions(List), QStringList({QStringLiteral("old.txt")}));
    EXPECT_TRUE(List->RefreshPending());
    List->EndMenuOrDrag();
    EXPECT_EQ(Captions(List), QStringList({QStringLiteral("a.txt"), QStringLiteral("b.txt")}));
    // And the folder it shows is the one watched.
    List->setFocus();
    MakeFile(dir + QStringLiteral("/to/c.txt"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return List->count() == 3; }, 10000));

    // The same for the tree's own base folder.
    Tree->BeginMenuOrDrag();
    Tree->BaseFolder.SetPathName(dir);
    EXPECT_TRUE(Tree->RefreshPending());
    Tree->EndMenuOrDrag();
    ASSERT_EQ(Tree->topLevelItemCount(), 1);
    EXPECT_EQ(Tree->topLevelItem(0)->text(0), QStringLiteral("moved"));
}

TEST_F(ShellTreeListTest, RefreshKeepsOpenFoldersWhileSiblingsComeAndGo)
{
    // Folders of other programs come and go beside an open one while the tree reads its
    // parent again: the open folder stays as it is, its contents shown.
    const QString dir = Root + QStringLiteral("/busy");
    QDir().mkpath(dir + QStringLiteral("/open/inner"));
    TSiblingChurn::MakeSteadyFolders(dir);
    Select(dir + QStringLiteral("/open"));
    Tree->currentItem()->setExpanded(true);
    ASSERT_NE(NodeNamed(QStringLiteral("inner")), nullptr);
    int lost = 0;
    TSiblingChurn churn(dir);
    for (int i = 0; i < 200 && lost == 0; ++i) {
        Tree->RefreshNodes();
        lost += NodeNamed(QStringLiteral("inner")) == nullptr;
    }
    churn.Stop();
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(Tree->GetSelectedPathName(), dir + QStringLiteral("/open"));
}

TEST_F(ShellTreeListTest, TrashRefreshKeepsItemsWhileOthersComeAndGo)
{
    // The same in a folder of the namespace's own: an item still there keeps its place.
    const QString files = Home + QStringLiteral("/.local/share/Trash/files");
    TSiblingChurn::MakeSteadyFolders(files);
    QDir().mkpath(files + QStringLiteral("/keep"));
    PItemIDList trash = nullptr;
    ShellGetSpecialFolderIdList(csidlBitBucket, trash);
    TPidlHolder hold(trash);
    List->Folder.SetIdList(trash);
    QApplication::processEvents();
    QListWidgetItem* keep = ItemNamed(List, "keep");
    ASSERT_NE(keep, nullptr);
    int moved = 0;
    TSiblingChurn churn(files);
    for (int i = 0; i < 200 && moved == 0; ++i) {
        List->RefreshItems();
        moved += ItemNamed(List, "keep") != keep;
    }
    churn.Stop();
    EXPECT_EQ(moved, 0);
}

TEST_F(ShellTreeListTest, FailedNewFolderClearsTheIgnoreFlag)
{
    const QString dir = Root + QStringLiteral("/locked");
    QDir().mkpath(dir);
    Select(dir);
    testsupport::FolderLock lock(dir);
    if (!lock.Ok())
        GTEST_SKIP() << "no way to lock a folder here";
    EXPECT_FALSE(Tree->CreateNewFolder());
    EXPECT_FALSE(Tree->IgnoreNextNotification());
    EXPECT_FALSE(List->CreateNewFolder(false));
    EXPECT_EQ(Messages.texts.size(), 2);
    ExpectedMessages = 2;
}

TEST_F(ShellTreeListTest, MountChangeRefillsComputer)
{
    TFakeMountTable table(Root);
    PItemIDList computer = nullptr;
    ShellGetSpecialFolderIdList(csidlDrives, computer);
    TPidlHolder hold(computer);
    List->Folder.SetIdList(computer);
    QApplication::processEvents();
    EXPECT_EQ(Captions(List), QStringList({QStringLiteral("/")}));
    table.Write(QByteArray(TFakeMountTable::RootLine) + "2 1 8:17 / /media/disc rw - iso9660 /dev/sr0 ro\n");
    table.Relay();
    EXPECT_EQ(Captions(List), QStringList({QStringLiteral("/"), QStringLiteral("/media/disc")}));
}

TEST_F(ShellTreeListTest, FilterListsMatchingFilesAndEveryFolder)
{
    const QString dir = Root + QStringLiteral("/filter");
    QDir().mkpath(dir + QStringLiteral("/Sub"));
    for (const char* n : {"a.MP3", "b.wav", "c.txt", "noext"})
        MakeFile(dir + QLatin1Char('/') + QLatin1String(n));
    Select(dir);
    List->SetFileFilter(QStringLiteral("*.mp3;*.wav"));
    EXPECT_EQ(Captions(List), QStringList({QStringLiteral("Sub"), QStringLiteral("a.MP3"), QStringLiteral("b.wav")}));
    List->SetFileFilter(QStringLiteral("*.*"));
    EXPECT_EQ(List->count(), 5);
}

TEST_F(ShellTreeListTest, ColumnClicksReverseAndChangeTheSort)
{
    Select(Root);
    EXPECT_EQ(List->SortColumn(), 1);
    List->ColClick(0);
    EXPECT_EQ(List->SortColumn(), -1);
    List->ColClick(0);
    EXPECT_EQ(List->SortColumn(), 1);
    List->ColClick(1);
    EXPECT_EQ(List->SortColumn(), 2);
}

TEST_F(ShellTreeListTest, DropsCopyIntoTheFolderUnderTheMouse)
{
    Tree->SetOptions(Tree->Options() | TreeOption(ptstoOleDrop) | TreeOption(ptstoOleDrag));
    List->SetOptions(List->Options() | ListOption(ptsloOleDrop));
    const QString from = Root + QStringLiteral("/from"), to = Root + QStringLiteral("/to");
    QDir().mkpath(from);
    QDir().mkpath(to + QStringLiteral("/inner"));
    MakeFile(from + QStringLiteral("/song.mp3"));
    PItemIDList fromPidl = nullptr, item = nullptr;
    ASSERT_EQ(ShellGetIdListFromPath(from, fromPidl), S_OK);
    TPidlHolder holdFrom(fromPidl);
    IShellFolder fromFolder;
    ASSERT_EQ(ShellGetFolderFromIdList(fromPidl, fromFolder), S_OK);
    ASSERT_EQ(fromFolder->ParseDisplayName(nullptr, QStringLiteral("song.mp3"), item), S_OK);
    TPidlHolder holdItem(item);
    std::unique_ptr<QMimeData> data(MakeShellItemsData(fromPidl, {item}, false));

    Select(to);
    Tree->currentItem()->setExpanded(true);
    QApplication::processEvents();
    QTreeWidgetItem* inner = NodeNamed(QStringLiteral("inner"));
    ASSERT_NE(inner, nullptr);
    const TreeListDrop onTree =
        DragAndDropAt(Tree->viewport(), Tree->visualItemRect(inner).center(), data.get(), Qt::CopyAction);
    EXPECT_TRUE(onTree.entered);
    EXPECT_TRUE(onTree.accepted);
    EXPECT_TRUE(QFile::exists(to + QStringLiteral("/inner/song.mp3")));
    EXPECT_TRUE(QFile::exists(from + QStringLiteral("/song.mp3")));

    // The list takes a drop on its background into its own folder.
    ASSERT_EQ(List->Folder.PathName(), to);
    const QPoint background(List->viewport()->width() - 5, List->viewport()->height() - 5);
    EXPECT_TRUE(DragAndDropAt(List->viewport(), background, data.get(), Qt::CopyAction).accepted);
    EXPECT_TRUE(QFile::exists(to + QStringLiteral("/song.mp3")));
    EXPECT_EQ(Captions(List), QStringList({QStringLiteral("inner"), QStringLiteral("song.mp3")}));

    // The desktop node is never dragged: it has no parent folder to come from.
    EXPECT_EQ(Tree->GetDragDropAttributesForNode(Tree->topLevelItem(0)),
              Qt::CopyAction | Qt::MoveAction | Qt::LinkAction);
    Tree->OleBeginDrag(Tree->topLevelItem(0));
    EXPECT_FALSE(Tree->RefreshPending());
}

TEST_F(ShellTreeListTest, RenamingAFolderInTheTreeMovesTheList)
{
    QDir().mkpath(Home + QStringLiteral("/Before/inside"));
    Select(Home + QStringLiteral("/Before"));
    ASSERT_EQ(List->Folder.PathName(), Home + QStringLiteral("/Before"));
    Tree->setFocus();
    QTest::keyClick(Tree, Qt::Key_F2);
    auto* editor = Tree->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("After"));
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_TRUE(QFileInfo(Home + QStringLiteral("/After/inside")).isDir());
    EXPECT_EQ(Tree->GetSelectedPathName(), Home + QStringLiteral("/After"));
    EXPECT_EQ(List->Folder.PathName(), Home + QStringLiteral("/After"));
    EXPECT_EQ(Captions(List), QStringList({QStringLiteral("inside")}));
}

TEST_F(ShellTreeListTest, NamesThatAreNoUtf8ActOnExactlyTheItemSelected)
{
    const QByteArray dir = EncodeNativeName(Root) + "/bytes", other = EncodeNativeName(Root) + "/other",
                     third = EncodeNativeName(Root) + "/third";
    for (const QByteArray& d : {dir, other, third})
        ASSERT_EQ(::mkdir(d.constData(), 0755), 0);
    // The second name is what the first becomes when its bytes are read as UTF-8.
    const QByteArray a = "bad\xff\xfename.txt", b = "bad\xef\xbf\xbd\xef\xbf\xbdname.txt";
    MakeRaw(dir + '/' + a, "A");
    MakeRaw(dir + '/' + b, "B");
    Select(DecodeNativeName(dir));
    ASSERT_EQ(List->count(), 2);
    EXPECT_EQ(Captions(List)[0], Captions(List)[1]);
    EXPECT_EQ(EncodeNativeName(TNSCustomShellList::DataOf(ItemNamed(List, a))->PathName()), dir + '/' + a);
    List->setFocus();

    // Copy and paste.
    SelectOnly(List, ItemNamed(List, a));
    QTest::keyClick(List, Qt::Key_C, Qt::ControlModifier);
    Select(DecodeNativeName(other));
    QTest::keyClick(List, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(ReadRaw(other + '/' + a), "A");
    EXPECT_FALSE(ExistsRaw(other + '/' + b));

    // Del trashes the one selected.
    Select(DecodeNativeName(dir));
    Messages.answer = IDYES;
    SelectOnly(List, ItemNamed(List, a));
    QTest::keyClick(List, Qt::Key_Delete);
    EXPECT_FALSE(ExistsRaw(dir + '/' + a));
    EXPECT_EQ(ReadRaw(dir + '/' + b), "B");
    EXPECT_EQ(ReadRaw(EncodeNativeName(Home) + "/.local/share/Trash/files/" + a), "A");

    // Cut and paste moves it.
    Select(DecodeNativeName(other));
    SelectOnly(List, ItemNamed(List, a));
    QTest::keyClick(List, Qt::Key_X, Qt::ControlModifier);
    Select(DecodeNativeName(third));
    QTest::keyClick(List, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(ReadRaw(third + '/' + a), "A");
    EXPECT_FALSE(ExistsRaw(other + '/' + a));
    EXPECT_EQ(Captions(List).size(), 1);

    // Renaming renames it, and a name alone in its folder goes to the trash too.
    const QByteArray solo = "solo\xff.txt";
    MakeRaw(third + '/' + solo, "S");
    List->FillItems();
    SelectOnly(List, ItemNamed(List, a));
    QTest::keyClick(List, Qt::Key_F2);
    auto* editor = List->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText(QStringLiteral("renamed.txt"));
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(ReadRaw(third + "/renamed.txt"), "A");
    EXPECT_EQ(ReadRaw(third + '/' + solo), "S");
    SelectOnly(List, ItemNamed(List, solo));
    QTest::keyClick(List, Qt::Key_Delete);
    EXPECT_FALSE(ExistsRaw(third + '/' + solo));
    EXPECT_EQ(Messages.texts.size(), 2);
    ExpectedMessages = 2;
}

TEST_F(ShellTreeListTest, DeleteAsksFirstAndMovesNothingOnNo)
{
    const QString dir = Home + QStringLiteral("/Work");
    QDir().mkpath(dir + QStringLiteral("/Sub"));
    MakeFile(dir + QStringLiteral("/one.txt"));
    MakeFile(dir + QStringLiteral("/two.txt"));
    Select(dir);
    List->setFocus();
    Messages.answer = IDNO;
    // Nothing selected: nothing happens and nothing is said.
    List->clearSelection();
    QTest::keyClick(List, Qt::Key_Delete);
    EXPECT_TRUE(Messages.texts.isEmpty());

    SelectOnly(List, List->findItems(QStringLiteral("one.txt"), Qt::MatchExactly).value(0));
    QTest::keyClick(List, Qt::Key_Delete);
    QTest::keyClick(List, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(List, Qt::Key_Delete);
    EXPECT_EQ(Messages.texts, QStringList({QStringLiteral("Move \"one.txt\" to the Trash?"),
                                           QStringLiteral("Move these 3 items to the Trash?")}));
    EXPECT_EQ(List->count(), 3);
    EXPECT_TRUE(QFile::exists(dir + QStringLiteral("/one.txt")));

    // The tree's Del on its selected folder asks too.
    Tree->setFocus();
    QTest::keyClick(Tree, Qt::Key_Delete);
    EXPECT_EQ(Messages.texts.size(), 3);
    EXPECT_EQ(Messages.texts.last(), QStringLiteral("Move \"Work\" to the Trash?"));
    EXPECT_TRUE(QFileInfo(dir).isDir());
    Messages.answer = IDYES;
    QTest::keyClick(Tree, Qt::Key_Delete);
    EXPECT_FALSE(QFileInfo::exists(dir));
    EXPECT_TRUE(QFileInfo(Home + QStringLiteral("/.local/share/Trash/files/Work/Sub")).isDir());
    ExpectedMessages = 4;
}

TEST_F(ShellTreeListTest, AFolderDeletedWhileShownMovesTheListToItsParent)
{
    const QString parent = Root + QStringLiteral("/parent"), gone = parent + QStringLiteral("/gone");
    QDir().mkpath(gone);
    MakeFile(parent + QStringLiteral("/stay.txt"));
    MakeFile(gone + QStringLiteral("/inside.txt"));
    Select(gone);
    ASSERT_EQ(Captions(List), QStringList({QStringLiteral("inside.txt")}));
    List->setFocus();
    ASSERT_TRUE(QDir(gone).removeRecursively());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return List->Folder.PathName() == parent && List->count() == 1; }, 10000));
    EXPECT_EQ(Captions(List), QStringList({QStringLiteral("stay.txt")}));
    EXPECT_EQ(Tree->GetSelectedPathName(), parent);
    // The parent is watched: what is made there appears.
    MakeFile(parent + QStringLiteral("/later.txt"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return List->count() == 2; }, 10000));
}

TEST_F(ShellTreeListTest, ANameWithALineBreakStaysOneLine)
{
    const QByteArray dir = EncodeNativeName(Root) + "/breaks";
    ASSERT_EQ(::mkdir(dir.constData(), 0755), 0);
    MakeRaw(dir + "/two\nlines.txt");
    Select(DecodeNativeName(dir));
    EXPECT_EQ(Captions(List), QStringList({QStringLiteral("two\u21B5lines.txt")}));
}

TEST_F(ShellTreeListTest, NewFolderOpensItsRenameBox)
{
    const QString dir = Home + QStringLiteral("/Projects");
    QDir().mkpath(dir);
    Select(dir);
    ASSERT_TRUE(List->CreateNewFolder(true));
    QApplication::processEvents();
    EXPECT_TRUE(QFileInfo(dir + QStringLiteral("/New Folder")).isDir());
    auto* editor = List->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QStringLiteral("New Folder"));
    editor->setText(QStringLiteral("Album"));
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_TRUE(QFileInfo(dir + QStringLiteral("/Album")).isDir());
    EXPECT_EQ(Captions(List), QStringList({QStringLiteral("Album")}));

    // On the desktop too: the new folder is listed as soon as the call returns.
    QDir().mkpath(Home + QStringLiteral("/Desktop"));
    PItemIDList desktop = nullptr;
    ASSERT_EQ(ShellGetSpecialFolderIdList(csidlDesktop, desktop), S_OK);
    TPidlHolder hold(desktop);
    List->Folder.SetIdList(desktop);
    QApplication::processEvents();
    ASSERT_TRUE(List->CreateNewFolder(false));
    EXPECT_TRUE(QFileInfo(Home + QStringLiteral("/Desktop/New Folder")).isDir());
    EXPECT_TRUE(Captions(List).contains(QStringLiteral("New Folder")));
}

TEST_F(ShellTreeListTest, EnterAndDoubleClickOpen)
{
    const QString dir = Root + QStringLiteral("/open");
    QDir().mkpath(dir + QStringLiteral("/Sub"));
    MakeFile(dir + QStringLiteral("/file.txt"));
    Select(dir);
    int opened = 0;
    List->OnDblClickOpen = [&](QObject*, bool& handled) {
        handled = true;
        ++opened;
    };
    List->setFocus();
    SelectOnly(List, List->findItems(QStringLiteral("Sub"), Qt::MatchExactly).value(0));
    QTest::keyClick(List, Qt::Key_Return);
    EXPECT_EQ(List->Folder.PathName(), dir + QStringLiteral("/Sub"));
    EXPECT_EQ(Tree->GetSelectedPathName(), dir + QStringLiteral("/Sub"));
    QTest::keyClick(List, Qt::Key_Backspace);
    ASSERT_EQ(List->Folder.PathName(), dir);

    // Enter on a file goes on to the form (a dialog's default button).
    SelectOnly(List, List->findItems(QStringLiteral("file.txt"), Qt::MatchExactly).value(0));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(List, &enter);
    EXPECT_FALSE(enter.isAccepted());
    EXPECT_EQ(opened, 0);
    // A double click opens a file by its handler, a folder by entering it.
    QListWidgetItem* file = List->findItems(QStringLiteral("file.txt"), Qt::MatchExactly).value(0);
    QTest::mouseDClick(List->viewport(), Qt::LeftButton, Qt::NoModifier, List->visualItemRect(file).center());
    EXPECT_EQ(opened, 1);
    QListWidgetItem* sub = List->findItems(QStringLiteral("Sub"), Qt::MatchExactly).value(0);
    QTest::mouseDClick(List->viewport(), Qt::LeftButton, Qt::NoModifier, List->visualItemRect(sub).center());
    EXPECT_EQ(List->Folder.PathName(), dir + QStringLiteral("/Sub"));
}

TEST_F(ShellTreeListTest, AMoveDropMovesTheFiles)
{
    List->SetOptions(List->Options() | ListOption(ptsloOleDrop));
    const QString from = Root + QStringLiteral("/from"), to = Root + QStringLiteral("/to");
    QDir().mkpath(from + QStringLiteral("/folder"));
    QDir().mkpath(to);
    MakeFile(from + QStringLiteral("/song.mp3"));
    MakeFile(from + QStringLiteral("/folder/inside.txt"));
    PItemIDList fromPidl = nullptr;
    ASSERT_EQ(ShellGetIdListFromPath(from, fromPidl), S_OK);
    TPidlHolder holdFrom(fromPidl);
    IShellFolder fromFolder;
    ASSERT_EQ(ShellGetFolderFromIdList(fromPidl, fromFolder), S_OK);
    PItemIDList song = nullptr, folder = nullptr;
    ASSERT_EQ(fromFolder->ParseDisplayName(nullptr, QStringLiteral("song.mp3"), song), S_OK);
    TPidlHolder holdSong(song);
    ASSERT_EQ(fromFolder->ParseDisplayName(nullptr, QStringLiteral("folder"), folder), S_OK);
    TPidlHolder holdFolder(folder);
    std::unique_ptr<QMimeData> data(MakeShellItemsData(fromPidl, {song, folder}, false));

    Select(to);
    const QPoint background(List->viewport()->width() - 5, List->viewport()->height() - 5);
    const TreeListDrop moved =
        DragAndDropAt(List->viewport(), background, data.get(), Qt::MoveAction, Qt::ShiftModifier);
    ASSERT_TRUE(moved.accepted);
    EXPECT_EQ(moved.action, Qt::MoveAction);
    EXPECT_TRUE(QFile::exists(to + QStringLiteral("/song.mp3")));
    EXPECT_TRUE(QFile::exists(to + QStringLiteral("/folder/inside.txt")));
    EXPECT_FALSE(QFile::exists(from + QStringLiteral("/song.mp3")));
    EXPECT_FALSE(QFileInfo::exists(from + QStringLiteral("/folder")));
    EXPECT_EQ(Captions(List), QStringList({QStringLiteral("folder"), QStringLiteral("song.mp3")}));
}

TEST_F(ShellTreeListTest, ABigFolderFillsFromTheEventLoop)
{
    const QByteArray dir = EncodeNativeName(Root) + "/big";
    ASSERT_EQ(::mkdir(dir.constData(), 0755), 0);
    const int files = 5000;
    for (int i = files; i > 0; --i)
        MakeRaw(dir + "/file " + QByteArray::number(i) + ".txt");
    int started = 0, completed = 0;
    List->OnFillStart = [&](QObject*) { ++started; };
    List->OnFillComplete = [&](QObject*) { ++completed; };
    PItemIDList pidl = nullptr;
    ASSERT_EQ(ShellGetIdListFromPath(DecodeNativeName(dir), pidl), S_OK);
    TPidlHolder hold(pidl);
    List->Folder.SetIdList(pidl);
    // The call comes back before the folder is listed; the event loop fills it.
    EXPECT_TRUE(List->Filling());
    EXPECT_LT(List->count(), files);
    // A refresh asked for meanwhile runs when the fill ends.
    MakeRaw(dir + "/zz added.txt");
    List->RefreshItems();
    EXPECT_TRUE(List->RefreshPending());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !List->Filling(); }, 60000));
    ASSERT_EQ(List->count(), files + 1);
    EXPECT_FALSE(List->RefreshPending());
    // The fill and the refresh after it.
    EXPECT_EQ(started, 2);
    EXPECT_EQ(completed, 2);
    // In the natural order of the names.
    for (int i = 0; i < files; i += 997)
        EXPECT_EQ(static_cast<TShellListItem*>(List->item(i))->Caption(),
                  QStringLiteral("file %1.txt").arg(i + 1));

    // Escape stops a fill with what it shows; a new fill ends the one running.
    List->FillItems();
    ASSERT_TRUE(List->Filling());
    List->setFocus();
    QTest::keyClick(List, Qt::Key_Escape);
    EXPECT_FALSE(List->Filling());
    EXPECT_LT(List->count(), files);
    EXPECT_EQ(completed, 3);
    List->FillItems();
    List->FillItems();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !List->Filling(); }, 60000));
    EXPECT_EQ(List->count(), files + 1);
    EXPECT_EQ(started, 5);
    EXPECT_EQ(completed, 5);
}

TEST_F(ShellTreeListTest, ColumnClicksSortBySizeTypeAndDate)
{
    const QString dir = Root + QStringLiteral("/sorted");
    QDir().mkpath(dir + QStringLiteral("/zfolder"));
    const struct {
        const char* name;
        int size;
        qint64 age;
    } files[] = {{"b.wav", 3000, 100}, {"a.txt", 5000, 300}, {"c.mp3", 1000, 200}};
    for (const auto& f : files) {
        const QString path = dir + QLatin1Char('/') + QLatin1String(f.name);
        {
            QFile out(path);
            ASSERT_TRUE(out.open(QIODevice::WriteOnly));
            out.write(QByteArray(f.size, 'x'));
        }
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-f.age),
                                     QFileDevice::FileModificationTime));
    }
    Select(dir);
    const struct {
        int click;
        QStringList order;
    } steps[] = {
        {1, {"zfolder", "c.mp3", "b.wav", "a.txt"}}, {1, {"a.txt", "b.wav", "c.mp3", "zfolder"}},
        {2, {"zfolder", "c.mp3", "a.txt", "b.wav"}}, {3, {"zfolder", "a.txt", "c.mp3", "b.wav"}},
        {0, {"zfolder", "a.txt", "b.wav", "c.mp3"}},
    };
    for (const auto& step : steps) {
        List->ColClick(step.click);
        EXPECT_EQ(Captions(List), step.order) << step.click;
    }
}
