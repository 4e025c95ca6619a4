// The folder watcher thread (slots, descriptors, messages) and the device-change relay.
#include "platform/message_box.h"
#include "platform/window_message.h"
#include "shellcontrols/change_handler.h"
#include "shellcontrols/shell_namespace.h"
#include "fake_mount_table.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Counts the messages posted to it.
class Receiver : public QObject {
public:
    bool event(QEvent* e) override
    {
        if (const TMessageEvent* m = AsMessageEvent(e)) {
            messages.push_back({m->Msg, m->WParam});
            return true;
        }
        return QObject::event(e);
    }
    std::vector<std::pair<unsigned, uintptr_t>> messages;
};

int OpenDescriptors()
{
    int n = 0;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (dirent* e = ::readdir(d))
            n += e->d_name[0] != '.';
        ::closedir(d);
    }
    return n;
}

// The inotify instances this process holds: each takes one of the few a user has, shared by
// all of the user's processes.
int InotifyInstancesHeld()
{
    int n = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::Files | QDir::System))
        n += QFile::symLinkTarget(fds.filePath(fd)).contains(QLatin1String("inotify"));
    return n;
}

// Sets up one more watch (on a fresh folder named spare) and waits for a first message: the
// thread reads every change that came before a request before it answers it, so whatever the
// changes made so far post has then arrived.
void DeliverPostsSoFar(TChangeHandlerThread& thread, Receiver& receiver, const QString& spare)
{
    int index = -1;
    ASSERT_TRUE(
        thread.AddChangeHandle(testsupport::freshDir(spare), FILE_NOTIFY_CHANGE_DIR_NAME, index, false));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !receiver.messages.empty(); }, 3000));
    QCoreApplication::processEvents();
}

} // namespace

TEST(ChangeHandlerTest, SlotLimitAndDescriptors)
{
    const QString dir = testsupport::freshDir(QStringLiteral("watch-slots"));
    const QString other = testsupport::freshDir(QStringLiteral("watch-slots-other"));
    Receiver receiver;
    const int before = OpenDescriptors(), instancesBefore = InotifyInstancesHeld();
    {
        TChangeHandlerThread thread(&receiver, AM_CHANGENOTIFY);
        const int withThread = OpenDescriptors();
        // One instance for the thread, whatever it watches.
        EXPECT_EQ(InotifyInstancesHeld(), instancesBefore + 1);
        for (int i = 0; i < TChangeHandlerThread::SlotCount; ++i) {
            int index = -1;
            ASSERT_TRUE(
                thread.AddChangeHandle(i % 2 ? dir : other, FILE_NOTIFY_CHANGE_FILE_NAME, index, false))
                << i;
            EXPECT_EQ(index, i);
        }
        EXPECT_EQ(OpenDescriptors(), withThread);
        EXPECT_EQ(InotifyInstancesHeld(), instancesBefore + 1);
        // The 64th is refused; the 63 stay.
        int index = -1;
        EXPECT_FALSE(thread.AddChangeHandle(dir, FILE_NOTIFY_CHANGE_FILE_NAME, index, false));
        EXPECT_EQ(index, -1);
        EXPECT_EQ(thread.WatchCount(), TChangeHandlerThread::SlotCount);
        EXPECT_FALSE(thread.AddChangeHandle(QString(), FILE_NOTIFY_CHANGE_FILE_NAME, index, false));
        EXPECT_FALSE(thread.AddChangeHandle(dir + QStringLiteral("/missing"), FILE_NOTIFY_CHANGE_FILE_NAME, index, false));
        EXPECT_EQ(OpenDescriptors(), withThread);

        ASSERT_TRUE(thread.CloseAllHandles());
        EXPECT_EQ(thread.WatchCount(), 0);
        EXPECT_EQ(OpenDescriptors(), withThread);
        // A folder that cannot be watched takes no slot.
        EXPECT_FALSE(thread.AddChangeHandle(dir + QStringLiteral("/missing"), FILE_NOTIFY_CHANGE_FILE_NAME,
                                            index, false));
        EXPECT_EQ(thread.WatchCount(), 0);
        // Watches in use when the thread goes end with it.
        for (int i = 0; i < 5; ++i)
            ASSERT_TRUE(thread.AddChangeHandle(dir, FILE_NOTIFY_CHANGE_FILE_NAME, index, false));
    }
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_EQ(InotifyInstancesHeld(), instancesBefore);
}

TEST(ChangeHandlerTest, OneFolderInTwoSlotsKeepsEachSlotsFilter)
{
    const QString dir = testsupport::freshDir(QStringLiteral("watch-shared"));
    Receiver receiver;
    TChangeHandlerThread thread(&receiver, AM_CHANGENOTIFY);
    int files = -1, folders = -1;
    ASSERT_TRUE(thread.AddChangeHandle(dir, FILE_NOTIFY_CHANGE_FILE_NAME, files, false));
    ASSERT_TRUE(thread.AddChangeHandle(dir, FILE_NOTIFY_CHANGE_DIR_NAME, folders, false));
    const auto slotsPosted = [&] {
        std::set<uintptr_t> posted;
        for (const auto& [msg, slot] : receiver.messages)
            posted.insert(slot);
        return posted;
    };
    // A file reaches the files' slot only.
    QFile(dir + QStringLiteral("/file")).open(QIODevice::WriteOnly);
    ASSERT_NO_FATAL_FAILURE(DeliverPostsSoFar(thread, receiver, QStringLiteral("watch-shared-spare")));
    EXPECT_EQ(slotsPosted(), std::set<uintptr_t>({uintptr_t(files)}));
    receiver.messages.clear();
    QDir(dir).mkdir(QStringLiteral("sub"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !receiver.messages.empty(); }, 3000));
    EXPECT_EQ(slotsPosted(), std::set<uintptr_t>({uintptr_t(folders)}));
    // The folder's removal ends both slots, each with a last change.
    receiver.messages.clear();
    ASSERT_TRUE(QDir(dir).removeRecursively());
    ASSERT_TRUE(QTest::qWaitFor([&] { return thread.WatchCount() == 1; }, 3000));
    QCoreApplication::processEvents();
    EXPECT_TRUE(slotsPosted().contains(uintptr_t(files)));
    EXPECT_TRUE(slotsPosted().contains(uintptr_t(folders)));
}

TEST(ChangeHandlerTest, MadeWithoutADescriptorLeftItRefusesWatchesAndEnds)
{
    const QString dir = testsupport::freshDir(QStringLiteral("watch-nofd"));
    Receiver receiver;
    const int before = OpenDescriptors();
    rlimit limit{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    // Every descriptor below a lowered limit taken, as in a process that ran out of them.
    rlimit low = limit;
    low.rlim_cur = std::min<rlim_t>(limit.rlim_cur, rlim_t(before + 32));
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    std::vector<int> taken;
    for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
        taken.push_back(fd);
    auto thread = std::make_unique<TChangeHandlerThread>(&receiver, AM_CHANGENOTIFY);
    for (int fd : taken)
        ::close(fd);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &limit), 0);

    // Descriptors are there again, but the thread that could take a watch is not.
    int index = -1;
    EXPECT_FALSE(thread->AddChangeHandle(dir, FILE_NOTIFY_CHANGE_FILE_NAME, index, false));
    EXPECT_FALSE(thread->CloseAllHandles());
    EXPECT_EQ(OpenDescriptors(), before);
    thread.reset();
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST(ChangeHandlerTest, ChangesArePostedWithTheirSlot)
{
    const QString a = testsupport::freshDir(QStringLiteral("watch-a"));
    const QString b = testsupport::freshDir(QStringLiteral("watch-b"));
    Receiver receiver;
    TChangeHandlerThread thread(&receiver, AM_CHANGENOTIFY);
    int ia = -1, ib = -1;
    ASSERT_TRUE(thread.AddChangeHandle(a, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME, ia, false));
    // A folder-only watch ignores files.
    ASSERT_TRUE(thread.AddChangeHandle(b, FILE_NOTIFY_CHANGE_DIR_NAME, ib, false));
    QFile(b + QStringLiteral("/file")).open(QIODevice::WriteOnly);
    QFile(a + QStringLiteral("/file")).open(QIODevice::WriteOnly);
    ASSERT_NO_FATAL_FAILURE(DeliverPostsSoFar(thread, receiver, QStringLiteral("watch-c")));
    for (const auto& [msg, slot] : receiver.messages) {
        EXPECT_EQ(msg, AM_CHANGENOTIFY);
        EXPECT_EQ(slot, uintptr_t(ia));
    }
    receiver.messages.clear();
    QDir(b).mkdir(QStringLiteral("sub"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !receiver.messages.empty(); }, 3000));
    EXPECT_EQ(receiver.messages[0].second, uintptr_t(ib));
}

TEST(ChangeHandlerTest, DeletedFolderPostsOneLastChange)
{
    const QString dir = testsupport::freshDir(QStringLiteral("watch-gone"));
    Receiver receiver;
    TChangeHandlerThread thread(&receiver, AM_CHANGENOTIFY);
    int index = -1;
    ASSERT_TRUE(thread.AddChangeHandle(dir, FILE_NOTIFY_CHANGE_FILE_NAME, index, false));
    ASSERT_TRUE(QDir(dir).removeRecursively());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !receiver.messages.empty() && thread.WatchCount() == 0; }, 3000));
    EXPECT_EQ(receiver.messages[0].second, uintptr_t(index));
    // Its slot is free for the next watch.
    const QString again = testsupport::freshDir(QStringLiteral("watch-again"));
    int next = -1;
    ASSERT_TRUE(thread.AddChangeHandle(again, FILE_NOTIFY_CHANGE_FILE_NAME, next, false));
    EXPECT_EQ(next, index);
}

TEST(ChangeHandlerTest, SubtreeWatchCoversAddedFolders)
{
    const QString root = testsupport::freshDir(QStringLiteral("watch-tree"));
    QDir().mkpath(root + QStringLiteral("/x/y"));
    Receiver receiver;
    TChangeHandlerThread thread(&receiver, AM_CHANGENOTIFY);
    int index = -1;
    ASSERT_TRUE(thread.AddChangeHandle(root, FILE_NOTIFY_CHANGE_DIR_NAME, index, true));
    ASSERT_TRUE(thread.AddSubtreeFolder(index, root + QStringLiteral("/x/y")));
    QDir().mkpath(root + QStringLiteral("/x/y/z"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !receiver.messages.empty(); }, 3000));
    EXPECT_FALSE(thread.AddSubtreeFolder(index + 1, root));
}

TEST(ChangeHandlerTest, DeviceChangesReachListenersInOrderAfterTheBroadcast)
{
    TNSDeviceChangeHandler* handler = NSDeviceChangeHandler();
    std::vector<std::string> calls;
    const int first = handler->Add([&](QObject*, unsigned msg, uintptr_t w) {
        EXPECT_EQ(msg, AM_DEVICECHANGE);
        calls.push_back("first " + std::to_string(w));
        throw EKorvaneError("listener failed");
    });
    const int second = handler->Add([&](QObject*, unsigned, uintptr_t w) { calls.push_back("second " + std::to_string(w)); });
    testsupport::MessageRecorder messages;
    handler->DeviceChange(DBT_DEVICEARRIVAL);
    EXPECT_TRUE(calls.empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, std::vector<std::string>({"first 32768", "second 32768"}));
    EXPECT_EQ(messages.texts.size(), 1);
    handler->Remove(first);
    handler->Remove(first);
    calls.clear();
    handler->DeviceChange(DBT_DEVICEREMOVECOMPLETE);
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, std::vector<std::string>({"second 32772"}));
    handler->Remove(second);
}

TEST(ChangeHandlerTest, MountTableChangeRelaysArrivalAndRemoval)
{
    TFakeMountTable table(testsupport::freshDir(QStringLiteral("mounts")));
    TNSDeviceChangeHandler* handler = NSDeviceChangeHandler();
    std::vector<uintptr_t> events;
    const int id = handler->Add([&](QObject*, unsigned, uintptr_t w) { events.push_back(w); });
    table.Write(QByteArray(TFakeMountTable::RootLine) + "2 1 8:17 / /media/stick rw - vfat /dev/sdb1 rw\n");
    table.Relay();
    table.Write(TFakeMountTable::RootLine);
    handler->MountTableChanged();
    table.Relay();
    EXPECT_EQ(events, std::vector<uintptr_t>({DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE}));
    handler->Remove(id);
}
