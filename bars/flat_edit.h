#pragma once
// TEditX: a single-line edit for toolbars that looks flat until it is hot (focused, or under the
// mouse while the focused control is not such a flat control), and the registry of X-control
// classes that decides what "such a control" is.
#include <QLineEdit>
#include <QMetaObject>

void RegisterXControlClass(const QMetaObject* cls);
void UnregisterXControlClass(const QMetaObject* cls);
// False for no control or an empty registry; else whether control is of (or derives from) a
// registered class.
bool ControlIsXControl(const QObject* control);
int XControlClassCount();

class TEditX : public QLineEdit {
    Q_OBJECT
public:
    explicit TEditX(QWidget* parent = nullptr);
    ~TEditX() override;
    bool MouseInControl() const { return m_mouseInControl; }
    // The sunken frame shows.
    bool Hot() const;
    QString Version() const { return QStringLiteral("DockBars version 1.78"); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void AdjustHeight();
    bool m_mouseInControl = false;
};
