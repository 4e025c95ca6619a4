#include "discdata/uasocket.h"

TUWait::TUWait(QObject* owner) : QObject(owner)
{
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, [this] { UWaitTimer(); });
}

void TUWait::UWaitTimer()
{
    ++m_count;
    if (OnTimer)
        OnTimer(this, m_count);
    if (m_count == unsigned(m_timeout)) {
        m_timer.stop();
        if (OnTimeout)
            OnTimeout(this);
    }
}

void TUWait::SetTimeout(int ticks)
{
    if (ticks < 0)
        ticks = 0;
    if (ticks == 0)
        m_timer.stop();
    m_timeout = ticks;
}

void TUWait::SetInterval(int ms)
{
    if (ms != m_timer.interval())
        m_timer.setInterval(ms);
}

void TUWait::Start()
{
    m_count = 0;
    m_running = true;
    m_timer.start();
}

void TUWait::ReStart()
{
    if (m_running)
        m_count = 0;
}

void TUWait::Stop()
{
    m_running = false;
    m_timer.stop();
}

TUASocket::TUASocket(QObject* owner) : TASocket(owner), m_wait(new TUWait(this))
{
    m_wait->SetInterval(1000);
    m_wait->OnTimeout = [this](QObject*) { WaitTimeout(); };
    m_wait->OnTimer = [this](QObject*, unsigned count) { DoWaitTimer(count); };
    OnSendData = [this](TCustomASocket*, int bytes) { DoSendData(bytes); };
    OnDataAvailable = [this](TCustomASocket*, int error) { DoDataAvailable(error); };
}

void TUASocket::Connect()
{
    m_sentCount = 0;
    TASocket::Connect();
    if (State() != wsClosed)
        m_wait->Start();
}

void TUASocket::Close()
{
    TASocket::Close();
    m_wait->Stop();
}

void TUASocket::CloseDelayed()
{
    TASocket::CloseDelayed();
    m_wait->Stop();
}

void TUASocket::TriggerSessionClosed(int error)
{
    // However the session ends, nothing is left to watch.
    m_wait->Stop();
    TASocket::TriggerSessionClosed(error);
}

void TUASocket::StopWait()
{
    if (m_wait->Running())
        m_wait->Stop();
}

void TUASocket::StartWait()
{
    if (!m_wait->Running())
        m_wait->Start();
}

void TUASocket::DoSendData(int bytes)
{
    m_sentCount += bytes;
    if (OnUserSendData)
        OnUserSendData(this, bytes);
    m_wait->ReStart();
}

void TUASocket::DoDataAvailable(int error)
{
    if (OnUserDataAvailable)
        OnUserDataAvailable(this, error);
    m_wait->ReStart();
}

void TUASocket::WaitTimeout()
{
    if (OnWaitTimeout)
        OnWaitTimeout(this);
    // A silent peer must not hold the connection open for ever: end it, reporting the time-out.
    if (State() != wsClosed) {
        SetLastError(WSAETIMEDOUT);
        InternalClose(false, WSAETIMEDOUT);
    }
}

void TUASocket::DoWaitTimer(unsigned count)
{
    if (OnIdle && m_wait->Running())
        OnIdle(this, count);
}
