#pragma once
// A socket with an inactivity watchdog: TUWait counts timer ticks since the last sign of
// activity; TUASocket restarts it on every block sent or received and, when the count runs
// out, ends the connection.
#include "discdata/asocket/line_asocket.h"

#include <QObject>
#include <QTimer>
#include <functional>

class TUWait : public QObject {
    Q_OBJECT
public:
    explicit TUWait(QObject* owner = nullptr);

    // Ticks counted while running, else 0.
    unsigned GetIdleTime() const { return m_timer.isActive() ? m_count : 0; }
    int Timeout() const { return m_timeout; }
    // A negative count becomes 0; 0 stops the timer.
    void SetTimeout(int ticks);
    int GetInterval() const { return m_timer.interval(); }
    void SetInterval(int ms);
    bool Running() const { return m_running; }
    bool TimerEnabled() const { return m_timer.isActive(); }

    void Start();
    void ReStart();
    void Stop();

    std::function<void(QObject*)> OnTimeout;
    std::function<void(QObject*, unsigned count)> OnTimer;

    // One tick of the timer.
    void UWaitTimer();

private:
    QTimer m_timer;
    unsigned m_count = 0;
    int m_timeout = 60;
    bool m_running = false;
};

class TUASocket : public TASocket {
    Q_OBJECT
public:
    explicit TUASocket(QObject* owner = nullptr);

    qint64 SentCount() const { return m_sentCount; }
    int Timeout() const { return m_wait->Timeout(); }
    void SetTimeout(int ticks) { m_wait->SetTimeout(ticks); }
    TUWait* Wait() const { return m_wait; }

    void Connect() override;
    void Close() override;
    void CloseDelayed() override;
    void StopWait();
    void StartWait();

    // The user's events: bytes sent, a line (or block) received, the time-out, idle ticks.
    std::function<void(TCustomASocket*, int bytes)> OnUserSendData;
    std::function<void(TCustomASocket*, int error)> OnUserDataAvailable;
    std::function<void(QObject*)> OnWaitTimeout;
    std::function<void(QObject*, unsigned count)> OnIdle;

protected:
    void TriggerSessionClosed(int error) override;
    void DoSendData(int bytes);
    void DoDataAvailable(int error);
    void WaitTimeout();
    void DoWaitTimer(unsigned count);

private:
    TUWait* m_wait;
    qint64 m_sentCount = 0;
};
