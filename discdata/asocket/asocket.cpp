#include "discdata/asocket/asocket.h"

#include "platform/window_message.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

// A host-name lookup in flight. The worker posts its result only while the socket still
// wants it; the socket clears target under the lock before it goes.
struct TASocketLookup {
    std::mutex lock;
    QObject* target = nullptr;
    quint64 id = 0;
    int error = 0;
    std::vector<uint32_t> addresses;
    QString host;
    std::atomic<bool> done{false};
};

namespace {

int g_liveSockets = 0;
quint64 g_nextLookupId = 0;

// A resolver call cannot be interrupted: a lookup whose socket has gone runs to its end on its
// own state, and its thread is joined later, never waited for by the window. The finished ones
// are joined whenever a lookup starts, the rest when the application ends.
class TLookupThreads {
public:
    ~TLookupThreads() { JoinAll(); }

    void Start(const std::shared_ptr<TASocketLookup>& lookup, std::function<void()> work)
    {
        std::vector<std::thread> finished;
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_joinAtExit && QCoreApplication::instance()) {
            m_joinAtExit = true;
            qAddPostRoutine([] { ASocketJoinLookups(); });
        }
        for (auto it = m_threads.begin(); it != m_threads.end();) {
            if (it->first->done) {
                it->second.join();
                it = m_threads.erase(it);
            } else {
                ++it;
            }
        }
        m_threads.emplace_back(lookup, std::thread(std::move(work)));
    }
    void JoinAll()
    {
        std::vector<std::pair<std::shared_ptr<TASocketLookup>, std::thread>> threads;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            threads.swap(m_threads);
        }
        for (auto& t : threads)
            t.second.join();
    }
    int Running()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return int(
            std::count_if(m_threads.begin(), m_threads.end(), [](const auto& t) { return !t.first->done; }));
    }

private:
    std::mutex m_lock;
    std::vector<std::pair<std::shared_ptr<TASocketLookup>, std::thread>> m_threads;
    bool m_joinAtExit = false;
};

TLookupThreads g_lookupThreads;

int ErrnoError()
{
    return WinsockErrorOf(errno);
}

} // namespace

TCustomASocket::TCustomASocket(QObject* owner) : QObject(owner)
{
    AssignDefaultValue();
    ++g_liveSockets;
}

TCustomASocket::~TCustomASocket()
{
    m_destroying = true;
    // What is left of this object is the base: no handler may see it go.
    OnChangeState = nullptr;
    CancelLookup();
    if (m_state != wsClosed || m_hSocket >= 0)
        InternalClose(false, 0);
    DropNotifiers();
    if (--g_liveSockets == 0)
        ASocketUnloadWinsock();
}

void TCustomASocket::AssignDefaultValue()
{
    m_remoteAddress = 0;
    m_remotePort = 0;
    m_proto = QStringLiteral("tcp");
    m_protoNumber = 6;
    m_protoAssigned = true;
    m_protoResolved = false;
    m_localPort = QStringLiteral("0");
    m_localAddr = QStringLiteral("0.0.0.0");
    m_hSocket = -1;
    m_state = wsClosed;
    LingerOnOff = wsLingerOn;
    LingerTimeout = 0;
    FlushTimeout = 60;
    m_allSent = true;
    m_addrAssigned = m_addrResolved = false;
    m_portAssigned = m_portResolved = false;
}

void TCustomASocket::SetAddr(const QString& value)
{
    if (value == m_addr && m_addrAssigned)
        return;
    if (m_state != wsClosed) {
        RaiseException(QStringLiteral("Cannot change Addr if not closed"));
        return;
    }
    m_addr = value.trimmed();
    m_addrAssigned = !m_addr.isEmpty();
    m_addrResolved = false;
}

void TCustomASocket::SetPort(const QString& value)
{
    if (value == m_port && m_portAssigned)
        return;
    if (m_state != wsClosed) {
        RaiseException(QStringLiteral("Cannot change Port if not closed"));
        return;
    }
    m_port = value.trimmed();
    m_portAssigned = !m_port.isEmpty();
    m_portResolved = false;
}

void TCustomASocket::SetProto(const QString& value)
{
    if (value == m_proto && m_protoAssigned)
        return;
    if (m_state != wsClosed) {
        RaiseException(QStringLiteral("Cannot change Proto if not closed"));
        return;
    }
    m_proto = value.trimmed();
    m_protoAssigned = !m_proto.isEmpty();
    m_protoResolved = false;
}

void TCustomASocket::SetLocalAddr(const QString& value)
{
    if (m_state != wsClosed) {
        RaiseException(QStringLiteral("Cannot change LocalAddr if not closed"));
        return;
    }
    m_localAddr = value.isEmpty() ? QStringLiteral("0.0.0.0") : value;
}

void TCustomASocket::SetLocalPort(const QString& value)
{
    if (m_state != wsClosed) {
        RaiseException(QStringLiteral("Cannot change LocalPort if not closed"));
        return;
    }
    m_localPort = value;
}

void TCustomASocket::SetSendFlags(int flags)
{
    if (flags == wsSendNormal || flags == wsSendUrgent)
        m_sendFlags = TSocketSendFlags(flags);
    else
        RaiseException(QStringLiteral("Invalid SendFlags"));
}

// ---- connecting ----

bool TCustomASocket::ReadyToConnect()
{
    if (m_state != wsClosed) {
        RaiseException(QStringLiteral("Connect: Socket already in use"));
        return false;
    }
    if (!m_portAssigned) {
        RaiseException(QStringLiteral("Connect: No Port Specified"));
        return false;
    }
    if (!m_addrAssigned) {
        RaiseException(QStringLiteral("Connect: No IP Address Specified"));
        return false;
    }
    return true;
}

void TCustomASocket::Connect()
{
    if (!ReadyToConnect())
        return;
    if (!m_protoAssigned) {
        RaiseException(QStringLiteral("Connect: No Protocol Specified"));
        return;
    }
    ASocketGetProc("");
    if (!m_protoResolved) {
        m_protoNumber = ASocketResolveProto(m_proto);
        if (m_protoNumber == 17) {
            RaiseException(QStringLiteral("Connect: only TCP is supported"));
            return;
        }
        m_protoResolved = true;
    }
    if (!m_portResolved) {
        m_remotePort = ASocketResolvePort(m_port, m_proto);
        m_portResolved = true;
    }
    // A new session: messages and lookups of the earlier one no longer count.
    ++m_session;
    m_closeReported = false;
    m_readCount = 0;
    m_sendQueue.clear();
    m_allSent = true;
    if (m_addrResolved) {
        ConnectTo(m_remoteAddress);
        return;
    }
    if (m_addr.size() > 256) {
        // The same limit the blocking resolver keeps.
        ASocketResolveHost(m_addr);
    }
    if (ASocketIsDottedIP(m_addr)) {
        m_remoteAddress = ASocketResolveHost(m_addr);
        m_addrResolved = true;
        ConnectTo(m_remoteAddress);
        return;
    }
    // The session runs from here: a lookup that fails ends it like a failed connect.
    ChangeState(wsConnecting);
    StartLookup(m_addr, true);
}

void TCustomASocket::ConnectTo(uint32_t address)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, m_protoNumber);
    if (fd < 0) {
        SocketError(QStringLiteral("Connect (socket)"), ErrnoError());
        return;
    }
    m_hSocket = fd;
    if (m_state != wsOpened)
        ChangeState(wsOpened);
    // A failure from here on ends the session (reported once), then raises the error.
    auto fail = [this](const char* function) {
        const int error = ErrnoError();
        m_lastError = error;
        InternalClose(false, error);
        SocketError(QString::fromLatin1(function), error);
    };
    const int one = 1;
    if (m_localPort != QLatin1String("0") || m_localAddr != QLatin1String("0.0.0.0")) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(uint16_t(ASocketResolvePort(m_localPort, m_proto)));
        local.sin_addr.s_addr = ASocketResolveHost(m_localAddr);
        if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
            fail("Bind");
            return;
        }
    }
    // Linger with a zero time-out would reset the connection and drop data still queued in
    // the system; only a real time-out is set.
    if (LingerOnOff != wsLingerNoSet && !(LingerOnOff == wsLingerOn && LingerTimeout == 0)) {
        linger l{};
        l.l_onoff = LingerOnOff == wsLingerOn;
        l.l_linger = LingerTimeout;
        if (::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l) != 0) {
            fail("setsockopt(SO_LINGER)");
            return;
        }
    }
    if (::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &one, sizeof one) != 0) {
        fail("setsockopt(SO_KEEPALIVE)");
        return;
    }
    if (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0) {
        fail("setsockopt(SO_REUSEADDR)");
        return;
    }
    m_readNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    m_writeNotifier = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    m_readNotifier->setEnabled(false);
    connect(m_readNotifier, &QSocketNotifier::activated, this, [this] { Guarded([this] { ReadReady(); }); });
    connect(m_writeNotifier, &QSocketNotifier::activated, this,
            [this] { Guarded([this] { WriteReady(); }); });
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(uint16_t(m_remotePort));
    remote.sin_addr.s_addr = address;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0 && errno != EINPROGRESS) {
        fail("Connect");
        return;
    }
    ChangeState(wsConnecting);
}

void TCustomASocket::StartLookup(const QString& host, bool forConnect)
{
    CancelLookup();
    auto lookup = std::make_shared<TASocketLookup>();
    lookup->target = this;
    lookup->id = ++g_nextLookupId;
    lookup->host = host;
    m_lookup = lookup;
    m_connectLookup = forConnect;
    g_lookupThreads.Start(lookup, [lookup] {
        std::vector<uint32_t> addresses;
        const int error = ASocketLookupHost(lookup->host, addresses);
        {
            std::lock_guard<std::mutex> guard(lookup->lock);
            if (lookup->target) {
                lookup->error = error;
                lookup->addresses = std::move(addresses);
                PostMessage(lookup->target, WM_ASYNCGETHOSTBYNAME, uintptr_t(lookup->id), 0);
            }
        }
        lookup->done = true;
    });
}

void ASocketJoinLookups()
{
    g_lookupThreads.JoinAll();
}

int ASocketRunningLookups()
{
    return g_lookupThreads.Running();
}

void TCustomASocket::CancelLookup()
{
    if (!m_lookup)
        return;
    std::lock_guard<std::mutex> guard(m_lookup->lock);
    m_lookup->target = nullptr;
    m_lookup.reset();
}

void TCustomASocket::DnsLookup(const QString& hostName)
{
    ASocketGetProc("");
    DnsResultList.clear();
    if (hostName.isEmpty()) {
        RaiseException(QStringLiteral("DNS lookup: invalid host name."));
        return;
    }
    if (ASocketIsDottedIP(hostName)) {
        DnsResultList << hostName.trimmed();
        TriggerDNSLookupDone(0);
        return;
    }
    StartLookup(hostName, false);
}

void TCustomASocket::CancelDnsLookup()
{
    if (!m_connectLookup)
        CancelLookup();
}

void TCustomASocket::LookupDone()
{
    std::shared_ptr<TASocketLookup> lookup = std::move(m_lookup);
    int error;
    std::vector<uint32_t> addresses;
    {
        std::lock_guard<std::mutex> guard(lookup->lock);
        lookup->target = nullptr;
        error = lookup->error;
        addresses = lookup->addresses;
    }
    if (!m_connectLookup) {
        for (uint32_t a : addresses)
            DnsResultList << ASocketDotted(a);
        m_lastError = error;
        TriggerDNSLookupDone(error);
        return;
    }
    if (error) {
        m_lastError = error;
        InternalClose(false, error);
        RaiseException(QStringLiteral("ASocketResolveHost: Cannot convert host address '%1', Error #%2")
                           .arg(lookup->host)
                           .arg(error));
        return;
    }
    m_remoteAddress = addresses.front();
    m_addrResolved = true;
    ConnectTo(m_remoteAddress);
}

// ---- notifications ----

bool TCustomASocket::event(QEvent* e)
{
    if (const TMessageEvent* m = AsMessageEvent(e)) {
        const unsigned msg = m->Msg;
        const uintptr_t w = m->WParam;
        const intptr_t l = m->LParam;
        Guarded([&] { WndProc(msg, w, l); });
        return true;
    }
    return QObject::event(e);
}

void TCustomASocket::WndProc(unsigned msg, uintptr_t wParam, intptr_t lParam)
{
    switch (msg) {
    case WM_ASYNCSELECT:
        // Only the data-sent notice is posted; it belongs to the session it was posted in.
        if (wParam == m_session && m_hSocket >= 0 && (lParam & 0xFFFF) == FD_WRITE && m_allSent)
            TriggerDataSent(int(lParam >> 16));
        break;
    case WM_ASYNCGETHOSTBYNAME:
        if (m_lookup && wParam == m_lookup->id)
            LookupDone();
        break;
    case WM_CLOSE_DELAYED:
        if (wParam == m_session)
            Close();
        break;
    case WM_ASOCKET_RELEASE: deleteLater(); break;
    case WM_TRIGGER_EXCEPTION: throw ESocketException(QStringLiteral("Test exception in ASocket"));
    default: break;
    }
}

void TCustomASocket::ReadReady()
{
    if (m_hSocket < 0 || m_paused)
        return;
    if (m_receiveDepth > 0) {
        // A handler is still at work on earlier data (a nested event loop): wait for it.
        m_readNotifier->setEnabled(false);
        m_readDeferred = true;
        return;
    }
    int waiting = 0;
    if (::ioctl(m_hSocket, FIONREAD, &waiting) == 0 && waiting > 0) {
        ASyncReceive(0);
        return;
    }
    char c;
    const ssize_t r = ::recv(m_hSocket, &c, 1, MSG_PEEK | MSG_DONTWAIT);
    if (r == 0)
        SessionEnded(0);
    else if (r < 0 && errno != EAGAIN && errno != EINTR)
        SessionEnded(ErrnoError());
}

void TCustomASocket::WriteReady()
{
    if (m_hSocket < 0 || m_paused)
        return;
    if (m_state == wsConnecting) {
        int soError = 0;
        socklen_t len = sizeof soError;
        ::getsockopt(m_hSocket, SOL_SOCKET, SO_ERROR, &soError, &len);
        const int error = WinsockErrorOf(soError);
        ChangeState(wsConnected);
        m_readNotifier->setEnabled(true);
        UpdateWriteNotifier();
        m_lastError = error;
        const quint64 session = m_session;
        TriggerSessionConnected(error);
        if (error && session == m_session && m_state != wsClosed)
            InternalClose(false, error);
        return;
    }
    TryToSend();
    if (m_hSocket >= 0 && m_allSent) {
        UpdateWriteNotifier();
        TriggerDataSent(0);
    }
}

void TCustomASocket::ASyncReceive(int error)
{
    QPointer<TCustomASocket> guard(this);
    ++m_receiveDepth;
    struct Leave {
        QPointer<TCustomASocket>& g;
        ~Leave()
        {
            if (!g)
                return;
            if (--g->m_receiveDepth == 0 && g->m_readDeferred) {
                g->m_readDeferred = false;
                if (g->m_readNotifier && !g->m_paused)
                    g->m_readNotifier->setEnabled(true);
            }
        }
    } leave{guard};
    while (true) {
        m_lastError = 0;
        int before = 0;
        if (m_hSocket >= 0)
            ::ioctl(m_hSocket, FIONREAD, &before);
        if (!TriggerDataAvailable(error) && guard && m_hSocket >= 0) {
            char buf[1024];
            while (::recv(m_hSocket, buf, sizeof buf, MSG_DONTWAIT) > 0) {
            }
        }
        if (!guard || m_hSocket < 0)
            return;
        int waiting = 0;
        if (::ioctl(m_hSocket, FIONREAD, &waiting) != 0 || waiting == 0 || waiting == before)
            return; // nothing left, or a handler that reads nothing: wait for the next notice
    }
}

void TCustomASocket::SessionEnded(int error)
{
    if (m_state == wsConnecting)
        return;
    QPointer<TCustomASocket> guard(this);
    int waiting = 0;
    if (m_hSocket >= 0 && ::ioctl(m_hSocket, FIONREAD, &waiting) == 0 && waiting > 0)
        ASyncReceive(0);
    if (!guard)
        return;
    if (!m_closeReported) {
        m_closeReported = true;
        TriggerSessionClosed(error);
    }
    if (guard && m_state != wsClosed)
        Close();
}

// ---- receiving ----

int TCustomASocket::GetRcvdCount()
{
    if (m_hSocket < 0)
        return 0;
    int waiting = 0;
    if (::ioctl(m_hSocket, FIONREAD, &waiting) != 0)
        return 0;
    return waiting;
}

int TCustomASocket::DoRecv(void* buffer, int len, int flags)
{
    if (m_hSocket < 0) {
        ASocket_WSASetLastError(WSAENOTCONN);
        return -1;
    }
    const ssize_t r = ::recv(m_hSocket, buffer, size_t(std::max(len, 0)), flags | MSG_DONTWAIT);
    if (r < 0) {
        ASocket_WSASetLastError(ErrnoError());
        return -1;
    }
    return int(r);
}

int TCustomASocket::Receive(void* buffer, int len)
{
    const int n = DoRecv(buffer, len, 0);
    if (n < 0)
        m_lastError = ASocket_WSAGetLastError();
    else
        m_readCount += n;
    return n;
}

QByteArray TCustomASocket::ReceiveStr()
{
    const int n = GetRcvdCount();
    if (n <= 0)
        return QByteArray();
    QByteArray text(n, '\0');
    const int got = Receive(text.data(), n);
    if (got <= 0)
        return QByteArray();
    text.truncate(got);
    return text;
}

// ---- sending ----

int TCustomASocket::Send(const void* data, int len)
{
    if (m_state != wsConnected) {
        ASocket_WSASetLastError(WSAENOTCONN);
        SocketError(QStringLiteral("Send"), WSAENOTCONN);
        return -1;
    }
    if (len <= 0)
        return 0;
    m_allSent = false;
    const auto* p = static_cast<const uint8_t*>(data);
    int left = len;
    while (left > 0) {
        if (m_sendQueue.empty())
            m_sendQueue.push_back(std::make_unique<TBuffer>(m_bufSize));
        const int n = m_sendQueue.back()->Write(p, left);
        if (n == 0) {
            m_sendQueue.push_back(std::make_unique<TBuffer>(m_bufSize));
            continue;
        }
        p += n;
        left -= n;
    }
    TryToSend();
    if (m_hSocket >= 0) {
        if (m_allSent)
            PostMessage(this, WM_ASYNCSELECT, uintptr_t(m_session), FD_WRITE);
        UpdateWriteNotifier();
    }
    return len;
}

int TCustomASocket::SendStr(const QByteArray& text)
{
    return Send(text.constData(), int(text.size()));
}

int TCustomASocket::SendStr(const QString& text)
{
    return SendStr(text.toLatin1());
}

int TCustomASocket::RealSend(const uint8_t* data, int len)
{
    const int flags = MSG_NOSIGNAL | MSG_DONTWAIT | (m_sendFlags == wsSendUrgent ? MSG_OOB : 0);
    const ssize_t r = ::send(m_hSocket, data, size_t(len), flags);
    if (r < 0) {
        ASocket_WSASetLastError(ErrnoError());
        return -1;
    }
    if (r > 0 && OnSendData)
        OnSendData(this, int(r));
    return int(r);
}

void TCustomASocket::TryToSend()
{
    if (m_hSocket < 0 || m_sendQueue.empty())
        return;
    QPointer<TCustomASocket> guard(this);
    while (!m_sendQueue.empty()) {
        int len = 0;
        const uint8_t* p = m_sendQueue.front()->Peek(len);
        if (len == 0) {
            if (m_sendQueue.size() > 1) {
                m_sendQueue.erase(m_sendQueue.begin());
                continue;
            }
            m_allSent = true;
            m_sendQueue.clear();
            return;
        }
        const int n = RealSend(p, len);
        if (!guard)
            return;
        if (n < 0) {
            const int error = ASocket_WSAGetLastError();
            if (error == WSAEWOULDBLOCK)
                return;
            m_lastError = error;
            if (error == WSAECONNRESET || error == WSAENOTSOCK || error == WSAENOTCONN ||
                error == WSAEINVAL || error == WSAECONNABORTED) {
                InternalClose(false, error);
                return;
            }
            SocketError(QStringLiteral("TryToSend failed"), error);
            return;
        }
        m_sendQueue.front()->Remove(n);
        if (n < len)
            return; // the rest waits until the system takes more
    }
    m_allSent = true;
}

void TCustomASocket::UpdateWriteNotifier()
{
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(!m_paused && (m_state == wsConnecting || !m_allSent));
}

// ---- closing ----

void TCustomASocket::Close()
{
    InternalClose(true, 0);
}

void TCustomASocket::CloseDelayed()
{
    PostMessage(this, WM_CLOSE_DELAYED, uintptr_t(m_session), 0);
}

void TCustomASocket::Release()
{
    PostMessage(this, WM_ASOCKET_RELEASE, 0, 0);
}

void TCustomASocket::Abort()
{
    CancelLookup();
    m_sendQueue.clear();
    m_allSent = true;
    if (m_hSocket >= 0 && m_state == wsConnected) {
        linger l{1, 0};
        ::setsockopt(m_hSocket, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    }
    InternalClose(false, 0);
}

void TCustomASocket::DropNotifiers()
{
    delete m_readNotifier;
    delete m_writeNotifier;
    m_readNotifier = m_writeNotifier = nullptr;
}

void TCustomASocket::InternalClose(bool shut, int error)
{
    if (m_hSocket < 0) {
        if (m_state == wsClosed)
            return;
        // A session still looking its host up.
        CancelLookup();
        ChangeState(wsClosed);
        if (!m_destroying && !m_closeReported) {
            m_closeReported = true;
            TriggerSessionClosed(error);
        }
        AssignDefaultValue();
        return;
    }
    if (m_state == wsClosed)
        return;
    if (shut)
        ::shutdown(m_hSocket, SHUT_WR);
    DropNotifiers();
    ::close(m_hSocket);
    m_hSocket = -1;
    m_sendQueue.clear();
    ChangeState(wsClosed);
    if (!m_destroying && !m_closeReported) {
        m_closeReported = true;
        TriggerSessionClosed(error);
    }
    AssignDefaultValue();
}

void TCustomASocket::Shutdown(int how)
{
    if (m_hSocket >= 0)
        ::shutdown(m_hSocket, how == 0 ? SHUT_RD : how == 1 ? SHUT_WR : SHUT_RDWR);
}

void TCustomASocket::Pause()
{
    m_paused = true;
    if (m_readNotifier)
        m_readNotifier->setEnabled(false);
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
}

void TCustomASocket::Resume()
{
    m_paused = false;
    if (m_readNotifier)
        m_readNotifier->setEnabled(m_state == wsConnected && !m_readDeferred);
    UpdateWriteNotifier();
}

void TCustomASocket::MessagePump()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// ---- events and errors ----

void TCustomASocket::ChangeState(TSocketState newState)
{
    const TSocketState old = m_state;
    m_state = newState;
    TriggerChangeState(old, newState);
}

bool TCustomASocket::TriggerDataAvailable(int error)
{
    if (!OnDataAvailable)
        return false;
    OnDataAvailable(this, error);
    return true;
}

void TCustomASocket::TriggerSessionConnected(int error)
{
    if (OnSessionConnected)
        OnSessionConnected(this, error);
}

void TCustomASocket::TriggerSessionClosed(int error)
{
    if (OnSessionClosed)
        OnSessionClosed(this, error);
}

void TCustomASocket::TriggerDataSent(int error)
{
    if (OnDataSent)
        OnDataSent(this, error);
}

void TCustomASocket::TriggerChangeState(TSocketState oldState, TSocketState newState)
{
    if (OnChangeState)
        OnChangeState(this, oldState, newState);
}

void TCustomASocket::TriggerDNSLookupDone(int error)
{
    if (OnDnsLookupDone)
        OnDnsLookupDone(this, error);
}

void TCustomASocket::TriggerError()
{
    if (OnError)
        OnError(this);
}

void TCustomASocket::SocketError(const QString& function, int error)
{
    m_lastError = error;
    const QString message =
        QStringLiteral("Error %1 in function %2\r\n%3").arg(error).arg(function).arg(ASocketErrorDesc(error));
    if (error == WSAECONNRESET || error == WSAENOTCONN) {
        // The connection is gone: close the descriptor now and report the end once.
        if (m_hSocket >= 0)
            InternalClose(false, error);
        m_lastError = error;
    }
    RaiseException(message);
}

void TCustomASocket::RaiseException(const QString& message)
{
    if (OnError) {
        TriggerError();
        return;
    }
    throw ESocketException(message);
}

void TCustomASocket::HandleBackGroundException(const std::exception& e)
{
    bool canClose = true;
    if (OnBgException)
        OnBgException(this, e, canClose);
    if (canClose)
        Abort();
}

void TCustomASocket::Guarded(const std::function<void()>& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        HandleBackGroundException(e);
    }
}

// ---- names ----

QString TCustomASocket::GetPeerAddr()
{
    sockaddr_in a{};
    socklen_t len = sizeof a;
    if (m_hSocket < 0 || ::getpeername(m_hSocket, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        return QStringLiteral("error");
    return ASocketDotted(a.sin_addr.s_addr);
}

QString TCustomASocket::GetPeerPort()
{
    sockaddr_in a{};
    socklen_t len = sizeof a;
    if (m_hSocket < 0 || ::getpeername(m_hSocket, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        return QStringLiteral("error");
    return QString::number(ntohs(a.sin_port));
}

QString TCustomASocket::GetXPort()
{
    sockaddr_in a{};
    socklen_t len = sizeof a;
    if (m_hSocket < 0 || (m_state != wsBound && m_state != wsConnected && m_state != wsListening) ||
        ::getsockname(m_hSocket, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        return QStringLiteral("error");
    return QString::number(ntohs(a.sin_port));
}
