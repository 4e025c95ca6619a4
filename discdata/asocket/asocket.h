#pragma once
// Unit ASocket: a non-blocking TCP socket that works on the UI thread and reports through
// events (connected, data available, data sent, closed, error). The descriptor is watched by
// socket notifiers; the component's own messages are posted to itself and carry the number of
// the session they belong to, so that a message of an earlier connection is never taken for
// the current one. Host names are looked up on a worker thread.
#include "discdata/asocket/asock_buf.h"
#include "discdata/asocket/winsock.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QSocketNotifier;

enum TSocketState {
    wsInvalidState = 0,
    wsOpened = 1,
    wsBound = 2,
    wsConnecting = 3,
    wsConnected = 4,
    wsAccepting = 5,
    wsListening = 6,
    wsClosed = 7,
};
enum TSocketSendFlags { wsSendNormal, wsSendUrgent };
enum TSocketLingerOnOff { wsLingerOff, wsLingerOn, wsLingerNoSet };

// Messages of the component to itself.
constexpr unsigned WM_ASYNCSELECT = 1025;
constexpr unsigned WM_ASYNCGETHOSTBYNAME = 1026;
constexpr unsigned WM_CLOSE_DELAYED = 1028;
constexpr unsigned WM_ASOCKET_RELEASE = 1029;
constexpr unsigned WM_TRIGGER_EXCEPTION = 1030;
constexpr unsigned WM_TRIGGER_DATA_AVAILABLE = 1044;

// Network events carried by WM_ASYNCSELECT.
constexpr int FD_READ = 1;
constexpr int FD_WRITE = 2;
constexpr int FD_ACCEPT = 8;
constexpr int FD_CONNECT = 16;
constexpr int FD_CLOSE = 32;

struct TASocketLookup;

// Waits for every host-name lookup thread, abandoned ones included, to end; the application's
// end does it too.
void ASocketJoinLookups();
// Lookup threads still resolving.
int ASocketRunningLookups();

class TCustomASocket : public QObject {
    Q_OBJECT
public:
    explicit TCustomASocket(QObject* owner = nullptr);
    ~TCustomASocket() override;

    QString Addr() const { return m_addr; }
    void SetAddr(const QString& value);
    QString Port() const { return m_port; }
    void SetPort(const QString& value);
    QString Proto() const { return m_proto; }
    void SetProto(const QString& value);
    QString LocalAddr() const { return m_localAddr; }
    void SetLocalAddr(const QString& value);
    QString LocalPort() const { return m_localPort; }
    void SetLocalPort(const QString& value);

    TSocketState State() const { return m_state; }
    int LastError() const { return m_lastError; }
    int HSocket() const { return m_hSocket; }
    // Bytes received through Receive since the last connect.
    qint64 ReadCount() const { return m_readCount; }
    bool AllSent() const { return m_allSent; }
    TSocketSendFlags SendFlags() const { return m_sendFlags; }
    void SetSendFlags(int flags);
    TSocketLingerOnOff LingerOnOff = wsLingerOn;
    int LingerTimeout = 0;
    int FlushTimeout = 60;
    // The session this socket is in (raised by every Connect); posted messages carry it.
    quint64 Session() const { return m_session; }

    QStringList DnsResultList;
    QString DnsResult() const { return DnsResultList.value(0); }

    virtual void Connect();
    virtual void Close();
    virtual void CloseDelayed();
    virtual void Release();
    virtual void Abort();
    virtual int Receive(void* buffer, int len);
    // All pending bytes (in line mode: exactly one line with its line end).
    virtual QByteArray ReceiveStr();
    virtual int Send(const void* data, int len);
    int SendStr(const QByteArray& text);
    int SendStr(const QString& text);
    virtual int GetRcvdCount();
    virtual void DnsLookup(const QString& hostName);
    virtual void CancelDnsLookup();
    virtual void Shutdown(int how);
    virtual void Pause();
    virtual void Resume();
    virtual void MessagePump();
    QString GetPeerAddr();
    QString GetPeerPort();
    QString GetXPort();

    // Events; each fires only when assigned. The sender comes first.
    std::function<void(TCustomASocket*, int error)> OnDataAvailable;
    std::function<void(TCustomASocket*, int error)> OnDataSent;
    std::function<void(TCustomASocket*, int bytes)> OnSendData;
    std::function<void(TCustomASocket*, int error)> OnSessionClosed;
    std::function<void(TCustomASocket*, int error)> OnSessionConnected;
    std::function<void(TCustomASocket*, int error)> OnDnsLookupDone;
    std::function<void(TCustomASocket*, TSocketState oldState, TSocketState newState)> OnChangeState;
    std::function<void(TCustomASocket*)> OnError;
    std::function<void(TCustomASocket*, const std::exception&, bool& canClose)> OnBgException;

protected:
    bool event(QEvent* e) override;
    virtual void WndProc(unsigned msg, uintptr_t wParam, intptr_t lParam);
    virtual void AssignDefaultValue();
    virtual void InternalClose(bool shut, int error);
    virtual int RealSend(const uint8_t* data, int len);
    // Raises ESocketException, or reports through OnError when it is assigned.
    virtual void RaiseException(const QString& message);
    virtual void HandleBackGroundException(const std::exception& e);
    // Fires OnDataAvailable; false when nobody handles it.
    virtual bool TriggerDataAvailable(int error);
    virtual void TriggerSessionConnected(int error);
    virtual void TriggerSessionClosed(int error);
    virtual void TriggerDataSent(int error);
    virtual void TriggerChangeState(TSocketState oldState, TSocketState newState);
    virtual void TriggerDNSLookupDone(int error);
    virtual void TriggerError();
    virtual int DoRecv(void* buffer, int len, int flags);

    // "Error N in function F" with the error's text; closes the socket for a reset or a lost
    // connection, then raises.
    void SocketError(const QString& function, int error);
    void ChangeState(TSocketState newState);
    // Runs f and hands an escaping exception to HandleBackGroundException.
    void Guarded(const std::function<void()>& f);
    void SetLastError(int error) { m_lastError = error; }
    // What every Connect checks first: a closed socket with a port and an address. Raises and
    // returns false otherwise.
    bool ReadyToConnect();
    // Sets the address and port texts without assigning them: what a layer that connects
    // elsewhere (a proxy) shows again once its session is over.
    void ShowAddrAndPort(const QString& addr, const QString& port)
    {
        m_addr = addr;
        m_port = port;
    }
    bool Destroying() const { return m_destroying; }
    bool CloseReported() const { return m_closeReported; }

private:
    void ConnectTo(uint32_t address);
    void StartLookup(const QString& host, bool forConnect);
    void LookupDone();
    void CancelLookup();
    void ReadReady();
    void WriteReady();
    void ASyncReceive(int error);
    void SessionEnded(int error);
    void TryToSend();
    void UpdateWriteNotifier();
    void DropNotifiers();

    QString m_addr, m_port, m_proto, m_localAddr, m_localPort;
    bool m_addrAssigned = false, m_portAssigned = false, m_protoAssigned = false;
    bool m_addrResolved = false, m_portResolved = false, m_protoResolved = false;
    uint32_t m_remoteAddress = 0; // network order
    int m_remotePort = 0;         // host order
    int m_protoNumber = 6;
    int m_hSocket = -1;
    TSocketState m_state = wsClosed;
    TSocketSendFlags m_sendFlags = wsSendNormal;
    int m_lastError = 0;
    qint64 m_readCount = 0;
    bool m_allSent = true;
    bool m_closeReported = false;
    bool m_paused = false;
    bool m_destroying = false;
    bool m_connectLookup = false;
    quint64 m_session = 0;
    int m_receiveDepth = 0;
    bool m_readDeferred = false;
    std::vector<std::unique_ptr<TBuffer>> m_sendQueue;
    int m_bufSize = 1514;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    std::shared_ptr<TASocketLookup> m_lookup;
};
