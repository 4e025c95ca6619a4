#include "app/startup.h"

#include "app/main_frame.h"
#include "app/program_icon.h"
#include "app/splash_dialog.h"
#include "bars/sb_mouse_manager.h"
#include "bars/sb_out_bar.h"
#include "document/std.h"
#include "platform/file_utils.h"
#include "platform/message_box.h"
#include "shellcontrols/shell_utils.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QStringDecoder>
#include <QTimer>
#include <QSocketNotifier>
#include <QtEndian>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A stalled peer is dropped after this long without a complete message; the tests shorten it
// through KORVANE_IDLE_CONNECTION_MS.
int IdleConnectionMs()
{
    static const int ms = [] {
        bool ok = false;
        const int set = qEnvironmentVariableIntValue("KORVANE_IDLE_CONNECTION_MS", &ok);
        return ok && set > 0 ? set : 10000;
    }();
    return ms;
}
// How long a second instance waits for the first one to take a document.
constexpr int AckWaitMs = 30000;
constexpr int ConnectWaitMs = 2000;
// A failed accept (no descriptor free) is tried again after this long.
constexpr int AcceptRetryMs = 200;

} // namespace

QStringList AbsoluteArguments(const QStringList& arguments, const QString& startDir)
{
    QStringList result;
    const QDir base(startDir);
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        // An empty argument names nothing; keep it so argument positions stay as given.
        result << (a.isEmpty() ? a : QDir::cleanPath(base.absoluteFilePath(a)));
    }
    return result;
}

bool IsDocumentArgument(const QString& argument)
{
    if (!argument.endsWith(QStringLiteral(".kvo"), Qt::CaseInsensitive))
        return false;
    return QFileInfo(argument).isFile();
}

namespace handover {

QByteArray Encode(uint32_t dwData, const QByteArray& data)
{
    QByteArray out(HeaderBytes, '\0');
    qToLittleEndian<uint32_t>(dwData, out.data());
    qToLittleEndian<uint32_t>(uint32_t(data.size()), out.data() + 4);
    out += data;
    return out;
}

QByteArray EncodeDocument(const QString& path)
{
    const QByteArray utf8 = path.toUtf8();
    if (utf8.isEmpty() || uint32_t(utf8.size()) > MaxPathBytes || utf8.contains('\0'))
        return {};
    return Encode(DocumentTag, utf8);
}

Step Decode(QByteArray& buffer, HandOverMessage& message)
{
    if (buffer.size() < HeaderBytes)
        return Step::NeedMore;
    const uint32_t tag = qFromLittleEndian<uint32_t>(buffer.constData());
    const uint32_t length = qFromLittleEndian<uint32_t>(buffer.constData() + 4);
    if (tag != DocumentTag || length == 0 || length > MaxPathBytes)
        return Step::Bad;
    if (uint32_t(buffer.size()) - HeaderBytes < length)
        return Step::NeedMore;
    QByteArray data = buffer.mid(HeaderBytes, int(length));
    if (data.contains('\0'))
        return Step::Bad;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8(data);
    if (utf8.hasError())
        return Step::Bad;
    buffer.remove(0, HeaderBytes + int(length));
    message.dwData = tag;
    message.Data = std::move(data);
    return Step::Message;
}

} // namespace handover

TInstanceChannel::TInstanceChannel(const QString& serverPath, QObject* parent)
    : QObject(parent), m_path(serverPath)
{
}

TInstanceChannel::~TInstanceChannel()
{
    if (m_listenFd >= 0) {
        delete m_notifier;
        ::close(m_listenFd);
        ::unlink(QFile::encodeName(m_path).constData());
    }
}

QString TInstanceChannel::DefaultServerPath()
{
    return TempDir() + QStringLiteral("instance");
}

bool TInstanceChannel::IsFirstInstance(const QStringList& arguments)
{
    // Two programs started at once must not both decide they are the first.
    QLockFile lock(m_path + QStringLiteral(".lock"));
    lock.setStaleLockTime(10000);
    const bool locked = lock.tryLock(5000);

    QLocalSocket probe;
    probe.connectToServer(m_path);
    if (probe.waitForConnected(ConnectWaitMs)) {
        if (locked)
            lock.unlock();
        ForwardDocumentsToRunningInstance(probe, arguments);
        probe.disconnectFromServer();
        return false;
    }

    if (!Listen()) {
        // Without the channel this instance still runs; it only cannot receive documents.
        qWarning("korvane: cannot listen on %s: %s", qPrintable(m_path), std::strerror(errno));
    }
    return true;
}

bool TInstanceChannel::Listen()
{
    const QByteArray path = QFile::encodeName(m_path);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (size_t(path.size()) >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return false;
    }
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    // Nobody answers: a socket file left by a crashed run is removed before listening.
    ::unlink(path.constData());
    // Only this user may connect: the socket is made without any access for others.
    const mode_t mask = ::umask(0077);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::umask(mask);
    if (!bound || ::listen(fd, 64) != 0) {
        const int e = errno;
        ::close(fd);
        errno = e;
        return false;
    }
    m_listenFd = fd;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TInstanceChannel::AcceptPending);
    m_retry = new QTimer(this);
    m_retry->setSingleShot(true);
    connect(m_retry, &QTimer::timeout, this, &TInstanceChannel::AcceptPending);
    return true;
}

void TInstanceChannel::SetReceiver(std::function<void(const HandOverMessage&)> receiver)
{
    m_receiver = std::move(receiver);
    ScheduleDelivery();
}

void TInstanceChannel::AcceptPending()
{
    if (m_listenFd < 0)
        return;
    for (;;) {
        if (m_connections >= MaxConnections) {
            // The rest wait in the backlog until a held connection closes.
            m_notifier->setEnabled(false);
            return;
        }
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED || errno == EPROTO)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                m_notifier->setEnabled(true);
                return;
            }
            // Out of descriptors or memory: the server stays; it tries again a little later
            // rather than spinning on a backlog it cannot take yet.
            m_notifier->setEnabled(false);
            m_retry->start(AcceptRetryMs);
            return;
        }
        auto* socket = new QLocalSocket(this);
        if (!socket->setSocketDescriptor(fd, QLocalSocket::ConnectedState, QIODevice::ReadWrite)) {
            ::close(fd);
            delete socket;
            continue;
        }
        ++m_connections;
        auto* idle = new QTimer(socket);
        idle->setObjectName(QStringLiteral("idle"));
        idle->setSingleShot(true);
        idle->start(IdleConnectionMs());
        connect(idle, &QTimer::timeout, socket, [socket] { socket->abort(); });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadFrom(socket); });
        // Counted off as soon as it is closed: its deletion may wait for a box to be answered.
        auto closed = [this, socket] {
            if (!socket->property("closed").toBool()) {
                socket->setProperty("closed", true);
                ConnectionClosed();
            }
        };
        connect(socket, &QLocalSocket::disconnected, this, closed);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::aboutToClose, this, closed);
        ReadFrom(socket);
    }
}

void TInstanceChannel::ConnectionClosed()
{
    --m_connections;
    if (m_listenFd >= 0 && !m_retry->isActive())
        QTimer::singleShot(0, this, &TInstanceChannel::AcceptPending);
}

void TInstanceChannel::ReadFrom(QLocalSocket* socket)
{
    // Only reads, queues and answers: nothing here waits for the user, so the socket never
    // goes away under a handler that still uses it.
    QByteArray buffer = socket->property("buffer").toByteArray();
    bool read = false;
    for (;;) {
        // Never more than one message's worth beyond what is already buffered.
        const qint64 room = handover::HeaderBytes + handover::MaxPathBytes - buffer.size();
        if (room > 0 && socket->bytesAvailable() > 0)
            buffer += socket->read(room);
        HandOverMessage message;
        const handover::Step step = handover::Decode(buffer, message);
        if (step == handover::Step::Bad) {
            socket->abort();
            return;
        }
        if (step == handover::Step::NeedMore) {
            if (socket->bytesAvailable() > 0 && buffer.size() < handover::HeaderBytes + int(handover::MaxPathBytes))
                continue;
            break;
        }
        read = true;
        if (m_queue.size() < MaxQueued)
            m_queue.enqueue(std::move(message));
        else
            qWarning("korvane: too many documents handed over at once; one dropped");
        if (socket->state() == QLocalSocket::ConnectedState)
            socket->write(&handover::Ack, 1);
    }
    socket->setProperty("buffer", buffer);
    if (read) {
        if (auto* idle = socket->findChild<QTimer*>(QStringLiteral("idle")))
            idle->start(IdleConnectionMs());
        socket->flush();
        ScheduleDelivery();
    }
}

void TInstanceChannel::ScheduleDelivery()
{
    if (m_deliveryScheduled || m_delivering || !m_receiver || m_queue.isEmpty())
        return;
    m_deliveryScheduled = true;
    QMetaObject::invokeMethod(this, &TInstanceChannel::DeliverNext, Qt::QueuedConnection);
}

void TInstanceChannel::DeliverNext()
{
    m_deliveryScheduled = false;
    // A receiver that waits for the user (a message box) runs an event loop of its own; the next
    // document waits until it has returned.
    if (m_delivering || !m_receiver || m_queue.isEmpty())
        return;
    const HandOverMessage message = m_queue.dequeue();
    QPointer<TInstanceChannel> alive(this);
    m_delivering = true;
    try {
        m_receiver(message);
    } catch (...) {
        if (alive) {
            m_delivering = false;
            ScheduleDelivery();
        }
        throw;
    }
    if (!alive)
        return;
    m_delivering = false;
    ScheduleDelivery();
}

int ForwardDocumentsToRunningInstance(QLocalSocket& target, const QStringList& arguments)
{
    int taken = 0;
    for (const QString& argument : arguments) {
        if (!IsDocumentArgument(argument))
            continue;
        const QByteArray message = handover::EncodeDocument(argument);
        if (message.isEmpty())
            continue;   // a path no receiver would accept
        target.write(message);
        if (!target.waitForBytesWritten(AckWaitMs))
            break;
        // Like a synchronous send: the next document goes once this one has been handled.
        QByteArray ack;
        while (ack.isEmpty()) {
            if (target.bytesAvailable() == 0 && !target.waitForReadyRead(AckWaitMs))
                return taken;
            ack = target.read(1);
        }
        ++taken;
    }
    return taken;
}

namespace {

int g_signalPipe[2] = {-1, -1};
// Set when the session asked the program to end before its main window existed.
bool g_terminateRequested = false;

void OnTerminate(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &c, 1);
}

// Modal dialogs run event loops of their own further up the stack: they are cancelled first,
// and the main window closes once every one of them has returned, never under them.
void CloseMainWindowWhenNoDialogIsOpen()
{
    if (QWidget* modal = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        QTimer::singleShot(50, &CloseMainWindowWhenNoDialogIsOpen);
        return;
    }
    if (Application && Application->MainForm) {
        // Also when the window has not been shown yet (the splash is still up).
        if (Application->MainForm->close())
            QCoreApplication::quit();
    } else
        g_terminateRequested = true;   // the window closes as soon as it is there
}

// The session ending (SIGTERM) or Ctrl+C closes the main window as the user would, so the
// settings are saved and the temporary files removed.
void CloseOnTerminate(QObject* owner)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [] {
        char c;
        [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[0], &c, 1);
        CloseMainWindowWhenNoDialogIsOpen();
    });
    struct sigaction action = {};
    action.sa_handler = OnTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

} // namespace

int WinMain(int argc, char** argv)
{
    // Relative arguments name files in the folder the program was started from.
    const QString startDir = QDir::currentPath();
    IgnoreFileSizeSignal();
    QApplication app(argc, argv);
    const QStringList arguments = AbsoluteArguments(QCoreApplication::arguments(), startDir);
    try {
        QDir::setCurrent(ProgramDir());
        InitUILanguage();
        // The shell controls look their texts up in the same language.
        SetNSStringLoader(&LoadLangStr);

        // Every temporary file and the instance channel live in a private folder; without one
        // the program would have to use a folder others can write to.
        if (TempDir().isEmpty()) {
            MessageDlg(LoadLangStr(NoPrivateTempFolderString), mtError, mbOK);
            FreeLanguageDll();
            return 2;
        }

        TInstanceChannel channel;
        if (!channel.IsFirstInstance(arguments)) {
            FreeLanguageDll();
            return 1;
        }

        Application->Title = QStringLiteral("Korvane");
        SetProgramIcon();
        InitSideBarUnit();
        QApplication::setQuitOnLastWindowClosed(true);
        CloseOnTerminate(&app);

        QPointer<TSplashDialog> splash = new TSplashDialog();
        splash->show();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        splash->repaint();

        QPointer<TMainFrame> frame = new TMainFrame(arguments);
        if (!frame->CreatedOk()) {
            delete frame.data();
            delete splash.data();
            FreeLanguageDll();
            return 2;
        }
        Application->MainForm = frame;
        channel.SetReceiver([frame](const HandOverMessage& message) {
            if (!frame)
                return;
            QByteArray text = message.Data;
            text.append('\0');
            COPYDATASTRUCT data;
            data.dwData = message.dwData;
            data.cbData = uint32_t(text.size());
            data.lpData = text.constData();
            Application->Guard([&] { frame->WMCopyData(data); });
        });
        if (splash)
            splash->SetMainForm(frame);
        else
            frame->show();
        if (g_terminateRequested)
            QTimer::singleShot(0, &CloseMainWindowWhenNoDialogIsOpen);

        app.exec();
        delete frame.data();
        delete splash.data();
        FreeMouseManager();
    } catch (const std::exception& e) {
        Application->ShowException(e);
    } catch (...) {
        Application->ShowException(std::runtime_error("Unknown error"));
    }
    FreeLanguageDll();
    return 0;
}
