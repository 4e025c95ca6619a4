#include "discdata/asocket/line_asocket.h"

#include "platform/window_message.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <cstring>

TCustomLineASocket::TCustomLineASocket(QObject* owner) : TCustomSocksASocket(owner) {}

void TCustomLineASocket::SetLineMode(bool value)
{
    if (value == m_lineMode)
        return;
    m_lineMode = value;
    if (!m_rcvBuf.isEmpty() || m_lineLength > 0)
        PostMessage(this, WM_TRIGGER_DATA_AVAILABLE, uintptr_t(Session()), 0);
}

void TCustomLineASocket::WndProc(unsigned msg, uintptr_t wParam, intptr_t lParam)
{
    if (msg != WM_TRIGGER_DATA_AVAILABLE) {
        TCustomSocksASocket::WndProc(msg, wParam, lParam);
        return;
    }
    if (wParam != Session() || m_rcvBuf.isEmpty() || m_delivering)
        return;
    // The held bytes may already hold lines: search them without waiting for new ones.
    if (m_lineMode && !LineEnd.isEmpty())
        DeliverLines(0);
    else
        TCustomSocksASocket::TriggerDataAvailable(0);
}

int TCustomLineASocket::GetRcvdCount()
{
    if (m_lineMode && !LineEnd.isEmpty())
        return m_lineLength;
    return int(m_rcvBuf.size()) + TCustomSocksASocket::GetRcvdCount();
}

int TCustomLineASocket::DoRecv(void* buffer, int len, int flags)
{
    if (len <= 0)
        return 0;
    if (m_lineMode && m_lineLength > 0) {
        const int n = std::min({len, m_lineLength, int(m_rcvBuf.size())});
        std::memcpy(buffer, m_rcvBuf.constData(), size_t(n));
        m_rcvBuf.remove(0, n);
        m_lineLength -= n;
        return n;
    }
    if (!m_lineMode && !m_rcvBuf.isEmpty()) {
        const int n = std::min(len, int(m_rcvBuf.size()));
        std::memcpy(buffer, m_rcvBuf.constData(), size_t(n));
        m_rcvBuf.remove(0, n);
        return n;
    }
    return TCustomSocksASocket::DoRecv(buffer, len, flags);
}

bool TCustomLineASocket::TriggerDataAvailable(int error)
{
    if (!m_lineMode || LineEnd.isEmpty() || SocksNegotiating())
        return TCustomSocksASocket::TriggerDataAvailable(error);
    if (m_delivering)
        return true; // the lines held are being offered; the new bytes wait in the system
    const int waiting = TCustomSocksASocket::GetRcvdCount();
    if (waiting < 1)
        return true;
    const qsizetype oldSize = m_rcvBuf.size();
    m_rcvBuf.resize(oldSize + waiting);
    const int got = TCustomSocksASocket::DoRecv(m_rcvBuf.data() + oldSize, waiting, 0);
    m_rcvBuf.resize(oldSize + std::max(got, 0));
    if (got <= 0)
        return true;
    int count = got;
    if (LineEdit)
        EditLine(count);
    else if (LineEcho)
        Send(m_rcvBuf.constData() + oldSize, got);
    DeliverLines(std::max<qsizetype>(0, std::min(oldSize, m_rcvBuf.size()) - LineEnd.size()));
    return true;
}

void TCustomLineASocket::DeliverLines(qsizetype searchFrom)
{
    QPointer<TCustomLineASocket> guard(this);
    const quint64 session = Session();
    m_delivering = true;
    while (m_lineMode && !LineEnd.isEmpty() && !m_rcvBuf.isEmpty()) {
        const qsizetype pos = m_rcvBuf.indexOf(LineEnd, searchFrom);
        if (pos < 0)
            break;
        m_lineLength = int(pos + LineEnd.size());
        m_lineReceived = true;
        OfferLine();
        if (!guard)
            return;
        if (session != Session() || State() != wsConnected)
            break;
        searchFrom = 0;
    }
    m_delivering = false;
    if (m_lineMode && m_rcvBuf.size() > MaxLineLength && State() == wsConnected) {
        // No line end in sight: the peer is not speaking in lines.
        m_rcvBuf.clear();
        SetLastError(WSAEMSGSIZE);
        InternalClose(false, WSAEMSGSIZE);
        if (guard)
            RaiseException(QStringLiteral("Line too long: no line end within %1 bytes").arg(MaxLineLength));
    }
}

void TCustomLineASocket::OfferLine()
{
    QPointer<TCustomLineASocket> guard(this);
    while (m_lineMode && m_lineLength > 0) {
        const int before = m_lineLength;
        const bool handled = TCustomSocksASocket::TriggerDataAvailable(0);
        if (!guard)
            return;
        if (!handled || m_lineLength == before) {
            // Nobody took any of it: drop it rather than offer it forever.
            m_rcvBuf.remove(0, std::min<qsizetype>(m_lineLength, m_rcvBuf.size()));
            break;
        }
    }
    m_lineLength = 0;
}

void TCustomLineASocket::TriggerSessionClosed(int error)
{
    m_lineReceived = true;
    QPointer<TCustomLineASocket> guard(this);
    if (m_lineMode && !m_rcvBuf.isEmpty() && !m_delivering) {
        // What is left is the last line, even without its line end.
        m_delivering = true;
        m_lineLength = int(m_rcvBuf.size());
        OfferLine();
        if (!guard)
            return;
        m_delivering = false;
    }
    m_rcvBuf.clear();
    m_lineLength = 0;
    TCustomSocksASocket::TriggerSessionClosed(error);
}

void TCustomLineASocket::EditLine(int& count)
{
    const qsizetype start = m_rcvBuf.size() - count;
    QByteArray edited = m_rcvBuf.left(start);
    qsizetype lowest = start;
    bool changed = false;
    for (qsizetype i = start; i < m_rcvBuf.size(); ++i) {
        const char c = m_rcvBuf.at(i);
        if (c == '\b') {
            changed = true;
            if (!edited.isEmpty()) {
                if (LineEcho)
                    Send("\b \b", 3);
                edited.chop(1);
                lowest = std::min(lowest, edited.size());
            }
        } else if (c == '\t') {
            changed = true;
            do {
                edited.append(' ');
                if (LineEcho)
                    Send(" ", 1);
            } while (edited.size() % 8 != 0);
        } else {
            if (LineEcho)
                Send(&c, 1);
            edited.append(c);
        }
    }
    if (!changed)
        return;
    m_rcvBuf = edited;
    count = int(edited.size() - lowest);
}

// ---- blocking line read ----

TCustomSyncASocket::TCustomSyncASocket(QObject* owner) : TCustomLineASocket(owner) {}

void TCustomSyncASocket::ReadLine(int timeout, QByteArray& line)
{
    line.clear();
    if (State() != wsConnected) {
        RaiseException(QStringLiteral("ReadLine failed: not connected"));
        return;
    }
    m_timeout = timeout == 0 ? 60000 : timeout > 0 ? timeout * 1000 : -timeout;
    m_lineReceived = false;
    m_terminated = false;
    auto oldHandler = OnDataAvailable;
    const bool oldLineMode = LineMode();
    m_target = &line;
    OnDataAvailable = [this](TCustomASocket* s, int e) { InternalDataAvailable(s, e); };
    SetLineMode(true);
    bool done = false;
    QPointer<TCustomSyncASocket> guard(this);
    const int result = Synchronize(nullptr, done);
    if (!guard)
        return;
    m_target = nullptr;
    if (result == 12001 && !m_rcvBuf.isEmpty()) {
        line = m_rcvBuf;
        m_rcvBuf.clear();
    }
    OnDataAvailable = oldHandler;
    SetLineMode(oldLineMode);
}

void TCustomSyncASocket::InternalDataAvailable(TCustomASocket*, int)
{
    QByteArray text(LineLength(), '\0');
    const int got = Receive(text.data(), int(text.size()));
    text.truncate(std::max(got, 0));
    if (m_target)
        *m_target = text;
}

int TCustomSyncASocket::Synchronize(const std::function<void()>& proc, bool& done)
{
    done = false;
    if (proc)
        proc();
    return WaitUntilReady(done);
}

int TCustomSyncASocket::WaitUntilReady(bool& done)
{
    QDeadlineTimer deadline(m_timeout > 0 ? qint64(m_timeout) : -1);
    QPointer<TCustomSyncASocket> guard(this);
    QEventLoop loop;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, &loop, &QEventLoop::quit);
    tick.start();
    while (true) {
        if (!guard)
            return 12001;
        if (m_lineReceived) {
            done = true;
            return 0;
        }
        if (deadline.hasExpired() || m_terminated || QCoreApplication::closingDown())
            return 12001;
        loop.exec();
    }
}
