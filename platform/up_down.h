#pragma once
// TUpDown: the pair of arrow buttons attached to an edit box (its associate). Position lives in
// the associate's text: a whole number within Min..Max typed there becomes the position; other
// texts leave the last position standing. The arrows and the Up/Down keys in the associate step
// it; with Wrap the steps run round, otherwise they stop at the ends.
#include <QPointer>
#include <QWidget>
#include <functional>

#include <QLineEdit>

class TUpDown : public QWidget {
    Q_OBJECT
public:
    explicit TUpDown(QWidget* parent = nullptr);
    ~TUpDown() override;

    // The edit box whose text shows the position; its Up and Down keys step the position.
    void SetAssociate(QLineEdit* edit);
    QLineEdit* Associate() const { return m_associate; }

    int Min() const { return m_min; }
    int Max() const { return m_max; }
    void SetMin(int value);
    void SetMax(int value);
    // The associate's number when it is a whole number within Min..Max, else the last one.
    int Position() const;
    // Clamped to Min..Max; the associate's text follows.
    void SetPosition(int value);
    bool Wrap = false;
    bool Thousands = false;
    int Increment = 1;

    // Fires after an arrow or key changed the position.
    std::function<void(QObject* sender)> OnClick;

    // One step up (true) or down, as the arrows do.
    void Step(bool up);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showPosition();
    void textChanged();
    QPointer<QLineEdit> m_associate;
    int m_min = 0, m_max = 100, m_position = 0;
    int m_pressed = 0; // 1 upper arrow, -1 lower, 0 none
};
