#pragma once
// TCustomAction: a command that menu items and buttons share. It is a QAction, so that menus
// show it as any other, with what buttons linked to it keep in step besides: a hint of its own,
// an image index and a help context, and Enabled as set even while the action is hidden (a
// hidden QAction also counts as disabled). Checked makes it checkable, so that executing it
// toggles Checked.
#include <QAction>
#include <functional>

class TCustomAction : public QAction {
    Q_OBJECT
public:
    explicit TCustomAction(QObject* parent = nullptr);

    QString Caption() const { return text(); }
    void SetCaption(const QString& caption) { setText(caption); }
    bool Checked() const { return isChecked(); }
    void SetChecked(bool value);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool value);
    int HelpContext() const { return m_helpContext; }
    void SetHelpContext(int value);
    QString Hint() const { return m_hint; }
    void SetHint(const QString& hint);
    int ImageIndex() const { return m_imageIndex; }
    void SetImageIndex(int index);
    bool Visible() const { return isVisible(); }
    void SetVisible(bool value) { setVisible(value); }

    // Runs when the action executes (triggered, from a menu or a linked control).
    std::function<void(TCustomAction* sender)> OnExecute;
    void Execute() { trigger(); }

private:
    bool m_enabled = true;
    int m_helpContext = 0;
    QString m_hint;
    int m_imageIndex = -1;
};
