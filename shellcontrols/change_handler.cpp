#include "shellcontrols/change_handler.h"

#include "platform/message_box.h"
#include "platform/window_message.h"
#include "shellcontrols/shell_namespace.h"

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

constexpr uint32_t kNameEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
constexpr uint32_t kSelfEvents = IN_DELETE_SELF | IN_MOVE_SELF;

uint32_t WatchMask(uint32_t filter)
{
    uint32_t mask = kSelfEvents | IN_ONLYDIR;
    if (filter & (FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME))
        mask |= kNameEvents;
    return mask;
}

} // namespace

// ---- watcher thread ----

TChangeHandlerThread::TChangeHandlerThread(QObject* target, unsigned message)
    : m_target(target), m_message(message), m_slots(SlotCount)
{
    m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    // A thread that could never be woken could never be told to end either: without its
    // wake-up there is no thread, and every command is refused.
    if (m_wake >= 0)
        m_thread = std::thread([this] { execute(); });
}

TChangeHandlerThread::~TChangeHandlerThread()
{
    auto quit = std::make_shared<Request>();
    quit->command = CmdQuit;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.push_back(quit);
    }
    const uint64_t one = 1;
    if (m_wake >= 0 && ::write(m_wake, &one, sizeof one) < 0) {
        // The counter cannot overflow here; the thread wakes on what is already there.
    }
    if (m_thread.joinable())
        m_thread.join();
    // The thread has ended: every descriptor still held, in a slot or in a queued command
    // it never took, is closed here.
    for (Slot& s : m_slots)
        if (s.fd >= 0)
            ::close(s.fd);
    for (const auto& r : m_queue)
        if (r->fd >= 0)
            ::close(r->fd);
    m_queue.clear();
    if (m_wake >= 0)
        ::close(m_wake);
}

int TChangeHandlerThread::send(const std::shared_ptr<Request>& request)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_queue.push_back(request);
    const uint64_t one = 1;
    if (!m_thread.joinable() || ::write(m_wake, &one, sizeof one) < 0) {
        // Without its wake-up the thread cannot run the command: take it back.
        m_queue.pop_back();
        return -3;
    }
    // On time-out the command stays queued and the thread still carries it out.
    if (!m_replied.wait_for(lock, std::chrono::milliseconds(ReplyTimeoutMs), [&] { return request->done; }))
        return -2;
    return request->reply;
}

bool TChangeHandlerThread::AddChangeHandle(const QString& path, uint32_t notifyFilter, int& index, bool watchSubtree)
{
    if (path.isEmpty())
        return false;
    const QByteArray native = EncodeNativeName(path);
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0)
        return false;
    const int wd = ::inotify_add_watch(fd, native.constData(), WatchMask(notifyFilter));
    if (wd < 0) {
        ::close(fd);
        return false;
    }
    auto r = std::make_shared<Request>();
    r->command = CmdAdd;
    r->fd = fd;
    r->index = wd;
    r->path = native;
    r->filter = notifyFilter;
    r->subtree = watchSubtree;
    // Once queued the descriptor is the thread's, also when the answer comes too late.
    const int reply = send(r);
    if (reply == -3)
        ::close(fd);
    if (reply < 0)
        return false;
    index = reply;
    return true;
}

bool TChangeHandlerThread::AddSubtreeFolder(int index, const QString& path)
{
    if (index < 0 || index >= SlotCount || path.isEmpty())
        return false;
    auto r = std::make_shared<Request>();
    r->command = CmdAddFolder;
    r->index = index;
    r->path = EncodeNativeName(path);
    return send(r) >= 0;
}

bool TChangeHandlerThread::CloseAllHandles()
{
    auto r = std::make_shared<Request>();
    r->command = CmdCloseAll;
    return send(r) >= -1;
}

int TChangeHandlerThread::WatchCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_inUse;
}

void TChangeHandlerThread::closeSlot(int index)
{
    Slot& s = m_slots[size_t(index)];
    if (s.fd < 0)
        return;
    ::close(s.fd);
    s = Slot();
    std::lock_guard<std::mutex> lock(m_mutex);
    --m_inUse;
}

void TChangeHandlerThread::run(Request& r)
{
    switch (r.command) {
    case CmdAdd: {
        r.reply = -1;
        for (int i = 0; i < SlotCount; ++i)
            if (m_slots[size_t(i)].fd < 0) {
                m_slots[size_t(i)] = Slot{r.fd, r.index, r.filter, r.subtree};
                r.reply = i;
                std::lock_guard<std::mutex> lock(m_mutex);
                ++m_inUse;
                break;
            }
        // A watch without a slot is closed at once rather than left pending.
        if (r.reply < 0)
            ::close(r.fd);
        r.fd = -1;
        break;
    }
    case CmdCloseOne:
        if (r.index >= 0 && r.index < SlotCount)
            closeSlot(r.index);
        break;
    case CmdCloseAll:
        for (int i = 0; i < SlotCount; ++i)
            closeSlot(i);
        break;
    case CmdAddFolder: {
        r.reply = -1;
        const Slot& s = m_slots[size_t(r.index)];
        if (s.fd >= 0 && s.subtree &&
            ::inotify_add_watch(s.fd, r.path.constData(), WatchMask(s.filter)) >= 0)
            r.reply = r.index;
        break;
    }
    case CmdQuit: break;
    }
}

bool TChangeHandlerThread::readChanges(int index)
{
    const Slot s = m_slots[size_t(index)];
    alignas(inotify_event) char buf[16384];
    bool changed = false, gone = false;
    for (;;) {
        const ssize_t n = ::read(s.fd, buf, sizeof buf);
        if (n <= 0)
            break;
        for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buf + at);
            at += ssize_t(sizeof(inotify_event) + e->len);
            if (e->mask & IN_Q_OVERFLOW)
                changed = true;
            if (e->mask & kNameEvents) {
                const bool isDir = e->mask & IN_ISDIR;
                if ((isDir && (s.filter & FILE_NOTIFY_CHANGE_DIR_NAME)) ||
                    (!isDir && (s.filter & FILE_NOTIFY_CHANGE_FILE_NAME)))
                    changed = true;
            }
            if (e->mask & (kSelfEvents | IN_IGNORED | IN_UNMOUNT)) {
                changed = true;
                if (e->wd == s.rootWatch)
                    gone = true;
            }
        }
    }
    if (changed && m_target)
        PostMessage(m_target, m_message, uintptr_t(index), 0);
    // A watched folder that went away has posted its last change; its slot is free again.
    if (gone)
        closeSlot(index);
    return changed;
}

void TChangeHandlerThread::execute()
{
    for (;;) {
        std::vector<pollfd> fds;
        std::vector<int> slotOf;
        fds.push_back({m_wake, POLLIN, 0});
        slotOf.push_back(-1);
        for (int i = 0; i < SlotCount; ++i)
            if (m_slots[size_t(i)].fd >= 0) {
                fds.push_back({m_slots[size_t(i)].fd, POLLIN, 0});
                slotOf.push_back(i);
            }
        if (::poll(fds.data(), nfds_t(fds.size()), -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        for (size_t k = 1; k < fds.size(); ++k)
            if (fds[k].revents & POLLIN)
                readChanges(slotOf[k]);
            else if (fds[k].revents & (POLLERR | POLLHUP | POLLNVAL))
                closeSlot(slotOf[k]);
        if (fds[0].revents & POLLIN) {
            uint64_t count;
            if (::read(m_wake, &count, sizeof count) < 0) {
                // Nothing to read: another wake-up already drained it.
            }
            for (;;) {
                std::shared_ptr<Request> r;
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    if (m_queue.empty())
                        break;
                    r = m_queue.front();
                    m_queue.pop_front();
                }
                run(*r);
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    r->done = true;
                }
                m_replied.notify_all();
                if (r->command == CmdQuit)
                    return;
            }
        }
    }
}

// ---- device changes ----

namespace {

QByteArray DriveKey()
{
    QByteArray key;
    for (const TShellDrive& d : ShellDrives())
        key += d.MountPoint + '\0';
    return key;
}

} // namespace

TNSDeviceChangeHandler::TNSDeviceChangeHandler()
{
    m_drives = DriveKey();
    // The kernel marks the mount table as changed through an exceptional condition.
    m_mountFd = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (m_mountFd >= 0) {
        m_notifier = new QSocketNotifier(m_mountFd, QSocketNotifier::Exception, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] { MountTableChanged(); });
    }
}

TNSDeviceChangeHandler::~TNSDeviceChangeHandler()
{
    delete m_notifier;
    if (m_mountFd >= 0)
        ::close(m_mountFd);
}

TNSDeviceChangeHandler* NSDeviceChangeHandler()
{
    static QPointer<TNSDeviceChangeHandler> instance;
    if (!instance) {
        instance = new TNSDeviceChangeHandler;
        instance->setParent(QCoreApplication::instance());
    }
    return instance;
}

int TNSDeviceChangeHandler::Add(TNSDeviceChangeEvent listener)
{
    m_listeners.push_back({m_nextId, std::move(listener)});
    return m_nextId++;
}

void TNSDeviceChangeHandler::Remove(int id)
{
    for (auto it = m_listeners.begin(); it != m_listeners.end(); ++it)
        if (it->id == id) {
            m_listeners.erase(it);
            return;
        }
}

void TNSDeviceChangeHandler::BroadcastToList(uintptr_t wParam)
{
    // The listeners at the start are called; one that goes meanwhile is skipped.
    const std::vector<Listener> listeners = m_listeners;
    for (const Listener& l : listeners) {
        const bool present = std::any_of(m_listeners.begin(), m_listeners.end(),
                                         [&](const Listener& x) { return x.id == l.id; });
        if (present)
            Application->Guard([&] { l.call(this, AM_DEVICECHANGE, wParam); });
    }
}

void TNSDeviceChangeHandler::DeviceChange(uintptr_t wParam)
{
    PostMessage(this, AM_DEVICECHANGE, wParam, 0);
}

void TNSDeviceChangeHandler::MountTableChanged()
{
    const QByteArray now = DriveKey();
    if (now == m_drives)
        return;
    const QList<QByteArray> before = m_drives.split('\0'), after = now.split('\0');
    m_drives = now;
    bool arrived = false, removed = false;
    for (const QByteArray& d : after)
        arrived = arrived || !before.contains(d);
    for (const QByteArray& d : before)
        removed = removed || !after.contains(d);
    if (arrived)
        DeviceChange(DBT_DEVICEARRIVAL);
    if (removed)
        DeviceChange(DBT_DEVICEREMOVECOMPLETE);
}

bool TNSDeviceChangeHandler::event(QEvent* e)
{
    if (const TMessageEvent* m = AsMessageEvent(e)) {
        if (m->Msg == AM_DEVICECHANGE)
            BroadcastToList(m->WParam);
        return true;
    }
    return QObject::event(e);
}
