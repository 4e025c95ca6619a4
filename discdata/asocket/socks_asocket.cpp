#include "discdata/asocket/socks_asocket.h"

#include <QPointer>
#include <arpa/inet.h>
#include <cstring>

namespace socksreply {

namespace {

TReply Fail(int code, const QString& text)
{
    TReply r;
    r.Step = Failed;
    r.ErrorCode = code;
    r.ErrorText = text;
    return r;
}

TReply Ok(int consumed, int value = 0)
{
    TReply r;
    r.Step = Done;
    r.Consumed = consumed;
    r.Value = value;
    return r;
}

uint8_t At(const QByteArray& b, int i)
{
    return uint8_t(b.at(i));
}

} // namespace

TReply MethodReply(const QByteArray& b)
{
    if (b.size() < 2)
        return {};
    if (At(b, 0) != 5)
        return Fail(20002, QStringLiteral("socks version error"));
    if (b.size() > 2)
        return Fail(20001, QStringLiteral("too much data availaible"));
    if (At(b, 1) != 0 && At(b, 1) != 2)
        return Fail(20003, QStringLiteral("authentification method not acceptable"));
    return Ok(2, At(b, 1));
}

TReply AuthReply(const QByteArray& b)
{
    if (b.size() < 2)
        return {};
    if (b.size() > 2)
        return Fail(20001, QStringLiteral("too much data availaible"));
    if (At(b, 1) != 0)
        return Fail(20015, QStringLiteral("socks authentication failed"));
    return Ok(2);
}

TReply Socks5ConnectReply(const QByteArray& b)
{
    if (b.size() < 2)
        return {};
    if (At(b, 0) != 5)
        return Fail(20002, QStringLiteral("socks version error"));
    const int reply = At(b, 1);
    if (reply != 0) {
        static const char* const kTexts[] = {
            "general SOCKS server failure", "connection not allowed by ruleset",
            "network unreachable",          "host unreachable",
            "connection refused",           "time to live expired",
            "command not supported",        "address type not supported"};
        if (reply >= 1 && reply <= 8)
            return Fail(20003 + reply, QString::fromLatin1(kTexts[reply - 1]));
        return Fail(20012, QStringLiteral("unassigned error #%1").arg(reply));
    }
    if (b.size() < 5)
        return {};
    int size;
    switch (At(b, 3)) {
    case 1: size = 4 + 4 + 2; break;
    case 3: size = 4 + 1 + At(b, 4) + 2; break;
    default: return Fail(20011, QStringLiteral("address type not supported"));
    }
    if (b.size() < size)
        return {};
    return Ok(size);
}

TReply Socks4ConnectReply(const QByteArray& b)
{
    if (b.size() < 8)
        return {};
    switch (At(b, 1)) {
    case 90: return Ok(8);
    case 91: return Fail(20016, QStringLiteral("request rejected or failed"));
    case 92: return Fail(20008, QStringLiteral("connection refused"));
    case 93: return Fail(20015, QStringLiteral("authentification failed"));
    default: return Fail(20012, QStringLiteral("unassigned error #%1").arg(At(b, 1)));
    }
}

} // namespace socksreply

TCustomSocksASocket::TCustomSocksASocket(QObject* owner) : TCustomASocket(owner) {}

void TCustomSocksASocket::AssignDefaultValue()
{
    TCustomASocket::AssignDefaultValue();
    // The proxy settings belong to the component, not to one session: they stay.
    m_socksState = socksData;
    m_socksRcvBuf.clear();
    ShowDestination();
}

void TCustomSocksASocket::ShowDestination()
{
    if (m_destHost.isEmpty())
        return;
    ShowAddrAndPort(m_destHost, m_destPortText);
    m_destHost.clear();
}

void TCustomSocksASocket::SetSocksLevel(const QString& value)
{
    if (State() != wsClosed) {
        RaiseException(QStringLiteral("Can't change socks level if not closed"));
        return;
    }
    const QString v = value.toUpper();
    if (v != QLatin1String("4") && v != QLatin1String("5") && v != QLatin1String("4A")) {
        RaiseException(QStringLiteral("Invalid socks level. Must be 4, 4A or 5."));
        return;
    }
    m_socksLevel = v;
}

void TCustomSocksASocket::SetSocksServer(const QString& value)
{
    if (State() != wsClosed) {
        RaiseException(QStringLiteral("Can't change socks server if not closed"));
        return;
    }
    m_socksServer = value.trimmed();
    m_socksEnabled = !m_socksServer.isEmpty();
}

void TCustomSocksASocket::SetSocksPort(const QString& value)
{
    if (State() != wsClosed) {
        RaiseException(QStringLiteral("Can't change socks port if not closed"));
        return;
    }
    m_socksPort = value.trimmed();
}

void TCustomSocksASocket::Connect()
{
    if (!m_socksEnabled) {
        TCustomASocket::Connect();
        return;
    }
    if (Proto().compare(QLatin1String("tcp"), Qt::CaseInsensitive) != 0) {
        RaiseException(QStringLiteral("tcp is the only protocol supported thru socks server"));
        return;
    }
    if (!ReadyToConnect())
        return;
    // Every name in a request goes with a one-byte length (SOCKS 5) or must fit the same.
    if (Addr().toUtf8().size() > 255) {
        RaiseException(QStringLiteral("socks: host name longer than 255 bytes"));
        return;
    }
    if (SocksAuthentication == socksAuthenticateUsercode &&
        (m_socksUsercode.toUtf8().size() > 255 || m_socksPassword.toUtf8().size() > 255)) {
        RaiseException(QStringLiteral("socks: user code or password longer than 255 bytes"));
        return;
    }
    if (m_socksLevel == QLatin1String("4") && m_socksUsercode.toUtf8().size() > 255) {
        RaiseException(QStringLiteral("socks: user code longer than 255 bytes"));
        return;
    }
    m_destPort = ASocketResolvePort(Port(), QStringLiteral("tcp"));
    // SOCKS 4 carries an address, so the name is looked up here; 4A and 5 pass the name on.
    if (m_socksLevel == QLatin1String("4"))
        m_destAddress = ASocketResolveHost(Addr());
    const QString port = m_socksPort.isEmpty() ? QStringLiteral("1080") : m_socksPort;
    // The core connects to the proxy; after the session Addr and Port are the destination's
    // again, so that a client that gives its host anew reaches the same place.
    m_destHost = Addr();
    m_destPortText = Port();
    SetAddr(m_socksServer);
    SetPort(port);
    try {
        TCustomASocket::Connect();
    } catch (...) {
        if (State() == wsClosed)
            ShowDestination();
        throw;
    }
    if (State() != wsClosed)
        m_socksState = socksNegociateMethods;
    else
        ShowDestination();
}

void TCustomSocksASocket::TriggerSessionConnected(int error)
{
    if (m_socksState != socksNegociateMethods) {
        TCustomASocket::TriggerSessionConnected(error);
        return;
    }
    TriggerSocksConnected(error);
    if (error) {
        m_socksState = socksData;
        TCustomASocket::TriggerSessionConnected(error);
        return;
    }
    if (m_socksLevel == QLatin1String("5")) {
        const char request[3] = {5, 1, char(SocksAuthentication == socksAuthenticateUsercode ? 2 : 0)};
        Send(request, 3);
    } else {
        SendConnectRequest();
    }
}

void TCustomSocksASocket::SendConnectRequest()
{
    m_socksState = socksConnect;
    QByteArray request;
    const uint16_t port = uint16_t(m_destPort);
    if (m_socksLevel == QLatin1String("5")) {
        const QByteArray host = m_destHost.toUtf8();
        request.append(char(5)).append(char(1)).append(char(0)).append(char(3));
        request.append(char(host.size())).append(host);
        request.append(char(port >> 8)).append(char(port & 0xFF));
    } else {
        request.append(char(4)).append(char(1));
        request.append(char(port >> 8)).append(char(port & 0xFF));
        if (m_socksLevel == QLatin1String("4A")) {
            request.append(char(0)).append(char(0)).append(char(0)).append(char(1));
        } else {
            request.append(reinterpret_cast<const char*>(&m_destAddress), 4); // network order
        }
        request.append(m_socksUsercode.toUtf8()).append(char(0));
        if (m_socksLevel == QLatin1String("4A"))
            request.append(m_destHost.toUtf8()).append(char(0));
    }
    Send(request.constData(), int(request.size()));
}

bool TCustomSocksASocket::TriggerDataAvailable(int error)
{
    if (m_socksState == socksData)
        return TCustomASocket::TriggerDataAvailable(error);
    SocksDataAvailable();
    return true;
}

void TCustomSocksASocket::SocksDataAvailable()
{
    const int waiting = TCustomASocket::GetRcvdCount();
    if (waiting > 0) {
        QByteArray chunk(waiting, '\0');
        const int got = TCustomASocket::DoRecv(chunk.data(), waiting, 0);
        if (got < 0) {
            const int error = ASocket_WSAGetLastError();
            if (error != WSAEWOULDBLOCK)
                DataAvailableError(error, QStringLiteral("data receive error"));
            return;
        }
        m_socksRcvBuf.append(chunk.constData(), got);
    }
    using namespace socksreply;
    switch (m_socksState) {
    case socksNegociateMethods: {
        const TReply r = MethodReply(m_socksRcvBuf);
        if (r.Step == NeedMore)
            return;
        if (r.Step == Failed) {
            DataAvailableError(r.ErrorCode, r.ErrorText);
            return;
        }
        m_socksRcvBuf.clear();
        if (r.Value == 0) {
            TriggerSocksAuthState(socksAuthNotRequired);
            SendConnectRequest();
            return;
        }
        m_socksState = socksAuthenticate;
        const QByteArray user = m_socksUsercode.toUtf8();
        const QByteArray password = m_socksPassword.toUtf8();
        QByteArray request;
        request.append(char(1)).append(char(user.size())).append(user);
        request.append(char(password.size())).append(password);
        TriggerSocksAuthState(socksAuthStart);
        Send(request.constData(), int(request.size()));
        return;
    }
    case socksAuthenticate: {
        const TReply r = AuthReply(m_socksRcvBuf);
        if (r.Step == NeedMore)
            return;
        if (r.Step == Failed) {
            if (r.ErrorCode == 20015)
                TriggerSocksAuthState(socksAuthFailure);
            DataAvailableError(r.ErrorCode, r.ErrorText);
            return;
        }
        m_socksRcvBuf.clear();
        TriggerSocksAuthState(socksAuthSuccess);
        SendConnectRequest();
        return;
    }
    case socksConnect: {
        const TReply r = m_socksLevel == QLatin1String("5") ? Socks5ConnectReply(m_socksRcvBuf)
                                                            : Socks4ConnectReply(m_socksRcvBuf);
        if (r.Step == NeedMore)
            return;
        if (r.Step == Failed) {
            DataAvailableError(r.ErrorCode, r.ErrorText);
            return;
        }
        // What came behind the reply is the destination's first data.
        m_socksRcvBuf.remove(0, r.Consumed);
        m_socksState = socksData;
        QPointer<TCustomSocksASocket> guard(this);
        const quint64 session = Session();
        TCustomASocket::TriggerSessionConnected(0);
        if (guard && session == Session() && State() == wsConnected && !m_socksRcvBuf.isEmpty())
            TriggerDataAvailable(0);
        return;
    }
    default: DataAvailableError(20001, QStringLiteral("TASocket logic error")); return;
    }
}

void TCustomSocksASocket::DataAvailableError(int code, const QString& message)
{
    m_socksState = socksData;
    SetLastError(code);
    QPointer<TCustomSocksASocket> guard(this);
    TriggerSocksError(code, message);
    if (!guard)
        return;
    TCustomASocket::TriggerSessionConnected(code);
    if (guard && State() != wsClosed)
        InternalClose(false, code);
}

void TCustomSocksASocket::TriggerSessionClosed(int error)
{
    if (m_socksState == socksAuthenticate)
        TriggerSocksAuthState(socksAuthFailure);
    m_socksState = socksData;
    TCustomASocket::TriggerSessionClosed(error);
}

int TCustomSocksASocket::GetRcvdCount()
{
    if (m_socksState == socksData && !m_socksRcvBuf.isEmpty())
        return int(m_socksRcvBuf.size()) + TCustomASocket::GetRcvdCount();
    return TCustomASocket::GetRcvdCount();
}

int TCustomSocksASocket::DoRecv(void* buffer, int len, int flags)
{
    if (m_socksState == socksData && !m_socksRcvBuf.isEmpty() && len > 0) {
        const int n = std::min(len, int(m_socksRcvBuf.size()));
        std::memcpy(buffer, m_socksRcvBuf.constData(), size_t(n));
        m_socksRcvBuf.remove(0, n);
        return n;
    }
    return TCustomASocket::DoRecv(buffer, len, flags);
}

void TCustomSocksASocket::TriggerSocksConnected(int error)
{
    if (OnSocksConnected)
        OnSocksConnected(this, error);
}

void TCustomSocksASocket::TriggerSocksError(int error, const QString& message)
{
    if (OnSocksError)
        OnSocksError(this, error, message);
}

void TCustomSocksASocket::TriggerSocksAuthState(TSocksAuthState state)
{
    if (OnSocksAuthState)
        OnSocksAuthState(this, state);
}
