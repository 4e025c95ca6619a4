#pragma once
// The mouse manager tells open drop-down buttons about mouse presses anywhere in the program
// (message 1025) and about the program losing the focus (1026). One for the process, made on
// first use; it watches the application only while it exists.
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <vector>

constexpr unsigned WM_SBMOUSEDOWN = 1025;
constexpr unsigned WM_SBAPPLOSTFOCUS = 1026;

class TMouseManager : public QObject {
    Q_OBJECT
public:
    TMouseManager();
    ~TMouseManager() override;

    // Adds obj unless it is there already.
    void AddHandler(QObject* obj);
    void RemoveHandler(QObject* obj);
    bool HasHandler(const QObject* obj) const;
    int HandlerCount() const { return int(m_handlers.size()); }
    // Dispatches msg (as a TMessageEvent) to every handler, last added first. A handler may add
    // or remove handlers, or be deleted, meanwhile: those removed are not called any more.
    void CallHandlers(unsigned msg);
    // Screen position of the press being reported (the cursor's, when none is).
    QPoint PressPos() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ApplicationStateChanged(Qt::ApplicationState state);

    struct PressKey {
        quint64 time = 0;
        QPoint pos;
        Qt::MouseButton button = Qt::NoButton;
        bool operator==(const PressKey&) const = default;
    };

    std::vector<QPointer<QObject>> m_handlers;
    PressKey m_lastPress;
    bool m_inPress = false;
};

TMouseManager* GetMouseManager();
void FreeMouseManager();
