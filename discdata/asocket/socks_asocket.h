#pragma once
// The SOCKS layer of the socket: with a SOCKS server set, Connect goes to that server and
// negotiates the way on to the real destination (SOCKS 4, 4A or 5, with user name and password
// for 5); OnSessionConnected fires only once the proxy reports success.
#include "discdata/asocket/asocket.h"

enum TSocksState { socksData, socksNegociateMethods, socksAuthenticate, socksConnect };
enum TSocksAuthentication { socksNoAuthentication, socksAuthenticateUsercode };
enum TSocksAuthState { socksAuthStart, socksAuthSuccess, socksAuthFailure, socksAuthNotRequired };

// Replies of a SOCKS server, taken apart without a socket (fuzzed on their own).
namespace socksreply {

enum TStep { NeedMore, Done, Failed };

struct TReply {
    TStep Step = NeedMore;
    int Consumed = 0;  // bytes of the reply (Done)
    int Value = 0;     // the method chosen (method reply)
    int ErrorCode = 0; // Failed
    QString ErrorText; // Failed
};

TReply MethodReply(const QByteArray& bytes);
TReply AuthReply(const QByteArray& bytes);
TReply Socks5ConnectReply(const QByteArray& bytes);
TReply Socks4ConnectReply(const QByteArray& bytes);

} // namespace socksreply

class TCustomSocksASocket : public TCustomASocket {
    Q_OBJECT
public:
    explicit TCustomSocksASocket(QObject* owner = nullptr);

    QString SocksServer() const { return m_socksServer; }
    virtual void SetSocksServer(const QString& value);
    QString SocksPort() const { return m_socksPort; }
    virtual void SetSocksPort(const QString& value);
    QString SocksLevel() const { return m_socksLevel; }
    void SetSocksLevel(const QString& value);
    QString SocksUsercode() const { return m_socksUsercode; }
    void SetSocksUsercode(const QString& value) { m_socksUsercode = value; }
    QString SocksPassword() const { return m_socksPassword; }
    void SetSocksPassword(const QString& value) { m_socksPassword = value; }
    TSocksAuthentication SocksAuthentication = socksNoAuthentication;
    TSocksState SocksState() const { return m_socksState; }

    void Connect() override;
    int GetRcvdCount() override;

    std::function<void(TCustomASocket*, int error)> OnSocksConnected;
    std::function<void(TCustomASocket*, int error, const QString& message)> OnSocksError;
    std::function<void(TCustomASocket*, TSocksAuthState state)> OnSocksAuthState;

protected:
    // True while the proxy's replies are still being read.
    bool SocksNegotiating() const { return m_socksState != socksData; }
    void AssignDefaultValue() override;
    bool TriggerDataAvailable(int error) override;
    void TriggerSessionConnected(int error) override;
    void TriggerSessionClosed(int error) override;
    int DoRecv(void* buffer, int len, int flags) override;
    virtual void TriggerSocksConnected(int error);
    virtual void TriggerSocksError(int error, const QString& message);

private:
    void SocksDataAvailable();
    void SendConnectRequest();
    void DataAvailableError(int code, const QString& message);
    void TriggerSocksAuthState(TSocksAuthState state);
    // Addr and Port show the destination again, not the proxy the session went to.
    void ShowDestination();

    TSocksState m_socksState = socksData;
    QString m_socksServer, m_socksLevel = QStringLiteral("5"), m_socksPort, m_socksUsercode, m_socksPassword;
    bool m_socksEnabled = false;
    QString m_destHost, m_destPortText;
    int m_destPort = 0;
    uint32_t m_destAddress = 0;
    QByteArray m_socksRcvBuf; // proxy reply, then application bytes that came behind it
};
