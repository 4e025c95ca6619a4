#pragma once
// Window messages between objects: numbers and payloads kept; a post is one custom Qt event.
#include <QEvent>
#include <cstdint>

class QObject;

constexpr unsigned WM_CLOSE = 0x0010;
constexpr unsigned WM_COPYDATA = 0x004A;
constexpr unsigned WM_COMMAND = 0x0111;
constexpr unsigned WM_DROPFILES = 0x0233;
constexpr unsigned WM_USER = 0x0400;

struct COPYDATASTRUCT {
    uintptr_t dwData = 0;
    uint32_t cbData = 0;
    const void* lpData = nullptr;
};

class TMessageEvent : public QEvent {
public:
    TMessageEvent(unsigned msg, uintptr_t wParam, intptr_t lParam);
    static QEvent::Type type();   // registered once
    unsigned Msg;
    uintptr_t WParam;
    intptr_t LParam;
};

// Queues the message for target's event(); safe from any thread.
void PostMessage(QObject* target, unsigned msg, uintptr_t w, intptr_t l);
// The message carried by e, or nullptr when e is not one.
const TMessageEvent* AsMessageEvent(const QEvent* e);
