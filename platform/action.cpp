#include "platform/action.h"

TCustomAction::TCustomAction(QObject* parent) : QAction(parent)
{
    connect(this, &QAction::triggered, this, [this] {
        if (OnExecute)
            OnExecute(this);
    });
    // Hiding forces a QAction disabled and showing gives back the value set: only what is set
    // while shown counts.
    connect(this, &QAction::enabledChanged, this, [this](bool enabled) {
        if (isVisible())
            m_enabled = enabled;
    });
}

void TCustomAction::SetChecked(bool value)
{
    if (value && !isCheckable())
        setCheckable(true);
    setChecked(value);
}

void TCustomAction::SetEnabled(bool value)
{
    if (value == m_enabled)
        return;
    m_enabled = value;
    setEnabled(value);
    if (!isVisible())
        Q_EMIT changed();
}

void TCustomAction::SetHelpContext(int value)
{
    if (value == m_helpContext)
        return;
    m_helpContext = value;
    Q_EMIT changed();
}

void TCustomAction::SetHint(const QString& hint)
{
    if (hint == m_hint)
        return;
    m_hint = hint;
    setToolTip(hint);
    Q_EMIT changed();
}

void TCustomAction::SetImageIndex(int index)
{
    if (index == m_imageIndex)
        return;
    m_imageIndex = index;
    Q_EMIT changed();
}
