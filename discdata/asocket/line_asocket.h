#pragma once
// Line mode over the SOCKS layer: received bytes are held until a whole line (ending with
// LineEnd) is there, and OnDataAvailable fires once per line. The blocking line read waits for
// one line while the event loop keeps running. TASocket is the published component.
#include "discdata/asocket/socks_asocket.h"

class TCustomLineASocket : public TCustomSocksASocket {
    Q_OBJECT
public:
    explicit TCustomLineASocket(QObject* owner = nullptr);

    // A line that grows past this without its line end ends the connection.
    static constexpr int MaxLineLength = 64 * 1024;

    bool LineMode() const { return m_lineMode; }
    virtual void SetLineMode(bool value);
    QByteArray LineEnd = QByteArray("\r\n");
    bool LineEcho = false;
    bool LineEdit = false;
    int LineLength() const { return m_lineLength; }
    int RcvdCnt() const { return int(m_rcvBuf.size()); }

    int GetRcvdCount() override;

protected:
    void WndProc(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
    bool TriggerDataAvailable(int error) override;
    void TriggerSessionClosed(int error) override;
    int DoRecv(void* buffer, int len, int flags) override;
    // Applies backspace and tab to the count bytes just added at the end of the held bytes.
    virtual void EditLine(int& count);

    bool m_lineReceived = false;
    QByteArray m_rcvBuf; // the held bytes

private:
    void DeliverLines(qsizetype searchFrom);
    // Offers the current line until it is taken; a line nobody takes is dropped.
    void OfferLine();

    bool m_lineMode = false;
    int m_lineLength = 0;
    bool m_delivering = false;
};

class TCustomSyncASocket : public TCustomLineASocket {
    Q_OBJECT
public:
    explicit TCustomSyncASocket(QObject* owner = nullptr);

    // Waits for one line (time-out: 0 = 60 s, above 0 seconds, below 0 milliseconds). After a
    // time-out, line is whatever part of a line arrived.
    void ReadLine(int timeout, QByteArray& line);
    // Ends a wait at once (as if the time ran out).
    void Terminate() { m_terminated = true; }

protected:
    virtual int Synchronize(const std::function<void()>& proc, bool& done);
    virtual int WaitUntilReady(bool& done);

private:
    void InternalDataAvailable(TCustomASocket* sender, int error);

    int m_timeout = 0;
    QByteArray* m_target = nullptr;
    bool m_terminated = false;
};

class TASocket : public TCustomSyncASocket {
    Q_OBJECT
public:
    explicit TASocket(QObject* owner = nullptr) : TCustomSyncASocket(owner) {}
};

class TSocksASocket : public TASocket {
    Q_OBJECT
public:
    explicit TSocksASocket(QObject* owner = nullptr) : TASocket(owner) {}
};
